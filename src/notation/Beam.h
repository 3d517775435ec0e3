// The beam (code 16): joins the stems of a run of notes (and the rests between them) of one
// voice. It names its notes by voice and by a span of positions that may run on into later
// bars; every note or rest in the span with its beamed bit set belongs to it.
//
//   offset 16  beam flags      layout 1x8: bit 0 beat beam, bit 1 grace beam, bit 2 tremolo,
//                              bit 3 long-note tremolo, bit 4 hide the inner notes, bit 5 decide
//                              stems and end heights afresh, bits 6 and 7 toggled by a drag
//   offset 17  offsets         layout 3+3+1+1: bits 0-2 the signed staff offset of the start,
//                              bits 3-5 of the end, bit 6 no segment number, bit 7 the first
//                              segments of a tremolo are full beams
//   offset 18  segment count   8-bit (1 or more)
//   offset 19  sub-groups of a plain beam, or the first stroke segment of a tremolo
//   offset 20  start staff position, 21 end staff position (signed)
//   offset 22  tremolo stroke count (1-4)
//   offset 23  bit 0 the two-level flag
//   offset 24  6 reserved bytes
//   offset 30  segments, 16 bytes each, segment 0 (the main beam) first
//
// Stored: bytes 16 and 17 in stored bit order, 18-29 raw, then per segment byte 0 in stored
// bit order (layout 1+1+1+1+1+3), bytes 1-3 raw, the two positions big-endian and the four
// coordinates divided by 5. The segments of a record read from a file are converted by the
// after-load step; files before 0x400 lack bytes 22-29.
#pragma once
#include <cstdint>

#include "framework/Types.h"
#include "model/BarItem.h"
#include "model/DragTask.h"
#include "model/ScoreStandIns.h"

class CBar;
class CBeam;
class CStaff;
class CTrkBar;

// One note or rest under a beam, as the beam's drawing lists it.
struct BeamNote {
    CBarItem* item = nullptr;
    CTrkBar* trkBar = nullptr;
    CBar* bar = nullptr;
    int barOffset = 0;     // bars after the beam's own bar
    int position = 0;
    int stemX = 0;
    int headY = 0;         // the head end of the stem
    int beamY = 0;         // where the stem meets the beam
    int role = 1;          // 0 the first, 1 a middle, 2 the last item
};

// What the beam's drawing, bounds and hit test share: its end points, the head width, the
// band thickness and gap, and the line spacing, each at the beam's scale.
struct BeamGeometry {
    POINT start{}, end{};
    int headWidth = 0;
    int thickness = 1;
    int gap = 1;
    int space = 1;
    // The beam line's y at x, on the line through the two end points.
    int LineY(int x) const;
};

// One segment of a beam (16 bytes inside the beam's record):
//   0  layout 1+1+1+1+1+3: bit 0 partial (a stub), bit 1 the stub points left, bit 2 the stem
//      of the first note points up, bit 3 that of the last note, bit 4 drawn the other way;
//      bits 5-7 the level (1 the main beam)
//   1  number drawn on it (0 none)     2 bars from the beam's bar to its start
//   3  bars from its start to its end  4 start position    6 end position
//   8  start x inset, 10 end x inset, 12 start fine offset, 14 end fine offset (coordinates)
class BeamSegment {
public:
    enum : int { kFlags = 0, kNumber = 1, kStartBar = 2, kEndBar = 3, kStart = 4, kEnd = 6,
                 kStartInset = 8, kEndInset = 10, kStartFine = 12, kEndFine = 14, kSize = 16 };
    enum : std::uint8_t { kPartial = 0x01, kStubLeft = 0x02, kFirstUp = 0x04, kLastUp = 0x08, kReversed = 0x10, kLevelShift = 5 };

    explicit BeamSegment(std::uint8_t* bytes) : p_(bytes) {}
    std::uint8_t* Bytes() const { return p_; }

    std::uint8_t Flags() const { return p_[kFlags]; }
    void SetFlags(std::uint8_t v) { p_[kFlags] = v; }
    int Level() const { return Flags() >> kLevelShift; }
    std::uint8_t Number() const { return p_[kNumber]; }
    int StartBarOffset() const { return p_[kStartBar]; }
    int EndBarOffset() const { return p_[kEndBar]; }
    std::int16_t StartPosition() const { return rec::Get<std::int16_t>(p_, kStart); }
    void SetStartPosition(std::int16_t v) { rec::Put(p_, kStart, v); }
    std::int16_t EndPosition() const { return rec::Get<std::int16_t>(p_, kEnd); }
    void SetEndPosition(std::int16_t v) { rec::Put(p_, kEnd, v); }
    std::int16_t Word(int offset) const { return rec::Get<std::int16_t>(p_, std::size_t(offset)); }
    void SetWord(int offset, std::int16_t v) { rec::Put(p_, std::size_t(offset), v); }

private:
    std::uint8_t* p_;
};

class BeamBehaviour : public BarItemBehaviour {
public:
    static const BeamBehaviour& Instance();

    void Draw(CScoreItem& item) const override { DrawItem(item); }           // slot 4
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;            // slot 16
    CDragTask* CreateDragTask(CScoreItem& item) const override;              // slot 40
    void DragBy(CScoreItem& item, CDragTask* drag) const override;           // slot 42
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;          // slot 43
    void Nudge(CScoreItem& item, int dx, int dy) const override;             // slot 45
    bool HitTestShape(CBarItem& item, int x, int y) const override;          // slot 87
    void GetEndPoints(CBarItem& item, POINT* start, POINT* end) const override;  // slot 133
    // Stems and beams.
    void DrawItem(CScoreItem& item) const;

    int GetPosition(CScoreItem& item) const override;                          // slot 28
    int GetWantedSize(CScoreItem& item) const override;                        // slot 33
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;      // slot 51
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;     // slot 52
    void FromFileOrder(CScoreItem& item) const override;                       // slot 57
    void AfterLoad(CScoreItem& item, int version) const override;              // slot 58
    void MarkRemoved(CBarItem& item) const override;                           // slot 86
    std::int16_t GetStartStaffOffset(CBarItem& item) const override;           // slot 95
    int GetBarSpan(CBarItem& item) const override;                             // slot 99
    int GetEndPosition(CBarItem& item) const override;                         // slot 100
    void SetPosition(CBarItem& item, int position) const override;             // slot 110
    // Slots 131 and 132: whatever the arguments, the beam is laid out again.
    void TransposeSelected(CBarItem& item, int amount, int mode) const override;
    void TransposeAll(CBarItem& item, int fromKey, int toKey, int clef, int semitones) const override;
    void SetEndStaffOffset(CBarItem& item, int staves) const override;         // slot 117
    void SetStartStaffOffset(CBarItem& item, int staves) const override;
    std::int16_t GetEndStaffOffset(CBarItem& item) const override;
    void SetEnd(CBarItem& item, int bars, int position) const override;        // slot 122
    bool ReachesOtherStaff(CBarItem& item) const override;                     // slot 134: IsCrossStaff
};

class CBeam : public CBarItem {
public:
    enum : int {
        kBeamFlags = 16, kOffsets = 17, kSegmentCount = 18, kGroups = 19, kStartStaffPos = 20,
        kEndStaffPos = 21, kTremoloStrokes = 22, kTwoLevel = 23, kReserved = 24, kSegments = 30,
        // Segment 0's fields, named by their place in the record.
        kBarSpan = kSegments + BeamSegment::kEndBar, kStartPosition = kSegments + BeamSegment::kStart,
        kEndPosition = kSegments + BeamSegment::kEnd,
    };
    enum : std::uint8_t {
        kBeatBeam = 0x01, kGraceBeam = 0x02, kTremolo = 0x04, kLongTremolo = 0x08, kHideInner = 0x10,
        kRelayoutStems = 0x20, kStartToggled = 0x40, kEndToggled = 0x80,
        kNoNumber = 0x40, kFullFirstSegments = 0x80,
    };
    static constexpr int kType = 16;
    static constexpr int kSize = 46;
    // Bytes 22-29, which files before 0x400 lack.
    static constexpr int kNewFieldBytes = 8;

    static CBeam* Construct(void* record);

    std::uint8_t BeamFlags() const { return rec::Get<std::uint8_t>(this, kBeamFlags); }
    void SetBeamFlags(std::uint8_t v) { rec::Put(this, kBeamFlags, v); }
    bool IsTremolo() const { return (BeamFlags() & kTremolo) != 0; }
    bool IsGraceBeam() const { return (BeamFlags() & kGraceBeam) != 0; }
    std::uint8_t OffsetsByte() const { return rec::Get<std::uint8_t>(this, kOffsets); }
    void SetOffsetsByte(std::uint8_t v) { rec::Put(this, kOffsets, v); }
    int SegmentCount() const { return rec::Get<std::uint8_t>(this, kSegmentCount); }
    void SetSegmentCount(int n) { rec::Put(this, kSegmentCount, std::uint8_t(n)); }
    BeamSegment Segment(int i) { return BeamSegment(Bytes() + kSegments + BeamSegment::kSize * i); }
    // The segments that lie whole inside the record.
    int WholeSegments() const;
    std::int16_t StartPositionField() const { return rec::Get<std::int16_t>(this, kStartPosition); }
    std::int16_t EndPositionField() const { return rec::Get<std::int16_t>(this, kEndPosition); }
    int BarSpanField() const { return rec::Get<std::uint8_t>(this, kBarSpan); }

    // The tremolo stroke count, from its own byte.
    int GetTremoloStrokes() const { return rec::Get<std::uint8_t>(this, kTremoloStrokes); }
    bool GetTwoLevelFlag() const { return (rec::Get<std::uint8_t>(this, kTwoLevel) & 1) != 0; }
    void SetTwoLevelFlag(bool on) {
        const auto v = rec::Get<std::uint8_t>(this, kTwoLevel);
        rec::Put(this, kTwoLevel, on ? std::uint8_t(v | 1) : std::uint8_t(v & ~1));
    }
    // The signed staff offset of the end (bits 3-5 of byte 17).
    int GetEndStaffOffset() const { return std::int8_t(OffsetsByte() << 2) >> 5; }
    // Bits 0-2 of byte 17 = the value's low three bits.
    void SetStartStaffOffset(int offset) { SetOffsetsByte(std::uint8_t((OffsetsByte() & 0xF8) | (offset & 7))); }
    // Transposing the notes of a beam marks it for re-layout, whatever the arguments.
    void TransposeSelected(int, int) { SetFlagsA(std::uint8_t(FlagsA() | kRelayoutBit)); }
    void TransposeAll() { SetFlagsA(std::uint8_t(FlagsA() | kRelayoutBit)); }
    bool IsCrossStaff() { return ReachesOtherStaff(); }

    // Moves every segment by delta (1/1024 of a bar), carrying whole bars into the segment's
    // bar counters, and marks the beam for re-placing; its own position is the caller's.
    void ShiftSegments(int delta);
    // The beam's membership test: whether a note or rest lying barOffset bars after the beam's
    // own bar belongs to the beam.
    bool Covers(CBarItem* item, int barOffset);

    // The beam's geometry with the current bar, track bar and staff the beam's; clamps an end
    // that lies past the score's last bar to the end of the beam's own bar first.
    BeamGeometry Measure();
    // Lists the covered notes and rests from the beam's bar on (at most `room`), with their
    // stems against the geometry; returns the count.
    int CollectNotes(const BeamGeometry& g, BeamNote* out, int room);
    // The staff of one end (the track's own staff moved by the end's staff offset).
    CStaff* EndStaff(bool atEnd);
};
ZEL_RECORD_VIEW(CBeam);
