// The commands that give selected notes other heads: Add Interval (a head a fixed interval above
// or below each selected note), the pitches just played on the MIDI keyboard in place of one
// note's heads, and Show on the Staff Above or Below (heads and rests drawn on a neighbouring
// track's staff).
#pragma once
#include <cstdint>
#include <vector>

#include "model/EditTask.h"
#include "model/TaskMakers.h"

class CRawNote;

// 35010-35025: up a ninth ... up a major second, down a major second ... down a ninth.
class CIntervalTask : public CCruise {
public:
    enum : int { kFirstId = 35010, kLastUpId = 35017, kLastId = 35025 };
    // The interval's steps (1..8 up, -1..-8 down) of a command id; 0 for any other id.
    static int IntervalOf(int id);
    // Semitones of an interval step count (its size).
    static int SemitonesOf(int interval);

    void DoTrackBar() override;
    void DoItem() override;
    // Builds the new head (or heads) of the note; returns the note's record (it moves when it
    // grows), null when nothing was added.
    virtual CRawNote* AddIntervalHead(CRawNote* note);
};

// The selected note's heads become the pitches played (one head each), spelled for the clef
// and key in force at the note.
class CNewPitchTask : public CIntervalTask, public ChordPitchWalk {
public:
    // Copies n entries of the MIDI input (4 bytes each, the note number in the second byte).
    void SetPitches(const std::uint8_t* entries, int n) override;
    CRawNote* AddIntervalHead(CRawNote* note) override;

    std::vector<std::uint8_t> pitches;
};

// 35600 (argument 0) and 35601 (argument 1): the selected heads and rests are shown on the
// staff above or below.
class CNewStaffTask : public CCruise {
public:
    void DoItem() override;
    void DoTrackBar() override;
};
