// The rest of a bar of a track (code 128, 22 bytes without marks):
//
//   offset 16-19  the note-and-rest base (value, dots, tuplet ratio, mark count)
//   offset 20     staff position   8-bit signed, diatonic steps from the middle line
//   offset 21     flags            layout 1+1+1+1+1+3: bit 0 a slur ends here, bit 1 a slur
//                                  starts here, bit 2 a line item ends here, bit 3 a line item
//                                  starts here, bit 4 kept as it is; bits 5-7 the signed staff
//                                  offset (0: the rest's own staff)
//   offset 22     marks            rest marks (codes 38-43), at most seven
//
// Stored: the base's bytes, byte 20 raw, byte 21 in stored bit order, then the marks.
#pragma once
#include <cstdint>

#include "notation/NoteBase.h"

class RestBehaviour : public RawHeadBehaviour {
public:
    static const RestBehaviour& Instance();

    void Draw(CScoreItem& item) const override;                                  // slot 4
    bool HitTest(CScoreItem& item, int x, int y) const override;                 // slot 15
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                // slot 16
    CDragTask* CreateDragTask(CScoreItem& item) const override;                  // slot 40
    // Records the rest's position and staff position in the running drag task.
    void BeginDrag(CScoreItem& item) const override;                             // slot 41
    void DragBy(CScoreItem& item, CDragTask* drag) const override;               // slot 42
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;              // slot 43
    void Nudge(CScoreItem& item, int dx, int dy) const override;                 // slot 45
    void PlaceAt(CBarItem& item, const ScoreLocation& location) const override;  // slot 80
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;       // slot 52
    void FromFileOrder(CScoreItem& item) const override;                         // slot 57
    void MarkRemoved(CBarItem& item) const override;                             // slot 86
    std::int16_t GetStaffPos(CBarItem& item, int head) const override;           // slot 91
    std::int16_t GetStartStaffOffset(CBarItem& item) const override;             // slot 95
    void SetStartStaffOffset(CBarItem& item, int staves) const override;
    bool ReachesOtherStaff(CBarItem& item) const override;                       // slot 134: IsCrossStaff
    CRawHead* SetSlurEnd(CRawHead& item, int on) const override;                 // 168
    CRawHead* SetSlurStart(CRawHead& item, int on) const override;               // 169
    CRawHead* SetLineEnd(CRawHead& item, int on) const override;                 // 170
    CRawHead* SetLineStart(CRawHead& item, int on) const override;               // 171
    bool HasSlurEnd(CRawHead& item) const override;                              // 172
    bool HasSlurStart(CRawHead& item) const override;                            // 173
    bool HasLineEnd(CRawHead& item) const override;                              // 174
    bool HasLineStart(CRawHead& item) const override;                            // 175
};

class CRest : public CRawHead {
public:
    enum : int { kStaffPos = 20, kRestFlags = 21, kMarks = 22 };
    enum : std::uint8_t { kSlurEnd = 0x01, kSlurStart = 0x02, kLineEnd = 0x04, kLineStart = 0x08, kOffsetShift = 5 };
    static constexpr int kType = 128;
    static constexpr int kSize = 22;
    // The music-font glyph, default staff position and dot offset of each note value.
    static constexpr std::uint8_t kGlyphs[9] = {96, 97, 98, 99, 100, 101, 102, 103, 104};
    static constexpr std::int8_t kDefaultStaffPos[9] = {0, 0, 0, 0, 1, -1, -1, -3, -4};
    static constexpr std::int8_t kDotOffset[9] = {1, 1, 1, 1, 0, 2, 4, 6, 9};

    // Builds a rest in place: the bar-item head and the class (code 128, size 22); the other
    // bytes are left as they are.
    static CRest* Construct(void* record);

    std::int8_t StaffPosField() const { return rec::Get<std::int8_t>(this, kStaffPos); }
    std::uint8_t RestFlags() const { return rec::Get<std::uint8_t>(this, kRestFlags); }
    void SetRestFlags(std::uint8_t v) { rec::Put(this, kRestFlags, v); }
    // The signed 3-bit staff offset (-4..3).
    int StaffOffsetField() const { return std::int8_t(RestFlags()) >> kOffsetShift; }

    // Byte 20 = the position.
    void SetStaffPos(int position) { rec::Put(this, kStaffPos, std::int8_t(position)); }
    // Bits 5-7 of byte 21 = the value's low three bits.
    void SetStartStaffOffset(int offset) {
        SetRestFlags(std::uint8_t((RestFlags() & 0x1F) | ((offset & 7) << kOffsetShift)));
    }
    bool IsCrossStaff() { return ReachesOtherStaff(); }
    // The note value as an index of the glyph tables (codes past the 128th count as one).
    int GlyphIndex() const { return NoteValue() > 8 ? 8 : NoteValue(); }
};
ZEL_RECORD_VIEW(CRest);
