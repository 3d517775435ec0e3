// The note commands as the user gives them in the running program, each compared with zelscript:
// the Note menu's entries picked from the main frame's menu bar, Shift+3 typed in the score
// window, the notes palette's quarter value and the drums palette's circle clicked, and Measure >
// Fill with Rests. Each saved score equals the script tool's run of the same command on the same
// selection; the tie with nothing selected leaves the score as it was.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/MainFrame.h"
#include "app/ZelApp.h"
#include "chrome/ToolBox.h"
#include "framework/Gdi.h"
#include "framework/Globals.h"
#include "framework/Mdi.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/UiTest.h"
#include "midi/InputQueue.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/Select.h"
#include "model/TrkBar.h"
#include "notation/RawNote.h"
#include "model/ZelDoc.h"
#include "platform/RvqUtil.h"
#include "support/RunTool.h"
#include "support/SavedScore.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/PaletteClick.h"
#include "support/RunningApp.h"
#include "view/ToolState.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

namespace {

namespace ui = fw::uitest;

using NoteMenuApp = testsupport::RunningApp;

// How the user gives a command.
enum class Way { MenuBar, Typed, Palette };

struct Step {
    const char* what;
    UINT id;
    Way way;
    bool selectAll;      // every note selected first (Edit > Select All), else: every note made an
                         // eighth (Select All, 8 typed) and the insertion point put in bar 0
    std::string script;  // what zelscript runs for it
    int palette = -1;    // the palette and button clicked
    int button = -1;
};

class NoteMenuScriptApp : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
    }
    void TearDown() override { fw::ResetAllGlobals(); }
    testsupport::TempHome home;
    testsupport::TempDir dir;
};

TEST_F(NoteMenuScriptApp, EachWayOfGivingANoteCommandSavesWhatTheScriptOfThatCommandSaves) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    ASSERT_TRUE(SaveRegDword("Preferences\\Auto Flags", "New Dialog", 0));
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 8; ++i) boxes.Answer(IDNO);
    const std::vector<Step> steps = {
        {"Note > up a major third", 35016, Way::MenuBar, true, "cmd 35016\n"},
        {"Note > tie", 35300, Way::MenuBar, true, "cmd 35300\n"},
        {"Shift+3 typed in the score window", 35016, Way::Typed, true, "cmd 35016\n"},
        // A palette value is the next entry's value: the selection keeps its own.
        {"the notes palette's quarter value", 1003, Way::Palette, true, "", kNotesPalette, 3},
        {"4 typed: the quarter value on the selection", 1003, Way::Typed, true, "cmd 1003\n"},
        // With Ctrl held the drums palette puts its mark on the selected notes at once (Ctrl
        // also puts the mark below).
        {"the drums palette's circle, Ctrl held", 2902, Way::Palette, true, "cmd 2902 ctrl\n", kDrumsPalette, 2},
        {"Measure > Fill with Rests", 34012, Way::MenuBar, false, "cmd 57642\ncmd 1004\nat 0\ncmd 34012\n"},
    };
    const std::string file = testsupport::TestDataPath("edit/mixed.zel");
    struct Seen {
        std::vector<std::uint8_t> start, undone, tieNothingBefore, tieNothingAfter;
        std::vector<fw::MenuBarEntryState> entries;
        std::vector<bool> changed;
        int undoBefore = -1, undoAfter = -1;
        std::string window;
        std::pair<int, int> paletteChoice{-1, -1};
        std::vector<std::vector<std::uint8_t>> cleanBefore, cleanAfter;
    } seen;
    NoteMenuApp app;
    app.whileRunning = [&] {
        CZelDoc* doc = app.GetActiveDocument();
        if (!doc) return;
        auto* frame = static_cast<CFrameWnd*>(app.m_pMainWnd);
        auto* wnd = testsupport::ActiveScoreWindow();
        if (!wnd) return;
        CZelView* view = wnd->GetView();
        // The saved form without the window's place on the screen (its rectangle and whether it
        // is maximised), which saving takes from the window.
        auto bytes = [doc] {
            std::int32_t kept[4];
            for (int i = 0; i < 4; ++i) {
                kept[i] = doc->windowRect[i];
                doc->windowRect[i] = 0;
            }
            const std::int16_t keptMaximised = doc->maximised;
            doc->maximised = 0;
            auto b = ScoreFile::WriteToBytes(*doc->GetScore(), *doc);
            doc->maximised = keptMaximised;
            for (int i = 0; i < 4; ++i) doc->windowRect[i] = kept[i];
            return b;
        };
        seen.window = "window mode " + std::to_string(doc->location.arrangementMode) + " zoom " +
                      std::to_string(doc->GetZoom()) + "\n";
        ui::RunUntilIdle();
        seen.start = bytes();
        // The tie with nothing selected: nothing changes and nothing is kept for undo.
        doc->GetSelection()->ClearAll();
        ui::RunUntilIdle();
        seen.tieNothingBefore = bytes();
        seen.undoBefore = doc->GetUndoPosition();
        fw::ChooseFromMenuBar(frame, 35300);
        ui::RunUntilIdle();
        seen.tieNothingAfter = bytes();
        seen.undoAfter = doc->GetUndoPosition();
        for (std::size_t k = 0; k < steps.size(); ++k) {
            const Step& s = steps[k];
            doc->GetSelection()->ClearAll();
            ui::RunUntilIdle();
            seen.cleanBefore.push_back(bytes());
            fw::ChooseFromMenuBar(frame, 57642);
            if (!s.selectAll) {
                ui::RunUntilIdle();
                ui::Type(view, "8");
                ui::RunUntilIdle();
                doc->SetCurrentBar(0, true);
                doc->location.insertionPlaced = 1;
            }
            ui::RunUntilIdle();
            const std::vector<std::uint8_t> before = bytes();
            switch (s.way) {
            case Way::MenuBar: seen.entries.push_back(fw::ChooseFromMenuBar(frame, s.id)); break;
            case Way::Typed: ui::Type(view, s.id == 1003 ? "4" : "#"); break;
            case Way::Palette: testsupport::ClickPalette(s.palette, s.button, s.id == 2902 ? ui::kCtrl : ui::kNone); break;
            }
            ui::RunUntilIdle();
            seen.changed.push_back(bytes() != before);
            if (s.id == 1003 && s.way == Way::Palette)
                seen.paletteChoice = {g_toolState.tool, g_toolState.button};
            // Saved as File > Save As saves.
            const std::string path = dir.path() + "/app" + std::to_string(k) + ".zel";
            doc->OnSaveDocument(path.c_str());
            // Edit > Undo (twice after the fill: the eighths too); the menu's command runs when
            // the frame next takes its messages.
            fw::ChooseFromMenuBar(frame, 57643);
            ui::RunUntilIdle();
            if (!s.selectAll) fw::ChooseFromMenuBar(frame, 57643);
            ui::RunUntilIdle();
            doc->GetSelection()->ClearAll();
            ui::RunUntilIdle();
            seen.cleanAfter.push_back(bytes());
        }
        seen.undone = bytes();
    };
    ui::Session session;
    testsupport::RunProgram(app, {file});
    ASSERT_TRUE(app.started);
    ASSERT_FALSE(seen.start.empty());
    EXPECT_EQ(seen.tieNothingAfter, seen.tieNothingBefore);
    EXPECT_EQ(seen.undoAfter, seen.undoBefore);
    for (const fw::MenuBarEntryState& e : seen.entries) {
        EXPECT_TRUE(e.found);
        EXPECT_TRUE(e.enabled);
    }
    EXPECT_EQ(seen.undone, seen.start);
    ASSERT_EQ(seen.changed.size(), steps.size());
    ASSERT_EQ(seen.cleanAfter.size(), steps.size());
    for (std::size_t k = 0; k < steps.size(); ++k)
        EXPECT_TRUE(seen.cleanAfter[k] == seen.cleanBefore[k]) << steps[k].what << ": undo gives the score back";
    EXPECT_EQ(seen.paletteChoice, std::make_pair(903, 3)) << "the note tool with the quarter value";
    for (std::size_t k = 0; k < steps.size(); ++k) {
        EXPECT_EQ(seen.changed[k], !steps[k].script.empty()) << steps[k].what;
        const std::string mine = dir.path() + "/app" + std::to_string(k) + ".zel";
        const std::string theirs = dir.path() + "/script" + std::to_string(k) + ".zel";
        const std::string zs = dir.path() + "/step" + std::to_string(k) + ".zs";
        {
            std::ofstream f(zs);
            f << "open " << file << "\n" << seen.window
              << (steps[k].selectAll ? "cmd 57642\n" : "") << steps[k].script
              << "paint\nsave " << theirs << "\n";
        }
        std::string out;
        ASSERT_EQ(testsupport::RunTool("zelscript", zs, &out), 0) << steps[k].what << "\n" << out;
        EXPECT_EQ(testsupport::ScoreDifference(mine, theirs), "") << steps[k].what;
    }
}

}  // namespace

namespace {

// The pitches of a note's heads and its selected bit, by its run index in a track's bar.
struct NoteSeen {
    std::vector<int> pitches;
    bool selected = false;
};

NoteSeen SeeNote(CScore& score, int track, int bar, int index) {
    NoteSeen seen;
    CTrkBar* tb = score.GetTrkBar(track, bar);
    int i = 0;
    for (CBarItem* item = tb ? tb->GetItems() : nullptr; item && item->TypeCode() != 255; item = item->NextItem(), ++i) {
        if (i != index || !item->IsNote()) continue;
        auto* note = static_cast<CRawNote*>(item);
        for (int h = 0; h < note->HeadCountField(); ++h) seen.pitches.push_back(note->Head(h)->Pitch());
        seen.selected = item->IsSelectedBit();
    }
    return seen;
}

}  // namespace

// Note > Adjust Pitch, the right arrow to a note, then a chord played on the MIDI keyboard: the
// note takes the chord's pitches as one undo step and the next note is selected for the next
// chord.
TEST_F(NoteMenuScriptApp, AdjustPitchGivesTheSelectedNoteTheChordPlayedAndMovesOn) {
    ASSERT_TRUE(SaveRegDword("Preferences\\Auto Flags", "New Dialog", 0));
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    struct Seen {
        fw::MenuBarEntryState adjust;
        NoteSeen first, firstAfter, second, secondAfter;
        std::vector<std::uint8_t> before, undone;
        int undoSteps = -1;
        bool checked = false;
    } seen;
    NoteMenuApp app;
    app.whileRunning = [&] {
        CZelDoc* doc = app.GetActiveDocument();
        if (!doc) return;
        auto* frame = static_cast<CFrameWnd*>(app.m_pMainWnd);
        auto* wnd = testsupport::ActiveScoreWindow();
        if (!wnd) return;
        CScore& score = *doc->GetScore();
        auto bytes = [doc] {
            doc->GetSelection()->ClearAll();
            return ScoreFile::WriteToBytes(*doc->GetScore(), *doc);
        };
        ui::RunUntilIdle();
        seen.adjust = fw::ChooseFromMenuBar(frame, 35004);
        ui::RunUntilIdle();
        seen.checked = g_model.repitch != 0;
        // The insertion point at the start of bar 0, then the right arrow: the note at 480 is
        // reached and selected.
        doc->SetCurrentBar(0, true);
        doc->location.insertionPlaced = 1;
        doc->location.position = 100;
        ui::RunUntilIdle();
        ui::Key(wnd->GetView(), VK_RIGHT);
        ui::RunUntilIdle();
        seen.first = SeeNote(score, 0, 0, 1);
        seen.second = SeeNote(score, 0, 0, 2);
        const int undoBefore = doc->GetUndoPosition();
        {
            std::vector<std::uint8_t> b = bytes();
            seen.before = b;
        }
        // bytes() cleared the selection: the arrow takes the note again.
        doc->location.position = 100;
        ui::Key(wnd->GetView(), VK_RIGHT);
        ui::RunUntilIdle();
        for (int key : {65, 61, 68}) TheInputQueue().Put(0, 0x90, std::uint8_t(key), 100);
        for (int key : {61, 65, 68}) TheInputQueue().Put(0, 0x80, std::uint8_t(key), 64);
        // The program's idle work, as the event loop runs it when the input is read.
        app.OnIdle(0);
        ui::RunUntilIdle();
        seen.firstAfter = SeeNote(score, 0, 0, 1);
        seen.secondAfter = SeeNote(score, 0, 0, 2);
        seen.undoSteps = doc->GetUndoPosition() - undoBefore;
        fw::ChooseFromMenuBar(frame, 57643);
        ui::RunUntilIdle();
        seen.undone = bytes();
        fw::ChooseFromMenuBar(frame, 35004);
        ui::RunUntilIdle();
    };
    ui::Session session;
    const std::string file = testsupport::TestDataPath("edit/mixed.zel");
    testsupport::RunProgram(app, {file});
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(seen.adjust.found && seen.adjust.enabled);
    EXPECT_TRUE(seen.checked);
    EXPECT_TRUE(seen.first.selected);
    EXPECT_EQ(seen.first.pitches, (std::vector<int>{62}));
    EXPECT_EQ(seen.firstAfter.pitches, (std::vector<int>{61, 65, 68}));
    EXPECT_FALSE(seen.firstAfter.selected);
    EXPECT_EQ(seen.secondAfter.pitches, seen.second.pitches) << "the next note keeps its pitch";
    EXPECT_TRUE(seen.secondAfter.selected) << "and waits for the next chord";
    EXPECT_EQ(seen.undoSteps, 1);
    EXPECT_EQ(seen.undone, seen.before);
}
