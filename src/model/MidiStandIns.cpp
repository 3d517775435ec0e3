#include "model/MidiStandIns.h"

#include <string>

#include "platform/Devices.h"
#include "platform/StdMenu.h"

bool SoundSets::ChooseSlot(int x, int y, int* port, int* channel) {
    if (!GetMidiOutPorts()->IsSamplePlayerPort(*port)) return false;
    CStdMenu menu;
    if (!menu.Create()) return false;
    for (int s = 0; s < 8; ++s) {
        menu.InsertItem(s, ("Slot " + std::to_string(s + 1)).c_str(), s + 1);
        if (s == *channel) menu.SetCheck(s, true);
    }
    const UINT chosen = menu.Track(x, y);
    if (chosen == 0 || chosen > 8) return false;
    *channel = int(chosen) - 1;
    return true;
}
