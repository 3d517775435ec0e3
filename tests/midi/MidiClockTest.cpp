// The MIDI layer's song clock on the virtual clock, with a performer that counts: ticks per
// tempo and percentage, generation ahead, the count-off and the click, tempo taps, the engine's
// blocks, and playback's start and stop.
#include <gtest/gtest.h>

#include <vector>

#include "framework/Clock.h"
#include "framework/Globals.h"
#include "midi/MidiLayer.h"
#include "midi/ClockPerformer.h"
#include "model/Playback.h"
#include "model/Preferences.h"

namespace {

class CountingPerformer : public ClockPerformer {
public:
    int GetTransportState() override { return state; }
    int GetTempo() override { return tempo; }
    void SetTempo(int t) override { tempo = t; }
    int GetTempoPercentage() override { return percentage; }
    void PlayTick() override {
        ++played;
        ++currentTick;
        if (midi) offsets.push_back(midi->EngineBlockOffset());
    }
    void GenerateAhead(int ticks) override { ahead.push_back(ticks); }
    int GetCurrentTick() override { return currentTick; }
    bool GetBarTicks(bool next, int* bar, int* beat) override {
        if (next && ++barIndex >= int(bars.size())) return false;
        *bar = bars[std::size_t(barIndex)].first;
        *beat = bars[std::size_t(barIndex)].second;
        return true;
    }
    void Stop() override {
        stopped = true;
        clockRunningAtStop = midi && midi->ClockRunning();
        playbackRunningAtStop = PlaybackRunning();
    }
    void ClickTick() override { ++clicks; }

    int state = 1, tempo = 12000, percentage = 100;
    int played = 0, currentTick = 0, clicks = 0;
    std::vector<int> ahead;
    std::vector<double> offsets;
    std::vector<std::pair<int, int>> bars{{1920, 480}};  // bar length, beat length
    int barIndex = 0;
    bool stopped = false, clockRunningAtStop = true, playbackRunningAtStop = true;
    CMidi* midi = nullptr;
};

class MidiClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::clocktest::SetManual(1000);
        SetPerformer(&performer);
        for (int f : {Preferences::kClickInPlay, Preferences::kClickInRecord}) g_preferences.SetByte(f, 0);
        g_preferences.SetWord(Preferences::kSyncDevice, -1);
    }
    void TearDown() override {
        midi.StopClock();
        SetPerformer(nullptr);
        fw::clocktest::Reset();
        fw::ResetAllGlobals();
    }
    CountingPerformer performer;
    CMidi midi;
};

TEST_F(MidiClockTest, TempoAndPercentageGiveTheTicksOfEachHundredMilliseconds) {
    struct Case {
        int tempo, percentage, ticks;
    } cases[] = {{12000, 100, 96}, {12000, 50, 48}, {12000, 0, 0}, {6000, 200, 96}, {12500, 100, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tempo << " at " << c.percentage << " %");
        performer.tempo = c.tempo;
        performer.percentage = c.percentage;
        performer.played = 0;
        performer.ahead.clear();
        ASSERT_TRUE(midi.StartClock());
        EXPECT_FALSE(PlaybackRunning());
        fw::clocktest::Advance(100);
        EXPECT_TRUE(PlaybackRunning());
        EXPECT_EQ(performer.played, c.ticks);
        fw::clocktest::Advance(200);
        EXPECT_EQ(performer.ahead, (std::vector<int>{480, 480, 480}));
        midi.StopClock();
        EXPECT_FALSE(PlaybackRunning());
        fw::clocktest::Advance(100);
        EXPECT_EQ(performer.played, c.ticks * 3) << "nothing after the stop";
    }
}

TEST_F(MidiClockTest, ACountOffClicksEvenWithTheClickOffThenFollowsThePreferences) {
    struct Case {
        int state;
        bool inPlay, inRecord;
        bool clicksAfter;
    } cases[] = {{1, false, true, false}, {1, true, false, true}, {2, false, true, true}, {2, true, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << c.state << " play " << c.inPlay << " record " << c.inRecord);
        performer = CountingPerformer{};
        performer.state = c.state;
        performer.tempo = 12500;  // one tick a millisecond
        g_preferences.SetByte(Preferences::kClickInPlay, c.inPlay);
        g_preferences.SetByte(Preferences::kClickInRecord, c.inRecord);
        ASSERT_TRUE(midi.StartClock());
        midi.SetCountOff(960);
        EXPECT_TRUE(midi.ClickOn());
        fw::clocktest::Advance(960);
        EXPECT_EQ(performer.clicks, 960);
        EXPECT_EQ(performer.played, 0) << "the performer waits out the count-off";
        EXPECT_EQ(midi.GetCountOff(), 0);
        EXPECT_EQ(midi.ClickOn(), c.clicksAfter);
        fw::clocktest::Advance(100);
        EXPECT_EQ(performer.played, 100);
        EXPECT_EQ(performer.clicks, c.clicksAfter ? 1060 : 960);
        midi.StopClock();
    }
    // No count-off: the click follows the preferences at once.
    g_preferences.SetByte(Preferences::kClickInPlay, 0);
    performer.state = 1;
    midi.SetCountOff(0);
    EXPECT_FALSE(midi.ClickOn());
}

TEST_F(MidiClockTest, InTempoRecordingThePerformerAdvancesOneBeatPerTap) {
    performer.state = 3;
    performer.bars = {{1920, 480}, {720, 240}};  // a 4/4 bar, then a 3/8 bar beating eighths
    midi.SetInputAccepted(true);
    midi.Arm();
    ASSERT_TRUE(midi.StartClock());
    fw::clocktest::Advance(1000);
    EXPECT_EQ(performer.played, 0) << "waits at the tap position until the first tap";
    ChannelMessage silent{0, 0x90, 60, 0};
    midi.RemapInput(silent);
    EXPECT_EQ(midi.GetTapPosition(), 0) << "a velocity-0 note-on is no tap";

    // Taps every 500 ms: 120 quarters a minute.
    std::uint32_t now = 5000;
    for (int tap = 0; tap < 4; ++tap, now += 500) {
        midi.TapTempo(now);
        fw::clocktest::Advance(1000);
    }
    EXPECT_EQ(performer.played, 4 * 480);
    EXPECT_EQ(midi.TapTempos(), (std::vector<std::uint32_t>{12000, 12000, 12000}));
    // The fifth tap ends the 4/4 bar (its tempo still in the bar's quarters); the 3/8 bar beats
    // eighths, so the tap moves 240 ticks and the next tempo is scaled to quarters.
    midi.TapTempo(now);
    fw::clocktest::Advance(1000);
    EXPECT_EQ(performer.played, 4 * 480 + 240);
    EXPECT_EQ(midi.TapTempos(), (std::vector<std::uint32_t>{12000, 12000, 12000, 12000}));
    now += 500;
    midi.TapTempo(now);
    EXPECT_EQ(midi.TapTempos().back(), 6000u);
    // Two taps at once: no interval, the tempo stays and nothing is added.
    const int tempo = performer.tempo;
    midi.TapTempo(now);
    EXPECT_EQ(performer.tempo, tempo);
    EXPECT_EQ(midi.TapTempos().size(), 5u);
    // An interval of 700 ms on an eighth beat: trunc(6,000,000 / 700) = 8571, times 240 / 480.
    midi.TapTempo(now + 700);
    EXPECT_EQ(midi.TapTempos().back(), 8571u * 240 / 480);
}

TEST_F(MidiClockTest, AStruckKeyIsATapInTempoRecording) {
    performer.state = 3;
    midi.SetInputAccepted(true);
    midi.Arm();
    midi.RemapInput(ChannelMessage{0, 0x92, 60, 70});
    EXPECT_EQ(midi.GetTapPosition(), 480);
    QueueRecord record;
    EXPECT_FALSE(TheInputQueue().Get(&record)) << "a tap is not queued";
}

// A performer whose ticks between its events only count: the clock sleeps through them (waking
// for generation and at least every kLongestSleepMs), every tick still runs, and each event's
// tick runs in the millisecond it falls due, as with a call every millisecond.
class QuietPerformer : public CountingPerformer {
public:
    int QuietTicks(bool) override {
        for (int t : eventTicks)
            if (t >= currentTick) return t - currentTick;
        return 1 << 20;
    }
    void PlayTick() override {
        for (int t : eventTicks)
            if (t == currentTick) eventMs.push_back(fw::GetTickCount() - startMs);
        CountingPerformer::PlayTick();
    }
    std::vector<int> eventTicks;
    std::vector<DWORD> eventMs;
    DWORD startMs = 0;
};

TEST_F(MidiClockTest, TheClockSleepsThroughQuietTicksAndRunsEachEventInItsMillisecond) {
    struct Case {
        int tempo;
        std::vector<int> events;
    } cases[] = {{12000, {0, 1, 5, 96, 500, 959}}, {12500, {3, 400, 401, 999}}, {123, {0, 2}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "tempo " << c.tempo);
        // The milliseconds of the event ticks when the clock calls every millisecond.
        std::vector<DWORD> expected;
        {
            CountingPerformer every;
            every.tempo = c.tempo;
            SetPerformer(&every);
            CMidi m;
            ASSERT_TRUE(m.StartClock());
            for (DWORD ms = 1; ms <= 1000; ++ms) {
                const int before = every.currentTick;
                fw::clocktest::Advance(1);
                for (int t : c.events)
                    if (t >= before && t < every.currentTick) expected.push_back(ms);
            }
            m.StopClock();
        }
        QuietPerformer quiet;
        quiet.tempo = c.tempo;
        quiet.eventTicks = c.events;
        quiet.startMs = fw::GetTickCount();
        SetPerformer(&quiet);
        ASSERT_TRUE(midi.StartClock());
        fw::clocktest::Advance(1000);
        EXPECT_EQ(quiet.eventMs, expected);
        EXPECT_LT(midi.ClockCalls(), 1000u / 2) << "the clock slept";
        EXPECT_GE(midi.ClockCalls(), 1000u / CMidi::kLongestSleepMs);
        const int playedBeforeStop = quiet.played;
        midi.StopClock();
        EXPECT_EQ(quiet.played, c.tempo * 1000 / 12500) << "the stop runs the ticks fallen due";
        EXPECT_GE(quiet.played, playedBeforeStop);
        EXPECT_EQ(quiet.ahead.size(), 10u) << "generation every 100 ms";
        SetPerformer(&performer);
    }
}

TEST_F(MidiClockTest, AClockThatFailsToStartIsReportedAndNotRunning) {
    fw::clocktest::FailNextStart();
    EXPECT_FALSE(midi.StartClock());
    EXPECT_FALSE(midi.ClockRunning());
    fw::clocktest::Advance(100);
    EXPECT_EQ(performer.played, 0);
    EXPECT_FALSE(PlaybackRunning());
}

TEST_F(MidiClockTest, TheEnginesBlocksRunATickPerMillisecondWithItsOffset) {
    performer.tempo = 12500;
    performer.midi = &midi;
    midi.SetEngineDrivesClock(true);
    ASSERT_TRUE(midi.StartClock());
    fw::clocktest::Advance(50);
    EXPECT_EQ(performer.played, 0) << "no 1 ms clock while the engine drives";
    midi.EngineTick(10.0);
    EXPECT_EQ(performer.offsets, (std::vector<double>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(midi.EngineBlockOffset(), 0.0);
    midi.EngineTick(0.5);
    EXPECT_EQ(performer.played, 11);
    midi.EngineTick(0.5);
    EXPECT_EQ(performer.played, 11);
    midi.StopClock();
    midi.EngineTick(10.0);
    EXPECT_EQ(performer.played, 11);
}

TEST_F(MidiClockTest, StoppingJoinsTheClockBeforeSilencingAndWaitsHalfASecond) {
    performer.midi = &midi;
    midi.Arm();
    ASSERT_TRUE(midi.StartPlayback());
    fw::clocktest::Advance(100);
    ASSERT_TRUE(PlaybackRunning());
    const DWORD before = fw::GetTickCount();
    midi.StopPlayback();
    EXPECT_TRUE(performer.stopped);
    EXPECT_FALSE(performer.clockRunningAtStop);
    EXPECT_FALSE(performer.playbackRunningAtStop);
    EXPECT_NEAR(double(fw::GetTickCount() - before), 500.0, 17.0);
    const int played = performer.played;
    fw::clocktest::Advance(100);
    EXPECT_EQ(performer.played, played);
    // Disarmed, playback does not start.
    midi.Disarm();
    EXPECT_FALSE(midi.StartPlayback());
}

}  // namespace
