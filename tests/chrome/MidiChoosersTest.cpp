// The MIDI choosers as menu boxes: the channels a port offers, "None" for patches (0xFF in the
// program byte) and banks (-1), pans kept with 64 added, the numbered output list (the engine's
// instruments first), a box pressed outside changing nothing, and the bank dialog's packing with
// blanks as 255.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ChromeFixture.h"
#include "framework/Dialog.h"
#include "platform/Devices.h"
#include "platform/DlgCombosStandIns.h"
#include "support/FakeEngine.h"
#include "support/MenuBoxScript.h"
#include "view/MenuBox.h"
#include "view/MidiChoosers.h"
#include "view/ViewGlobals.h"

namespace {

namespace ui = fw::uitest;

// Two outputs (ids 0 and 1000, the second a sample player's) named "Synth" and "Player".
struct Ports : CDevices {
    Ports() {
        DeviceRecord a;
        a.id = 0;
        std::snprintf(a.name, sizeof a.name, "Synth");
        Add(a);
        DeviceRecord b;
        b.id = 1000;
        std::snprintf(b.name, sizeof b.name, "Player");
        Add(b);
    }
    bool IsSamplePlayerPort(int port) override { return port == 1000; }
    void GetPortName(int port, char* text, std::size_t size) override { GetDeviceName(port, text, size); }
};

class MidiChoosersTest : public ChromeTest {
protected:
    void SetUp() override {
        ChromeTest::SetUp();
        SetMidiOutPorts(&ports);
    }
    void TearDown() override {
        SetMidiOutPorts(nullptr);
        g_view.numericPatches = 0;
        ChromeTest::TearDown();
    }
    // Queues choosing `item` in the next box, remembering the box's item texts and the item
    // marked when it opened.
    void Pick(int item) {
        ui::Call([this] {
            auto* box = dynamic_cast<CMenuBox*>(CWnd::GetCapture());
            ASSERT_NE(box, nullptr);
            texts.clear();
            for (int i = 0; i < box->count; ++i) texts.emplace_back(box->GetItemText(i));
        });
        testsupport::ChooseInMenuBoxes({item});
    }
    Ports ports;
    std::vector<std::string> texts;
};

TEST_F(MidiChoosersTest, AChannelBoxOffersEightChannelsOnASamplePlayerPortAndSixteenOtherwise) {
    const struct {
        int port, item, count;
    } cases[] = {{0, 9, 16}, {1000, 7, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        int channel = 0;
        Pick(c.item);
        ASSERT_TRUE(RunChannelMenu(100, 100, c.port, &channel));
        EXPECT_EQ(channel, c.item);
        ASSERT_EQ(int(texts.size()), c.count);
        EXPECT_EQ(texts.front(), "1");
        EXPECT_EQ(texts.back(), std::to_string(c.count));
    }
}

TEST_F(MidiChoosersTest, NoneIsTheProgramByte0xFFForAPatchAndMinusOneForABank) {
    const struct {
        const char* what;
        std::int32_t word;
        int item;
        std::int32_t expected;
    } cases[] = {
        {"None keeps the bank bytes", 0x00020105, 0, 0x000201FF},
        {"a program keeps the bank bytes", 0x00020105, 1 + 40, 0x00020128},
        {"a word without a patch gets a program and no bank", -1, 1 + 3, std::int32_t(0xFFFFFF03)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::int32_t word = c.word;
        Pick(c.item);
        ASSERT_TRUE(RunPatchMenu(100, 100, 0, 0, &word, true));
        EXPECT_EQ(word, c.expected);
        ASSERT_EQ(texts.size(), 129u);
        EXPECT_EQ(texts[0], "None");
    }
    // Without "None" the first item is the first program, numbered from 1 and right-aligned.
    std::int32_t word = 7;
    Pick(0);
    ASSERT_TRUE(RunPatchMenu(100, 100, 0, 0, &word, false));
    EXPECT_EQ(word, 0);
    ASSERT_EQ(texts.size(), 128u);
    EXPECT_EQ(texts[0].substr(0, 3), "  1");
    EXPECT_EQ(texts[127].substr(0, 3), "128");

    int bank = 2;
    Pick(0);
    ASSERT_TRUE(RunBankMenu(100, 100, 0, 0, &bank));
    EXPECT_EQ(bank, -1);
    EXPECT_EQ(texts[0], "None");
    ASSERT_EQ(texts.size(), 129u) << "without named banks every bank by number";
    Pick(1 + 5);
    ASSERT_TRUE(RunBankMenu(100, 100, 0, 0, &bank));
    EXPECT_EQ(bank, 5);
}

TEST_F(MidiChoosersTest, APanIsShownFromMinus64To63AndKeptWith64Added) {
    const struct {
        int item, stored;
    } cases[] = {{0, 0}, {54, 54}, {64, 64}, {127, 127}};
    for (const auto& c : cases) {
        int stored = 64;
        Pick(c.item);
        ASSERT_TRUE(RunPanMenu(100, 100, &stored));
        EXPECT_EQ(stored, c.stored);
        ASSERT_EQ(texts.size(), 128u);
        EXPECT_EQ(texts[std::size_t(c.item)], std::to_string(c.item - 64));
    }
    int value = 3;
    Pick(100);
    ASSERT_TRUE(RunValueMenu(100, 100, &value, 1));
    EXPECT_EQ(value, 100);
    EXPECT_EQ(texts.size(), 128u);
}

TEST_F(MidiChoosersTest, TheOutputBoxIsTheNumberedOutputListAndGivesThePortId) {
    int port = 0;
    Pick(1);
    ASSERT_TRUE(RunOutputMenu(100, 100, &port));
    EXPECT_EQ(port, 1000);
    EXPECT_EQ(texts, (std::vector<std::string>{"1 - Synth", "2 - Player"}));
    char name[64];
    EXPECT_EQ(GetOutputEntryName(1, name, sizeof name, false), 1000);
    EXPECT_STREQ(name, "Player");
    EXPECT_EQ(GetOutputEntryCount(), 2);
}

TEST_F(MidiChoosersTest, TheEnginesInstrumentsComeFirstInTheOutputList) {
    testsupport::FakeEngine engine;
    engine.AddSlot(2001, "Strings", 2);
    engine.AddSlot(2000, "Piano", 1);
    int port = 0;
    Pick(1);
    ASSERT_TRUE(RunOutputMenu(100, 100, &port));
    EXPECT_EQ(port, 2000);
    EXPECT_EQ(texts, (std::vector<std::string>{"1 - Strings: 2", "2 - Piano: 1", "3 - Synth", "4 - Player"}));
    struct Case {
        int index, port;
        const char* name;
    } cases[] = {{0, 2001, "Strings: 2"}, {2, 0, "Synth"}, {3, 1000, "Player"}, {4, -1, ""}, {-1, -1, ""}};
    for (const Case& c : cases) {
        char name[64];
        EXPECT_EQ(GetOutputEntryPortId(c.index), c.port) << c.index;
        EXPECT_EQ(GetOutputEntryName(c.index, name, sizeof name, false), c.port) << c.index;
        EXPECT_STREQ(name, c.name) << c.index;
    }
    EXPECT_EQ(GetOutputEntryCount(), 4);
}

TEST_F(MidiChoosersTest, ABoxPressedOutsideChoosesNothingAndKeepsTheValue) {
    int channel = 4;
    Pick(-1);
    EXPECT_FALSE(RunChannelMenu(100, 100, 0, &channel));
    EXPECT_EQ(channel, 4);
    std::int32_t word = 0x105;
    Pick(-1);
    EXPECT_FALSE(RunPatchMenu(100, 100, 0, 0, &word, true));
    EXPECT_EQ(word, 0x105);
    // An empty output list offers nothing.
    SetMidiOutPorts(nullptr);
    int port = 5;
    EXPECT_FALSE(RunOutputMenu(100, 100, &port));
    EXPECT_EQ(port, 5);
}

// The bank dialog packs its three fields into the top three bytes, a blank as 255, and keeps
// the low byte; the word 0xFFFFFF shows every field blank.
TEST_F(MidiChoosersTest, TheBankDialogPacksItsFieldsWithBlanksAs255) {
    const struct {
        const char* what;
        std::uint32_t word;
        const char *msb, *lsb, *program;  // typed (null: left as shown)
        std::vector<std::string> shown;
        std::uint32_t expected;
    } cases[] = {
        {"a full word", 0x01020344u, nullptr, nullptr, nullptr, {"1", "2", "3"}, 0x01020344u},
        {"a field emptied is 255", 0x01020344u, nullptr, "", "127", {"1", "2", "3"}, 0x01FF7F44u},
        {"all blank", 0xFFFFFFu, nullptr, nullptr, nullptr, {"", "", ""}, 0xFFFFFFFFu},
        {"blank fields filled", 0xFFFFFFu, "0", nullptr, "9", {"", "", ""}, 0x00FF09FFu},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> shown;
        ui::OnNextModal([&](CDialog& dlg) {
            ui::Call([&] {
                for (int id : {CBankDlg::kSelect0, CBankDlg::kSelect32, CBankDlg::kProgram}) {
                    char text[16] = {};
                    dlg.GetDlgItemText(id, text, sizeof text);
                    shown.emplace_back(text);
                }
                const std::pair<int, const char*> typed[] = {
                    {CBankDlg::kSelect0, c.msb}, {CBankDlg::kSelect32, c.lsb}, {CBankDlg::kProgram, c.program}};
                for (const auto& [id, text] : typed)
                    if (text) dlg.SetDlgItemText(id, text);
            });
            ui::ClickControl(&dlg, IDOK);
        });
        std::uint32_t word = c.word;
        ASSERT_TRUE(RunBankDialog(&word));
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(word, c.expected);
    }
    // Cancel keeps the word.
    std::uint32_t word = 0x01020344u;
    ui::OnNextModal([](CDialog& dlg) { ui::ClickControl(&dlg, IDCANCEL); });
    EXPECT_FALSE(RunBankDialog(&word));
    EXPECT_EQ(word, 0x01020344u);
}

// While patches are chosen by number the bank chooser runs the bank dialog on the bank's two
// select values.
TEST_F(MidiChoosersTest, ChosenByNumberTheBankChooserRunsTheBankDialog) {
    g_view.numericPatches = 1;
    const struct {
        int bank;
        const char* lsb;
        int expected;
    } cases[] = {{130, nullptr, 130}, {130, "", 128}, {-1, nullptr, -1}, {-1, "3", 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bank);
        ui::OnNextModal([&](CDialog& dlg) {
            if (c.lsb) ui::Call([&dlg, &c] { dlg.SetDlgItemText(CBankDlg::kSelect32, c.lsb); });
            ui::ClickControl(&dlg, IDOK);
        });
        int bank = c.bank;
        ASSERT_TRUE(RunBankMenu(100, 100, 0, 0, &bank));
        EXPECT_EQ(bank, c.expected);
        EXPECT_EQ(ui::ModalsRun().back(), CBankDlg::kTemplateId);
    }
}

}  // namespace
