// The note tool in the running program: the notes palette's quarter note enters a note with a
// click on the page; the palette's first accidental button, clicked on that note, hands the note
// to "Add Accidental" (one undo step) and enters no note; on empty staff it does nothing.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdint>
#include <vector>

#include "app/AppGlobals.h"
#include "app/MainFrame.h"
#include "app/ZelApp.h"
#include "chrome/MainToolBar.h"
#include "chrome/ToolBox.h"
#include "framework/Globals.h"
#include "framework/Mdi.h"
#include "framework/UiTest.h"
#include "model/Bar.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "support/PaletteClick.h"
#include "support/RunningApp.h"
#include "support/TempHome.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

using namespace fw::uitest;

class NoteToolApp : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
    }
    void TearDown() override { fw::ResetAllGlobals(); }

    testsupport::TempHome home;
};

TEST_F(NoteToolApp, TheAccidentalButtonOnANoteRunsAddAccidentalAndOnEmptyStaffNothing) {
    testsupport::RunningApp app;
    struct Seen {
        int tool = 0, subTool = 0;
        int notesAfterEntry = 0, pitchEntered = -1;
        int undoAfterEntry = -1, undoAfterEmpty = -1, notesAfterEmpty = 0;
        int undoAfterNote = -1, notesAfterNote = 0, accidental = -1, pitchAfter = -1;
    } seen;
    app.whileRunning = [&] {
        Session session;
        CZelDoc* doc = nullptr;
        CZelWnd* wnd = testsupport::OpenNewScoreWindow(app, doc);
        ASSERT_TRUE(doc && wnd);
        CPagePane* pane = wnd->GetView()->GetPane(0);
        CScore* score = doc->GetScore();
        const RECT paper = score->GetPage(0)->GetPaperRect();
        auto at = [&](int tick, int staffPosition) {
            CBar* b = score->GetBar(0);
            CStaff* staff = score->GetTrkBar(0, 0)->GetStaff();
            return POINT{LONG(b->FractionToX(b->TickToFraction(tick, false)) - paper.left),
                         LONG(staff->PositionToY(staffPosition) - paper.top)};
        };
        auto click = [&](POINT p) {
            Move(pane, int(p.x) + 5, int(p.y) + 3);
            Move(pane, int(p.x), int(p.y));
            Click(pane, int(p.x), int(p.y), kLeft);
            RunUntilIdle();
        };
        auto notes = [&] {
            std::vector<CBarItem*> out;
            trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
                if (it->IsNote()) out.push_back(it);
            });
            return out;
        };
        // A point of the note's head that its own hit test takes.
        auto headPoint = [&](CBarItem* note) {
            CTrkBar* tb = score->GetTrkBar(0, 0);
            tb->SetCurrent();
            RECT bounds{};
            static_cast<CScoreItem*>(note)->GetBounds(&bounds);
            for (int y = int(bounds.bottom); y >= int(bounds.top); --y)
                for (int x = int(bounds.left); x <= int(bounds.right); ++x)
                    if (static_cast<CScoreItem*>(note)->HitTest(x, y)) return POINT{LONG(x - paper.left), LONG(y - paper.top)};
            return POINT{-1, -1};
        };

        // The main tool bar's notes button (a quarter note, as a new session starts).
        ASSERT_NE(g_app.mainToolBar, nullptr);
        CToolBtn* notesButton = g_app.mainToolBar->FindButton(ToolState::kNote);
        ASSERT_NE(notesButton, nullptr);
        Click(notesButton, 12, 12);
        RunUntilIdle();
        click(at(0, 1));                               // C5
        seen.notesAfterEntry = int(notes().size());
        if (seen.notesAfterEntry != 1) return;
        seen.pitchEntered = entry::HeadAt(notes()[0], 0)[entry::kHeadPitch];
        seen.undoAfterEntry = doc->GetUndoCount();

        // Accidentals not sticky: the palette's accidental is a tool of its own.
        g_preferences.SetByte(Preferences::kAccidentalSticky, 0);
        // The notes palette's first accidental, the pointer brought over it first.
        testsupport::ShowPalette(kNotesPalette);
        const POINT sharp = Palette(kNotesPalette).ButtonCentre(CNoteTools::kFirstAccidental);
        Move(&Palette(kNotesPalette), int(sharp.x), int(sharp.y));
        RunUntilIdle();
        testsupport::ClickPalette(kNotesPalette, CNoteTools::kFirstAccidental);
        seen.tool = g_toolState.tool;
        seen.subTool = g_toolState.subTool;
        click(at(960, 1));
        seen.undoAfterEmpty = doc->GetUndoCount();
        seen.notesAfterEmpty = int(notes().size());

        const POINT head = headPoint(notes()[0]);
        if (head.x < 0) return;
        click(head);
        seen.undoAfterNote = doc->GetUndoCount();
        seen.notesAfterNote = int(notes().size());
        const std::uint8_t* h = entry::HeadAt(notes()[0], 0);
        seen.pitchAfter = h[entry::kHeadPitch];
        seen.accidental = entry::HeadAccidentalShown(h) ? 1 : 0;
    };
    testsupport::RunProgram(app);
    ASSERT_TRUE(app.started);
    ASSERT_EQ(seen.notesAfterEntry, 1);
    EXPECT_EQ(seen.pitchEntered, 72);
    EXPECT_EQ(seen.tool, 903);
    EXPECT_EQ(seen.subTool, ToolState::kAccidentalSub);
    EXPECT_EQ(seen.undoAfterEmpty, seen.undoAfterEntry) << "nothing on empty staff";
    EXPECT_EQ(seen.notesAfterEmpty, 1);
    EXPECT_EQ(seen.undoAfterNote, seen.undoAfterEntry + 1) << "Add Accidental is one undo step";
    EXPECT_EQ(seen.notesAfterNote, 1) << "no note entered";
    EXPECT_EQ(seen.accidental, 1) << "the head shows its accidental";
    EXPECT_NE(seen.pitchAfter, seen.pitchEntered);
}
