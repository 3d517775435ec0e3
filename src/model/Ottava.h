// The octave line (type 25, 28 bytes): an "8va"-style glyph at its start and a line to its end
// with a hook. A line across bars is a chain of records of one track and voice, one per bar:
// the start record draws the glyph, the end record stops its line at its end position and
// draws the hook, the records between carry the line across their bars.
//
//   offset 12  position        the start position, 1/1024 of the bar
//   offset 16  flags           bit 0 line style (set: solid, and the hook as two plain lines),
//                              bit 1 glyph set, bit 2 line drawn, bit 3 the glyph in brackets
//                              at a system's start, bit 4 start record, bit 5 end record,
//                              bits 6-7 kind: 0 an octave up, 1 an octave down, 2 two up
//   offset 17  identifier      shared by the records of one chain
//   offset 18  vertical offset coordinate: y of the line from the staff's middle, 1/120 space
//   offset 20  continuation    coordinate added to a continuation's offset when the chain's
//                              record in its system's first bar comes from an earlier system
//   offset 22  pitch shift     semitones, set from the kind whenever a record is read
//   offset 24  end position    1/1024 of the bar, where an end record's line stops
//   offset 26  end time        ticks, kept
//
// Stored: byte 16 with bits 0-5 reversed into bits 7-2 and the kind in bits 0-1, 17 raw, 18
// and 20 as coordinates (divided by 5), 22-27 as three words, big-endian.
#pragma once
#include <cstdint>

#include "model/BarItem.h"

class COttava : public CBarItem {
public:
    enum : int { kTypeCode = 25, kSize = 28, kFlags = 16, kIdentifier = 17, kVerticalOffset = 18,
                 kContinuationOffset = 20, kShift = 22, kEndPosition = 24, kEndTime = 26 };
    enum : std::uint8_t { kSolidBit = 0x01, kGlyphSetBit = 0x02, kLineBit = 0x04, kBracketsBit = 0x08,
                          kStartPieceBit = 0x10, kEndPieceBit = 0x20, kKindShift = 6 };
    // Hit parts: the glyph, the hook, the line.
    enum : int { kHitGlyph = 1, kHitHook = 2, kHitLine = -32767 };
    // The document command that edits an octave line.
    static constexpr int kEditCommand = 4109;

    static COttava* Construct(void* buffer);

    std::uint8_t GetFlags() const { return rec::Get<std::uint8_t>(this, kFlags); }
    void SetFlags(std::uint8_t v) { rec::Put(this, kFlags, v); }
    std::uint8_t GetIdentifier() const { return rec::Get<std::uint8_t>(this, kIdentifier); }
    int GetKind() const { return GetFlags() >> kKindShift; }
    bool IsStart() const { return (GetFlags() & kStartPieceBit) != 0; }
    bool IsEnd() const { return (GetFlags() & kEndPieceBit) != 0; }
    std::int16_t GetYOffset() const { return rec::Get<std::int16_t>(this, kVerticalOffset); }
    void SetYOffset(int v) { rec::Put(this, kVerticalOffset, std::int16_t(v)); }
    std::int16_t GetContinuationOffset() const { return rec::Get<std::int16_t>(this, kContinuationOffset); }
    std::int16_t GetShift() const { return rec::Get<std::int16_t>(this, kShift); }
    std::int16_t GetEndPosition() const { return rec::Get<std::int16_t>(this, kEndPosition); }
    void SetEndPosition(int v) { rec::Put(this, kEndPosition, std::int16_t(v)); }
    std::int16_t GetEndTime() const { return rec::Get<std::int16_t>(this, kEndTime); }

    // The semitones of a kind: an octave up, an octave down, two octaves up (kind 3 too).
    static int ShiftOfKind(int kind) { return kind == 0 ? 12 : kind == 1 ? -12 : 24; }
    // The glyph of a kind in glyph set 1 (bit 1) or 0.
    static int GlyphOf(int kind, bool set1);
    // Where a dragged end lands that the pointer left beyond its system: past the system's last
    // bar (right) position 1023 of that bar, or 256 of the next when that one is not the score's
    // last; before its first bar position 0, or 768 of the previous bar when there is one.
    static void ClampEndToSystem(bool right, int edgeBar, int barCount, int* bar, int* position);
    // An end that does not lie at least 16 positions after the start is moved to start + 16
    // (same bar) and the line is not drawn: true when it was moved.
    static bool KeepEndAfterStart(int startBar, int startPosition, int* endBar, int* endPosition);
    // A one-bar line's end drag: the new end is taken only while start + 128 stays below it.
    static bool EndDragAllowed(int startPosition, int newEnd) { return startPosition + 128 < newEnd; }
};
ZEL_RECORD_VIEW(COttava);

class OttavaBehaviour : public BarItemBehaviour {
public:
    static const OttavaBehaviour& Instance();
    void Draw(CScoreItem& item) const override;
    void OpenProperties(CScoreItem& item, int x, int y) const override;
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;
    RECT* GetPartBounds(CScoreItem& item, RECT* rect, int part) const override;
    bool IntersectsRect(CScoreItem& item, const RECT& rect) const override;
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;
    void ToFileOrder(CScoreItem& item) const override;
    void FromFileOrder(CScoreItem& item) const override;
    void MarkRemoved(CBarItem& item) const override;
    bool HitTestShape(CBarItem& item, int x, int y) const override;
    int GetBarRange(CBarItem& item, int* first, int* last, CTrkBar* trkBar) const override;
    int GetVerticalOffset(CBarItem& item) const override;
    int GetEndPosition(CBarItem& item) const override;
    void SetEndPosition(CBarItem& item, int position) const override;
    void SetVerticalOffset(CBarItem& item, int offset) const override;
    // The drag: the whole chain hides while it runs; up or down every record's line moves (its
    // continuation offset with Ctrl); across, the glyph moves the start and the hook the end,
    // and the release builds the chain again between the new ends. The feedback draws every
    // record of the chain.
    void BeginDrag(CScoreItem& item) const override;
    void DragBy(CScoreItem& item, CDragTask* drag) const override;
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;
    void DrawDragFeedback(CScoreItem& item) const override;
    // A start record asks for every bar of its chain to be drawn again.
    void Invalidate(CScoreItem& item) const override;
};
