// The track window and its track list under scripted input: the rows of a score, collapsed and
// expanded; the empty list; the floating size range; notices while hidden; the stem, mute and
// solo cells; the header's moves and resizes; and the inline field of a voice's volume.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/App.h"
#include "framework/Clock.h"
#include "framework/CodePage.h"
#include "framework/Globals.h"
#include "framework/UiTest.h"
#include "model/MidiChoosers.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/StdDlgGlobals.h"
#include "sequencer/SequencerGlobals.h"
#include "sequencer/TrackView.h"
#include "sequencer/TrackWnd.h"
#include "support/TempHome.h"

namespace ui = fw::uitest;

namespace {

class TrackWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        RegisterTrackClass();
        InitDrawing();
        fw::clocktest::SetManual(1000);
        session = std::make_unique<ui::Session>();
        ASSERT_TRUE(frame.Create("Main"));
        frame.ShowWindow(SW_SHOW);
        app.m_pMainWnd = &frame;
        frame.EnableDocking(CBRS_ALIGN_ANY);
        ui::RunUntilIdle();
        wnd = std::make_unique<CTrackWnd>();
        ASSERT_TRUE(wnd->Create(&frame));
    }
    void TearDown() override {
        ui::RunUntilIdle();
        wnd.reset();
        doc.reset();
        app.m_pMainWnd = nullptr;
        frame.DestroyWindow();
        session.reset();
        fw::clocktest::Reset();
        fw::ResetAllGlobals();
    }
    // A document of a score with `tracks` tracks, shown in the window.
    void Open(int tracks) {
        doc = std::make_unique<CZelDoc>();
        doc->SetTitle("Song");
        delete doc->score;
        doc->score = new CScore(doc.get());
        ASSERT_TRUE(doc->score->BuildSkeleton(2, tracks));
        wnd->SetDocument(doc.get());
        wnd->ShowBar();
        ui::RunUntilIdle();
    }
    CTrackView& View() { return *wnd->GetView(); }
    CTrack* Track(int t) { return doc->GetScore()->GetTrack(t); }
    // The centre of the cell of row r in the column of a kind, in the view's client area.
    POINT Cell(int r, int kind) {
        const RECT c = CTrackView::CellRect(r, trackcols::PositionOfKind(kind));
        return POINT{(c.left + c.right) / 2, (c.top + c.bottom) / 2};
    }
    void ClickCell(int r, int kind, int clicks = 1) {
        const POINT p = Cell(r, kind);
        ui::Click(&View(), int(p.x), int(p.y), ui::kLeft, ui::kNone, clicks);
        ui::RunUntilIdle();
    }
    // The rows as (track, voice, marks) triples.
    std::vector<std::vector<int>> Rows() {
        std::vector<std::vector<int>> out;
        for (int r = 0; r < View().RowCount(); ++r) {
            const CTrackView::Row& row = View().RowAt(r);
            out.push_back({row.track, row.voice, row.marks});
        }
        return out;
    }

    testsupport::TempHome home;
    std::unique_ptr<ui::Session> session;
    CWinApp app{"test"};
    CFrameWnd frame;
    std::unique_ptr<CTrackWnd> wnd;
    std::unique_ptr<CZelDoc> doc;
};

}  // namespace

TEST_F(TrackWndTest, WithoutADocumentTheListIsEmptyAndTheTitleIsTheWindowsName) {
    wnd->SetDocument(nullptr);
    wnd->ShowBar();
    ui::RunUntilIdle();
    EXPECT_TRUE(wnd->IsVisible());
    EXPECT_EQ(View().RowCount(), 0);
    EXPECT_EQ(View().GetTotalSize().cy, 16) << "an empty list is one row high";
    EXPECT_EQ(fw::ToUtf8(wnd->GetWindowText()), "音轨窗口 : ");
    EXPECT_FALSE(View().KeyChar('a', 0)) << "no document: keys are not taken";
}

TEST_F(TrackWndTest, ATrackTakesARowAndItsVoicesOneEachWhenExpanded) {
    Open(3);
    EXPECT_EQ(fw::ToUtf8(wnd->GetWindowText()), "音轨窗口 : Song");
    using R = std::vector<std::vector<int>>;
    const int first = CTrackView::kFirstRow, open = CTrackView::kFirstRow | CTrackView::kExpandedRow;
    EXPECT_EQ(Rows(), (R{{0, 0, first}, {1, 0, first}, {2, 0, first}}));
    EXPECT_EQ(View().GetTotalSize().cy, 3 * 16);
    EXPECT_EQ(View().GetTotalSize().cx, trackcols::TotalWidth());

    // The expand box of the second track opens its voices below it.
    Track(1)->SetVoiceCount(2);
    ClickCell(1, trackcols::kExpand);
    EXPECT_TRUE(Track(1)->GetTrackFlags() & CTrackView::kExpandedBit);
    EXPECT_EQ(Rows(), (R{{0, 0, first}, {1, 0, open}, {1, 0, 0}, {1, 1, 0}, {2, 0, first}}));
    EXPECT_EQ(View().GetTotalSize().cy, 5 * 16);
    // On the second voice's row the first two columns do nothing.
    ClickCell(3, trackcols::kExpand);
    EXPECT_EQ(View().RowCount(), 5);
    // Collapsing takes the voice rows away and the rows below move up.
    ClickCell(1, trackcols::kExpand);
    EXPECT_EQ(Rows(), (R{{0, 0, first}, {1, 0, first}, {2, 0, first}}));
}

// The document's changes rebuild the rows (a track expanded elsewhere shows its voices), while
// the sequencer panes' play-position and current-track hints leave them as they are.
TEST_F(TrackWndTest, TheDocumentsChangesRebuildTheRowsButPlayPositionHintsDoNot) {
    Open(2);
    Track(0)->SetVoiceCount(3);
    Track(0)->SetTrackFlags(std::uint8_t(Track(0)->GetTrackFlags() | CTrackView::kExpandedBit));
    for (const LPARAM hint : {32000, 32002}) {
        View().OnUpdate(nullptr, hint, nullptr);
        EXPECT_EQ(View().RowCount(), 2) << "hint " << hint;
    }
    View().OnUpdate(nullptr, 0, nullptr);
    EXPECT_EQ(View().RowCount(), 5) << "the first track's row, its three voices and the second track";
}

TEST_F(TrackWndTest, TheFloatingWindowIsHeldBetween300x60And900x600) {
    Open(1);
    MINMAXINFO mmi{};
    wnd->SendMessage(WM_GETMINMAXINFO, 0, LPARAM(&mmi));
    EXPECT_EQ(wnd->minTrackWidth, 300);
    EXPECT_EQ(wnd->minTrackHeight, 60);
    EXPECT_EQ(wnd->maxTrackWidth, 900);
    EXPECT_EQ(wnd->maxTrackHeight, 600);
    EXPECT_EQ(mmi.ptMinTrackSize.x, 300);
    EXPECT_EQ(mmi.ptMinTrackSize.y, 60);
    EXPECT_LE(mmi.ptMaxTrackSize.x, 900);
    EXPECT_LE(mmi.ptMaxTrackSize.y, 600);
}

// A mute change while the window is hidden draws nothing; shown, the current track's mute cell
// is drawn again.
TEST_F(TrackWndTest, AMuteNoticeWhileHiddenChangesNothing) {
    Open(2);
    auto muteCell = [&] {
        const POINT p = Cell(0, trackcols::kMute);
        CClientDC dc(&View());
        return dc.GetPixel(int(p.x), int(p.y));
    };
    const COLORREF before = muteCell();
    wnd->HideBar();
    ui::RunUntilIdle();
    Track(0)->SetTrackFlags(std::uint8_t(Track(0)->GetTrackFlags() | 0x20));
    const int rows = View().RowCount();
    wnd->OnNotify(4321);
    EXPECT_EQ(muteCell(), before);
    EXPECT_EQ(View().RowCount(), rows);
    wnd->ShowBar();
    ui::RunUntilIdle();
    wnd->OnNotify(4321);
    EXPECT_NE(muteCell(), before) << "shown: the mute mark is drawn";
}

TEST_F(TrackWndTest, TheStemCellStepsAndWrapsFromTwoToZero) {
    Open(1);
    for (int v = 0; v < CTrack::kVoices; ++v) Track(0)->SetVoiceStem(v, 1);
    ClickCell(0, trackcols::kStem);
    for (int v = 0; v < CTrack::kVoices; ++v) EXPECT_EQ(Track(0)->GetVoiceStem(v), 2) << "collapsed: all voices";
    ClickCell(0, trackcols::kStem);
    for (int v = 0; v < CTrack::kVoices; ++v) EXPECT_EQ(Track(0)->GetVoiceStem(v), 0);
    EXPECT_TRUE(doc->IsModified());
}

// Dragging down the mute column paints the first track's new state over every track that still
// had its old one; a voice row toggles that voice alone.
TEST_F(TrackWndTest, DraggingMutePaintsTheNewStateOverTracks) {
    Open(4);
    Track(2)->SetMuted(-1, true);
    const POINT a = Cell(0, trackcols::kMute), d = Cell(3, trackcols::kMute);
    ui::Drag(&View(), {a, POINT{a.x, a.y + 16}, POINT{a.x, a.y + 32}, d});
    ui::RunUntilIdle();
    EXPECT_TRUE(Track(0)->IsMuted(-1));
    EXPECT_TRUE(Track(1)->IsMuted(-1));
    EXPECT_TRUE(Track(2)->IsMuted(-1)) << "already muted: left as it was";
    EXPECT_TRUE(Track(3)->IsMuted(-1));

    // Solo on a muted track clears its mute.
    ClickCell(1, trackcols::kSolo);
    EXPECT_TRUE(Track(1)->IsSolo(-1));
    EXPECT_FALSE(Track(1)->IsMuted(-1));

    // An expanded track's voice row toggles that voice.
    Track(0)->SetTrackFlags(std::uint8_t(Track(0)->GetTrackFlags() | CTrackView::kExpandedBit));
    Track(0)->SetVoiceCount(2);
    View().RebuildRows();
    ui::RunUntilIdle();
    ClickCell(2, trackcols::kMute);  // voice 2 of track 1
    EXPECT_TRUE(Track(0)->IsMuted(1));
    EXPECT_FALSE(Track(0)->IsMuted(0));
}

TEST_F(TrackWndTest, MovingAColumnToTheLeftEdgePutsItThird) {
    Open(1);
    const int volume = trackcols::PositionOfKind(trackcols::kVolume);
    struct Case {
        int x;
        int want;
        const char* why;
    };
    const Case cases[] = {
        {0, 2, "x <= 0: third"},
        {-30, 2, "left of the list: third"},
        {5, 2, "over the number column: never before the third"},
        {100000, 13, "past every column: the last"},
    };
    for (const Case& c : cases) {
        ResetSequencerGlobals();
        EXPECT_EQ(trackcols::MoveColumn(volume, c.x), c.want) << c.why;
        EXPECT_EQ(g_sequencer.columns[std::size_t(c.want)].kind, trackcols::kVolume) << c.why;
        EXPECT_EQ(g_sequencer.columns[0].kind, 0);
        EXPECT_EQ(g_sequencer.columns[1].kind, 1);
    }
    ResetSequencerGlobals();
    EXPECT_EQ(trackcols::MoveColumn(0, 300), 0) << "the number column never moves";
    EXPECT_EQ(trackcols::MoveColumn(1, 300), 1) << "the expand box never moves";

    // Through the header: the volume label dragged to the left edge.
    const int x = trackcols::Left(volume) + 10;
    ui::Drag(View().Header(), {POINT{x, 9}, POINT{x - 60, 9}, POINT{0, 9}});
    ui::RunUntilIdle();
    EXPECT_EQ(g_sequencer.columns[2].kind, trackcols::kVolume);
    EXPECT_EQ(g_sequencer.columns[3].kind, trackcols::kName);
}

TEST_F(TrackWndTest, ResizingTheVolumeColumnStopsAtItsLabelsWidthAndFour) {
    Open(1);
    const int volume = trackcols::PositionOfKind(trackcols::kVolume);
    const int minimum = View().Header()->MinimumWidth(volume);
    EXPECT_GT(minimum, 4);
    const int edge = trackcols::Left(volume + 1) + 1;
    EXPECT_EQ(CTVLabels::ResizeZoneAt(edge), volume);
    EXPECT_EQ(CTVLabels::ResizeZoneAt(trackcols::Left(2) - 1), -1) << "the expand box cannot be resized";
    ui::Drag(View().Header(), {POINT{edge, 9}, POINT{edge - 20, 9}, POINT{edge - 200, 9}});
    ui::RunUntilIdle();
    EXPECT_EQ(g_sequencer.columns[std::size_t(volume)].width, minimum);
    ui::Drag(View().Header(), {POINT{trackcols::Left(volume + 1) + 1, 9}, POINT{trackcols::Left(volume + 1) + 41, 9}});
    ui::RunUntilIdle();
    EXPECT_EQ(g_sequencer.columns[std::size_t(volume)].width, minimum + 40);
}

// A short click opens an inline field over the cell: on a voice row it edits that voice, on a
// collapsed track all eight; typed digits apply at once, Space ends the field.
TEST_F(TrackWndTest, AShortClickOnAVoiceRowsVolumeEditsThatVoiceOnly) {
    Open(2);
    CTrack* t = Track(0);
    t->SetVoiceCount(3);
    t->SetVoiceVolume(-1, 100, false);
    t->SetTrackFlags(std::uint8_t(t->GetTrackFlags() | CTrackView::kExpandedBit));
    View().RebuildRows();
    ui::RunUntilIdle();
    ClickCell(0, trackcols::kVolume);
    EXPECT_EQ(g_sequencer.currentField, nullptr) << "an expanded track's own row has no value";
    ClickCell(2, trackcols::kVolume);  // voice 2
    ASSERT_NE(g_sequencer.currentField, nullptr);
    EXPECT_EQ(g_sequencer.currentField->value, 100);
    EXPECT_EQ(g_sequencer.currentField->minimum, -1);
    EXPECT_EQ(g_sequencer.currentField->maximum, 127);
    EXPECT_TRUE(View().KeyChar('6', 0));
    EXPECT_TRUE(View().KeyChar('4', 0));
    EXPECT_EQ(t->GetVoiceVolume(1), 64) << "each change applies at once";
    EXPECT_TRUE(View().KeyChar(' ', 0));
    EXPECT_EQ(g_sequencer.currentField, nullptr) << "Space ends the field";
    EXPECT_EQ(t->GetVoiceVolume(0), 100);
    EXPECT_EQ(t->GetVoiceVolume(1), 64);
    EXPECT_EQ(t->GetVoiceVolume(2), 100);

    // The second track is collapsed: its field edits all voices.
    ClickCell(4, trackcols::kVolume);
    ASSERT_NE(g_sequencer.currentField, nullptr);
    EXPECT_EQ(g_sequencer.currentField->voiceIndex, -1);
    View().KeyChar('9', 0);
    View().KeyChar(13, 0);
    EXPECT_EQ(g_sequencer.currentField, nullptr);
    for (int v = 0; v < CTrack::kVoices; ++v) EXPECT_EQ(Track(1)->GetVoiceVolume(v), 9) << v;
}

// The inline fields' bounds, column by column.
TEST_F(TrackWndTest, EachValueColumnsFieldHasItsBounds) {
    Open(1);
    struct Case {
        int kind, minimum, maximum;
    };
    const Case cases[] = {{trackcols::kVolume, -1, 127}, {trackcols::kPan, -64, 63}, {trackcols::kTranspose, -36, 36},
                          {trackcols::kChannel, 1, 16},  {trackcols::kVoices, 1, 8}, {trackcols::kPatch, 0, 128}};
    for (const Case& c : cases) {
        ClickCell(0, c.kind);
        ASSERT_NE(g_sequencer.currentField, nullptr) << c.kind;
        EXPECT_EQ(g_sequencer.currentField->minimum, c.minimum) << c.kind;
        EXPECT_EQ(g_sequencer.currentField->maximum, c.maximum) << c.kind;
        View().KeyChar(' ', 0);
        EXPECT_EQ(g_sequencer.currentField, nullptr);
    }
}

// Every cell that has something to show draws it, and only inside its own column: a track row
// shows all but the unset mute and solo marks; an expanded track's own row leaves its value
// cells empty while its voice rows fill them.
TEST_F(TrackWndTest, EachColumnDrawsItsCellOfTheRow) {
    Open(2);
    Track(0)->SetName("Flute");
    Track(0)->SetVoiceVolume(-1, 100, false);
    Track(1)->SetVoiceCount(2);
    Track(1)->SetTrackFlags(std::uint8_t(Track(1)->GetTrackFlags() | CTrackView::kExpandedBit));
    View().RebuildRows();
    View().UpdateWindow();
    ui::RunUntilIdle();
    // Whether a cell, less its one-pixel border and separator, holds any pixel unlike its corner.
    auto inked = [&](int r, int kind) {
        RECT c = CTrackView::CellRect(r, trackcols::PositionOfKind(kind));
        CClientDC dc(&View());
        RECT client;
        View().GetClientRect(&client);
        c.right = std::min(c.right, client.right);
        const COLORREF back = dc.GetPixel(int(c.left) + 2, int(c.top) + 1);
        int n = 0;
        for (int y = int(c.top) + 1; y < c.bottom - 1; ++y)
            for (int x = int(c.left) + 2; x < c.right - 1; ++x) n += dc.GetPixel(x, y) != back;
        return n > 0;
    };
    using namespace trackcols;
    struct Case {
        int row, kind;
        bool ink;
    };
    const Case cases[] = {
        {0, kNumber, true},  {0, kExpand, true},   {0, kName, true},     {0, kMute, false},  {0, kSolo, false},
        {0, kVolume, true},  {0, kPan, true},      {0, kTranspose, true}, {0, kDevice, true}, {0, kChannel, true},
        {0, kBank, true},    {0, kPatch, true},    {0, kVoices, true},   {0, kStem, true},
        // The expanded second track: its own row shows no values, its voice rows do.
        {1, kNumber, true},  {1, kVolume, false},  {1, kChannel, false}, {1, kVoices, true}, {1, kStem, false},
        {2, kNumber, false}, {2, kName, true},     {2, kVolume, true},   {2, kChannel, true}, {2, kVoices, false},
    };
    for (const Case& c : cases) EXPECT_EQ(inked(c.row, c.kind), c.ink) << "row " << c.row << " column kind " << c.kind;
    Track(0)->SetMuted(-1, true);
    View().RedrawRow(0, 4321);
    EXPECT_TRUE(inked(0, kMute)) << "a muted track shows the mute mark";
}

// A press held 10 ticks opens the column's chooser at the press instead of the inline field;
// the chosen volume goes to the voice of the row, and every other voice on its channel takes it.
TEST_F(TrackWndTest, APressHeldTenTicksOpensTheChooser) {
    Open(2);
    std::vector<POINT> asked;
    TheMidiChoosers().value = [&](int x, int y, int* value, int) {
        asked.push_back(POINT{x, y});
        *value = 77;
        return true;
    };
    for (int t = 0; t < 2; ++t) {
        Track(t)->SetVoiceVolume(-1, 100, false);
        Track(t)->SetVoiceChannel(-1, 0);
    }
    Track(1)->SetVoiceChannel(-1, 5);
    Track(1)->SetVoiceChannel(3, 0);
    const POINT p = Cell(0, trackcols::kVolume);
    ui::Press(&View(), int(p.x), int(p.y));
    // 200 ms pass with the button down.
    ui::Call([] { fw::clocktest::Advance(200); });
    ui::Tick();
    ui::Release(&View(), int(p.x), int(p.y));
    ui::RunUntilIdle();
    ASSERT_EQ(asked.size(), 1u) << "the volume chooser opened";
    EXPECT_EQ(g_sequencer.currentField, nullptr) << "no inline field";
    for (int v = 0; v < CTrack::kVoices; ++v) EXPECT_EQ(Track(0)->GetVoiceVolume(v), 77) << v;
    EXPECT_EQ(Track(1)->GetVoiceVolume(0), 100) << "another channel keeps its volume";
    EXPECT_EQ(Track(1)->GetVoiceVolume(3), 77) << "a voice on the same channel takes it";
    EXPECT_TRUE(doc->IsModified());

    // A quick click opens the field and no chooser.
    ClickCell(1, trackcols::kVolume);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_NE(g_sequencer.currentField, nullptr);
    View().KeyChar(27, 0);
    EXPECT_EQ(g_sequencer.currentField, nullptr);
}

// The voices field of an expanded track's row changes the voice count and the voice rows follow.
TEST_F(TrackWndTest, TheVoiceCountFieldRebuildsTheRows) {
    Open(2);
    Track(0)->SetVoiceCount(2);
    Track(0)->SetTrackFlags(std::uint8_t(Track(0)->GetTrackFlags() | CTrackView::kExpandedBit));
    View().RebuildRows();
    ui::RunUntilIdle();
    ASSERT_EQ(View().RowCount(), 4);
    ClickCell(1, trackcols::kVoices);
    EXPECT_EQ(g_sequencer.currentField, nullptr) << "a voice row has no voice count";
    ClickCell(0, trackcols::kVoices);
    ASSERT_NE(g_sequencer.currentField, nullptr);
    View().KeyChar('4', 0);
    View().KeyChar(13, 0);
    EXPECT_EQ(Track(0)->GetVoiceCount(), 4);
    EXPECT_EQ(View().RowCount(), 6);
    EXPECT_EQ(View().RowAt(4).voice, 3);
    EXPECT_EQ(View().RowAt(5).track, 1);
}
