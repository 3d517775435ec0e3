// The millisecond clock: the virtual one runs exactly the milliseconds it is given; the real
// one runs on its own thread, never early, never overlapping, and stops with its thread joined.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "framework/Clock.h"
#include "support/ProcessWait.h"

namespace {

// The song clock's arithmetic at 120 beats per minute: 12,000 tempo units a millisecond, one
// 480-per-quarter tick for every 12,500.
struct SongTicks {
    std::vector<std::uint32_t> calls;
    std::int32_t accumulator = 0;
    int ticks = 0;
    int percentage = 100;
    static std::uint32_t Tick(void* user, std::uint32_t ms) {
        auto* s = static_cast<SongTicks*>(user);
        s->calls.push_back(ms);
        s->accumulator += 12000 * s->percentage / 100;
        while (s->accumulator >= 12500) {
            s->accumulator -= 12500;
            ++s->ticks;
        }
        return ms + 1;
    }
};

class VirtualClockTest : public ::testing::Test {
protected:
    void SetUp() override { fw::clocktest::SetManual(1000); }
    void TearDown() override { fw::clocktest::Reset(); }
};

TEST_F(VirtualClockTest, RunsExactlyTheMillisecondsItIsGiven) {
    struct Case {
        int percentage;
        int ticksIn100Ms;
    } cases[] = {{100, 96}, {50, 48}, {200, 192}, {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.percentage);
        SongTicks song;
        song.percentage = c.percentage;
        fw::MillisecondClock clock;
        ASSERT_TRUE(clock.Start(SongTicks::Tick, &song));
        EXPECT_FALSE(clock.Start(SongTicks::Tick, &song)) << "a running clock does not start twice";
        fw::clocktest::Advance(100);
        EXPECT_EQ(song.ticks, c.ticksIn100Ms);
        ASSERT_EQ(song.calls.size(), 100u);
        for (std::uint32_t i = 0; i < 100; ++i) ASSERT_EQ(song.calls[i], i);
        clock.Stop();
        fw::clocktest::Advance(50);
        EXPECT_EQ(song.calls.size(), 100u) << "a stopped clock makes no calls";
    }
}

// Sleeping moves the virtual clock, and runs the started clocks through the time slept.
TEST_F(VirtualClockTest, SleepingMovesTheClock) {
    SongTicks song;
    fw::MillisecondClock clock;
    ASSERT_TRUE(clock.Start(SongTicks::Tick, &song));
    const DWORD before = fw::GetTickCount();
    fw::SleepMs(250);
    EXPECT_EQ(fw::GetTickCount() - before, 250u);
    EXPECT_EQ(song.calls.size(), 250u);
    EXPECT_FALSE(clock.RealtimeGranted());
}

// A function that asks for its next call: the clock calls at exactly those milliseconds, a Wake
// brings the next call to the millisecond now due, and a stop makes one last call at the
// millisecond run last, so none passes unaccounted for.
struct Stepper {
    std::vector<std::uint32_t> calls;
    std::uint32_t step = 10;
    fw::MillisecondClock* clock = nullptr;
    bool wakeInside = false;
    static std::uint32_t Tick(void* user, std::uint32_t ms) {
        auto* s = static_cast<Stepper*>(user);
        s->calls.push_back(ms);
        if (s->wakeInside) s->clock->Wake();  // within a call: changes nothing
        return ms + s->step;
    }
};

TEST_F(VirtualClockTest, CallsOnlyAtTheMillisecondsAskedFor) {
    struct Case {
        std::uint32_t step;
        bool wakeInside;
        std::vector<std::uint32_t> calls;  // after 35 ms
    } cases[] = {
        {10, false, {0, 10, 20, 30}},
        {10, true, {0, 10, 20, 30}},
        {1, false, {}},  // every millisecond (checked by count)
        {0, false, {}},  // an answer at or before the call: the next millisecond
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "step " << c.step << " wake inside " << c.wakeInside);
        Stepper s;
        fw::MillisecondClock clock;
        s.clock = &clock;
        s.step = c.step;
        s.wakeInside = c.wakeInside;
        ASSERT_TRUE(clock.Start(Stepper::Tick, &s));
        fw::clocktest::Advance(35);
        if (c.calls.empty()) {
            EXPECT_EQ(s.calls.size(), 35u);
        } else {
            EXPECT_EQ(s.calls, c.calls);
        }
        EXPECT_EQ(clock.Calls(), s.calls.size());
        clock.Stop();
    }
}

TEST_F(VirtualClockTest, AWakeCallsAtTheMillisecondNowDueAndAStopAccountsForTheRest) {
    Stepper s;
    s.step = 100;
    fw::MillisecondClock clock;
    s.clock = &clock;
    ASSERT_TRUE(clock.Start(Stepper::Tick, &s));
    fw::clocktest::Advance(5);  // milliseconds 0-4
    clock.Wake();
    clock.Wake();  // two wakes before the next millisecond are one
    fw::clocktest::Advance(3);  // 5-7: the wake's call comes at 5
    EXPECT_EQ(s.calls, (std::vector<std::uint32_t>{0, 5}));
    fw::clocktest::Advance(40);  // to 47
    clock.Stop();
    EXPECT_EQ(s.calls, (std::vector<std::uint32_t>{0, 5, 47})) << "the stop's call at the millisecond run last";
    fw::clocktest::Advance(200);
    EXPECT_EQ(s.calls.size(), 3u) << "none after the stop";
    clock.Wake();  // a stopped clock: nothing
    EXPECT_EQ(s.calls.size(), 3u);

    // A stop right after a call makes no second one there.
    Stepper t;
    t.step = 1;
    t.clock = &clock;
    ASSERT_TRUE(clock.Start(Stepper::Tick, &t));
    fw::clocktest::Advance(4);
    clock.Stop();
    EXPECT_EQ(t.calls, (std::vector<std::uint32_t>{0, 1, 2, 3}));
}

TEST(RealClock, SleepsToTheMillisecondAskedForAndWakesEarlyWhenWoken) {
    struct Probe {
        std::atomic<int> calls{0};
        std::atomic<std::uint32_t> last{0};
        std::atomic<bool> early{false};
        std::atomic<std::int64_t> startNs{0};
        static std::uint32_t Tick(void* user, std::uint32_t ms) {
            auto* p = static_cast<Probe*>(user);
            if (fw::MonotonicNs() < p->startNs + std::int64_t(ms) * 1000000) p->early = true;
            p->last = ms;
            p->calls.fetch_add(1);
            return ms + 60000;  // a minute on
        }
    } probe;
    fw::MillisecondClock clock;
    ASSERT_TRUE(clock.Start(Probe::Tick, &probe));
    probe.startNs = clock.StartNs();
    testsupport::WaitUntil([&] { return probe.calls.load() >= 1; });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(probe.calls.load(), 1) << "no call before the millisecond asked for";
    clock.Wake();
    testsupport::WaitUntil([&] { return probe.calls.load() >= 2; });
    EXPECT_EQ(probe.calls.load(), 2);
    EXPECT_GE(probe.last.load(), 30u) << "the woken call is at the millisecond then due";
    EXPECT_LT(probe.last.load(), 60000u);
    const std::int64_t afterLast = clock.StartNs() + (std::int64_t(probe.last.load()) + 1) * 1000000;
    testsupport::WaitUntil([&] { return fw::MonotonicNs() >= afterLast; });
    clock.Stop();
    EXPECT_EQ(probe.calls.load(), 3) << "the stop's last call";
    EXPECT_FALSE(probe.early.load()) << "no call before its millisecond";
}

TEST(RealClock, StartsTicksAndStopsWithItsThreadJoined) {
    struct Probe {
        std::atomic<int> inside{0};
        std::atomic<bool> overlapped{false};
        std::atomic<bool> early{false};
        std::atomic<std::uint32_t> calls{0};
        std::atomic<bool> outOfOrder{false};
        std::atomic<std::int64_t> startNs{0};
        static std::uint32_t Tick(void* user, std::uint32_t ms) {
            auto* p = static_cast<Probe*>(user);
            if (p->inside.fetch_add(1) != 0) p->overlapped = true;
            if (fw::MonotonicNs() < p->startNs + std::int64_t(ms) * 1000000) p->early = true;
            if (ms != p->calls.load()) p->outOfOrder = true;
            // One late millisecond: the ones it made late run when it returns.
            if (ms == 20) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            p->calls.store(ms + 1);
            p->inside.fetch_sub(1);
            return ms + 1;
        }
    } probe;
    fw::MillisecondClock clock;
    ASSERT_TRUE(clock.Start(Probe::Tick, &probe));
    probe.startNs = clock.StartNs();  // set before the first millisecond is due
    EXPECT_TRUE(clock.IsRunning());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (probe.calls.load() < 100 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_GE(probe.calls.load(), 100u);
    EXPECT_GT(clock.ThreadCpuNs(), 0);
    clock.Stop();
    EXPECT_FALSE(clock.IsRunning());
    EXPECT_EQ(clock.ThreadCpuNs(), 0) << "the thread has been joined";
    const std::uint32_t atStop = probe.calls.load();
    EXPECT_EQ(probe.inside.load(), 0);
    EXPECT_FALSE(probe.overlapped);
    EXPECT_FALSE(probe.early);
    EXPECT_FALSE(probe.outOfOrder);
    // Stopped is stopped: a second stop does nothing, and a new start begins at 0 again.
    clock.Stop();
    EXPECT_EQ(probe.calls.load(), atStop);
    probe.calls = 0;
    ASSERT_TRUE(clock.Start(Probe::Tick, &probe));
    probe.startNs = clock.StartNs();
    while (probe.calls.load() < 5 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    clock.Stop();
    EXPECT_FALSE(probe.outOfOrder);
}

TEST(RealClock, AFailedStartIsReported) {
    fw::MillisecondClock clock;
    fw::clocktest::FailNextStart();
    EXPECT_FALSE(clock.Start([](void*, std::uint32_t ms) { return ms + 1; }, nullptr));
    EXPECT_FALSE(clock.IsRunning());
    EXPECT_TRUE(clock.Start([](void*, std::uint32_t ms) { return ms + 1; }, nullptr)) << "only that one start fails";
    clock.Stop();
}

}  // namespace
