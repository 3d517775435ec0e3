// The current tool through the running main frame: clicks on the palettes and the main tool bar
// and typed keys, and the tool record they leave; palette recoding and mark codes; the bar ids;
// the tool buttons' click and hold; the pen pop-ups; documents and the hide-all command; the text
// style bar; the tuplet dialog; a Ctrl-click's document command run once.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/MainFrame.h"
#include "app/ZelApp.h"
#include "chrome/MainToolBar.h"
#include "chrome/PalettePopups.h"
#include "chrome/StyleBar.h"
#include "chrome/ToolBox.h"
#include "chrome/TupletDlg.h"
#include "framework/Dialog.h"
#include "framework/Globals.h"
#include "framework/Gdi.h"
#include "framework/UiTest.h"
#include "model/TextTask.h"
#include "model/DocumentStandIns.h"
#include "model/Preferences.h"
#include "model/Select.h"
#include "model/ZelDoc.h"
#include "platform/Library.h"
#include "platform/Numeric.h"
#include "platform/StdArray.h"
#include "support/TempHome.h"
#include "support/PaletteClick.h"
#include "support/RunningApp.h"
#include "view/ToolState.h"

namespace {

using namespace fw::uitest;

using PaletteApp = testsupport::RunningApp;

class PaletteTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
    }
    void TearDown() override {
        PaletteDocumentCommand() = [](CZelDoc& doc, int id) { doc.OnCommandRange(id); };
        fw::ResetAllGlobals();
    }
    // Runs the program's start-up, the body with the main frame up and a new score active, and
    // the shutdown.
    void Run(const std::function<void()>& body) {
        PaletteApp app;
        app.whileRunning = [&] {
            Session session;
            CZelDoc* doc = app.NewDocument();
            ASSERT_NE(doc, nullptr);
            app.SetActiveDocument(doc);
            RunUntilIdle();
            body();
        };
        char arg0[] = "zelmarin";
        char* argv[] = {arg0, nullptr};
        AfxWinMain(app, 1, argv);
        ASSERT_TRUE(app.started);
    }

    static void ClickPalette(int palette, int index, UINT mods = kNone, int clicks = 1) {
        testsupport::ClickPalette(palette, index, mods, clicks);
    }
    static void Keys(const char* text) {
        Type(g_app.mainFrame, text);
        RunUntilIdle();
    }
    // The notes palette back at its first state: the quarter note, the select tool.
    static void StartAgain() {
        CNoteTools& notes = NoteTools();
        notes.ClearButtons();
        notes.current = 3;
        g_toolState = ToolState{};
        g_toolState.value = 3;
        g_toolState.tool = 800;
        g_app.mainToolBar->previousTool = -1;
        g_app.mainToolBar->SelectTool(800);
    }
    static void ClickToolButton(int tool) {
        CToolBtn* b = g_app.mainToolBar->FindButton(tool);
        ASSERT_NE(b, nullptr);
        Click(b, 12, 12);
        RunUntilIdle();
    }

    testsupport::TempHome home;
};

// --- the notes palette: clicks and keys ---------------------------------------------------------

struct Step {
    char kind;  // 'c' a click on a notes-palette button, 'k' a typed key
    int value;
};
struct Expect {
    int value, subTool, button, dots, tuplet, grace, accidental, courtesy;
};
struct NoteCase {
    const char* what;
    bool sticky;
    std::vector<Step> steps;
    Expect expect;
};

TEST_F(PaletteTest, ClicksAndKeysOnTheNotesPaletteLeaveTheNoteEntryChoices) {
    const NoteCase cases[] = {
        {"the dot twice: no dot", false, {{'c', 10}, {'c', 10}}, {3, 903, 3, 0, 0, 0, 0, 0}},
        {"the dot, then the double dot: two dots", false, {{'c', 10}, {'c', 21}}, {3, 903, 3, 2, 0, 0, 0, 0}},
        {"the triple dot: three dots", false, {{'c', 32}}, {3, 903, 3, 3, 0, 0, 0, 0}},
        {"the tuplet: three in the time of two", false, {{'c', 9}}, {3, 903, 3, 0, 3, 0, 0, 0}},
        {"a dot clears the tuplet", false, {{'c', 9}, {'c', 10}}, {3, 903, 3, 1, 0, 0, 0, 0}},
        {"the sharp, then the dot: the dotted quarter", false, {{'c', 22}, {'c', 10}}, {3, 903, 3, 1, 0, 0, 0, 0}},
        {"grace on the quarter rest: the quarter note", false, {{'c', 14}, {'c', 20}}, {3, 903, 3, 0, 0, 1, 0, 0}},
        {"a new value ends grace and dots", false, {{'c', 20}, {'c', 10}, {'c', 5}}, {5, 903, 5, 0, 0, 0, 0, 0}},
        {"sticky: the eighth, then the sharp waits for the next note", true, {{'c', 4}, {'c', 22}},
         {4, 903, 4, 0, 0, 0, 1, 0}},
        {"sticky: the sharp again takes it back", true, {{'c', 4}, {'c', 22}, {'c', 22}}, {4, 903, 4, 0, 0, 0, 0, 0}},
        {"sticky: the flat after the sharp replaces it", true, {{'c', 4}, {'c', 22}, {'c', 23}},
         {4, 903, 4, 0, 0, 0, 2, 0}},
        {"not sticky: the sharp is the accidental tool", false, {{'c', 22}}, {22, 921, 1, 0, 0, 0, 0, 0}},
        {"the reminder flat: code 2 in parentheses", false, {{'c', 28}}, {28, 921, 2, 0, 0, 0, 0, 1}},
        {"the reminder double sharp carries the other command", false, {{'c', 30}}, {30, 921, 4, 0, 0, 0, 0, 1}},
        {"key R on the quarter: the quarter rest", false, {{'k', 'R'}}, {14, 922, 14, 0, 0, 0, 0, 0}},
        {"key R twice: the quarter note again", false, {{'k', 'r'}, {'k', 'R'}}, {3, 903, 3, 0, 0, 0, 0, 0}},
        {"keys 8 and .: the dotted eighth", false, {{'k', '8'}, {'k', '.'}}, {4, 903, 4, 1, 0, 0, 0, 0}},
        {"key 0: the double whole note", false, {{'k', '0'}}, {0, 903, 0, 0, 0, 0, 0, 0}},
        {"key 5: the 32nd", false, {{'k', '5'}}, {6, 903, 6, 0, 0, 0, 0, 0}},
        {"key T: the tuplet", false, {{'k', 'T'}}, {3, 903, 3, 0, 3, 0, 0, 0}},
        {"key N: the natural", false, {{'k', 'n'}}, {24, 921, 3, 0, 0, 0, 0, 0}},
        {"key G: grace", false, {{'k', 'G'}}, {3, 903, 3, 0, 0, 1, 0, 0}},
        {"key 7 is no key: the select tool stays", false, {{'k', '7'}}, {3, 0, 0, 0, 0, 0, 0, 0}},
    };
    Run([&] {
        for (const NoteCase& c : cases) {
            SCOPED_TRACE(c.what);
            g_preferences.SetByte(Preferences::kAccidentalSticky, c.sticky ? 1 : 0);
            StartAgain();
            for (const Step& s : c.steps) {
                if (s.kind == 'c') {
                    ClickPalette(kNotesPalette, s.value);
                } else {
                    const char text[2] = {char(s.value), 0};
                    Keys(text);
                }
            }
            const ToolState& t = g_toolState;
            EXPECT_EQ(t.tool, c.steps.front().value == '7' ? 800 : 903);
            EXPECT_EQ(t.value, c.expect.value);
            EXPECT_EQ(t.subTool, c.expect.subTool);
            EXPECT_EQ(t.button, c.expect.button);
            EXPECT_EQ(t.dots, c.expect.dots);
            EXPECT_EQ(t.tupletNumber, c.expect.tuplet);
            EXPECT_EQ(t.tupletSpace, c.expect.tuplet ? 2 : 0);
            EXPECT_EQ(t.grace, c.expect.grace);
            EXPECT_EQ(t.accidental, c.expect.accidental);
            EXPECT_EQ(t.courtesy, c.expect.courtesy);
            // The palette checks what the record holds.
            if (t.tool != 903) continue;
            EXPECT_TRUE(NoteTools().IsPaletteButtonChecked(NoteTools().current));
            EXPECT_EQ(NoteTools().IsPaletteButtonChecked(CNoteTools::kDot), t.dots == 1);
        }
    });
}

TEST_F(PaletteTest, KeyPFloatsTheNotesPaletteAtThePointer) {
    Run([&] {
        CToolBox& notes = Palette(kNotesPalette);
        notes.Hide();
        RunUntilIdle();
        ASSERT_FALSE(notes.IsShown());
        Move(g_app.mainFrame, 400, 300);
        Keys("P");
        EXPECT_TRUE(notes.IsShown());
        POINT pointer{400, 300};
        g_app.mainFrame->ClientToScreen(&pointer);
        RECT r;
        notes.GetWindowRect(&r);
        EXPECT_NEAR((r.left + r.right) / 2, pointer.x, 12);
        EXPECT_NEAR((r.top + r.bottom) / 2, pointer.y, 12);
        EXPECT_EQ(g_toolState.value, 3) << "the key chooses nothing";
    });
}

// --- every palette's choice: the recoded button and the mark code -------------------------------

TEST_F(PaletteTest, EachPaletteChoiceRecodesItsButtonAndGivesItsMarkCode) {
    const struct {
        int palette, index, tool, button, subTool, code, subCode;
    } cases[] = {
        {kGroupsPalette, 4, 905, 4, 0, 4, 0},
        {kOrnamentsPalette, 0, 906, 0, 0, 0, 0},
        {kOrnamentsPalette, 6, 906, 6, 0, 6, 0},
        {kOrnamentsPalette, 7, 906, 7, 0, 48, 0},     // the open string
        {kOrnamentsPalette, 8, 906, 8, 0, 7, 0},      // finger 1 follows the turn
        {kOrnamentsPalette, 15, 906, 15, 0, 14, 0},
        {kArticulationsPalette, 0, 908, 15, 0, 15, 0},
        {kArticulationsPalette, 32, 908, 47, 0, 47, 0},
        {kArticulationsPalette, 33, 908, 48, 0, 49, 0},  // legato-dot steps over the open string
        {kHeadsPalette, 21, 907, 21, 0, 21, 0},
        {kTablaturePalette, 25, 912, 25, 0, 25, 0},
        {kGuitarPalette, 0, 918, 230, 0, 230, 0},
        {kGuitarPalette, 7, 918, 230, 7, 230, 7},
        {kGuitarPalette, 8, 918, 231, 0, 231, 0},
        {kGuitarPalette, 23, 918, 232, 7, 232, 7},
        {kGuitarPalette, 24, 918, 233, 0, 233, 0},
        {kGuitarPalette, 25, 918, 233, 1, 233, 1},
        {kJazzPalette, 0, 911, 70, 0, 70, 0},
        {kJazzPalette, 11, 911, 81, 0, 81, 0},
        {kDynamicsPalette, 19, 904, 19, 0, 19, 0},
        {kTextPalette, 4, 913, 4, 0, 4, 0},
        {kExpressionsPalette, 1, 919, 0, 0, 0, 0},
        {kExpressionsPalette, 16, 919, 15, 0, 15, 0},
        {kGraphicsPalette, 5, 909, 5, 0, 5, 0},
        {kGraphicsPalette, 6, 909, 6, 0, 250, 0},  // marker text
        {kClefsPalette, 8, 914, 8, 0, 8, 0},
        {kStavesPalette, 11, 915, 11, 0, 11, 0},
        {kBarlinesPalette, 9, 916, 9, 0, 9, 0},
        {kDrumsPalette, 3, 923, 3, 0, 3, 0},
    };
    Run([&] {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(GetPaletteDef(c.palette).name) + " " + std::to_string(c.index));
            // The button's command goes through the frame's command routing.
            const int command = int(Palette(c.palette).GetItemID(c.index));
            g_app.mainFrame->SendMessage(WM_COMMAND, WPARAM(command), 0);
            EXPECT_EQ(g_toolState.tool, c.tool);
            EXPECT_EQ(g_toolState.button, c.button);
            EXPECT_EQ(g_toolState.subTool, c.subTool);
            int code = -1, sub = -1;
            GetToolMarkCode(&code, &sub);
            EXPECT_EQ(code, c.code);
            EXPECT_EQ(sub, c.subCode);
        }
        // Every button of every palette but the notes: its command makes the palette's tool
        // current with that button chosen and checked, and the other palettes' unchecked.
        for (int p = kGroupsPalette; p < kPaletteCount; ++p) {
            CToolBox& box = Palette(p);
            for (int i = 0; i < box.count; ++i) {
                if (p == kExpressionsPalette && (i == 0 || i == box.count - 1)) continue;
                SCOPED_TRACE(std::string(GetPaletteDef(p).name) + " button " + std::to_string(i));
                g_app.mainFrame->SendMessage(WM_COMMAND, WPARAM(box.GetItemID(i)), 0);
                EXPECT_EQ(g_toolState.tool, GetPaletteDef(p).toolId);
                EXPECT_EQ(box.current, i);
                EXPECT_TRUE(box.IsPaletteButtonChecked(i));
                EXPECT_FALSE(NoteTools().IsPaletteButtonChecked(NoteTools().current));
            }
        }
    });
}

// --- the bars ---------------------------------------------------------------------------------

TEST_F(PaletteTest, TheBarsTakeTheirIdsInTheOrderOfCreation) {
    Run([&] {
        CFrameWnd* frame = g_app.mainFrame;
        EXPECT_EQ(frame->GetControlBar(59424), g_app.stdToolBar);
        EXPECT_EQ(frame->GetControlBar(59425), g_app.mainToolBar);
        for (int i = kNotesPalette; i <= kBarlinesPalette; ++i)
            EXPECT_EQ(frame->GetControlBar(UINT(59426 + i)), &Palette(i)) << GetPaletteDef(i).name;
        EXPECT_EQ(frame->GetControlBar(59441), g_app.transport);
        EXPECT_EQ(frame->GetControlBar(59442), &StyleBarObject());
        EXPECT_EQ(frame->GetControlBar(59443), nullptr) << "the MIDI data box's id";
        EXPECT_EQ(frame->GetControlBar(59444), &Palette(kDrumsPalette));
        // The palettes start hidden, with the quarter note, the tie and the first expression.
        for (int i = 0; i < kPaletteCount; ++i) EXPECT_FALSE(Palette(i).IsShown()) << GetPaletteDef(i).name;
        EXPECT_EQ(NoteTools().current, 3);
        EXPECT_EQ(Palette(kGroupsPalette).current, 1);
        EXPECT_EQ(ExprTools().current, 1);
        EXPECT_EQ(g_toolState.tool, 800);
        EXPECT_EQ(g_toolState.value, 3);
        EXPECT_EQ(Palette(kNotesPalette).count, 33);
        EXPECT_EQ(Palette(kNotesPalette).GetItemID(30), 1031u);
        EXPECT_EQ(Palette(kNotesPalette).GetItemID(31), 1030u);
    });
}

TEST_F(PaletteTest, ToolKeysSelectAndGoBack) {
    Run([&] {
        StartAgain();
        ClickToolButton(903);
        EXPECT_EQ(g_toolState.tool, 903);
        Keys("C");
        EXPECT_EQ(g_toolState.tool, 800);
        Keys("c");
        EXPECT_EQ(g_toolState.tool, 903) << "the select tool again returns to the notes";
        Keys("C");
        EXPECT_EQ(g_toolState.tool, 800);
        for (auto [key, tool] : {std::pair<const char*, int>{"E", 801}, {"H", 803}, {"Z", 804}, {"B", 805}}) {
            Keys(key);
            EXPECT_EQ(g_toolState.tool, tool) << key;
        }
    });
}

TEST_F(PaletteTest, AQuickClickSelectsTheToolAndAHeldOneOpensThePalette) {
    Run([&] {
        StartAgain();
        ClickToolButton(801);
        EXPECT_EQ(g_toolState.tool, 801);
        ClickToolButton(903);
        EXPECT_EQ(g_toolState.tool, 903);
        EXPECT_EQ(g_toolState.value, 3) << "a quick click opens nothing";

        // Held: the notes pop-up opens under the button; the 16th is chosen in it.
        CToolBtn* notesButton = g_app.mainToolBar->FindButton(903);
        bool opened = false;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::function<void()> chooseWhenOpen = [&] {
            CPopup* popup = g_chrome.palettePopup;
            if (!popup) {
                if (std::chrono::steady_clock::now() > deadline) return Release(notesButton, 12, 12);
                Tick();
                Call(chooseWhenOpen);
                return;
            }
            opened = true;
            RECT cell;
            popup->GetCellRect(5, &cell);
            const int x = (cell.left + cell.right) / 2 + CPopup::kInset, y = (cell.top + cell.bottom) / 2 + CPopup::kInset;
            Move(popup, x - 1, y);
            Move(popup, x, y);
            Release(popup, x, y);
        };
        Press(notesButton, 12, 12);
        Call(chooseWhenOpen);
        RunUntilIdle();
        EXPECT_TRUE(opened);
        EXPECT_EQ(g_toolState.tool, 903);
        EXPECT_EQ(g_toolState.value, 5);
        EXPECT_EQ(NoteTools().current, 5);
    });
}

TEST_F(PaletteTest, TheNotesPopupDraggedOffFloatsThePaletteWhereDropped) {
    Run([&] {
        StartAgain();
        CToolBox& notes = Palette(kNotesPalette);
        ASSERT_FALSE(notes.IsShown());
        CToolBtn* notesButton = g_app.mainToolBar->FindButton(903);
        POINT drop{};
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::function<void()> dragWhenOpen = [&] {
            CPopup* popup = g_chrome.palettePopup;
            if (!popup) {
                if (std::chrono::steady_clock::now() > deadline) return Release(notesButton, 12, 12);
                Tick();
                Call(dragWhenOpen);
                return;
            }
            RECT client;
            popup->GetClientRect(&client);
            const int x = client.right + 200, y = client.bottom + 150;
            Move(popup, x - 40, y - 40);
            Move(popup, x, y);
            Call([&, popup, x, y] {
                drop = POINT{x, y};
                popup->ClientToScreen(&drop);
            });
            Release(popup, x, y);
        };
        Press(notesButton, 12, 12);
        Call(dragWhenOpen);
        RunUntilIdle();
        EXPECT_TRUE(notes.IsShown());
        RECT r;
        notes.GetWindowRect(&r);
        EXPECT_NEAR(r.left, drop.x, 2);
        EXPECT_NEAR(r.top, drop.y, 2);
        EXPECT_EQ(g_toolState.value, 3) << "the note value is kept";
    });
}

TEST_F(PaletteTest, AQuickClickOnVibratoSelectsItWithoutTheShapeChooser) {
    Run([&] {
        g_toolDefaults.vibratoShape = 2;
        ClickPalette(kGuitarPalette, 23);
        EXPECT_EQ(g_toolState.tool, 918);
        EXPECT_EQ(Palette(kGuitarPalette).current, 23);
        EXPECT_EQ(g_toolState.button, 232);
        EXPECT_EQ(g_toolState.subTool, 7);
        EXPECT_EQ(g_toolDefaults.vibratoShape, 2);
        EXPECT_EQ(ForcedEnds(), 0);
    });
}

// --- the graphics palette's pen pop-ups ---------------------------------------------------------

TEST_F(PaletteTest, PenChoicesStoreTheirDefaultsAndGoToTheDocument) {
    std::vector<int> commands;
    PaletteDocumentCommand() = [&](CZelDoc&, int id) { commands.push_back(id); };
    Run([&] {
        const struct {
            int button, cell, command, stored;
            std::int16_t ToolDefaults::*global;
        } cases[] = {
            {8, 2, 4812, 10, &ToolDefaults::lineWidth},  {8, 4, 4814, 20, &ToolDefaults::lineWidth},
            {8, 11, 4821, 160, &ToolDefaults::lineWidth}, {10, 3, 4835, 3, &ToolDefaults::arrowStyle},
            {7, 1, 4802, 1, &ToolDefaults::lineStyle},   {9, 1, 4831, 1, &ToolDefaults::fillMode},
        };
        ASSERT_NE(g_app.mainToolBar->GetDocument(), nullptr);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(c.button) + " cell " + std::to_string(c.cell));
            commands.clear();
            ApplyPenChoice(c.button, c.cell);
            EXPECT_EQ(g_toolDefaults.*c.global, c.stored);
            ASSERT_EQ(commands.size(), 1u);
            EXPECT_EQ(commands[0], c.command);
        }
        // Without a document only the global changes.
        commands.clear();
        g_app.mainToolBar->SetDocument(nullptr);
        ApplyPenChoice(8, 5);
        EXPECT_EQ(g_toolDefaults.lineWidth, 40);
        EXPECT_TRUE(commands.empty());
        EXPECT_EQ(PenWidthOfCell(0), 0);
        EXPECT_EQ(PenWidthOfCell(3), 15);
    });
}

// --- documents, the standard tool bar, hiding every palette -------------------------------------

TEST_F(PaletteTest, WithoutADocumentTheToolButtonsAndFileButtonsAreOff) {
    Run([&] {
        CMainToolBar& bar = *g_app.mainToolBar;
        ASSERT_NE(bar.GetDocument(), nullptr) << "the start-up score";
        std::vector<int> order = CMainToolBar::ButtonOrder();
        ASSERT_EQ(order.size(), 23u);
        bar.SetDocument(nullptr);
        int off = 0;
        for (int tool : order)
            if (!bar.FindButton(tool)->btnEnabled) ++off;
        EXPECT_EQ(off, 23);
        for (int command : {57603, 57635, 57634, 57637, 57607})
            EXPECT_FALSE(g_app.stdToolBar->FindButton(command)->btnEnabled) << command;
        EXPECT_TRUE(g_app.stdToolBar->FindButton(57600)->btnEnabled) << "New stays";
        EXPECT_TRUE(g_app.stdToolBar->FindButton(57601)->btnEnabled) << "Open stays";
        const int before = g_toolState.tool;
        ClickToolButton(801);
        EXPECT_EQ(g_toolState.tool, before) << "a disabled button selects nothing";
    });
}

TEST_F(PaletteTest, HidingEveryPaletteAndShowingThemAgainRestoresThoseShown) {
    Run([&] {
        Palette(kNotesPalette).Show();
        Palette(kDynamicsPalette).Show();
        Palette(kDrumsPalette).Show();
        RunUntilIdle();
        g_app.mainFrame->SendMessage(WM_COMMAND, 37012, 0);
        RunUntilIdle();
        for (int i = 0; i < kPaletteCount; ++i) EXPECT_FALSE(Palette(i).IsShown()) << GetPaletteDef(i).name;
        g_app.mainFrame->SendMessage(WM_COMMAND, 37012, 0);
        RunUntilIdle();
        for (int i = 0; i < kPaletteCount; ++i)
            EXPECT_EQ(Palette(i).IsShown(), i == kNotesPalette || i == kDynamicsPalette || i == kDrumsPalette)
                << GetPaletteDef(i).name;
    });
}

// --- a Ctrl-click with notes selected -----------------------------------------------------------

TEST_F(PaletteTest, ACtrlClickAppliesItsChoiceToTheSelectionOnce) {
    std::vector<int> commands;
    PaletteDocumentCommand() = [&](CZelDoc&, int id) { commands.push_back(id); };
    const struct {
        int palette, index;
        std::vector<int> expect;
    } cases[] = {
        {kOrnamentsPalette, 3, {4007}},   {kArticulationsPalette, 9, {4007}}, {kHeadsPalette, 2, {4903}},
        {kTablaturePalette, 5, {4904}},   {kDrumsPalette, 4, {2904}},         {kDynamicsPalette, 3, {}},
    };
    Run([&] {
        CZelDoc* doc = g_app.mainToolBar->GetDocument();
        ASSERT_NE(doc, nullptr);
        doc->GetSelection()->noteCount = 2;
        for (const auto& c : cases) {
            SCOPED_TRACE(GetPaletteDef(c.palette).name);
            commands.clear();
            ClickPalette(c.palette, c.index, kCtrl);
            EXPECT_EQ(commands, c.expect);
            commands.clear();
            ClickPalette(c.palette, c.index);
            EXPECT_TRUE(commands.empty()) << "without Ctrl only the tool changes";
        }
        // A pending accidental reaches the add-accidental command once, its code for the
        // command's time.
        g_preferences.SetByte(Preferences::kAccidentalSticky, 1);
        StartAgain();
        ClickPalette(kNotesPalette, 3);
        int codeSeen = -1;
        PaletteDocumentCommand() = [&](CZelDoc&, int id) {
            commands.push_back(id);
            codeSeen = g_toolState.button;
        };
        commands.clear();
        ClickPalette(kNotesPalette, 23, kCtrl);
        EXPECT_EQ(commands, std::vector<int>{4000});
        EXPECT_EQ(codeSeen, 2);
        EXPECT_EQ(g_toolState.button, 3) << "the button is given back";
        // Without notes in the selection nothing applies.
        doc->GetSelection()->noteCount = 0;
        commands.clear();
        ClickPalette(kOrnamentsPalette, 1, kCtrl);
        EXPECT_TRUE(commands.empty());
    });
}

// --- the expression palette ------------------------------------------------------------------

// A library of n expressions "e0", "e1" ... (text at offset 16 of each 128-byte entry).
class TestExprLib : public CLibrary {
public:
    explicit TestExprLib(int n) {
        items->SetElemSize(128);
        for (int i = 0; i < n; ++i) {
            char entry[128] = {};
            std::snprintf(entry + 16, 32, "e%d", i);
            items->Add(entry);
        }
    }
    std::unique_ptr<CLibrary> Clone() override { return CloneOf(*this); }
    bool CopyTo(CLibrary& dest) override { return CopyOf(*this, dest); }
};

TEST_F(PaletteTest, ExpressionScrollingStopsAtTheEndsOfTheLibrary) {
    TestExprLib lib(20);
    Run([&] {
        CLibrary* kept = ExpressionLibrary();
        ExpressionLibrary() = &lib;
        CExprTools& expr = ExprTools();
        expr.Show();
        RunUntilIdle();
        Move(&expr, 1, 1);
        RunUntilIdle();
        EXPECT_EQ(expr.GetToolTipText(1), "e0");
        // Held on a scroll button, the list moves until its end, then stays.
        auto hold = [&](int button, int until) {
            const POINT c = expr.ButtonCentre(button);
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            std::function<void()> releaseAtEnd = [&] {
                if (expr.firstItem != until && std::chrono::steady_clock::now() < deadline) {
                    Tick();
                    Call(releaseAtEnd);
                    return;
                }
                // A little longer held: no further move.
                Tick();
                Tick();
                Release(&expr, c.x, c.y);
            };
            Press(&expr, c.x, c.y);
            Call(releaseAtEnd);
            RunUntilIdle();
        };
        hold(expr.count - 1, 4);
        EXPECT_EQ(expr.firstItem, 4) << "20 items, 16 shown";
        EXPECT_EQ(expr.GetToolTipText(16), "e19");
        EXPECT_FALSE(expr.Scroll(1));
        hold(0, 0);
        EXPECT_EQ(expr.firstItem, 0);
        EXPECT_FALSE(expr.Scroll(-1));
        // An item chosen while scrolled is the library's index.
        ASSERT_TRUE(expr.Scroll(1));
        g_app.mainFrame->SendMessage(WM_COMMAND, WPARAM(expr.GetItemID(3)), 0);
        EXPECT_EQ(g_toolState.tool, 919);
        EXPECT_EQ(g_toolState.button, 3);
        ExpressionLibrary() = kept;
    });
}

// --- the text style bar -----------------------------------------------------------------------

TEST_F(PaletteTest, TheStyleBarFollowsItsTarget) {
    Run([&] {
        CStyleBar& bar = StyleBarObject();
        bar.Show();
        RunUntilIdle();
        bar.SetTarget(nullptr);
        for (const CPaneBtn& b : bar.buttons) EXPECT_FALSE(b.btnEnabled) << b.commandId;
        EXPECT_EQ(bar.sizeField.state, 2);
        // A size choice without a target changes nothing.
        bar.HandleCommand(CStyleBar::kFirstSize + 5);
        CTextTask text;
        text.font.face = 0;
        text.font.size = 13;
        text.font.style = FontRef::kBold | FontRef::kUnderline;
        text.alignment = 1;
        bar.SetTarget(&text);
        EXPECT_EQ(bar.sizeField.current, 11) << "13 points: the last entry";
        for (const CPaneBtn& b : bar.buttons) EXPECT_TRUE(b.btnEnabled) << b.commandId;
        EXPECT_EQ(bar.buttons[0].state, 1) << "bold";
        EXPECT_EQ(bar.buttons[1].state, 0) << "italic";
        EXPECT_EQ(bar.buttons[2].state, 1) << "underline";
        EXPECT_EQ(bar.buttons[4].state, 1) << "centred";
        text.font.size = 24;
        bar.UpdateControls();
        EXPECT_EQ(bar.sizeField.current, 7);
        // A size chosen in the field goes to the text.
        bar.sizeField.SetCurrentItem(4);
        bar.HandleCommand(CStyleBar::kFirstSize + 4);
        EXPECT_EQ(text.font.size, 16);
        // Bold goes to the text's own command handling.
        Click(&bar.buttons[0], 12, 12);
        RunUntilIdle();
        EXPECT_EQ(text.lastCommand, 2701);
        // Verse mode: the verse field on, the show toggle off; and back.
        bar.SetVerseMode(true);
        EXPECT_EQ(bar.verseField.state, 0);
        EXPECT_FALSE(bar.buttons[6].btnEnabled);
        bar.SetVerseMode(false);
        EXPECT_EQ(bar.verseField.state, 2);
        EXPECT_TRUE(bar.buttons[6].btnEnabled);
        bar.SetTarget(nullptr);
    });
}

// --- the tuplet dialog --------------------------------------------------------------------------

TEST_F(PaletteTest, ADoubleClickOnTheTupletButtonRunsTheTupletDialog) {
    Run([&] {
        StartAgain();
        OnNextModal([](CDialog& dlg) {
            auto& tuplet = static_cast<CStdDlg&>(dlg);
            tuplet.SetInt(CTupletDlg::kCount, 5);
            tuplet.SetInt(CTupletDlg::kSpace, 4);
            ClickControl(&dlg, IDOK);
        });
        ClickPalette(kNotesPalette, CNoteTools::kTuplet, kNone, 2);
        EXPECT_EQ(ModalsRun().size(), 1u);
        if (!ModalsRun().empty()) EXPECT_EQ(ModalsRun().back(), 234u);
        EXPECT_EQ(g_tupletDefault.count, 5);
        EXPECT_EQ(g_tupletDefault.space, 4);
        EXPECT_EQ(g_toolState.tupletNumber, 5);
        EXPECT_EQ(g_toolState.tupletSpace, 4);
    });
}

}  // namespace
