// The millisecond clock of the program: the time of day in milliseconds, sleeping, the 1 ms
// song clock thread, and a virtual clock for tests that drives all of them.
#pragma once
#include <cstdint>
#include <memory>

#include "framework/Types.h"

namespace fw {

// Milliseconds since an arbitrary start (the system's monotonic clock); wraps at 2^32.
DWORD GetTickCount();

// Lets ms milliseconds pass: the thread sleeps, or under the virtual clock the clock moves on
// (running the started millisecond clocks through those milliseconds).
void SleepMs(DWORD ms);
// Lets ms milliseconds pass while the event loop runs (paints, timers, posted messages); on
// the user-interface thread it waits for events, never spins. Under the virtual clock the
// waiting events run and the clock moves on.
void WaitRunningEvents(DWORD ms);

// Nanoseconds of CLOCK_MONOTONIC (the real clock, whatever the virtual clock does).
std::int64_t MonotonicNs();

// A thread that calls a function once for every millisecond, on CLOCK_MONOTONIC absolute
// deadlines (so a late wake-up runs the milliseconds it missed and song time never drifts),
// at real-time priority where the system grants it. Calls never overlap. Under the virtual
// clock no thread runs: SleepMs and clocktest::Advance make the calls synchronously.
class MillisecondClock {
public:
    // Called with the millisecond's number (0 for the first after Start); it is due at
    // StartNs() + number milliseconds.
    using TickFn = void (*)(void* user, std::uint32_t ms);

    MillisecondClock();
    ~MillisecondClock();  // stops
    MillisecondClock(const MillisecondClock&) = delete;
    MillisecondClock& operator=(const MillisecondClock&) = delete;

    // False, and nothing runs, when the clock runs already or its thread cannot start.
    bool Start(TickFn fn, void* user);
    // Ends the calls; the thread is joined when this returns. Nothing happens when stopped.
    void Stop();
    bool IsRunning() const;
    // Whether the thread got real-time scheduling (false under the virtual clock).
    bool RealtimeGranted() const;
    // CLOCK_MONOTONIC nanoseconds at which millisecond 0 was due.
    std::int64_t StartNs() const;
    // CPU time the clock's thread has used, in nanoseconds (0 when no thread runs).
    std::int64_t ThreadCpuNs() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

namespace clocktest {
// Switches to a virtual clock that stands at `start` and moves only through Advance or SleepMs.
void SetManual(DWORD start = 0);
// Moves the virtual clock on by ms, one millisecond at a time, each running the started
// millisecond clocks once.
void Advance(DWORD ms);
// Back to the real clock.
void Reset();
// The next MillisecondClock::Start fails, as when the system refuses the thread.
void FailNextStart();
}  // namespace clocktest

}  // namespace fw
