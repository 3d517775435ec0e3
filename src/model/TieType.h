// The two-ended items' one record layout: the fields every item that runs from one point of the
// score to another shares (ties, slurs, tuplets, glissandi, bends, barres, pedal lines, groups),
// and the fields the tie, the slur and the tuplet append. Every reader of these records uses
// these views; the items' behaviour (geometry, drawing, hits, drags) is their classes' own.
//
//   offset 16  end flags      bit 0 above, bit 1 dotted, bits 2-4 start staff offset, bits 5-7
//                             end staff offset (signed 3-bit values, -4..3)
//   offset 17  pitch byte     bit 0 fixed position, bits 1-7 the pitch of the head at the start
//   offset 18  start y, 20 end y (staff positions), 22 end bar offset, 24 end position (1/1024)
//   offset 26  start dx, 28 start dy, 30 end dx, 32 end dy (coordinates)
//
// Stored after the bar-item head: byte 16 with its one-bit fields mirrored (above in file bit 7,
// dotted in 6, the start offset in 5-3, the end offset in 2-0), byte 17 as the fixed flag in the
// top bit and the pitch in the low seven, the four words big-endian, the four coordinates
// divided by 5 (toward zero) and big-endian.
#pragma once
#include <cstdint>
#include <string>

#include "model/BarItem.h"
#include "platform/FontRef.h"

class HandleBuffer;

class CTieType : public CBarItem {
public:
    enum : int {
        kEndFlags = 16,
        kPitchByte = 17,
        kStartY = 18,
        kEndY = 20,
        kEndBarOffset = 22,
        kEndPosition = 24,
        kStartDx = 26,
        kStartDy = 28,
        kEndDx = 30,
        kEndDy = 32,
        kFieldsEnd = 34,
    };
    enum : std::uint8_t { kAboveBit = 0x01, kDottedBit = 0x02, kFixedBit = 0x01 };
    // The type codes of the two-ended items.
    enum : int {
        kGlissType = 21,
        kSlurType = 27,
        kTieType = 30,
        kTupletType = 31,
        kBendType = 33,
        kBarreType = 34,
        kPedalType = 35,
        kGroupType = 36,
    };
    static bool IsTwoEndedCode(int code) {
        return code == kGlissType || code == kSlurType || code == kTieType || code == kTupletType ||
               (code >= kBendType && code <= kGroupType);
    }

    // The view of a bar item's record as a two-ended item (the caller knows its kind).
    static CTieType* Of(CBarItem* item) { return static_cast<CTieType*>(item); }
    static const CTieType* Of(const CBarItem* item) { return static_cast<const CTieType*>(item); }
    // Whether the record holds the common fields up to the end position (older or hand-made
    // records may stop early).
    bool HoldsEnds() const { return Holds(kEndPosition, 2); }

    // Whether the record reaches past the field at `at` of `width` bytes (records written by
    // older code or by hand may stop early; a field they lack reads 0 and takes no writes).

    std::uint8_t EndFlags() const { return Holds(kEndFlags, 1) ? rec::Get<std::uint8_t>(this, kEndFlags) : 0; }
    void SetEndFlags(std::uint8_t v) {
        if (Holds(kEndFlags, 1)) rec::Put(this, kEndFlags, v);
    }
    bool AboveBit() const { return (EndFlags() & kAboveBit) != 0; }
    void SetAboveBit(bool on) { SetEndFlags(std::uint8_t(on ? EndFlags() | kAboveBit : EndFlags() & ~kAboveBit)); }
    bool IsDotted() const { return (EndFlags() & kDottedBit) != 0; }
    void SetDotted(bool on) { SetEndFlags(std::uint8_t(on ? EndFlags() | kDottedBit : EndFlags() & ~kDottedBit)); }
    int StartStaffOffset() const { return Signed3(EndFlags() >> 2); }
    int EndStaffOffset() const { return Signed3(EndFlags() >> 5); }
    void SetStartStaffOffset(int v) { SetEndFlags(std::uint8_t((EndFlags() & ~0x1C) | (v & 7) << 2)); }
    void SetEndStaffOffset(int v) { SetEndFlags(std::uint8_t((EndFlags() & ~0xE0) | (v & 7) << 5)); }
    bool SpansStaves() const { return StartStaffOffset() != 0 || EndStaffOffset() != 0; }

    std::uint8_t PitchByte() const { return Holds(kPitchByte, 1) ? rec::Get<std::uint8_t>(this, kPitchByte) : 0; }
    bool HasFixedPosition() const { return (PitchByte() & kFixedBit) != 0; }
    void SetFixedPosition(bool on) {
        if (Holds(kPitchByte, 1)) rec::Put(this, kPitchByte, std::uint8_t((PitchByte() & ~kFixedBit) | (on ? kFixedBit : 0)));
    }
    int Pitch() const { return PitchByte() >> 1; }
    // The pitch into bits 1-7, the fixed flag kept.
    void SetPitch(int pitch) {
        if (Holds(kPitchByte, 1)) rec::Put(this, kPitchByte, std::uint8_t((PitchByte() & kFixedBit) | (pitch & 0x7F) << 1));
    }

    std::int16_t StartY() const { return Word(kStartY); }
    void SetStartY(int v) { PutWord(kStartY, v); }
    std::int16_t EndY() const { return Word(kEndY); }
    void SetEndY(int v) { PutWord(kEndY, v); }
    std::int16_t EndBarOffset() const { return Word(kEndBarOffset); }
    void SetEndBarOffset(int v) { PutWord(kEndBarOffset, v); }
    std::int16_t EndPositionField() const { return Word(kEndPosition); }
    void SetEndPositionField(int v) { PutWord(kEndPosition, v); }
    std::int16_t StartDx() const { return Word(kStartDx); }
    void SetStartDx(int v) { PutWord(kStartDx, v); }
    std::int16_t StartDy() const { return Word(kStartDy); }
    void SetStartDy(int v) { PutWord(kStartDy, v); }
    std::int16_t EndDx() const { return Word(kEndDx); }
    void SetEndDx(int v) { PutWord(kEndDx, v); }
    std::int16_t EndDy() const { return Word(kEndDy); }
    void SetEndDy(int v) { PutWord(kEndDy, v); }

    // A 16-bit field of the record (0 when the record stops before it), and its store.

    // True when no live note of the item's voice in the current bar of a track lies from its
    // start position to its end position (the end bar offset is not looked at); with `remove`
    // such an item is then marked removed.
    bool RemoveIfNoNotes(bool remove);

    // Byte 16 and byte 17 between memory and file order.
    static std::uint8_t EndFlagsToFile(std::uint8_t v) {
        return std::uint8_t((v & 1) << 7 | (v & 2) << 5 | (v & 0x1C) << 1 | (v & 0xE0) >> 5);
    }
    static std::uint8_t EndFlagsFromFile(std::uint8_t f) {
        return std::uint8_t((f >> 7) & 1 | (f >> 5) & 2 | (f >> 1) & 0x1C | (f & 7) << 5);
    }
    static std::uint8_t PitchByteToFile(std::uint8_t v) { return std::uint8_t((v & 1) << 7 | v >> 1); }
    static std::uint8_t PitchByteFromFile(std::uint8_t f) { return std::uint8_t(f >> 7 | (f & 0x7F) << 1); }

    // Bytes 16-33 of a record as they lie in the file (after the bar-item head) into memory
    // order, and back; each converts in place and touches no byte the record lacks.
    void FieldsFromFileOrder();
    void FieldsToFileOrder();
    // A coordinate field (the words at `at`) between file order (big-endian, divided by 5) and
    // memory; for the subclasses' own coordinates.
    void CoordFromFileOrder(int at);
    void CoordToFileOrder(int at);
    void WordFromFileOrder(int at);
    void WordToFileOrder(int at);

private:
    static int Signed3(int v) { return (v & 4) ? (v & 7) - 8 : (v & 7); }
};
ZEL_RECORD_VIEW(CTieType);

// The tie (type 30, 36 bytes): the curve height at 34 (a coordinate; positive bows upwards).
class CTie : public CTieType {
public:
    enum : int { kType = kTieType, kSize = 36, kHeight = 34 };
    std::int16_t Height() const { return Word(kHeight); }
    void SetHeight(int v) { PutWord(kHeight, v); }
    // The tie's side: its height's sign (0 counts as above).
    bool IsAbove() const { return Height() >= 0; }
    // Turns the height to the side given when its sign disagrees, then sets the above flag.
    void SetAbove(bool above) {
        if ((above && Height() < 0) || (!above && Height() > 0)) SetHeight(-Height());
        SetAboveBit(above);
    }

    // Fills a new tie record (its buffer at least kSize bytes) from the head it starts at: the
    // head's cross-staff offset for both ends, the note's time and position, the end position,
    // the head's staff position for both ends, the voice, whether the end lies in the next bar,
    // the side and whether the note is short (a value code above 4).
    static CTie* Init(void* buffer, int staffOffset, int time, int position, int endPosition, int staffPos, int voice,
                      bool endInNextBar, bool above, bool isShort);
    // The ties of a note's visible heads (only the selected ones when asked, which then lose
    // their selection) appended to `out`; false when an append ran out of memory.
    static bool BuildForNote(CBarItem* note, int endTime, int endPosition, int voiceCount, HandleBuffer* out,
                             bool selectedOnly);
};
ZEL_RECORD_VIEW(CTie);

// The slur (type 27, 82 bytes): two inner control points (x in 1/1024 of the span, y as
// coordinates from end 0), an end time adjustment, a percentage, four reserved bytes and the
// 32-byte playback setting.
class CSlur : public CTieType {
public:
    enum : int {
        kType = kSlurType,
        kSize = 82,
        kControl1X = 34,
        kControl2X = 36,
        kControl1Y = 38,
        kControl2Y = 40,
        kEndTimeAdjust = 42,
        kPercent = 44,
        kReserved = 46,
        kPlayback = 50,
        kPlaybackSize = 32,
        // The record of files before the playback setting.
        kOldSize = 50,
    };
};
ZEL_RECORD_VIEW(CSlur);

// What a tuplet is made from (what the tuplet operation gives): filled from the notes by
// FitToNotes, apart from the two numbers, which the caller gives.
struct TupletMake {
    int startY = 0;
    int endY = 0;
    int startStaffOffset = 0;
    int endStaffOffset = 0;
    int length = 0;
    int side = 0;
    int startTime = 0;
    int startTimeWithOffset = 0;
    int endTime = 0;
    int voice = 0;
    int number = 0;        // the notes played
    int secondNumber = 0;  // the notes of that value their time equals
    int noteValue = 7;     // the largest value code not longer than the mean
};

// The tuplet (type 31, 44 bytes): shape flags at 34 (bit 0 bracket, 1 curved, 2 the number on a
// cleared box, 3 ratio, bit 4 kept), a reserved byte, the hook (a coordinate; its sign the side),
// the two numbers, and the number's offsets (coordinates).
class CTuplet : public CTieType {
public:
    enum : int {
        kType = kTupletType,
        kSize = 44,
        kShape = 34,
        kReserved = 35,
        kHook = 36,
        kNumber = 38,
        kSecondNumber = 39,
        kNumberDx = 40,
        kNumberDy = 42,
    };
    enum : std::uint8_t { kBracketBit = 0x01, kCurvedBit = 0x02, kClearBit = 0x04, kRatioBit = 0x08, kKeptBit = 0x10 };
    std::uint8_t Shape() const { return Byte(kShape); }
    void SetShape(std::uint8_t v) { PutByte(kShape, v); }
    std::int16_t Hook() const { return Word(kHook); }
    void SetHook(int v) { PutWord(kHook, v); }
    int Number() const { return Byte(kNumber); }
    int SecondNumber() const { return Byte(kSecondNumber); }
    void SetNumbers(int number, int second) {
        PutByte(kNumber, std::uint8_t(number));
        PutByte(kSecondNumber, std::uint8_t(second));
    }
    std::int16_t NumberDx() const { return Word(kNumberDx); }
    void SetNumberDx(int v) { PutWord(kNumberDx, v); }
    std::int16_t NumberDy() const { return Word(kNumberDy); }
    void SetNumberDy(int v) { PutWord(kNumberDy, v); }

    // Fills a new tuplet record (its buffer at least kSize bytes): `flags` bit 0 the ratio form;
    // the hook; the kind (0 no line, 1 curved, 2 curved with a cleared number, 3 bracket, 4
    // bracket with a cleared number); the two numbers; voice, time, position; start y and start
    // staff offset; end position and end y; end staff offset.
    static CTuplet* Init(void* buffer, int flags, int hook, int kind, int number, int second, int voice, int time,
                         int position, int startY, int startStaffOffset, int endPosition, int endY,
                         int endStaffOffset);
    // Derives what a tuplet is made from, from its notes and rests (null entries passed over) and
    // marks each as a member (the in-tuplet bit and its two numbers); the
    // numbers are the caller's. Nothing is filled for no entries.
    static void FitToNotes(CBarItem* const* notes, int count, TupletMake& make);

    // The bracket rides on a beam that moved on its side: its end heights (staff positions) move
    // by the change of the beam's end staff positions, its curve words by that of the beam's end
    // fine offsets (coordinates); each pair is start, end.
    void FollowBeam(const int positionChange[2], const int fineChange[2]);
    // The beam it lay against went to the other side: each end height keeps its distance from
    // the beam's end but on the other side of the beam's new end (new + (old - height)), the
    // curve words are negated and shifted by the fine offsets' change, and the side (the hook)
    // and the number's vertical offset are negated.
    void MirrorWithBeam(const int oldPositions[2], const int newPositions[2], const int fineChange[2]);
};
ZEL_RECORD_VIEW(CTuplet);

// The bend (type 33): the guitar bend mark, and the record that groups, barres and pedal lines
// share. A fixed part of 76 bytes, then 10-byte points:
//   34 kind (0-13)             35 end label (signed, quarters of a bend, -12..12, 0 none)
//   36 point count (word)      38 reserved word
//   40 end label dx, 42 end label dy (coordinates, staff offset units)
//   44 playback setting (32 bytes: 24 raw, four words at 68)
//   76 + 10 i  point i: 0 a byte of three fields (2+3+3 bits, mirrored on file), 1 its label
//              (signed), 2 its position (1/1024 of a bar from the start), 4 its vertical
//              offset, 6 and 8 its label's offsets (coordinates)
// Files before the playback setting hold no bytes 44-75; their points follow at 44.
class CBend : public CTieType {
public:
    enum : int {
        kType = kBendType,
        kSize = 76,
        kKind = 34,
        kEndLabel = 35,
        kPointCount = 36,
        kReservedWord = 38,
        kEndLabelDx = 40,
        kEndLabelDy = 42,
        kPlayback = 44,
        kPlaybackSize = 32,
        kPlaybackWords = 68,
        kPoints = 76,
        kPointSize = 10,
        // A file's record before the playback setting: its points follow at 44.
        kOldFixedSize = 44,
        // The playback setting's two bytes that a bend's time offset replaces, and what files
        // before their time gave them.
        kPlaybackOffsetBytes = 44 + 11,
        kOldOffsetValue = -10,
    };
    // The document commands of the items' edit dialogs.
    enum : int { kEditBendCommand = 4102, kEditBarreCommand = 4101, kEditGroupCommand = 4111, kEditGlissCommand = 4130 };
    // A point's fields (offsets within its 10 bytes).
    enum : int { kPointBits = 0, kPointLabel = 1, kPointPosition = 2, kPointDy = 4, kPointLabelDx = 6, kPointLabelDy = 8 };
    // The label amounts (quarters of a full bend) and the creation offsets.
    enum : int { kMaxLabel = 12, kDefaultOffset = -360, kDefaultLabelDx = 45, kDefaultLabelDy = -45 };

    int Kind() const { return Byte(kKind); }
    void SetKind(int kind) { PutByte(kKind, std::uint8_t(kind)); }
    int EndLabel() const { return std::int8_t(Byte(kEndLabel)); }
    void SetEndLabel(int v) { PutByte(kEndLabel, std::uint8_t(std::int8_t(v))); }
    // The stored point count, held to the points the record holds (a damaged or hand-made count
    // never walks past the record).
    int PointCount() const {
        const int stored = std::uint16_t(Word(kPointCount));
        const int room = RecordSizeField() >= kPoints ? (RecordSizeField() - kPoints) / kPointSize : 0;
        return stored < room ? stored : room;
    }
    void SetPointCount(int n) { PutWord(kPointCount, n); }
    std::int16_t EndLabelDx() const { return Word(kEndLabelDx); }
    void SetEndLabelDx(int v) { PutWord(kEndLabelDx, v); }
    std::int16_t EndLabelDy() const { return Word(kEndLabelDy); }
    void SetEndLabelDy(int v) { PutWord(kEndLabelDy, v); }

    // Point i's offset in the record (callers keep 0 <= i < PointCount()).
    static int PointAt(int i) { return kPoints + kPointSize * i; }
    int PointLabel(int i) const { return std::int8_t(Byte(PointAt(i) + kPointLabel)); }
    void SetPointLabel(int i, int v) { PutByte(PointAt(i) + kPointLabel, std::uint8_t(std::int8_t(v))); }
    int GetPointValue(int i) const { return Word(PointAt(i) + kPointPosition); }
    void SetPointValue(int i, int v) { PutWord(PointAt(i) + kPointPosition, v); }
    int PointDy(int i) const { return Word(PointAt(i) + kPointDy); }
    void SetPointDy(int i, int v) { PutWord(PointAt(i) + kPointDy, v); }
    int PointLabelDx(int i) const { return Word(PointAt(i) + kPointLabelDx); }
    int PointLabelDy(int i) const { return Word(PointAt(i) + kPointLabelDy); }
    void SetPointLabelOffsets(int i, int dx, int dy) {
        PutWord(PointAt(i) + kPointLabelDx, dx);
        PutWord(PointAt(i) + kPointLabelDy, dy);
    }
    // The span in 1/1024 of a bar: end position - start position + 1024 per bar spanned.
    int Span() const { return EndPositionField() - PositionField() + 1024 * EndBarOffset(); }
    // The playback setting out (true) and in; both need the whole fixed part.
    bool GetPlayback(std::uint8_t out[kPlaybackSize]) const;
    void SetPlayback(const std::uint8_t in[kPlaybackSize]);
    // The size the record asks for: the fixed part and its points.
    int WantedSize() const { return kPoints + kPointSize * PointCount(); }

    // A point's byte 0 between memory and file order (fields 2+3+3 bits reversed).
    static std::uint8_t PointBitsToFile(std::uint8_t v) { return std::uint8_t((v & 3) << 6 | (v & 0x1C) << 1 | (v & 0xE0) >> 5); }
    static std::uint8_t PointBitsFromFile(std::uint8_t f) { return std::uint8_t((f >> 6) & 3 | (f >> 1) & 0x1C | (f & 7) << 5); }
    // The bend's own fields (34-75 and the points) in place; the count is read before the walk
    // from file order and converted after it into file order. `fixed` is where the points
    // start (kOldFixedSize for a record of an older file, which holds no playback setting).
    void OwnFieldsFromFileOrder(int fixed = kPoints);
    void OwnFieldsToFileOrder();
    // Appends a point (the record at `buffer` must have 10 more bytes of room): position and
    // vertical offset given, label 0, label offsets (45, -45).
    void AppendPoint(int position, int dy);
};
ZEL_RECORD_VIEW(CBend);

// The group (type 36, 76 bytes, the bend's record without points): kind 0 a glyph pair, 1 a
// single glyph, 2 a vertical bracket, 3 a horizontal bracket (others a single glyph 251); the
// size byte (signed) the glyph size in points, or for kind 2 the length added to end 1's y.
class CGroup : public CBend {
public:
    enum : int { kType = kGroupType, kSize = 76, kGroupSize = 35, kMinSize = 6, kMaxSize = 99, kToolSize = 24 };
    enum : int { kGlyphPair = 0, kSingleGlyph = 1, kVerticalBracket = 2, kHorizontalBracket = 3 };
    int GroupSize() const { return std::int8_t(Byte(kGroupSize)); }
    void SetGroupSize(int v) { PutByte(kGroupSize, std::uint8_t(std::int8_t(v))); }
    // The group's point count: its points are its two ends, whatever the bend's count word says.
    static constexpr int PointCount() { return 2; }
};
ZEL_RECORD_VIEW(CGroup);

// The barre (type 34, 78 bytes): the bend's fixed part (kind 0 "at fret", 1 "continue until";
// byte 35 the fraction 0-5), then the fret byte (bits 3-7 the fret 1-31, bits 0-1 a field kept,
// bit 2 not stored; on file the fret in bits 0-4, the field in 5-6) and the flags byte (bit 0
// end hook, 1 label shown, 2-4 line style, 5-7 prefix letter; on file bit 0 in 7, 1 in 6, 2-4
// in 3-5, 5-7 in 0-2).
class CBarre : public CBend {
public:
    enum : int { kType = kBarreType, kSize = 78, kFraction = 35, kFret = 76, kFlags = 77, kMaxFret = 31 };
    enum : std::uint8_t { kHookBit = 0x01, kLabelBit = 0x02 };
    int Fraction() const { return std::int8_t(Byte(kFraction)); }
    void SetFraction(int v) { PutByte(kFraction, std::uint8_t(v)); }
    int Fret() const { return Byte(kFret) >> 3; }
    void SetFret(int v) { PutByte(kFret, std::uint8_t((Byte(kFret) & 0x07) | (v & 0x1F) << 3)); }
    std::uint8_t Flags() const { return Byte(kFlags); }
    void SetFlags(std::uint8_t v) { PutByte(kFlags, v); }
    bool HasHook() const { return (Flags() & kHookBit) != 0; }
    void SetHook(bool on) { SetFlags(std::uint8_t(on ? Flags() | kHookBit : Flags() & ~kHookBit)); }
    bool ShowsLabel() const { return (Flags() & kLabelBit) != 0; }
    void SetShowsLabel(bool on) { SetFlags(std::uint8_t(on ? Flags() | kLabelBit : Flags() & ~kLabelBit)); }
    int LineStyle() const { return (Flags() >> 2) & 7; }
    void SetLineStyle(int v) { SetFlags(std::uint8_t((Flags() & ~0x1C) | (v & 7) << 2)); }
    int Prefix() const { return Flags() >> 5; }
    void SetPrefix(int v) { SetFlags(std::uint8_t((Flags() & 0x1F) | (v & 7) << 5)); }

    static std::uint8_t FretToFile(std::uint8_t v) { return std::uint8_t(v >> 3 | (v & 3) << 5); }
    static std::uint8_t FretFromFile(std::uint8_t f) { return std::uint8_t((f & 0x1F) << 3 | (f >> 5) & 3); }
    static std::uint8_t FlagsToFile(std::uint8_t v) { return std::uint8_t((v & 1) << 7 | (v & 2) << 5 | (v & 0x1C) << 1 | v >> 5); }
    static std::uint8_t FlagsFromFile(std::uint8_t f) { return std::uint8_t(f >> 7 | (f >> 5) & 2 | (f >> 1) & 0x1C | (f & 7) << 5); }
    // The fret in Roman numerals ("X" per ten, then IX, IV, V and I's) into `out`.
    static void RomanFret(int fret, char out[16]);
};
ZEL_RECORD_VIEW(CBarre);

// The pedal line (type 35): the bend's record; kind 0 a bracket, 1 a line with a change notch per
// point (the points' positions; their vertical offsets stay 0).
class CPedal : public CBend {
public:
    enum : int { kType = kPedalType, kBracket = 0, kNotched = 1 };
    // For 1 <= i <= the count, removes point i - 1 (the later ones move down) and lowers the
    // count, leaving the bytes to the next compaction (the wanted size); any other i marks the
    // whole pedal removed.
    void RemovePoint(int i);
};
ZEL_RECORD_VIEW(CPedal);

// The glissando (type 21, 86 bytes): bit 1 of byte 16 the wavy-glyph form, bit 0 of byte 17 the
// text shown; 34 play kind (0 diatonic, 1 chromatic, 2 diatonic without the key, 3 harp), 35 the
// wave size (0 no line), 36-43 reserved, 44 and 46 the text's offsets (coordinates), 48 the text
// (31 characters and a zero), 80 its font. Files before 0x400 hold only the common fields.
class CGlissando : public CTieType {
public:
    enum : int {
        kType = kGlissType,
        kSize = 86,
        kOldSize = 34,
        kPlayKind = 34,
        kWaveSize = 35,
        kReserved = 36,
        kTextDx = 44,
        kTextDy = 46,
        kText = 48,
        kTextSize = 32,
        kFont = 80,
        kOldWaveSize = 8,
        kDefaultFontSize = 9,
    };
    static constexpr const char* kDefaultText = "gliss.";
    bool Whole() const { return RecordSizeField() >= kSize; }
    bool IsWavy() const { return IsDotted(); }
    void SetWavy(bool on) { SetDotted(on); }
    bool ShowsText() const { return HasFixedPosition(); }
    void SetShowsText(bool on) { SetFixedPosition(on); }
    int PlayKind() const { return Byte(kPlayKind); }
    int WaveSize() const { return Byte(kWaveSize); }
    void SetWaveSize(int v) { PutByte(kWaveSize, std::uint8_t(v)); }
    std::int16_t TextDx() const { return Word(kTextDx); }
    std::int16_t TextDy() const { return Word(kTextDy); }
    void SetTextOffsets(int dx, int dy) {
        PutWord(kTextDx, dx);
        PutWord(kTextDy, dy);
    }
    // The text, always ended within its 32 bytes (empty for a short record).
    std::string GetText() const;
    // Copies at most 31 characters and ends them.
    void SetText(const char* text);
    FontRef GetFont() const;
    void SetFont(const FontRef& font);
};
ZEL_RECORD_VIEW(CGlissando);
