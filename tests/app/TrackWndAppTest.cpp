// The track window in the running program (the real start-up in process, offscreen, a score
// with notes): Window > Track Window shows it with a row per track of the active score and
// hides it again; a click on a track's name cell opens the instrument chooser, whose entry sets
// the track up in one undo step, while Escape changes nothing; a track dragged by its number
// moves in one undo step.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/MainFrame.h"
#include "app/ZelApp.h"
#include "framework/App.h"
#include "framework/CodePage.h"
#include "framework/Globals.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/UiTest.h"
#include "model/InstLib.h"
#include "model/ModelGlobals.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/RvqUtil.h"
#include "sequencer/SequencerGlobals.h"
#include "sequencer/TrackView.h"
#include "sequencer/TrackWnd.h"
#include "support/RunningApp.h"
#include "support/TempHome.h"
#include "support/TestData.h"

namespace ui = fw::uitest;

namespace {

class TrackWndAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
        ASSERT_TRUE(SaveRegDword("Preferences\\Auto Flags", "New Dialog", 0));
    }
    void TearDown() override { fw::ResetAllGlobals(); }
    static void Run(const std::function<void(CFrameWnd*, CZelDoc*)>& body) { testsupport::RunOnScore(body); }
    // Window > Track Window.
    static void ToggleTrackWindow(CFrameWnd* frame) {
        fw::ChooseFromMenuBar(frame, 37001);
        ui::RunUntilIdle();
    }
    // Clicks the cell of row r in the column of a kind.
    static void ClickCell(CTrackView& view, int r, int kind, int clicks = 1) {
        const RECT c = CTrackView::CellRect(r, trackcols::PositionOfKind(kind));
        ui::Click(&view, int(c.left + c.right) / 2, int(c.top + c.bottom) / 2, ui::kLeft, ui::kNone, clicks);
        ui::RunUntilIdle();
    }
    testsupport::TempHome home;
};

}  // namespace

TEST_F(TrackWndAppTest, TheWindowMenuShowsTheTrackListOfTheActiveScore) {
    Run([](CFrameWnd* frame, CZelDoc* doc) {
        CTrackWnd* wnd = g_app.trackWnd;
        ASSERT_NE(wnd, nullptr);
        EXPECT_FALSE(wnd->IsVisible()) << "made hidden at start-up";
        ToggleTrackWindow(frame);
        EXPECT_TRUE(wnd->IsVisible());
        EXPECT_EQ(wnd->GetDocument(), doc);
        EXPECT_EQ(fw::ToUtf8(wnd->GetWindowText()), "音轨窗口 : " + fw::ToUtf8(doc->GetPlainTitle()));
        CTrackView& view = *wnd->GetView();
        const int tracks = doc->GetScore()->GetTrackCount();
        ASSERT_GT(tracks, 0);
        EXPECT_EQ(view.RowCount(), tracks);
        EXPECT_EQ(view.GetTotalSize().cy, tracks * 16);
        // The view sits under the 18-pixel header.
        RECT r;
        view.GetWindowRect(&r);
        wnd->ScreenToClient(&r);
        EXPECT_EQ(r.top, 18);
        ToggleTrackWindow(frame);
        EXPECT_FALSE(wnd->IsVisible());
    });
}

// The program's way to set a track up from an instrument: the name cell's chooser lists the
// library's instruments (the 65 built-in ones start-up gives it). A chosen entry is one undo
// step; Escape leaves the score byte for byte and makes no undo step.
TEST_F(TrackWndAppTest, ANameCellClickSetsTheTrackUpFromTheChosenInstrument) {
    Run([&](CFrameWnd* frame, CZelDoc* doc) {
        ASSERT_NE(g_model.instLib, nullptr);
        ASSERT_EQ(g_model.instLib->GetCount(), 65);
        ASSERT_EQ(g_model.instLib->GetItemName(18), "Clarinet in Bb");
        ToggleTrackWindow(frame);
        CTrackView& view = *g_app.trackWnd->GetView();
        CScore* score = doc->GetScore();
        auto bytes = [&] { return ScoreFile::WriteToBytes(*doc->GetScore(), *doc); };
        const auto start = bytes();
        const int undos = doc->GetUndoCount();
        const std::size_t menus = ui::Menus().size();
        CTrack* track = score->GetTrack(0);
        const std::string name = track->GetFullName();

        ui::AnswerMenu(0);  // Escape
        ClickCell(view, 0, trackcols::kName);
        ASSERT_EQ(ui::Menus().size(), menus + 1) << "the instrument chooser opened";
        ASSERT_EQ(ui::Menus().back().items.size(), 65u);
        EXPECT_EQ(ui::Menus().back().items[0].text, "Alto");
        EXPECT_EQ(ui::Menus().back().items[18].text, "Clarinet in Bb");
        EXPECT_EQ(bytes(), start) << "Escape changes nothing";
        EXPECT_EQ(doc->GetUndoCount(), undos) << "and makes no undo step";

        ui::AnswerMenu(19);  // Clarinet in Bb
        ClickCell(view, 0, trackcols::kName);
        EXPECT_EQ(doc->GetUndoCount(), undos + 1) << "one undo step";
        EXPECT_EQ(track->GetVoiceProgram(0), 71);
        EXPECT_EQ(track->GetTransposition(), 2) << "written a tone above the sound";
        EXPECT_EQ(track->GetVoiceCount(), 1);
        if (!name.empty()) EXPECT_EQ(std::string(track->GetFullName()), name) << "a named track keeps its name";
        EXPECT_TRUE(doc->IsModified());
        EXPECT_EQ(view.RowCount(), score->GetTrackCount());

        // Undo gives the score back byte for byte.
        fw::ChooseFromMenuBar(frame, 57643);  // Edit > Undo
        ui::RunUntilIdle();
        EXPECT_EQ(bytes(), start) << "undo restores the track";

        // A voice row's name cell opens nothing (undo put new track records in).
        track = doc->GetScore()->GetTrack(0);
        track->SetTrackFlags(std::uint8_t(track->GetTrackFlags() | CTrackView::kExpandedBit));
        view.RebuildRows();
        const std::size_t shown = ui::Menus().size();
        ClickCell(view, 1, trackcols::kName);
        EXPECT_EQ(ui::Menus().size(), shown);
    });
}

// Dragging a track's number to the last row moves the track there in one undo step.
TEST_F(TrackWndAppTest, DraggingATracksNumberMovesTheTrack) {
    Run([](CFrameWnd* frame, CZelDoc* doc) {
        ToggleTrackWindow(frame);
        CTrackView& view = *g_app.trackWnd->GetView();
        CScore* score = doc->GetScore();
        const int tracks = score->GetTrackCount();
        ASSERT_GE(tracks, 2);
        score->GetTrack(0)->SetName("First");
        const int undos = doc->GetUndoCount();
        const RECT a = CTrackView::CellRect(0, trackcols::PositionOfKind(trackcols::kNumber));
        const int x = int(a.left + a.right) / 2;
        ui::Drag(&view, {POINT{x, 8}, POINT{x, 20}, POINT{x, (tracks - 1) * 16 + 8}});
        ui::RunUntilIdle();
        EXPECT_STREQ(score->GetTrack(tracks - 1)->GetFullName(), "First");
        EXPECT_EQ(doc->GetUndoCount(), undos + 1);
        EXPECT_EQ(view.RowCount(), tracks);
    });
}
