// The range the transport hands the performer and the recorder: first and last track, and the
// from and to positions (bar, tick in the bar). Without punch it runs from (0, 0) to
// (32767, 32767); with punch from the punch-in to the punch-out point.
#pragma once
#include <cstdint>

struct PlayRange {
    std::int16_t firstTrack = 0;
    std::int16_t fromBar = 0;
    std::int16_t fromTick = 0;
    std::int16_t lastTrack = 63;
    std::int16_t toBar = 32767;
    std::int16_t toTick = 32767;

    // Positions compare by bar, then by tick.
    bool IsBefore(int bar, int tick) const { return bar < fromBar || (bar == fromBar && tick < fromTick); }
    bool IsAtOrAfterEnd(int bar, int tick) const { return bar > toBar || (bar == toBar && tick >= toTick); }
    bool Contains(int bar, int tick) const { return !IsBefore(bar, tick) && !IsAtOrAfterEnd(bar, tick); }
};
