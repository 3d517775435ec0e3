// Bar-line kinds and the joining of bar lines between staves.
//
// CBarlineTask (2300-2305 from the bar-line palette, 33224 from the bar pop-up): the insertion
// point's bar takes a plain (2300), double (2301), repeat start (2302), repeat end (2303), final
// (2304), dotted (2305) or invisible (33224) bar line at its start or end: the start when the
// insertion point lies in the bar's first half, else the end; a repeat start always at the
// start, a final bar line always at the end. A final bar line on the score's last bar is the
// score's own, a plain one on bar 0 of a one-track score turns the opening bar line on and off.
//
// CBreakLineTask (4300): the bar lines of the current track's staff stop joining the staff below
// in every system.
#pragma once

#include "model/EditTask.h"

class CBarlineTask : public CCruise {
public:
    enum : int {
        kPlain = 2300, kDouble = 2301, kRepeatStart = 2302, kRepeatEnd = 2303, kFinal = 2304, kDotted = 2305,
        kInvisible = 33224
    };
    bool Perform() override;
    // The base swap, with the score's opening and final bar-line flags.
    void SwapSnapshot() override;

private:
    std::uint8_t otherSingleTrack = 0, otherNoFinal = 0;
};

class CBreakLineTask : public CCruise {
public:
    bool Perform() override;
};
