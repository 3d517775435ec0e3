#include "model/MidiChoosers.h"

#include <string>

#include "framework/CodePage.h"
#include "platform/Devices.h"
#include "platform/DlgCombosStandIns.h"

MidiChoosers& TheMidiChoosers() {
    static MidiChoosers choosers;
    return choosers;
}

// --- the combined output list ----------------------------------------------------------------

int GetOutputEntryCount() {
    CDevices* ports = GetMidiOutPorts();
    return ports ? ports->GetCount() : 0;
}

int GetOutputEntryPortId(int index) {
    CDevices* ports = GetMidiOutPorts();
    if (!ports || index < 0 || index >= ports->GetCount()) return -1;
    return ports->GetIdAt(index);
}

int GetOutputEntryName(int index, char* text, std::size_t size, bool numbered) {
    if (!text || size == 0) return -1;
    text[0] = 0;
    const int port = GetOutputEntryPortId(index);
    if (port < 0) return -1;
    char name[160] = {};
    if (!GetNameMgr()->GetInstrumentName(index, 0, name, sizeof name) || name[0] == 0)
        GetMidiOutPorts()->GetPortName(port, name, sizeof name);
    std::string out = numbered ? std::to_string(index + 1) + " - " : std::string();
    out += name;
    fw::CopyText(text, size, out);
    return port;
}
