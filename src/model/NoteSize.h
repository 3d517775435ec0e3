// The note-size palette's duration helpers, which keep no state: the ticks of each note-value
// code, the largest value that fits a number of ticks, and the value and dots that write a
// length. The model writes a note cut at a bar line with them; the palette and the notes answer
// their durations from the same table.
#pragma once

namespace notesize {

// Ticks of the note-value codes 0-8: double whole, whole, half, ... 128th.
inline constexpr int kValueTicks[9] = {3840, 1920, 960, 480, 240, 120, 60, 30, 15};

// CNoteSize::GetValueTicks: the ticks of a value code 0-7 (a code outside is clamped).
int GetValueTicks(int code);

// CNoteSize::FindValueIndex: the first value code 0-7 whose ticks are not above the ticks; 7
// when none is (below a 64th).
int FindValueIndex(int ticks);

// CNoteSize::SplitDuration: the value code (FindValueIndex) and the dots (0, 1 or 2) that write
// a length: no dot when the value is the length; one when the dotted value still fits, two when
// the second dot fits in what is left over.
struct ValueAndDots {
    int code = 0;
    int dots = 0;
};
ValueAndDots SplitDuration(int ticks);

}  // namespace notesize
