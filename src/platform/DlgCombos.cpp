// The combo fillers of the dialog base: controllers, keys, patches and voices.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/CodePage.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/PortLayer.h"
#include "platform/StdDlg.h"
#include "platform/StdDlgGlobals.h"

namespace {

// Ports from this id up are instruments of the audio engine.
constexpr int kFirstEnginePort = 2000;
// The controller names of the string table: 5400 + controller number.
constexpr UINT kControllerNames = 5400;
// The key values that stand for unison on and off (after every key value).
constexpr int kUnisonOn = 126;
constexpr int kUnisonOff = 127;

std::string Cut(const std::string& s) {
    // Entry texts are built in a 256-byte buffer.
    return s.substr(0, fw::FitBytes(s, 255));
}

std::string NoteNameOnPort(int port, int pitch) {
    char text[64];
    GetMidiOutPorts()->GetNoteName(port, 0, 0, pitch, text, sizeof text);
    return text;
}

// The name of the first entry on a pitch, empty when none.
std::string FirstNameOnPitch(const std::vector<VSTKeyEntry>& table, int pitch) {
    for (const VSTKeyEntry& e : table) {
        if (e.pitch != pitch) continue;
        char name[sizeof e.name + 1] = {};
        fw::CopyText(name, sizeof name, std::string(e.name, strnlen(e.name, sizeof e.name)));
        return name;
    }
    return {};
}

}  // namespace

bool CStdDlg::AddMappedEntry(int id, std::uint8_t* map, const char* text, int value) {
    // A combo cannot hold more entries than its map has values for.
    if (GetComboCount(id) >= 256) return false;
    const int index = AddComboString(id, text);
    if (index < 0 || index >= 256) return false;
    if (map) map[index] = std::uint8_t(value);
    return true;
}

int CStdDlg::MapValue(const std::uint8_t* map, int index) {
    if (index < 0 || index >= 256) index = 0;
    return map[index];
}

void CStdDlg::SelectMapValue(int id, const std::uint8_t* map, int value) {
    const int count = std::min(GetComboCount(id), 256);
    for (int i = 0; i < count; ++i) {
        if (map[i] == value) {
            SetComboSel(id, i);
            return;
        }
    }
    SetComboSel(id, 0);
}

void CStdDlg::FillControllerCombo(int id, int port, const char* instrument, bool withNone) {
    ClearCombo(id);
    int offset = 0;
    if (withNone) {
        AddMappedEntry(id, controllerComboMap, g_ui.noneText.c_str(), 0);
        offset = 1;
    }
    std::vector<VSTControllerName> names(128);
    const bool fromDevice = GetVSTDeviceDefs()->GetControllerNames(port, instrument, names.data(), true, true);
    for (int n = 0; n < 128; ++n) {
        std::string name;
        if (fromDevice) {
            name.assign(names[std::size_t(n)].name, strnlen(names[std::size_t(n)].name, sizeof names[0].name));
        } else {
            char buf[256];
            LoadResString(kControllerNames + UINT(n), buf);
            name = buf;
        }
        if (name.empty() && !g_ui.listUnnamedEntries) continue;
        AddMappedEntry(id, controllerComboMap, Cut(std::to_string(n) + ". " + name).c_str(), n + offset);
    }
}

void CStdDlg::FillKeyCombo(int id, int port, const char* instrument, bool withNone) {
    ClearCombo(id);
    int offset = 0;
    if (withNone) {
        AddMappedEntry(id, keyComboMap, g_ui.noneText.c_str(), 0);
        offset = 1;
    }
    // Key values stay below the unison values, so that no key reads back as unison on or off.
    std::vector<VSTKeyEntry> switches;
    if (GetVSTDeviceDefs()->GetKeySwitches(port, instrument, switches)) {
        for (int pitch = 0; pitch < 128 && pitch + offset < kUnisonOn; ++pitch) {
            const std::string name = FirstNameOnPitch(switches, pitch);
            if (name.empty() && !g_ui.listUnnamedEntries) continue;
            std::string text = NoteNameOnPort(port, pitch);
            if (!name.empty()) text += " - " + name;
            AddMappedEntry(id, keyComboMap, Cut(text).c_str(), pitch + offset);
        }
    } else {
        for (int pitch = 0; pitch < 126 && pitch + offset < kUnisonOn; ++pitch)
            AddMappedEntry(id, keyComboMap, Cut(NoteNameOnPort(port, pitch)).c_str(), pitch + offset);
    }
    AddMappedEntry(id, keyComboMap, "Unison On", kUnisonOn);
    AddMappedEntry(id, keyComboMap, "Unison Off", kUnisonOff);
}

void CStdDlg::FillPatchCombo(int id, int port, std::uint32_t patchWord, const char* instrument, bool withNone) {
    ClearCombo(id);
    int offset = 0;
    if (withNone) {
        AddMappedEntry(id, patchComboMap, g_ui.noneText.c_str(), 0);
        offset = 1;
    }
    VSTDeviceDefs* defs = GetVSTDeviceDefs();
    std::vector<VSTKeyEntry> keys;
    if (defs->GetKeyList(port, instrument, keys)) {
        for (int pitch = 0; pitch < 128; ++pitch) {
            const std::string name = FirstNameOnPitch(keys, pitch);
            if (name.empty() && !g_ui.listUnnamedEntries) continue;
            std::string text = NoteNameOnPort(port, pitch);
            if (!name.empty()) text += " - " + name;
            if (!AddMappedEntry(id, patchComboMap, Cut(text).c_str(), pitch + offset)) break;
        }
        return;
    }
    if (port >= kFirstEnginePort) {
        CNameMgr* names = GetNameMgr();
        const int device = GetMidiOutPorts()->IndexOfId(port);
        const int bank = names->GetBankNumber(device, 0, patchWord);
        const std::uint32_t bankWord = names->GetBankWordByIndex(device, 0, bank, 0);
        const int count = names->GetPatchCount(device, 0, patchWord);
        for (int i = 0; i < count; ++i) {
            char name[256] = {};
            std::string text;
            if (bank != -1) {
                std::uint32_t word = bankWord;
                defs->GetPatchByIndex(port, i, bankWord, &word);
                defs->GetPatchName(port, 0, word, i, name, sizeof name);
                text = name;
            } else {
                names->GetPatchName(device, 0, bankWord + std::uint32_t(i), name, sizeof name);
                text = std::to_string(i + 1) + ". " + name;
            }
            if (!name[0] && !g_ui.listUnnamedEntries) continue;
            if (!AddMappedEntry(id, patchComboMap, Cut(text).c_str(), i + offset)) break;
        }
        return;
    }
    for (int program = 0; program < 128; ++program) {
        char name[256] = {}, number[32] = {};
        GetPortPatchNameOrGM(port, 0, program, name, number, sizeof number);
        if (!name[0] && !g_ui.listUnnamedEntries) continue;
        AddMappedEntry(id, patchComboMap, Cut(std::string(number) + ". " + name).c_str(), program + offset);
    }
}

void CStdDlg::FillVoiceCombo(int id, bool useNames, bool withNone) {
    ClearCombo(id);
    if (withNone) AddComboString(id, g_ui.noneText.c_str());
    for (int voice = 0; voice < 8; ++voice) {
        const char* name = g_ui.voiceNames[voice];
        std::string text;
        if (useNames && name[0])
            text.assign(name, strnlen(name, sizeof g_ui.voiceNames[0]));
        else
            text = "Voice " + std::to_string(voice + 1);
        AddComboString(id, text.c_str());
    }
}

int CStdDlg::GetControllerComboValue(int id) { return MapValue(controllerComboMap, GetComboSel(id)); }
int CStdDlg::GetKeyComboValue(int id) { return MapValue(keyComboMap, GetComboSel(id)); }
int CStdDlg::GetPatchComboValue(int id) { return MapValue(patchComboMap, GetComboSel(id)); }
void CStdDlg::SelectControllerValue(int id, int value) { SelectMapValue(id, controllerComboMap, value); }
void CStdDlg::SelectKeyValue(int id, int value) { SelectMapValue(id, keyComboMap, value); }
void CStdDlg::SelectPatchValue(int id, int value) { SelectMapValue(id, patchComboMap, value); }
