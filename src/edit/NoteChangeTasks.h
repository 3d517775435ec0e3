// Selection walks that change the selected notes in place: their spelling (35401 enharmonic,
// 35402 sharps to flats, 35403 flats to sharps), their stems and the side of their marks (35400
// flip, 35404 marks, 35500 stems up, 35501 stems down), the drum pitch of their heads (51002),
// and rests filling the insertion point's bar (34012).
#pragma once
#include <vector>

#include "model/EditTask.h"

class CEnharmonicTask : public CCruise {
public:
    enum : int { kEnharmonic = 35401, kSharpsToFlats = 35402, kFlatsToSharps = 35403 };
    void DoTrackBar() override;
    void DoItem() override;

    bool oneVoice = false;
};

class CFlipTask : public CCruise {
public:
    enum : int { kFlip = 35400, kMarks = 35404, kStemsUp = 35500, kStemsDown = 35501 };
    void DoTrackBar() override;
    void DoItem() override;

    // The notes of the walked track bar whose stems turn.
    struct Place {
        int voice, time, position;
    };
    std::vector<Place> marked;
};

// The argument is the MIDI pitch the selected heads take.
class CChangeDrumPitchTask : public CCruise {
public:
    void DoItem() override;
};

class CFillRestTask : public CCruise {
public:
    bool Perform() override;
};
