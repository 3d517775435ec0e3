// The note commands in the running program: the main frame started in process offscreen on a
// score, notes selected, the commands sent as the Note menu and the palettes send them; each
// changes the score and Undo takes it back byte for byte.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/ZelApp.h"
#include "framework/Globals.h"
#include "framework/Gdi.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/UiTest.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/Select.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/PlatformGlobals.h"
#include "platform/RvqUtil.h"
#include "notation/RawNote.h"
#include "support/RunningApp.h"
#include "support/TempHome.h"
#include "support/TestData.h"

namespace {

class NoteCommandApp : public CZelApp {
public:
    bool InitInstance() override {
        started = CZelApp::InitInstance();
        if (started) {
            if (whileRunning) whileRunning(*this);
            ::raise(SIGTERM);
        }
        return started;
    }
    std::function<void(NoteCommandApp&)> whileRunning;
    bool started = false;
};

int RunApp(NoteCommandApp& app, const std::string& file) {
    return testsupport::RunProgram(app, {file});
}

// The heads of every live note of a track's bar, in order.
int HeadsIn(CScore& score, int track, int bar) {
    int heads = 0;
    CTrkBar* tb = score.GetTrkBar(track, bar);
    for (CBarItem* item = tb ? tb->GetItems() : nullptr; item && item->TypeCode() != 255; item = item->NextItem())
        if (!item->IsRemoved() && item->IsNote()) heads += static_cast<CRawNote*>(item)->HeadCountField();
    return heads;
}

// The marks of every live note of a track's bar.
int MarksIn(CScore& score, int track, int bar) {
    int marks = 0;
    CTrkBar* tb = score.GetTrkBar(track, bar);
    for (CBarItem* item = tb ? tb->GetItems() : nullptr; item && item->TypeCode() != 255; item = item->NextItem())
        if (!item->IsRemoved() && item->IsNote()) marks += static_cast<CRawHead*>(item)->MarkCount();
    return marks;
}

class NoteCommandAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
    }
    void TearDown() override { fw::ResetAllGlobals(); }
    testsupport::TempHome home;
};

TEST_F(NoteCommandAppTest, IntervalTieFlipDrumCircleAndFillRestsChangeTheScoreAndUndoByteForByte) {
    ASSERT_TRUE(SaveRegDword("Preferences\\Auto Flags", "New Dialog", 0));
    fw::msgboxtest::Capture boxes;
    for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
    NoteCommandApp app;
    struct Run {
        std::vector<std::uint8_t> before, after, undone;
        int headsBefore = 0, headsAfter = 0, marksBefore = 0, marksAfter = 0;
    };
    struct Seen {
        Run interval, flip, tie, drum;
        fw::MenuBarEntryState fill;
        std::vector<std::uint8_t> beforeFill, fillUndone;
        std::vector<std::uint8_t> tieNothingBefore, tieNothingAfter;
        int undoBefore = -1, undoAfter = -1;
    } seen;
    app.whileRunning = [&](NoteCommandApp& a) {
        CZelDoc* doc = a.GetActiveDocument();
        if (!doc) return;
        auto* frame = static_cast<CFrameWnd*>(a.m_pMainWnd);
        auto bytes = [doc] { return ScoreFile::WriteToBytes(*doc->GetScore(), *doc); };
        // The Note menu's entry when the menu bar has it, else the command as the menu sends it.
        auto send = [&](UINT id) {
            const fw::MenuBarEntryState state = fw::ChooseFromMenuBar(frame, id);
            if (!state.found) frame->SendMessage(WM_COMMAND, id, 0);
            fw::uitest::RunUntilIdle();
        };
        CScore& score = *doc->GetScore();
        auto run = [&](UINT id, Run& r) {
            doc->GetSelection()->ClearAll();
            fw::uitest::RunUntilIdle();
            doc->GetSelection()->SelectTracks(0, 0, false);
            fw::uitest::RunUntilIdle();
            // An operation that keeps the selection gives it back with the score.
            r.before = bytes();
            r.headsBefore = HeadsIn(score, 0, 0);
            r.marksBefore = MarksIn(score, 0, 0);
            send(id);
            r.after = bytes();
            r.headsAfter = HeadsIn(score, 0, 0);
            r.marksAfter = MarksIn(score, 0, 0);
            send(57643);
            // A walk that deselects gives the score back unselected: selected again, it is the
            // score the command started from.
            doc->GetSelection()->ClearAll();
            doc->GetSelection()->SelectTracks(0, 0, false);
            fw::uitest::RunUntilIdle();
            r.undone = bytes();
        };
        // Nothing selected: the tie changes nothing and nothing is kept for undo.
        doc->GetSelection()->ClearAll();
        fw::uitest::RunUntilIdle();
        seen.tieNothingBefore = bytes();
        seen.undoBefore = doc->GetUndoPosition();
        send(35300);
        seen.tieNothingAfter = bytes();
        seen.undoAfter = doc->GetUndoPosition();
        run(35300, seen.tie);
        run(35016, seen.interval);
        run(35400, seen.flip);
        // The drum palette's circle with Ctrl held at the press: the palette applies it at once
        // to the selected notes.
        g_platform.ctrlDown = 1;
        run(2902, seen.drum);
        g_platform.ctrlDown = 0;
        // Measure > Fill with Rests at the insertion point, then Undo.
        doc->GetSelection()->ClearAll();
        doc->location.trackIndex = 0;
        doc->location.barIndex = 0;
        doc->location.insertionPlaced = true;
        fw::uitest::RunUntilIdle();
        seen.beforeFill = bytes();
        seen.fill = fw::ChooseFromMenuBar(frame, 34012);
        fw::uitest::RunUntilIdle();
        send(57643);
        seen.fillUndone = bytes();
    };
    fw::uitest::Session session;
    RunApp(app, testsupport::TestDataPath("edit/mixed.zel"));
    ASSERT_TRUE(app.started);
    EXPECT_EQ(seen.tieNothingAfter, seen.tieNothingBefore);
    EXPECT_EQ(seen.undoAfter, seen.undoBefore);
    for (const Run* r : {&seen.tie, &seen.interval, &seen.flip, &seen.drum}) {
        ASSERT_FALSE(r->before.empty());
        EXPECT_NE(r->after, r->before);
        EXPECT_EQ(r->undone, r->before);
    }
    EXPECT_TRUE(seen.fill.found);
    EXPECT_TRUE(seen.fill.enabled);
    EXPECT_EQ(seen.fillUndone, seen.beforeFill);
    EXPECT_GT(seen.drum.marksAfter, seen.drum.marksBefore) << "the selected notes carry the circle";
    EXPECT_GT(seen.interval.headsAfter, seen.interval.headsBefore) << "every selected note gains a head";
}

}  // namespace
