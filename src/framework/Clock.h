// The millisecond clock of the program: the time of day in milliseconds, sleeping, the 1 ms
// song clock thread, and a virtual clock for tests that drives all of them.
#pragma once
#include <cstdint>
#include <memory>

#include "framework/Types.h"

// A date and time of day, as the system's local time gives it.
struct SYSTEMTIME {
    WORD wYear = 0;
    WORD wMonth = 0;  // 1-12
    WORD wDayOfWeek = 0;  // 0 Sunday
    WORD wDay = 0;  // 1-31
    WORD wHour = 0;
    WORD wMinute = 0;
    WORD wSecond = 0;
    WORD wMilliseconds = 0;
};

namespace fw {

// The local date and time now (a fixed time while a test has set one).
void GetLocalTime(SYSTEMTIME* time);

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

// A thread that calls a function at the milliseconds it asks for, on CLOCK_MONOTONIC absolute
// deadlines (so song time never drifts), at real-time priority where the system grants it. Each
// call answers the number of the next millisecond it needs; the thread sleeps until then unless
// Wake moves the call forward. A late wake-up makes the calls that have fallen due at once, so
// none is lost. Calls never overlap. Under the virtual clock no thread runs: SleepMs and
// clocktest::Advance make the calls synchronously, at the same milliseconds.
class MillisecondClock {
public:
    // Called with the millisecond's number (0 for the first after Start), due at StartNs() +
    // number milliseconds; it answers the number of the next millisecond to be called at (one
    // at or before the number given is taken as the next millisecond). The milliseconds in
    // between pass without a call: the function accounts for them itself when next called.
    using TickFn = std::uint32_t (*)(void* user, std::uint32_t ms);

    MillisecondClock();
    ~MillisecondClock();  // stops
    MillisecondClock(const MillisecondClock&) = delete;
    MillisecondClock& operator=(const MillisecondClock&) = delete;

    // False, and nothing runs, when the clock runs already or its thread cannot start.
    bool Start(TickFn fn, void* user);
    // Ends the calls with one last call at the millisecond now due, unless the last call was
    // there (so the milliseconds let pass are accounted for); the thread is joined when this
    // returns. Nothing happens when stopped.
    void Stop();
    bool IsRunning() const;
    // Something changed what the function would answer (from another thread): it is called at
    // the millisecond now due, or the next one. Within a call, or when stopped, nothing happens.
    void Wake();
    // Whether the thread got real-time scheduling (false under the virtual clock).
    bool RealtimeGranted() const;
    // CLOCK_MONOTONIC nanoseconds at which millisecond 0 was due.
    std::int64_t StartNs() const;
    // CPU time the clock's thread has used, in nanoseconds (0 when no thread runs).
    std::int64_t ThreadCpuNs() const;
    // The calls made since Start (the thread's wake-ups that did work).
    std::uint64_t Calls() const;

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
// Back to the real clock (and the real date and time).
void Reset();
// GetLocalTime answers this date and time until Reset or ReleaseLocalTime.
void FixLocalTime(const SYSTEMTIME& time);
void ReleaseLocalTime();
// The next MillisecondClock::Start fails, as when the system refuses the thread.
void FailNextStart();
}  // namespace clocktest

}  // namespace fw
