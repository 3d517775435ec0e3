// The track window in the running program (the real start-up in process, offscreen, a score
// with notes): Window > Track Window shows it with a row per track of the active score and
// hides it again; a click on a track's name cell opens the instrument chooser, whose entry sets
// the track up in one undo step, while Escape changes nothing; a track dragged by its number
// moves in one undo step.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
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
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/ScoreStandIns.h"
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
    void Run(const std::function<void(CFrameWnd*, CZelDoc*)>& body) {
        fw::msgboxtest::Capture boxes;
        for (int i = 0; i < 4; ++i) boxes.Answer(IDNO);
        testsupport::RunningApp app;
        app.whileRunning = [&] {
            CZelDoc* doc = app.GetActiveDocument();
            auto* frame = static_cast<CFrameWnd*>(app.m_pMainWnd);
            ASSERT_TRUE(doc && frame);
            ui::RunUntilIdle();
            ran = true;
            body(frame, doc);
        };
        ui::Session session;
        testsupport::RunProgram(app, {testsupport::TestDataPath("edit/mixed.zel")});
        ASSERT_TRUE(app.started);
        ASSERT_TRUE(ran);
    }
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
    bool ran = false;
};

// One library entry: a B-flat clarinet on channel 4, program 71, written a tone higher.
std::array<std::uint8_t, kInstLibEntrySize> Clarinet() {
    std::array<std::uint8_t, kInstLibEntrySize> e{};
    std::memcpy(e.data() + 4, "Clarinet in Bb", 14);
    std::memcpy(e.data() + 36, "Cl.", 3);
    auto put = [&](int at, std::int16_t v) { std::memcpy(e.data() + at, &v, 2); };
    put(52, 0), put(56, 3), put(62, 71), put(202, 94), put(204, 50), put(206, 2), put(208, 0), put(210, -2);
    return e;
}

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

// The program's way to set a track up from an instrument: the name cell's chooser. A chosen
// entry is one undo step; Escape leaves the score byte for byte and makes no undo step.
TEST_F(TrackWndAppTest, ANameCellClickSetsTheTrackUpFromTheChosenInstrument) {
    const auto clarinet = Clarinet();
    Run([&](CFrameWnd* frame, CZelDoc* doc) {
        InstrumentLibrary() = {[] { return 1; },
                               [&](int i) -> const std::uint8_t* { return i == 0 ? clarinet.data() : nullptr; }};
        ToggleTrackWindow(frame);
        CTrackView& view = *g_app.trackWnd->GetView();
        CScore* score = doc->GetScore();
        auto bytes = [&] { return ScoreFile::WriteToBytes(*doc->GetScore(), *doc); };
        const auto start = bytes();
        const int undos = doc->GetUndoCount();
        const std::size_t menus = ui::Menus().size();

        ui::AnswerMenu(0);  // Escape
        ClickCell(view, 0, trackcols::kName);
        ASSERT_EQ(ui::Menus().size(), menus + 1) << "the instrument chooser opened";
        ASSERT_FALSE(ui::Menus().back().items.empty());
        EXPECT_EQ(ui::Menus().back().items[0].text, "Clarinet in Bb");
        EXPECT_EQ(bytes(), start) << "Escape changes nothing";
        EXPECT_EQ(doc->GetUndoCount(), undos) << "and makes no undo step";

        ui::AnswerMenu(1);
        ClickCell(view, 0, trackcols::kName);
        CTrack* track = score->GetTrack(0);
        EXPECT_EQ(doc->GetUndoCount(), undos + 1) << "one undo step";
        EXPECT_EQ(track->GetVoiceProgram(0), 71);
        EXPECT_EQ(track->GetVoiceCount(), 2);
        EXPECT_EQ(track->GetVoiceTranspose(0), 0);
        EXPECT_TRUE(doc->IsModified());
        EXPECT_EQ(view.RowCount(), score->GetTrackCount());

        // A voice row's name cell opens nothing.
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
