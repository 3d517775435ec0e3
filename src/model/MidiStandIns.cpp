#include "model/MidiStandIns.h"

#include <string>
#include <utility>

#include "platform/DlgCombosStandIns.h"
#include "platform/StdMenu.h"

namespace {

// Pops up items (text, value) and gives the chosen value; false when nothing is chosen.
bool ChooseFrom(int x, int y, const std::vector<std::pair<std::string, int>>& items, int current, int* value) {
    CStdMenu menu;
    if (!menu.Create()) return false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        menu.InsertItem(int(i), items[i].first.c_str(), int(i) + 1);
        if (items[i].second == current) menu.SetCheck(int(i), true);
    }
    const UINT chosen = menu.Track(x, y);
    if (chosen == 0 || chosen > items.size()) return false;
    *value = items[chosen - 1].second;
    return true;
}

std::vector<std::pair<std::string, int>> Numbers(int from, int to, int shown) {
    std::vector<std::pair<std::string, int>> items;
    for (int v = from; v <= to; ++v) items.emplace_back(std::to_string(v + shown), v);
    return items;
}

}  // namespace

bool RunChannelMenu(int x, int y, int port, int* channel) {
    const int count = GetMidiOutPorts()->IsSamplePlayerPort(port) ? 8 : 16;
    return ChooseFrom(x, y, Numbers(0, count - 1, 1), *channel, channel);
}

bool RunBankMenu(int x, int y, int, int, int* bank) {
    auto items = Numbers(0, 127, 0);
    items.insert(items.begin(), {"None", -1});
    return ChooseFrom(x, y, items, *bank, bank);
}

bool RunOutputMenu(int x, int y, int* port, int) {
    std::vector<std::pair<std::string, int>> items;
    for (int p = 0; p < 16; ++p) {
        char name[128] = {};
        GetMidiOutPorts()->GetPortName(p, name, sizeof name);
        items.emplace_back(std::to_string(p + 1) + " - " + name, p);
    }
    return ChooseFrom(x, y, items, *port, port);
}

bool RunPanMenu(int x, int y, int, int* pan) { return ChooseFrom(x, y, Numbers(-64, 63, 0), *pan, pan); }

bool RunVolumeMenu(int x, int y, int, int* volume, int) {
    return ChooseFrom(x, y, Numbers(0, 127, 0), *volume, volume);
}

bool RunPatchMenu(int x, int y, int port, int channel, std::int32_t* word, int withNone, int) {
    std::vector<std::pair<std::string, int>> items;
    if (withNone) items.emplace_back("None", 0xFF);
    for (int p = 0; p < 128; ++p) {
        char name[64] = {};
        char number[16] = {};
        GetPortPatchNameOrGM(port, channel, p, name, number, sizeof name);
        items.emplace_back(std::to_string(p) + ": " + name, p);
    }
    int program = *word == -1 ? 0xFF : int(*word & 0xFF);
    if (!ChooseFrom(x, y, items, program, &program)) return false;
    *word = std::int32_t((std::uint32_t(*word) & 0xFFFFFF00u) | std::uint32_t(program));
    return true;
}

bool SoundSets::ChooseSlot(int x, int y, int* port, int* channel) {
    if (!GetMidiOutPorts()->IsSamplePlayerPort(*port)) return false;
    std::vector<std::pair<std::string, int>> items;
    for (int s = 0; s < 8; ++s) items.emplace_back("Slot " + std::to_string(s + 1), s);
    return ChooseFrom(x, y, items, *channel, channel);
}
