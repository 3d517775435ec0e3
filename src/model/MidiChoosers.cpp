#include "model/MidiChoosers.h"

#include <string>

#include "framework/CodePage.h"
#include "platform/Devices.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/EngineStandIns.h"

MidiChoosers& TheMidiChoosers() {
    static MidiChoosers choosers;
    return choosers;
}

// --- the combined output list ----------------------------------------------------------------

int GetOutputEntryCount() {
    CDevices* ports = GetMidiOutPorts();
    return PlugInTable::GetCount() + (ports ? ports->GetCount() : 0);
}

int GetOutputEntryPortId(int index) {
    if (const PlugInSlot* slot = PlugInTable::GetSlot(index)) return slot->GetPortId();
    CDevices* ports = GetMidiOutPorts();
    const int at = index - PlugInTable::GetCount();
    if (!ports || index < 0 || at < 0 || at >= ports->GetCount()) return -1;
    return ports->GetIdAt(at);
}

int GetOutputEntryName(int index, char* text, std::size_t size, bool numbered) {
    if (!text || size == 0) return -1;
    text[0] = 0;
    const int port = GetOutputEntryPortId(index);
    if (port < 0) return -1;
    char name[160] = {};
    if (const PlugInSlot* slot = PlugInTable::GetSlot(index)) {
        slot->GetDisplayName(name, sizeof name);
    } else {
        // The instrument definitions know a MIDI port by its place in the output list.
        const int device = index - PlugInTable::GetCount();
        if (!GetNameMgr()->GetInstrumentName(device, 0, name, sizeof name) || name[0] == 0)
            GetMidiOutPorts()->GetPortName(port, name, sizeof name);
    }
    std::string out = numbered ? std::to_string(index + 1) + " - " : std::string();
    out += name;
    fw::CopyText(text, size, out);
    return port;
}
