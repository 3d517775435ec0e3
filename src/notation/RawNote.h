// The performance note (code 112) and the base of the notated note: one or more heads struck
// together, each with its own pitch, staff position, play start and play duration.
//
//   offset 16-19  the note-and-rest base
//   offset 20     stem             layout 1+7: bit 0 stem up; bits 1-7 a signed stem-length
//                                  adjustment in half staff steps
//   offset 21     note flags       layout 1+1+1+3+1+1: bit 0 kept; bit 1 stemless; bit 2 heads
//                                  forced one head width right; bits 3-5 beam levels the stem
//                                  reaches past; bit 6 a flag (GetFlag6); bit 7 the heads carry
//                                  fret numbers
//   offset 22     links            layout 1+1+1+1+4: bit 0 a slur ends here, bit 1 a slur
//                                  starts here, bit 2 a line item ends here, bit 3 a line item
//                                  starts here; bits 4-7 a field of older files
//   offset 23     head count       8-bit, not converted when stored
//   offset 24     heads            16 bytes each (NoteHead), head 0 first
//   then          marks            NoteMark records
//
// Stored: the base's bytes; 20, 21 and 22 in stored bit order, 23 raw; per head bytes 0-3 in
// stored bit order, 4-11 raw, the duration and start offset big-endian; then the marks.
#pragma once
#include <cstdint>

#include "notation/NoteBase.h"

class CRawNote;
class CScore;

// One head of a note (16 bytes inside the note's record):
//   0   layout 1+1+6: bit 0 invisible, bit 1 selected, bits 2-7 shape code
//   1   layout 1+1+1+1+2+1+1: bit 0 a glissando ends here, bit 1 one starts here, bit 2 a tie
//       ends here, bit 3 a tie starts here, bits 4-5 the signed head column (-2..1), bit 6
//       beyond the beam line, bit 7 in parentheses
//   2   layout 5+3: bits 0-4 kept; bits 5-7 the signed cross-staff offset
//   3   layout 2+1+1+1+3: bits 0-1 the signed dot offset; bit 2 accidental shown, bit 3
//       forced visible, bit 4 in parentheses; bits 5-7 the accidental code
//   4   accidental offset in 1/24 staff space     5   staff position (signed)
//   6   own scale percent    7 pitch    8 velocity    9 release    10 play voice (low half)
//   11  kept    12 play duration (16-bit unsigned)    14 play start offset (16-bit signed)
class NoteHead {
public:
    enum : int {
        kShapeByte = 0, kLinkByte = 1, kStaffByte = 2, kAccByte = 3, kAccOffset = 4, kPosition = 5,
        kScale = 6, kPitch = 7, kVelocity = 8, kRelease = 9, kPlayVoice = 10, kKept = 11,
        kDuration = 12, kStartOffset = 14, kSize = 16,
    };
    enum : std::uint8_t {
        kInvisible = 0x01, kSelected = 0x02, kShapeShift = 2,
        kGlissEnd = 0x01, kGlissStart = 0x02, kTieEnd = 0x04, kTieStart = 0x08, kColumnShift = 4,
        kBeyondBeam = 0x40, kParenthesized = 0x80,
        kOffsetShift = 5,
        kAccShown = 0x04, kAccForced = 0x08, kAccParens = 0x10, kAccShift = 5,
    };

    std::uint8_t* Bytes() { return reinterpret_cast<std::uint8_t*>(this); }
    const std::uint8_t* Bytes() const { return reinterpret_cast<const std::uint8_t*>(this); }
    std::uint8_t Byte(int i) const { return rec::Get<std::uint8_t>(this, std::size_t(i)); }
    void SetByte(int i, std::uint8_t v) { rec::Put(this, std::size_t(i), v); }
    void SetBits(int i, std::uint8_t bits, bool on) { SetByte(i, on ? std::uint8_t(Byte(i) | bits) : std::uint8_t(Byte(i) & ~bits)); }

    bool IsInvisible() const { return (Byte(kShapeByte) & kInvisible) != 0; }
    bool IsSelected() const { return (Byte(kShapeByte) & kSelected) != 0; }
    int Shape() const { return Byte(kShapeByte) >> kShapeShift; }
    void SetShape(int shape) { SetByte(kShapeByte, std::uint8_t((Byte(kShapeByte) & 0x03) | ((shape & 63) << kShapeShift))); }
    bool HasTieStart() const { return (Byte(kLinkByte) & kTieStart) != 0; }
    bool HasTieEnd() const { return (Byte(kLinkByte) & kTieEnd) != 0; }
    // The head column: 0 the normal side of the stem, 1 right of it, below 0 left of it.
    int Column() const { return std::int8_t(Byte(kLinkByte) << 2) >> 6; }
    void SetColumn(int c) { SetByte(kLinkByte, std::uint8_t((Byte(kLinkByte) & 0xCF) | ((c & 3) << kColumnShift))); }
    int CrossStaffOffset() const { return std::int8_t(Byte(kStaffByte)) >> kOffsetShift; }
    void SetCrossStaffOffset(int o) { SetByte(kStaffByte, std::uint8_t((Byte(kStaffByte) & 0x1F) | ((o & 7) << kOffsetShift))); }
    int DotOffset() const { return std::int8_t(Byte(kAccByte) << 6) >> 6; }
    void SetDotOffset(int o) { SetByte(kAccByte, std::uint8_t((Byte(kAccByte) & 0xFC) | (o & 3))); }
    int Accidental() const { return Byte(kAccByte) >> kAccShift; }
    void SetAccidental(int a) { SetByte(kAccByte, std::uint8_t((Byte(kAccByte) & 0x1F) | ((a & 7) << kAccShift))); }
    bool IsAccidentalShown() const { return (Byte(kAccByte) & kAccShown) != 0; }
    std::uint8_t AccidentalOffset() const { return Byte(kAccOffset); }
    void SetAccidentalOffset(std::uint8_t v) { SetByte(kAccOffset, v); }
    std::int8_t Position() const { return rec::Get<std::int8_t>(this, kPosition); }
    void SetPosition(int p) { rec::Put(this, kPosition, std::int8_t(p)); }
    std::uint8_t HeadScale() const { return Byte(kScale); }
    std::uint8_t Pitch() const { return Byte(kPitch); }
    void SetPitch(int p) { SetByte(kPitch, std::uint8_t(p)); }
    std::uint16_t Duration() const { return rec::Get<std::uint16_t>(this, kDuration); }
    void SetDuration(std::uint16_t v) { rec::Put(this, kDuration, v); }
    std::int16_t StartOffset() const { return rec::Get<std::int16_t>(this, kStartOffset); }
    void SetStartOffset(std::int16_t v) { rec::Put(this, kStartOffset, v); }
};
ZEL_RECORD_VIEW(NoteHead);

// What a drag of a note's head keeps from the press to the release: where the mouse was, the
// head hit, whether the head's end (its duration) or its start moves sideways, and the pitch
// that sounds. A drag that goes away while a pitch sounds stops it.
struct HeadDrag {
    POINT start{};           // the press
    POINT last{};            // the last event; its y the last vertical step's
    int head = -1;           // the head hit (-1: none)
    bool moveEnd = false;    // modes 1 and up: sideways moves change the duration
    CScore* score = nullptr; // the score and track whose voice sounds (none: nothing sounds)
    int track = -1;
    int voice = 0;
    int sounding = -1;       // the pitch sounding (-1: none)

    HeadDrag() = default;
    HeadDrag(const HeadDrag&) = delete;
    HeadDrag& operator=(const HeadDrag&) = delete;
    ~HeadDrag() { StopSound(); }
    // The pitch that sounds gets its note-off.
    void StopSound();
    void Sound(int pitch, int velocity);
};

// The operations the performance note adds (slots 176-178) and its overrides.
class RawNoteBehaviour : public RawHeadBehaviour {
public:
    static const RawNoteBehaviour& Instance();

    void Draw(CScoreItem& item) const override;                                   // slot 4
    void PlaceAt(CBarItem& item, const ScoreLocation& location) const override;   // slot 80
    void SelectPart(CScoreItem& item, int part) const override;                   // slot 7
    void DeselectPart(CScoreItem& item, int part) const override;                 // slot 9
    // Slots 41-43: a head drag (CRawNote::BeginHeadDrag, DragHeadBy, EndHeadDrag) from the
    // drag's press point, following its pointer, ended at its release.
    void BeginDrag(CScoreItem& item) const override;                              // slot 41
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                // slot 42
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;               // slot 43
    void Nudge(CScoreItem& item, int dx, int dy) const override;                  // slot 45
    bool HitTest(CScoreItem& item, int x, int y) const override;                  // slot 15
    RECT* GetPartBounds(CScoreItem& item, RECT* rect, int part) const override;   // slot 17
    bool IntersectsRect(CScoreItem& item, const RECT& rect) const override;       // slot 18
    int GetHeadCount(CScoreItem& item) const override;                            // slot 29
    int GetWantedSize(CScoreItem& item) const override;                           // slot 33
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;        // slot 52
    void FromFileOrder(CScoreItem& item) const override;                          // slot 57
    void AfterLoad(CScoreItem& item, int version) const override;                 // slot 58
    void Delete(CBarItem& item) const override;                                   // slot 85
    void MarkRemoved(CBarItem& item) const override;                              // slot 86
    int GetPlayStart(CBarItem& item, int head) const override;                    // slot 88
    int GetPlayEnd(CBarItem& item, int head) const override;                      // slot 89
    std::int16_t GetStaffPos(CBarItem& item, int head) const override;            // slot 91
    std::int16_t GetFirstHeadStaffPos(CBarItem& item) const override;             // slot 92
    void RespellSelected(CBarItem& item) const override;                          // slot 128
    void TransposeSelected(CBarItem& item, int amount, int mode) const override;  // slot 131
    void TransposeAll(CBarItem& item, int fromKey, int toKey, int clef, int semitones) const override;  // 132
    bool ReachesOtherStaff(CBarItem& item) const override;                        // slot 134: IsCrossStaff
    void DrawMark(CRawHead& item, int x, NoteMark* mark) const override;          // 153
    NoteMark* GetMark(CRawHead& item, int i) const override;                      // 154
    RECT* GetMarkRect(CRawHead& item, RECT* rect, int i) const override;          // 155
    int GetTopHeadPos(CRawHead& item) const override;                             // 157
    int GetBottomHeadPos(CRawHead& item) const override;                          // 158
    bool GetFlag6(CRawHead& item) const override;                                 // 162
    CRawHead* SetSlurEnd(CRawHead& item, int on) const override;                  // 168
    CRawHead* SetSlurStart(CRawHead& item, int on) const override;                // 169
    CRawHead* SetLineEnd(CRawHead& item, int on) const override;                  // 170
    CRawHead* SetLineStart(CRawHead& item, int on) const override;                // 171
    bool HasSlurEnd(CRawHead& item) const override;                               // 172
    bool HasSlurStart(CRawHead& item) const override;                             // 173
    bool HasLineEnd(CRawHead& item) const override;                               // 174
    bool HasLineStart(CRawHead& item) const override;                             // 175

    // --- slots 176-178 ---
    virtual void RemoveHead(CRawNote& note, int i) const;                         // 176
    // oldPitch: the head's pitch before a pitch change that came with the move (-1: none).
    virtual void MoveHead(CRawNote& note, int i, int delta, int oldPitch) const;  // 177
    virtual bool StepHeadPitch(CRawNote& note, int i, int clef, int key, bool up, bool chromatic) const;  // 178

};

class CRawNote : public CRawHead {
public:
    enum : int { kStem = 20, kNoteFlags = 21, kLinks = 22, kHeadCount = 23, kHeads = 24 };
    enum : std::uint8_t {
        kStemUp = 0x01,
        kStemless = 0x02, kShiftedRight = 0x04, kFlag6 = 0x40, kFretNumbers = 0x80,
        kSlurEnd = 0x01, kSlurStart = 0x02, kLineEnd = 0x04, kLineStart = 0x08,
    };
    static constexpr int kType = 112;
    static constexpr int kSize = 40;
    // Index that stands for every head.
    static constexpr int kAllHeads = -32767;

    static CRawNote* Construct(void* record);
    const RawNoteBehaviour& NoteBehaviour() const;

    // --- fields ---
    std::uint8_t StemByte() const { return rec::Get<std::uint8_t>(this, kStem); }
    void SetStemByte(std::uint8_t v) { rec::Put(this, kStem, v); }
    bool IsStemUp() const { return (StemByte() & kStemUp) != 0; }
    void SetStemUpBit(bool up) { SetStemByte(up ? std::uint8_t(StemByte() | kStemUp) : std::uint8_t(StemByte() & ~kStemUp)); }
    // The signed stem-length adjustment (-64..63).
    int StemAdjust() const { return std::int8_t(StemByte()) >> 1; }
    std::uint8_t NoteFlags() const { return rec::Get<std::uint8_t>(this, kNoteFlags); }
    void SetNoteFlags(std::uint8_t v) { rec::Put(this, kNoteFlags, v); }
    bool IsStemless() const { return (NoteFlags() & kStemless) != 0; }
    bool HasFretNumbers() const { return (NoteFlags() & kFretNumbers) != 0; }
    std::uint8_t Links() const { return rec::Get<std::uint8_t>(this, kLinks); }
    void SetLinks(std::uint8_t v) { rec::Put(this, kLinks, v); }
    int HeadCountField() const { return rec::Get<std::uint8_t>(this, kHeadCount); }
    void SetHeadCountField(int n) { rec::Put(this, kHeadCount, std::uint8_t(n)); }
    NoteHead* Head(int i) { return reinterpret_cast<NoteHead*>(Bytes() + kHeads + NoteHead::kSize * i); }
    const NoteHead* Head(int i) const { return reinterpret_cast<const NoteHead*>(Bytes() + kHeads + NoteHead::kSize * i); }

    // --- slots 176-178 and the chord layout ---
    void RemoveHead(int i) { NoteBehaviour().RemoveHead(*this, i); }
    void MoveHead(int i, int delta, int oldPitch = -1) { NoteBehaviour().MoveHead(*this, i, delta, oldPitch); }
    bool StepHeadPitch(int i, int clef, int key, bool up, bool chromatic) {
        return NoteBehaviour().StepHeadPitch(*this, i, clef, key, up, chromatic);
    }

    // --- heads ---
    // Duration of head i; kAllHeads: the integer mean over the heads.
    int GetHeadDuration(int i) const;
    // Head i (or any head for i = -1) has a tie that begins there (begins) or ends there.
    bool HasTie(bool begins, int i) const;
    bool HasTieEnd(int i) const { return HasTie(false, i); }
    // The staff position of a head entry (the slash position for a slash note).
    int GetEntryStaffPos(const NoteHead& head) const;
    int GetCrossStaffOffset(int i) const { return Head(i)->CrossStaffOffset(); }
    void SetCrossStaffOffset(int i, int offset) { Head(i)->SetCrossStaffOffset(offset); }
    // Every head takes the value's low three bits as its cross-staff offset.
    void SetStartStaffOffset(int offset);
    void SetHeadPosition(int i, int position) { Head(i)->SetPosition(position); }
    void SetStaffPos(int position) { Head(0)->SetPosition(position); }
    bool IsCrossStaff() { return ReachesOtherStaff(); }

    // --- spelling, accidentals, shapes, staff moves ---
    // The head's accidental and staff position from its pitch under the clef and key.
    static void SpellHead(NoteHead& head, int clef, int key);
    // The accidental code given, and the pitch from the head's staff position: the key's pitch
    // without an accidental, else the natural pitch of the position moved by the accidental.
    static void SetHeadFromPosition(NoteHead& head, int accidental, int clef, int key);
    // The user's accidental for head i, with the clef and key in force at the note's column;
    // accidental < 0 removes it.
    void SetHeadAccidental(int i, int accidental, bool parenthesized);
    // The same with the clef and key given (and no recalculation of the bar afterwards).
    void ApplyHeadAccidental(int i, int accidental, bool parenthesized, int clef, int key);
    // The clef and key in force at the note's column on the staff of head i (its own track's,
    // or the one its cross-staff offset reaches); false when that track does not exist.
    bool GetClefAndKeyOfHead(int i, int* clef, int* key) const;
    // Moves head i delta staves (the resulting offset must lie in -2..2).
    void MoveHeadToStaff(int i, int delta);
    void SetHeadShape(int i, int shape);
    // Room needed left of the heads, in pixels of the current staff.
    int GetAccidentalExtent(bool withAccidentals);
    // The same in staff units (1/24 space x 5 per unit of the accidental offset).
    int AccidentalExtentUnits(bool withAccidentals);

    // --- attach points ---
    // The staff position where a curve over (above) or under the note meets it: at the stem's
    // end (the beam's height for a beamed note), or with atHeads at the outer head on the stem
    // side.
    int GetAttachY(bool above, bool atHeads);
    // The slurs and line items that start or end at the note and the ends of its beam at its
    // column go to the staff `offset` from its own, their staff positions moved by shift.
    void MoveAttachedToStaff(int offset, int shift);

    // --- stems and ties ---
    // mode 1 up, 2 down, 3 from the voice's setting, else automatic; propagate re-sides the
    // ties and marks the attached items when the direction changed.
    void UpdateStem(int mode, bool propagate);
    // The automatic direction: true for up.
    bool AutoStemUp(bool percussionStaff);
    // Stem length in half staff steps.
    std::int16_t GetStemLength();
    void SetStemLength(int adjust) { SetStemByte(std::uint8_t((StemByte() & kStemUp) | ((adjust & 0x7F) << 1))); }
    bool IsTieAbove(int position, int voiceStem);
    void PlaceTies(int track);
    bool IsShiftedRight() const;

    // --- head drags ---
    // The press at a point on the head the hit test found (the hit record's part): the head
    // sounds when sounding during edits is on; in display modes 1 and up a press right of the
    // head's centre drags its end, else its start.
    void BeginHeadDrag(HeadDrag& drag, POINT point);
    // The mouse at a point: a fret number steps (with the fret-drag option), the start or end
    // moves a tick per event sideways (modes 1 and up), and every half line spacing up or down
    // the pitch steps, the new pitch sounding in place of the old.
    void DragHeadBy(HeadDrag& drag, POINT point);
    // The release (or a cancel): the sound stops and, in modes 1 and up, the bar is redrawn.
    void EndHeadDrag(HeadDrag& drag);
    // A fret number's step: head i's fret code and the pitch it plays move together by d (+1 or
    // -1), the code within 32-57 and the pitch within 0-127; false when it would leave them.
    bool StepFret(int i, int d);

    // --- display ---
    // The head's accidental left of x, at the head's y (moved left by its accidental offset).
    void DrawHeadAccidental(int x, int y, const NoteHead& head);
    // The heads and their accidentals under the point: fills the hit record (head index; tool
    // 903, or 921 for an accidental).
    bool HitTestHeads(int x, int y);
};
ZEL_RECORD_VIEW(CRawNote);

// The shape a note gives a tie that begins on one of its heads: side, curve height and the
// offsets of the two ends, in units of which one head width is 120.
struct TieShape {
    bool above = false;
    std::int16_t height = 0;
    std::int16_t startX = 0, startY = 0, endX = 0, endY = 0;
};
// The shape of the tie from head i of the note, curving to the side given, to head endHead of
// endNote (null when the tied-to note is not known).
TieShape ShapeTie(CRawNote& note, int i, bool above, CRawNote* endNote, int endHead);
