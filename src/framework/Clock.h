// The millisecond clock of the program, with a virtual clock for tests.
#pragma once
#include "framework/Types.h"

namespace fw {

// Milliseconds since an arbitrary start (the system's monotonic clock); wraps at 2^32.
DWORD GetTickCount();

// Lets ms milliseconds pass: the thread sleeps, or under the virtual clock the clock moves on.
void SleepMs(DWORD ms);
// Lets ms milliseconds pass while the event loop runs (paints, timers, posted messages); on
// the user-interface thread it waits for events, never spins. Under the virtual clock the
// waiting events run and the clock moves on.
void WaitRunningEvents(DWORD ms);

namespace clocktest {
// Switches to a virtual clock that stands at `start` and moves only through Advance or SleepMs.
void SetManual(DWORD start = 0);
void Advance(DWORD ms);
// Back to the real clock.
void Reset();
}  // namespace clocktest

}  // namespace fw
