// The dialog combo fillers over small fake device, key and patch tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "UiBaseFixture.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/StdDlg.h"

namespace {

constexpr UINT kComboTemplate = 9020;
constexpr int kCombo = 40;
constexpr int kVstPort = 2500, kEnginePort = 3000, kMidiPort = 1;

void Put(char* out, std::size_t size, const std::string& s) {
    std::strncpy(out, s.c_str(), size - 1);
    out[size - 1] = 0;
}

class FakeDefs : public VSTDeviceDefs {
public:
    bool GetControllerNames(int port, const char*, VSTControllerName* table, bool, bool) override {
        if (port != kVstPort) return false;
        Put(table[1].name, sizeof table[1].name, "Mod");
        Put(table[7].name, sizeof table[7].name, "Vol");
        Put(table[10].name, sizeof table[10].name, "Pan");
        return true;
    }
    bool GetKeySwitches(int port, const char*, std::vector<VSTKeyEntry>& table) override {
        if (port != kVstPort) return false;
        table = {Key("Legato", 24), Key("Sustain", 24), Key("High", 125), Key("Staccato", 126), Key("Spic", 127)};
        return true;
    }
    bool GetKeyList(int port, const char*, std::vector<VSTKeyEntry>& table) override {
        if (port != kVstPort) return false;
        table = {Key("Kick", 36), Key("Snare", 38)};
        return true;
    }
    bool GetPatchByIndex(int port, int index, std::uint32_t bankWord, std::uint32_t* word) override {
        *word = bankWord + std::uint32_t(index);
        return true;
    }
    bool GetPatchName(int, int, std::uint32_t word, int, char* text, std::size_t size) override {
        Put(text, size, word % 2 ? "" : "Set" + std::to_string(word));
        return true;
    }
    static VSTKeyEntry Key(const char* name, int pitch) {
        VSTKeyEntry e;
        Put(e.name, sizeof e.name, name);
        e.pitch = std::int16_t(pitch);
        return e;
    }
};

class FakePorts : public CDevices {
public:
    void GetNoteName(int, int, std::uint32_t, int pitch, char* text, std::size_t size) override {
        Put(text, size, "N" + std::to_string(pitch));
    }
    int IndexOfId(int port) override { return port == kEnginePort ? 2 : 0; }
};

class FakeNames : public CNameMgr {
public:
    int bank = -1;
    int count = 3;
    int GetBankNumber(int device, int, std::uint32_t) override { return device == 2 ? bank : -1; }
    std::uint32_t GetBankWordByIndex(int, int, int, int) override { return 100; }
    int GetPatchCount(int, int, std::uint32_t) override { return count; }
    void GetPatchName(int, int, std::uint32_t word, char* text, std::size_t size) override {
        Put(text, size, "P" + std::to_string(word));
    }
};

void GmNames(int, int, int program, char* name, char* number, std::size_t size) {
    Put(name, size, program % 2 ? "" : "GM" + std::to_string(program));
    Put(number, size, std::to_string(program + 1));
}

class ComboFillerTest : public UiBaseTest {
protected:
    void SetUp() override {
        UiBaseTest::SetUp();
        SetTemplate(kComboTemplate, "dialog 9020 200 100\ncombo 40 10 10 120 80\n");
        SetVSTDeviceDefs(&defs);
        SetMidiOutPorts(&ports);
        SetNameMgr(&names);
        SetPortPatchNameSource(&GmNames);
        ASSERT_TRUE(dlg.Create(kComboTemplate, &host));
    }
    void TearDown() override {
        dlg.DestroyWindow();
        SetVSTDeviceDefs(nullptr);
        SetMidiOutPorts(nullptr);
        SetNameMgr(nullptr);
        SetPortPatchNameSource(nullptr);
        UiBaseTest::TearDown();
    }
    std::vector<std::string> Entries() {
        std::vector<std::string> out;
        char text[256];
        for (int i = 0; i < dlg.GetComboCount(kCombo); ++i) {
            dlg.GetComboText(kCombo, i, text, sizeof text);
            out.push_back(text);
        }
        return out;
    }
    std::vector<int> Values(const std::uint8_t* map) {
        std::vector<int> out;
        for (int i = 0; i < dlg.GetComboCount(kCombo); ++i) out.push_back(map[i]);
        return out;
    }

    FakeDefs defs;
    FakePorts ports;
    FakeNames names;
    CStdDlg dlg;
};

}  // namespace

TEST_F(ComboFillerTest, ControllersOfADeviceDefinitionKeepTheirNumbers) {
    dlg.FillControllerCombo(kCombo, kVstPort, "Strings", true);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"None", "1. Mod", "7. Vol", "10. Pan"}));
    EXPECT_EQ(Values(dlg.controllerComboMap), (std::vector<int>{0, 2, 8, 11}));
    EXPECT_EQ(dlg.GetControllerComboValue(kCombo), 0);  // nothing selected: the first entry
    dlg.SelectControllerValue(kCombo, 8);
    EXPECT_EQ(dlg.GetComboSel(kCombo), 2);
    EXPECT_EQ(dlg.GetControllerComboValue(kCombo), 8);
    dlg.SelectControllerValue(kCombo, 99);
    EXPECT_EQ(dlg.GetComboSel(kCombo), 0);

    g_ui.listUnnamedEntries = true;
    dlg.FillControllerCombo(kCombo, kVstPort, "Strings", false);
    EXPECT_EQ(dlg.GetComboCount(kCombo), 128);
    EXPECT_EQ(Entries()[5], "5. ");
    EXPECT_EQ(dlg.controllerComboMap[127], 127);
}

TEST_F(ComboFillerTest, ControllersWithoutADefinitionComeFromTheStringTable) {
    g_ui.listUnnamedEntries = true;
    dlg.FillControllerCombo(kCombo, kMidiPort, "", true);
    EXPECT_EQ(dlg.GetComboCount(kCombo), 129);
    EXPECT_EQ(Entries()[1].rfind("0. ", 0), 0u);
    EXPECT_EQ(dlg.controllerComboMap[128], 128);
}

TEST_F(ComboFillerTest, KeyValuesNeverCollideWithTheUnisonValues) {
    dlg.FillKeyCombo(kCombo, kMidiPort, "", true);
    auto values = Values(dlg.keyComboMap);
    auto entries = Entries();
    ASSERT_EQ(values.size(), 128u);
    EXPECT_EQ(entries[1], "N0");
    EXPECT_EQ(values[1], 1);
    EXPECT_EQ(values[125], 125);  // key 124, the last key that has a value of its own
    EXPECT_EQ(entries[126], "Unison On");
    EXPECT_EQ(entries[127], "Unison Off");
    EXPECT_EQ(std::count(values.begin(), values.end(), 126), 1);
    EXPECT_EQ(std::count(values.begin(), values.end(), 127), 1);
    dlg.SelectKeyValue(kCombo, 126);
    EXPECT_EQ(dlg.GetComboSel(kCombo), 126);

    dlg.FillKeyCombo(kCombo, kMidiPort, "", false);
    values = Values(dlg.keyComboMap);
    EXPECT_EQ(values.size(), 128u);  // keys 0-125 and the two unison entries
    EXPECT_EQ(values[125], 125);
    EXPECT_EQ(std::count(values.begin(), values.end(), 126), 1);
}

TEST_F(ComboFillerTest, KeySwitchesListTheirFirstNamePerKey) {
    dlg.FillKeyCombo(kCombo, kVstPort, "", true);
    // Keys 125-127 would read back as unison values after "None": they are left out.
    EXPECT_EQ(Entries(), (std::vector<std::string>{"None", "N24 - Legato", "Unison On", "Unison Off"}));
    EXPECT_EQ(Values(dlg.keyComboMap), (std::vector<int>{0, 25, 126, 127}));
    dlg.FillKeyCombo(kCombo, kVstPort, "", false);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"N24 - Legato", "N125 - High", "Unison On", "Unison Off"}));
    EXPECT_EQ(Values(dlg.keyComboMap), (std::vector<int>{24, 125, 126, 127}));
}

TEST_F(ComboFillerTest, PatchesOfMidiPortsEnginePortsAndKeyLists) {
    dlg.FillPatchCombo(kCombo, kMidiPort, 0, "", true);
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 65u);  // "None" and the 64 named programs
    EXPECT_EQ(entries[1], "1. GM0");
    EXPECT_EQ(entries[2], "3. GM2");
    EXPECT_EQ(dlg.patchComboMap[2], 3);

    dlg.FillPatchCombo(kCombo, kEnginePort, 0, "", false);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"1. P100", "2. P101", "3. P102"}));
    EXPECT_EQ(Values(dlg.patchComboMap), (std::vector<int>{0, 1, 2}));
    names.bank = 0;  // a known bank: the sound set's names
    dlg.FillPatchCombo(kCombo, kEnginePort, 0, "", false);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Set100", "Set102"}));
    EXPECT_EQ(Values(dlg.patchComboMap), (std::vector<int>{0, 2}));

    dlg.FillPatchCombo(kCombo, kVstPort, 0, "Kit", true);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"None", "N36 - Kick", "N38 - Snare"}));
    EXPECT_EQ(Values(dlg.patchComboMap), (std::vector<int>{0, 37, 39}));
}

TEST_F(ComboFillerTest, AComboHoldsNoMoreEntriesThanItsMapHasValues) {
    names.count = 300;
    dlg.FillPatchCombo(kCombo, kEnginePort, 0, "", true);
    EXPECT_EQ(dlg.GetComboCount(kCombo), 256);
    EXPECT_EQ(dlg.patchComboMap[255], 255);
}

TEST_F(ComboFillerTest, VoicesTakeTheirNamesWhenAsked) {
    std::strcpy(g_ui.voiceNames[0], "Lead");
    std::strcpy(g_ui.voiceNames[2], "Bass");
    dlg.FillVoiceCombo(kCombo, true, true);
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 9u);
    EXPECT_EQ(entries[0], "None");
    EXPECT_EQ(entries[1], "Lead");
    EXPECT_EQ(entries[2], "Voice 2");
    EXPECT_EQ(entries[3], "Bass");
    dlg.FillVoiceCombo(kCombo, false, false);
    EXPECT_EQ(Entries()[0], "Voice 1");
}
