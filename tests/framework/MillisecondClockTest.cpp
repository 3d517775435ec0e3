// The millisecond clock: the virtual one runs exactly the milliseconds it is given; the real
// one runs on its own thread, never early, never overlapping, and stops with its thread joined.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "framework/Clock.h"

namespace {

// The song clock's arithmetic at 120 beats per minute: 12,000 tempo units a millisecond, one
// 480-per-quarter tick for every 12,500.
struct SongTicks {
    std::vector<std::uint32_t> calls;
    std::int32_t accumulator = 0;
    int ticks = 0;
    int percentage = 100;
    static void Tick(void* user, std::uint32_t ms) {
        auto* s = static_cast<SongTicks*>(user);
        s->calls.push_back(ms);
        s->accumulator += 12000 * s->percentage / 100;
        while (s->accumulator >= 12500) {
            s->accumulator -= 12500;
            ++s->ticks;
        }
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

TEST(RealClock, StartsTicksAndStopsWithItsThreadJoined) {
    struct Probe {
        std::atomic<int> inside{0};
        std::atomic<bool> overlapped{false};
        std::atomic<bool> early{false};
        std::atomic<std::uint32_t> calls{0};
        std::atomic<bool> outOfOrder{false};
        std::atomic<std::int64_t> startNs{0};
        static void Tick(void* user, std::uint32_t ms) {
            auto* p = static_cast<Probe*>(user);
            if (p->inside.fetch_add(1) != 0) p->overlapped = true;
            if (fw::MonotonicNs() < p->startNs + std::int64_t(ms) * 1000000) p->early = true;
            if (ms != p->calls.load()) p->outOfOrder = true;
            // One late millisecond: the ones it made late run when it returns.
            if (ms == 20) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            p->calls.store(ms + 1);
            p->inside.fetch_sub(1);
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
    EXPECT_FALSE(clock.Start([](void*, std::uint32_t) {}, nullptr));
    EXPECT_FALSE(clock.IsRunning());
    EXPECT_TRUE(clock.Start([](void*, std::uint32_t) {}, nullptr)) << "only that one start fails";
    clock.Stop();
}

}  // namespace
