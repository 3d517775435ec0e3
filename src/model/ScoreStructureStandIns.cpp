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
