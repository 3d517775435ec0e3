// The document's tick on the virtual clock: the caret blinks at the platform's rate in 1/60 s
// ticks; on a fake performer the playback cursor follows beats and bars; past the last bar,
// recording appends bars and playing stops the transport after six ticks.
#include <gtest/gtest.h>

#include <vector>

#include "ViewFixture.h"
#include "framework/Screen.h"
#include "framework/Window.h"
#include "model/ApplicationOps.h"
#include "model/DocumentStandIns.h"
#include "model/PlaybackHooks.h"
#include "view/ViewGlobals.h"
#include "model/Playback.h"

namespace {

class TickTest : public ViewTest {
protected:
    void Start(int pages = 1) {
        Open(pages, 0);
        doc->ShowInsertionPoint(0, false);
        doc->location.insertionPlaced = 1;
        pane = dynamic_cast<CPagePane*>(doc->currentPane);
        ASSERT_NE(pane, nullptr);
        pane->Invalidate();
        pane->UpdateWindow();
    }
    // One 1/60 s tick of virtual time, then the document's tick.
    void Tick() {
        ++ticks;
        const DWORD target = 1000 + DWORD((ticks * 1000 + 59) / 60);  // the tick's first millisecond
        fw::clocktest::Advance(target - fw::GetTickCount());
        view->OnTick();
    }
    // The transport commands the view sends: kept in order; a stop sets the transport word to 0.
    void SetUp() override {
        ViewTest::SetUp();
        saved = g_playbackHooks.transportCommand;
        g_playbackHooks.transportCommand = [this](int id) {
            commands.push_back(id);
            if (id == 2501) SetTransportState(0);
        };
    }
    void TearDown() override {
        g_playbackHooks.transportCommand = saved;
        PlaybackRunning() = false;
        ViewTest::TearDown();
    }
    std::function<void(int)> saved;
    std::vector<int> commands;
    CPagePane* pane = nullptr;
    long ticks = 0;
};

}  // namespace

TEST_F(TickTest, TheCaretBlinksAtThePlatformRate) {
    Start();
    const int blink = int(fw::GetCaretBlinkTime()) * 60 / 1000;
    ASSERT_GT(blink, 0);
    std::vector<long> toggles;
    int shown = doc->location.cursorDrawn;
    for (int i = 0; i < 8 * (blink + 2); ++i) {
        Tick();
        if (doc->location.cursorDrawn != shown) {
            shown = doc->location.cursorDrawn;
            toggles.push_back(ticks);
        }
    }
    ASSERT_GE(toggles.size(), 5u);
    for (std::size_t i = 1; i < toggles.size(); ++i) {
        const long gap = toggles[i] - toggles[i - 1];
        // The caret blinks once the deadline has passed: one tick after it.
        EXPECT_EQ(gap, blink + 1) << "a blink of " << blink << " ticks";
    }
    // Switched off, the caret no longer blinks (with the pointer away from the page, whose
    // hover would switch it on again).
    RECT window;
    wnd->GetWindowRect(&window);
    fw::SetCursorPos(int(window.right) + 40, int(window.bottom) + 40);
    pane->SetCaretEnabled(false);
    EXPECT_EQ(doc->location.cursorDrawn, 0);
    for (int i = 0; i < 3 * blink; ++i) Tick();
    EXPECT_EQ(doc->location.cursorDrawn, 0);
}

TEST_F(TickTest, ThePlaybackCursorMovesByBeatAndBar) {
    Start();
    CScore* score = doc->GetScore();
    PlaybackRunning() = true;
    SetTransportState(1);
    SetPlayedScore(score);
    RECT client;
    pane->GetClientRect(&client);

    SetPlayPosition(0, 0, 0);
    Tick();
    EXPECT_EQ(doc->playbackShown, 1);
    EXPECT_EQ(g_view.lastPlayBar, 0);
    EXPECT_EQ(g_view.lastPlayBeat, 0);
    const RECT first = pane->playbackRect;
    EXPECT_GT(first.bottom, first.top);

    SetPlayPosition(0, 1, 120);
    Tick();
    EXPECT_EQ(g_view.lastPlayBeat, 1);
    EXPECT_GT(pane->playbackRect.left, first.left) << "the next beat lies to the right";
    EXPECT_EQ(doc->location.time, 480 + 120);

    SetPlayPosition(1, 0, 0);
    Tick();
    EXPECT_EQ(g_view.lastPlayBar, 1);
    EXPECT_EQ(doc->location.barIndex, 1);
    EXPECT_EQ(doc->playbackShown, 1);

    // The same place: nothing is drawn again.
    const RECT kept = pane->playbackRect;
    Tick();
    EXPECT_EQ(pane->playbackRect.left, kept.left);
    EXPECT_EQ(doc->playbackShown, 1);

    // A paint forgets the cursor; the next beat draws it again.
    pane->Invalidate();
    pane->UpdateWindow();
    EXPECT_EQ(doc->playbackShown, 0);
    EXPECT_EQ(g_view.lastPlayBeat, -1);
    Tick();
    EXPECT_EQ(doc->playbackShown, 1);
}

TEST_F(TickTest, ThePlaybackCursorDrawnTwiceRestoresThePage) {
    Start();
    PlaybackRunning() = true;
    SetTransportState(1);
    SetPlayedScore(doc->GetScore());
    SetPlayPosition(0, 2, 0);
    RECT client;
    pane->GetClientRect(&client);
    CClientDC dc(pane);
    Tick();
    ASSERT_EQ(doc->playbackShown, 1);
    const RECT r = pane->playbackRect;
    const int x = int(r.left + r.right - 1) / 2, y = int(r.top + r.bottom) / 2;
    const COLORREF with = dc.GetPixel(x, y);
    pane->TogglePlaybackCursor();
    EXPECT_EQ(doc->playbackShown, 0);
    const COLORREF without = dc.GetPixel(x, y);
    EXPECT_NE(with, without);
    pane->TogglePlaybackCursor();
    pane->TogglePlaybackCursor();
    EXPECT_EQ(dc.GetPixel(x, y), without);
}

TEST_F(TickTest, PastTheLastBarRecordingAppendsBarsAndPlayingStops) {
    Start();
    CScore* score = doc->GetScore();
    PlaybackRunning() = true;
    SetPlayedScore(score);
    const int bars = score->GetBarCount();

    SetTransportState(2);
    SetPlayPosition(bars + 1, 0, 0);
    Tick();
    EXPECT_EQ(score->GetBarCount(), bars + 2) << "bars are appended up to the play bar";
    EXPECT_EQ(doc->location.barIndex, bars + 1);

    SetTransportState(1);
    const int now = score->GetBarCount();
    SetPlayPosition(now + 3, 0, 0);
    for (int i = 0; i < 5; ++i) Tick();
    EXPECT_TRUE(commands.empty()) << "five ticks past the end: still playing";
    EXPECT_EQ(GetTransportState(), 1);
    Tick();
    EXPECT_EQ(commands, std::vector<int>{2501});
    EXPECT_EQ(GetTransportState(), 0);
    EXPECT_EQ(score->GetBarCount(), now) << "playing appends nothing";

    // Back inside the score before the sixth tick: no stop.
    commands.clear();
    SetTransportState(1);
    for (int i = 0; i < 4; ++i) Tick();
    SetPlayPosition(0, 0, 0);
    Tick();
    SetPlayPosition(now + 3, 0, 0);
    for (int i = 0; i < 4; ++i) Tick();
    EXPECT_TRUE(commands.empty());
}

// Play, record and play from start switch the document's playback cursor on; stop, while the
// transport runs, has the playing document show its insertion point again with the cursor off;
// a stop with the transport stopped changes nothing.
TEST_F(TickTest, TransportCommandsSwitchThePlaybackCursorAndRefreshThePlayingDocument) {
    Start();
    ApplicationOps& ops = AppOps();
    const auto kept = ops.playingDocument;
    ops.playingDocument = [this] { return doc.get(); };
    for (int start : {2500, 2502, 2504}) {
        SetTransportState(1);
        doc->playbackEnabled = 0;
        doc->OnCommandRange(start);
        EXPECT_EQ(doc->playbackEnabled, 1) << start;
        doc->OnCommandRange(2501);
        EXPECT_EQ(doc->playbackEnabled, 0) << "the stop switches it off again";
    }
    SetTransportState(0);
    doc->playbackEnabled = 1;
    doc->OnCommandRange(2501);
    EXPECT_EQ(doc->playbackEnabled, 1) << "nothing plays: nothing to refresh";
    ops.playingDocument = kept;
}
