// The drags a hit on a note or rest starts: the note itself (its pitch up and down, sounding
// each step, or its place in the bar sideways; a copy with Ctrl; its start or length when
// performances are edited), its stem's length and side, a head's accidental sideways, and a
// mark (moved, flipped across the note, a trill's line stretched, an arpeggio lengthened).
#pragma once
#include <cstdint>
#include <vector>

#include "model/DragTask.h"

class CRawNote;
class CStaff;
class CRawHead;
class CTrkBar;
class NoteMark;

class CDragNote : public CDragTask {
public:
    void BeginItemDrag() override;
    void MoveItemDrag() override;
    void EndItemDrag() override;
    void DrawDragImage() override;
    // The time the note takes at a new position in its bar: that of the first note or rest of
    // its voice beyond the position (its own time when that one or the one before it is the
    // note itself), past the last one that one's time.
    int FindTargetTime(int position);

    std::uint8_t savedHeadBit = 0;   // bit 0 of the hit head's first byte at the press
    int firstBar = 0;                // the bars the note's beam spans
    int lastBar = 0;
    int staffTrack = 0;              // the track of the hit head's staff
    int beamStart = 0;               // the times the note's beam covers
    int beamEnd = 0;
    CRawNote* note = nullptr;
    CBarItem* beam = nullptr;
    std::vector<std::uint8_t> backup;  // the note's bytes at the press

private:
    void FindBeamRange();
    void KeepSpanningBeam(CBarItem* own, CTrkBar* ownBar, int position, int time, bool timeChanged);
    void MoveVertically();
    void MoveFret(const CStaff* staff, int target, bool up);
    void MovePerformance();
    void ApplyVertical(int head, const std::uint8_t* dragged);
    void ApplyCopy(int head, const std::uint8_t* dragged, int position);
    void FlipSlurs();
    void FollowHorizontally(int from, int to, bool timeChanged);
    void Warp(int x, int y);
    int hitHead = 0;
    bool grabbedEnd = false;   // performance editing: the head's end (its length) moves
    CTrkBar* trkBar = nullptr;
    int barIndex = 0;
    int laterBar = 0;          // the last bar the note's ties and lines reach
};

// The stem's length follows the pointer (to 63); dragged through the note below -14 the stem
// turns to the other side.
class CDragStem : public CDragTask {
public:
    void MoveItemDrag() override;
    void DrawDragImage() override;
};

// A head's accidental moves sideways, a fifth of the horizontal step at a time, from 0 (at the
// head) to 255.
class CDragAcc : public CDragTask {
public:
    void MoveItemDrag() override;
    void EndItemDrag() override;
    void DrawDragImage() override;
};

// A mark of a note or rest: moved, flipped across the note, a trill's line or end, a jazz
// line's ends, an arpeggio's length.
class CDragMark : public CDragTask {
public:
    // The grab handles.
    static constexpr int kStartHandle = 0, kLineHandle = 1, kEndHandle = 2, kWholeMark = -32767;
    void BeginItemDrag() override;
    void MoveItemDrag() override;
    void EndItemDrag() override;
    void DrawDragImage() override;

    std::uint8_t upperHalf = 1;   // grabbed in the mark's upper half
    int noteX = 0;                // the note's x on the page
    std::int16_t handle = 0;
    NoteMark* mark = nullptr;
    int markIndex = 0;
};
