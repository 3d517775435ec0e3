#include "view/MidiChoosers.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/CodePage.h"
#include "model/MidiChoosers.h"
#include "platform/Devices.h"
#include "platform/DlgCombosStandIns.h"
#include "view/MenuBox.h"
#include "view/ViewGlobals.h"

namespace {

// One item of a chooser: its text and the value it gives.
struct Choice {
    std::string text;
    int value;
};

// Pops the items up in a menu box with the item of value `current` marked; the chosen item's
// value. False when there are no items or nothing is chosen.
bool Choose(int x, int y, const std::vector<Choice>& items, int current, int* value) {
    if (items.empty()) return false;
    CMenuBox box;
    if (!box.SetItemCount(int(items.size()))) return false;
    int marked = -1;
    for (std::size_t i = 0; i < items.size(); ++i) {
        box.SetItemText(int(i), items[i].text.c_str());
        if (items[i].value == current && marked < 0) marked = int(i);
    }
    int chosen = marked;
    if (!box.Popup(x, y, &chosen) || chosen < 0 || chosen >= int(items.size())) return false;
    *value = items[std::size_t(chosen)].value;
    return true;
}

int DeviceIndex(int port) {
    CDevices* ports = GetMidiOutPorts();
    return ports ? ports->IndexOfId(port) : -1;
}

// A bank value as the bank dialog's word (MSB, LSB, program blank); -1 all blank.
std::uint32_t BankToDialogWord(int bank) {
    if (bank < 0) return 0xFFFFFFu;
    return (std::uint32_t((bank >> 7) & 127) << 24) | (std::uint32_t(bank & 127) << 16) | 0xFF00u | 0xFFu;
}

int DialogWordToBank(std::uint32_t word) {
    const int msb = int((word >> 24) & 0xFF), lsb = int((word >> 16) & 0xFF);
    if (msb == 255 && lsb == 255) return -1;
    return (msb == 255 ? 0 : msb) * 128 + (lsb == 255 ? 0 : lsb);
}

}  // namespace

// --- the choosers ----------------------------------------------------------------------------

bool RunOutputMenu(int x, int y, int* port) {
    std::vector<Choice> items;
    for (int i = 0; i < GetOutputEntryCount(); ++i) {
        char text[200];
        const int id = GetOutputEntryName(i, text, sizeof text, true);
        items.push_back({text, id});
    }
    return Choose(x, y, items, *port, port);
}

bool RunChannelMenu(int x, int y, int port, int* channel) {
    CDevices* ports = GetMidiOutPorts();
    const int count = ports && ports->IsSamplePlayerPort(port) ? 8 : 16;
    std::vector<Choice> items;
    for (int c = 0; c < count; ++c) items.push_back({std::to_string(c + 1), c});
    return Choose(x, y, items, *channel, channel);
}

bool RunBankMenu(int x, int y, int port, int channel, int* bank) {
    if (g_view.numericPatches) {
        std::uint32_t word = BankToDialogWord(*bank);
        if (!RunBankDialog(&word)) return false;
        *bank = DialogWordToBank(word);
        return true;
    }
    const int device = DeviceIndex(port);
    std::vector<Choice> named, numbered;
    for (int b = 0; b < 128; ++b) {
        char name[96] = {};
        const std::uint32_t word = GetNameMgr()->MakeBankWord(device, channel, b, 0);
        if (GetNameMgr()->AppendBankName(device, channel, word, name, sizeof name) && name[0])
            named.push_back({name, b});
        numbered.push_back({std::to_string(b), b});
    }
    // Without named banks every bank is offered by its number.
    std::vector<Choice> items{{"None", -1}};
    const std::vector<Choice>& banks = named.empty() ? numbered : named;
    items.insert(items.end(), banks.begin(), banks.end());
    return Choose(x, y, items, *bank, bank);
}

bool RunPatchMenu(int x, int y, int port, int channel, std::int32_t* word, bool withNone) {
    const std::uint32_t bankWord = *word == -1 ? 0u : std::uint32_t(*word) & 0xFFFFFF00u;
    const int device = DeviceIndex(port);
    int count = device >= 0 ? GetNameMgr()->GetPatchCount(device, 0, bankWord) : 0;
    if (count <= 0 || count > 128) count = 128;
    std::vector<std::string> names(static_cast<std::size_t>(count)), numbers(static_cast<std::size_t>(count));
    std::size_t widest = 0;
    for (int p = 0; p < count; ++p) {
        char name[64] = {}, number[16] = {};
        if (port >= kFirstEnginePortId) {
            GetVSTDeviceDefs()->GetPatchName(port, 0, bankWord, p, name, sizeof name);
            std::snprintf(number, sizeof number, "%d", p + 1);
        } else {
            GetPortPatchNameOrGM(port, channel, p, name, number, sizeof name);
        }
        names[std::size_t(p)] = name;
        numbers[std::size_t(p)] = number;
        widest = std::max(widest, numbers[std::size_t(p)].size());
    }
    std::vector<Choice> items;
    if (withNone) items.push_back({"None", 0xFF});
    for (int p = 0; p < count; ++p) {
        const std::string& number = numbers[std::size_t(p)];
        std::string text = std::string(widest - number.size(), ' ') + number;
        if (!names[std::size_t(p)].empty()) text += ": " + names[std::size_t(p)];
        items.push_back({text, p});
    }
    int program = *word == -1 ? 0xFF : int(*word & 0xFF);
    if (!Choose(x, y, items, program, &program)) return false;
    const std::uint32_t upper = *word == -1 ? 0xFFFFFF00u : std::uint32_t(*word) & 0xFFFFFF00u;
    *word = std::int32_t(upper | std::uint32_t(program));
    return true;
}

bool RunPanMenu(int x, int y, int* stored) {
    std::vector<Choice> items;
    for (int v = -64; v <= 63; ++v) items.push_back({std::to_string(v), v + 64});
    return Choose(x, y, items, *stored, stored);
}

bool RunValueMenu(int x, int y, int* value, int) {
    std::vector<Choice> items;
    for (int v = 0; v <= 127; ++v) items.push_back({std::to_string(v), v});
    return Choose(x, y, items, *value, value);
}

// --- the bank dialog -------------------------------------------------------------------------

void CBankDlg::InitControls() {
    const bool allBlank = word_ == 0xFFFFFFu;
    const int ids[3] = {kSelect0, kSelect32, kProgram};
    for (int i = 0; i < 3; ++i) {
        const int v = allBlank ? 255 : int((word_ >> (24 - 8 * i)) & 0xFF);
        SetupNumericField(ids[i], kFormatInteger, v > 127 ? -1 : v, -1, 127, true);
    }
}

void CBankDlg::OnControl(int id) {
    if (id == IDOK) {
        const int ids[3] = {kSelect0, kSelect32, kProgram};
        std::uint32_t packed = word_ == 0xFFFFFFu ? 0xFFu : (word_ & 0xFFu);
        for (int i = 0; i < 3; ++i) {
            const int v = std::clamp<int>(GetNumericField(ids[i]), -1, 127);
            packed |= std::uint32_t(v < 0 ? 255 : v) << (24 - 8 * i);
        }
        word_ = packed;
    }
    CStdDlg::OnControl(id);
}

bool RunBankDialog(std::uint32_t* word) {
    CBankDlg dlg(*word);
    if (!dlg.RunModal(CBankDlg::kTemplateId)) return false;
    *word = dlg.Word();
    return true;
}

void RegisterMidiChoosers() {
    MidiChoosers& c = TheMidiChoosers();
    c.output = [](int x, int y, int* port) { return RunOutputMenu(x, y, port); };
    c.channel = &RunChannelMenu;
    c.bank = &RunBankMenu;
    c.patch = &RunPatchMenu;
    c.pan = &RunPanMenu;
    c.value = &RunValueMenu;
}
