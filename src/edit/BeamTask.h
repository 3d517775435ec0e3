// The Note menu's beam commands over the selection: by the beat (35200), by hand into one beam
// (35201), the middle of the selected beams hidden or shown (35202), their tuplet number hidden
// or shown (35203), and tremolos of one to four strokes (35210-35213). The argument is the id.
#pragma once

#include "model/EditTask.h"

class CAddBeamTask : public CCruise {
public:
    enum : int {
        kByBeat = 35200, kByHand = 35201, kHideMiddle = 35202, kHideNumber = 35203,
        kFirstTremolo = 35210, kLastTremolo = 35213,
    };
    bool Perform() override;
    void WalkTracks() override;
    void DoItem() override;
    void EndVoice() override;
};

// The beam-group palette (4120-4127; the argument 1-8): each selected beam takes the group
// count and is laid out again.
class CGroupBeamTask : public CCruise {
public:
    void DoItem() override;
};
