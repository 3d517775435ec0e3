// Clefs and octave lines under the mouse in the running program: a clef put in with the clef
// tool, clicked under the select tool and under the clef tool, dragged across into a later bar
// (the notes after it move back and forth with it, one undo gives everything back), and a
// movable C clef dragged up a line; an octave line over three bars dragged up by its line and
// its hook dragged into a later bar with the select tool.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <vector>

#include "app/AppGlobals.h"
#include "app/MainFrame.h"
#include "app/ZelApp.h"
#include "framework/Globals.h"
#include "framework/Mdi.h"
#include "framework/UiTest.h"
#include "model/Bar.h"
#include "model/Clef.h"
#include "model/ModelGlobals.h"
#include "model/Ottava.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "support/RunningApp.h"
#include "support/TempHome.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

using namespace fw::uitest;

namespace {

class StaffSignsDragApp : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
    }
    void TearDown() override { fw::ResetAllGlobals(); }

    testsupport::TempHome home;
};

CClef* ClefIn(CTrkBar* tb) {
    CClef* found = nullptr;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
        if (it->IsClef() && !found) found = static_cast<CClef*>(it);
    });
    return found;
}

std::vector<COttava*> OttavasIn(CTrkBar* tb) {
    std::vector<COttava*> found;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
        if (it->IsOttava()) found.push_back(static_cast<COttava*>(it));
    });
    return found;
}

int FirstNotePos(CTrkBar* tb) {
    int pos = -999;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
        if (it->IsNote() && pos == -999) pos = entry::HeadPos(entry::HeadAt(it, 0));
    });
    return pos;
}

}  // namespace

TEST_F(StaffSignsDragApp, AClefTakesClicksOnlyUnderItsToolAndMovesWithItsNotesWhenDragged) {
    testsupport::RunningApp app;
    struct Seen {
        int notesBefore[3] = {}, notesWithClef[3] = {}, notesAfterDrag[3] = {}, notesAfterUndo[3] = {};
        bool clefInBar1 = false, selectedBySelectTool = true, selectedByClefTool = false;
        bool clefInBar2AfterDrag = false, clefInBar1AfterDrag = true, clefInBar1AfterUndo = false;
        bool clefInBar2AfterUndo = true, undoable = false;
        int cCodeBefore = -1, cPosBefore = 99, cCodeAfter = -1, cPosAfter = 99;
    } seen;
    app.whileRunning = [&] {
        Session session;
        CZelDoc* doc = nullptr;
        CZelWnd* wnd = testsupport::OpenNewScoreWindow(app, doc);
        ASSERT_TRUE(doc && wnd);
        CPagePane* pane = wnd->GetView()->GetPane(0);
        CScore* score = doc->GetScore();
        ASSERT_GE(score->GetBarCount(), 4);
        const RECT paper = score->GetPage(0)->GetPaperRect();
        auto point = [&](int bar, int position, int staffPosition) {
            CBar* b = score->GetBar(bar);
            CStaff* staff = score->GetTrkBar(0, bar)->GetStaff();
            return POINT{LONG(b->FractionToX(position) - paper.left), LONG(staff->PositionToY(staffPosition) - paper.top)};
        };
        auto click = [&](POINT p) {
            Move(pane, int(p.x), int(p.y));
            Click(pane, int(p.x), int(p.y), kLeft);
            RunUntilIdle();
        };
        // The middle of a clef's glyph in the pane.
        auto clefPoint = [&](int bar) {
            CTrkBar* tb = score->GetTrkBar(0, bar);
            CClef* clef = ClefIn(tb);
            if (!clef) return POINT{-1, -1};
            tb->SetCurrent();
            RECT r{};
            clef->GetBounds(&r);
            return POINT{LONG((r.left + r.right) / 2 - paper.left), LONG((r.top + r.bottom) / 2 - paper.top)};
        };
        auto drag = [&](POINT from, POINT to) {
            std::vector<POINT> way{from};
            const int steps = 12;
            for (int i = 1; i <= steps; ++i)
                way.push_back(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
            Move(pane, int(from.x), int(from.y));
            Drag(pane, way, kLeft);
            RunUntilIdle();
        };
        auto notes = [&](int* into) {
            for (int b = 0; b < 3; ++b) into[b] = FirstNotePos(score->GetTrkBar(0, b + 1));
        };

        // A quarter note on the middle line at the start of bars 1, 2 and 3.
        g_toolState.tool = ToolState::kNote;
        g_toolState.subTool = ToolState::kNoteSub;
        g_toolState.value = 3;
        for (int b = 1; b <= 3; ++b) click(point(b, 0, 0));
        notes(seen.notesBefore);

        // The clef tool's bass clef at the start of bar 1.
        g_toolState.tool = CClef::kClefTool;
        g_toolState.button = 1;
        click(point(1, 0, 2));
        seen.clefInBar1 = ClefIn(score->GetTrkBar(0, 1)) != nullptr;
        ASSERT_TRUE(seen.clefInBar1);
        notes(seen.notesWithClef);
        doc->DeselectAll();

        // A click on it under the select tool leaves it alone; under the clef tool it selects it.
        g_toolState.tool = ToolState::kSelect;
        click(clefPoint(1));
        seen.selectedBySelectTool = ClefIn(score->GetTrkBar(0, 1))->IsSelectedBit();
        g_toolState.tool = CClef::kClefTool;
        click(clefPoint(1));
        seen.selectedByClefTool = ClefIn(score->GetTrkBar(0, 1))->IsSelectedBit();
        doc->DeselectAll();

        // Dragged across into bar 2 under the select tool.
        g_toolState.tool = ToolState::kSelect;
        const POINT from = clefPoint(1);
        const POINT to{from.x + (point(2, 0, 0).x - point(1, 0, 0).x), from.y};
        const int undoBefore = doc->GetUndoCount();
        drag(from, to);
        seen.undoable = doc->GetUndoCount() == undoBefore + 1;
        seen.clefInBar1AfterDrag = ClefIn(score->GetTrkBar(0, 1)) != nullptr;
        seen.clefInBar2AfterDrag = ClefIn(score->GetTrkBar(0, 2)) != nullptr;
        notes(seen.notesAfterDrag);
        doc->Undo();
        RunUntilIdle();
        seen.clefInBar1AfterUndo = ClefIn(score->GetTrkBar(0, 1)) != nullptr;
        seen.clefInBar2AfterUndo = ClefIn(score->GetTrkBar(0, 2)) != nullptr;
        notes(seen.notesAfterUndo);

        // A movable C clef in bar 3, dragged up one line.
        g_toolState.tool = CClef::kClefTool;
        g_toolState.button = 2;
        click(point(3, 0, 4));
        CClef* c = ClefIn(score->GetTrkBar(0, 3));
        ASSERT_NE(c, nullptr);
        seen.cCodeBefore = c->GetCode();
        seen.cPosBefore = c->GetClefStaffPos();
        g_toolState.tool = ToolState::kSelect;
        const POINT cFrom = clefPoint(3);
        CStaff* staff = score->GetTrkBar(0, 3)->GetStaff();
        drag(cFrom, POINT{cFrom.x, cFrom.y - (staff->PositionToY(0) - staff->PositionToY(2))});
        c = ClefIn(score->GetTrkBar(0, 3));
        ASSERT_NE(c, nullptr);
        seen.cCodeAfter = c->GetCode();
        seen.cPosAfter = c->GetClefStaffPos();
    };
    testsupport::RunProgram(app);
    ASSERT_TRUE(app.started);
    ASSERT_TRUE(seen.clefInBar1);
    // A bass clef reads the middle line six steps lower than the treble clef.
    for (int b = 0; b < 3; ++b) {
        SCOPED_TRACE(b);
        EXPECT_EQ(seen.notesBefore[b], 0);
    }
    const int shifted = seen.notesWithClef[0];
    EXPECT_NE(shifted, 0) << "the clef moved the notes after it";
    EXPECT_EQ(seen.notesWithClef[1], shifted);
    EXPECT_EQ(seen.notesWithClef[2], shifted);
    EXPECT_FALSE(seen.selectedBySelectTool);
    EXPECT_TRUE(seen.selectedByClefTool);

    EXPECT_TRUE(seen.undoable);
    EXPECT_FALSE(seen.clefInBar1AfterDrag);
    EXPECT_TRUE(seen.clefInBar2AfterDrag);
    EXPECT_EQ(seen.notesAfterDrag[0], 0) << "bar 1 is read in the treble clef again";
    EXPECT_EQ(seen.notesAfterDrag[1], shifted);
    EXPECT_EQ(seen.notesAfterDrag[2], shifted);

    EXPECT_TRUE(seen.clefInBar1AfterUndo);
    EXPECT_FALSE(seen.clefInBar2AfterUndo);
    for (int b = 0; b < 3; ++b) EXPECT_EQ(seen.notesAfterUndo[b], shifted) << b;

    EXPECT_EQ(seen.cCodeBefore, 2) << "the alto clef on the middle line";
    EXPECT_EQ(seen.cPosBefore, 0);
    EXPECT_EQ(seen.cPosAfter, 2);
    EXPECT_EQ(seen.cCodeAfter, 3) << "the tenor clef on the fourth line";
}

TEST_F(StaffSignsDragApp, AnOctaveLineMovesByItsLineAndItsHook) {
    testsupport::RunningApp app;
    struct Seen {
        int offsetsAfterUp[3] = {1, 1, 1};
        int barsAfterHook = 0, endBar = -1, endPosition = -1;
        bool undoable = false;
    } seen;
    app.whileRunning = [&] {
        Session session;
        CZelDoc* doc = nullptr;
        CZelWnd* wnd = testsupport::OpenNewScoreWindow(app, doc);
        ASSERT_TRUE(doc && wnd);
        CPagePane* pane = wnd->GetView()->GetPane(0);
        CScore* score = doc->GetScore();
        ASSERT_GE(score->GetLine(0)->GetBarCount(), 4);
        const RECT paper = score->GetPage(0)->GetPaperRect();
        g_model.randomSource = [] { return 9; };
        ASSERT_TRUE(score->ApplyOttava(0, 300, 2, 500, 0, -720, 0, true, true, false, false, 0));
        doc->InvalidatePanes();
        RunUntilIdle();
        // The middle of a part of the record of a bar, in the pane.
        auto partPoint = [&](int bar, int part) {
            CTrkBar* tb = score->GetTrkBar(0, bar);
            auto pieces = OttavasIn(tb);
            if (pieces.empty()) return POINT{-1, -1};
            tb->SetCurrent();
            RECT r{};
            pieces[0]->GetPartBounds(&r, part);
            return POINT{LONG((r.left + r.right) / 2 - paper.left), LONG((r.top + r.bottom) / 2 - paper.top)};
        };
        auto drag = [&](POINT from, POINT to) {
            std::vector<POINT> way{from};
            for (int i = 1; i <= 10; ++i)
                way.push_back(POINT{from.x + (to.x - from.x) * i / 10, from.y + (to.y - from.y) * i / 10});
            Move(pane, int(from.x), int(from.y));
            Drag(pane, way, kLeft);
            RunUntilIdle();
        };
        g_toolState.tool = ToolState::kSelect;
        CStaff* staff = score->GetTrkBar(0, 1)->GetStaff();
        const int space = staff->Space();
        // The line in bar 1 dragged up a space: every record of the chain moves.
        const POINT line = partPoint(1, 0);
        const int undoBefore = doc->GetUndoCount();
        drag(line, POINT{line.x, line.y - space});
        seen.undoable = doc->GetUndoCount() == undoBefore + 1;
        for (int b = 0; b < 3; ++b) {
            auto pieces = OttavasIn(score->GetTrkBar(0, b));
            seen.offsetsAfterUp[b] = pieces.size() == 1 ? pieces[0]->GetYOffset() : 1;
        }
        // The hook in bar 2 dragged into the middle of bar 3.
        const POINT hook = partPoint(2, COttava::kHitHook);
        CBar* bar2 = score->GetBar(2);
        CBar* bar3 = score->GetBar(3);
        drag(hook, POINT{hook.x + (bar3->FractionToX(512) - bar2->FractionToX(500)), hook.y});
        for (int b = 0; b < score->GetBarCount(); ++b) {
            auto pieces = OttavasIn(score->GetTrkBar(0, b));
            if (pieces.empty()) continue;
            ++seen.barsAfterHook;
            if (pieces[0]->IsEnd()) {
                seen.endBar = b;
                seen.endPosition = pieces[0]->GetEndPosition();
            }
        }
        g_model.randomSource = nullptr;
    };
    testsupport::RunProgram(app);
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(seen.undoable);
    for (int b = 0; b < 3; ++b) EXPECT_LT(seen.offsetsAfterUp[b], -720) << "bar " << b << " moved up with the rest";
    EXPECT_EQ(seen.offsetsAfterUp[0], seen.offsetsAfterUp[1]);
    EXPECT_EQ(seen.offsetsAfterUp[1], seen.offsetsAfterUp[2]);
    EXPECT_EQ(seen.barsAfterHook, 4) << "the chain reaches bar 3";
    EXPECT_EQ(seen.endBar, 3);
    EXPECT_NEAR(seen.endPosition, 512, 24);
}
