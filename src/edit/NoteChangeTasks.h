// Selection walks that change the selected notes in place: their spelling (35401 enharmonic,
// 35402 sharps to flats, 35403 flats to sharps), their stems and the side of their marks (35400
// flip, 35404 marks, 35500 stems up, 35501 stems down), the drum pitch of their heads (51002),
// and rests filling the insertion point's bar (34012).
#pragma once
#include <cstdint>
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

// The note-value palette (1000-1008: the argument is the value code 0-8) and Notes to Tuplet
// (4909: argument -1, three in the time of two, values kept) and Notes to Rest (4908: argument
// -2): a palette value gives the selected notes and rests the value (no dots, no tuplet) and
// their selected heads its length in ticks.
class CDurationTask : public CCruise {
public:
    enum : int { kToTuplet = -1, kToRest = -2 };
    void DoItem() override;
    void DoTrackBar() override;

private:
    // 4908: the selected note becomes a rest of its value and dots; its ties, glissandi and
    // bends go, its tuplet and beam are laid out again.
    void NoteToRest();
};

// The drum palette (2900-2907; the argument is the id): 2900 a grace eighth of the same heads
// in front of each selected note, 2902 a circle and 2903 a plus on the side away from the stem,
// 2904 and 2905 the letters L and R on the stem side, 2906 and 2907 the up and down arrows.
// 2901 changes nothing here.
class CDrumTask : public CCruise {
public:
    enum : int { kGrace = 2900, kCircle = 2902, kPlus = 2903, kLeft = 2904, kRight = 2905, kUp = 2906, kDown = 2907 };
    void DoItem() override;
    void DoTrackBar() override;

    std::vector<std::vector<std::uint8_t>> graces;  // made in the walk, put in after it
};

// 35304 (argument 0) and 35305 (argument 1, wavy): a glissando from the first selected note to
// the last, across a bar line when they lie in different bars; nothing with fewer than two.
class CGlissTask : public CCruise {
public:
    bool Perform() override;
    void DoItem() override;

    struct Place {
        int bar = -1, voice = 0, time = 0, position = 0;
    };
    Place start, end;
    int startTrack = -1, endTrack = -1;
};

// 1020 and 35709: the selected heads of each selected note become a grace note in front of it
// (an eighth at the grace scale, last selected head first); a note whose heads all go becomes
// the grace note alone. The grace note plays ahead of the note by its length, or by the note's
// when it is not shorter than half of it.
class CGraceTask : public CCruise {
public:
    void DoItem() override;
    void DoTrackBar() override;

    struct Pending {
        std::vector<std::uint8_t> record;
        bool allMoved = false;
    };
    std::vector<Pending> pending;
};
