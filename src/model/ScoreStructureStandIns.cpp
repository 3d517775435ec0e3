#include "model/ScoreStructureStandIns.h"

#include "model/Score.h"

#include <algorithm>

#include "framework/Globals.h"
#include "model/PageSetup.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"

#include <cstring>

#include "model/ItemFactory.h"
#include "platform/Theory.h"

namespace {
// Places shown by a change between two keys.
int KeyChange(int from, int to) { return CTheory::CountKeyChangeAccidentals(to, from); }
bool SameSide(int a, int b) { return (a <= 7 && b <= 7) || (a >= 8 && b >= 8); }
}  // namespace

int CKeySig::CountPlaces() const {
    const int key = GetKey();
    const int mode = GetNaturalMode();
    const int old = (mode == 0 || GetPreviousKey() == key) ? 0 : GetPreviousKey();
    if (mode == 1) {
        const int a = KeyChange(0, old);
        const int b = KeyChange(0, key);
        return SameSide(old, key) && key >= old ? b : a + b;
    }
    return KeyChange(old, key);
}

int CKeySig::CountNaturals() const {
    const int key = GetKey();
    const int previous = GetPreviousKey();
    const int mode = GetNaturalMode();
    if (mode == 0 || previous == 0 || previous == key) return 0;
    if (mode == 2) return KeyChange(previous, key) - KeyChange(0, key);
    if (mode == 1) return KeyChange(0, previous);
    return 0;
}

MidiOutPortsState& MidiOutPorts() {
    static MidiOutPortsState state;
    return state;
}

ChosenOutputPortsFn& ChosenOutputPorts() {
    static ChosenOutputPortsFn ports;
    return ports;
}

namespace {
void ResetOutputPorts() {
    MidiOutPorts() = MidiOutPortsState();
    ChosenOutputPorts() = nullptr;
}
[[maybe_unused]] const bool registeredPorts = fw::RegisterGlobalsReset(&ResetOutputPorts);
}  // namespace

bool IsPortAvailable(int port) {
    if (!ChosenOutputPorts()) return false;
    const std::vector<int> ports = ChosenOutputPorts()();
    return std::find(ports.begin(), ports.end(), port) != ports.end();
}


