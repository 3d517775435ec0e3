// The free drawings anchored to the music, the harp pedal marking and the picture placeholder:
// their one record layout each. Their behaviours (drawing, hits, drags, placement) are the
// notation classes' (notation/Graphic.h).
//
// The graphic (types 64-70, one per shape; 72 bytes, 74 the rounded rectangle, 80 the curve):
//   16 shape kind (0 rectangle, 1 rounded rectangle, 2 oval, 3 line, 4 curve, 5 wedge)
//   17 shape flags (bit 0 filled, 1 arrow at the start, 2 arrow at the end, 3 free end, 4
//      reversed, 5 kept)                18 line style       20 line width (1/20)
//   22 start dx, 24 start dy (coordinates)
//   26 end bar distance, 28 end position (1/1024), 30 end dx, 32 end dy (coordinates)
//   34 end staff (tracks below the own)  36 four reserved bytes
//   40 playback setting (24 raw bytes, four words at 64)
//   72 the shape's data: the rounded rectangle's corner radius; the curve's two control x
//      fractions (1/1024 of the span) and two control y offsets (coordinates from the start's)
// Stored after the bar-item head: the kind, the flags mirrored as the head's flag byte, the
// style, the width as width x 4 / 20, the coordinates divided by 5, the words big-endian, the
// reserved bytes and the setting's raw part as they lie. Files before 0x400 hold no setting.
#pragma once
#include <cstdint>

#include "model/BarItem.h"

class CGraphic : public CBarItem {
public:
    enum : int {
        kBaseType = 64,
        kRectType = 65,
        kRoundRectType = 66,
        kOvalType = 67,
        kLineType = 68,
        kCurveType = 69,
        kWedgeType = 70,
        kSize = 72,
        kKind = 16,
        kFlags = 17,
        kLineStyle = 18,
        kLineWidth = 20,
        kStartDx = 22,
        kStartDy = 24,
        kEndBars = 26,
        kEndPosition = 28,
        kEndDx = 30,
        kEndDy = 32,
        kEndStaff = 34,
        kReserved = 36,
        kPlayback = 40,
        kPlaybackSize = 32,
        kPlaybackWords = 64,
        kShapeData = 72,
        kRadius = 72,
        kControlX = 72,
        kControlY = 76,
        kRoundRectSize = 74,
        kCurveSize = 80,
        // Bytes 40-71 of a file's record before the playback setting.
        kOldSize = 40,
    };
    enum : int { kRect = 0, kRoundRect = 1, kOval = 2, kLine = 3, kCurve = 4, kWedge = 5 };
    enum : std::uint8_t { kFilled = 0x01, kArrowStart = 0x02, kArrowEnd = 0x04, kFreeEnd = 0x08, kReversed = 0x10 };
    // The playback setting's bytes: the controller list and the mode, the 16-bit value.
    enum : int { kPlaybackMode = 0, kPlaybackControllers = 1, kPlaybackValue = 24 };

    static CGraphic* Of(CBarItem* item) { return static_cast<CGraphic*>(item); }
    // The type of a shape kind, and a record's size by its type (a type-64 record by its kind).
    static int TypeOfKind(int kind) { return kind >= 0 && kind <= 5 ? kRectType + kind : kBaseType; }
    static int SizeOfKind(int kind) { return kind == kRoundRect ? kRoundRectSize : kind == kCurve ? kCurveSize : kSize; }

    int Kind() const { return Byte(kKind); }
    void SetKind(int v) { PutByte(kKind, std::uint8_t(v)); }
    std::uint8_t Flags() const { return Byte(kFlags); }
    void SetFlags(std::uint8_t v) { PutByte(kFlags, v); }
    bool HasFlag(std::uint8_t bit) const { return (Flags() & bit) != 0; }
    void SetFlag(std::uint8_t bit, bool on) { SetFlags(std::uint8_t(on ? Flags() | bit : Flags() & ~bit)); }
    bool IsFilled() const { return HasFlag(kFilled); }
    int LineStyle() const { return Word(kLineStyle); }
    void SetLineStyle(int v) { PutWord(kLineStyle, v); }
    int LineWidth() const { return Word(kLineWidth); }
    void SetLineWidth(int v) { PutWord(kLineWidth, v); }
    int StartDx() const { return Word(kStartDx); }
    void SetStartDx(int v) { PutWord(kStartDx, v); }
    int StartDy() const { return Word(kStartDy); }
    void SetStartDy(int v) { PutWord(kStartDy, v); }
    int EndBars() const { return Word(kEndBars); }
    void SetEndBars(int v) { PutWord(kEndBars, v); }
    int EndPosition() const { return Word(kEndPosition); }
    void SetEndPosition(int v) { PutWord(kEndPosition, v); }
    int EndDx() const { return Word(kEndDx); }
    void SetEndDx(int v) { PutWord(kEndDx, v); }
    int EndDy() const { return Word(kEndDy); }
    void SetEndDy(int v) { PutWord(kEndDy, v); }
    int EndStaff() const { return Word(kEndStaff); }
    void SetEndStaff(int v) { PutWord(kEndStaff, v); }
    int Radius() const { return Kind() == kRoundRect ? Word(kRadius) : 0; }
    void SetRadius(int v) { PutWord(kRadius, v); }
    // A curve's control point i (0 or 1): its x fraction of the span and its y offset.
    int ControlX(int i) const { return Word(kControlX + 2 * i); }
    int ControlY(int i) const { return Word(kControlY + 2 * i); }
    void SetControl(int i, int fraction, int dy) {
        PutWord(kControlX + 2 * i, fraction);
        PutWord(kControlY + 2 * i, dy);
    }
    // The playback setting out (answers 2) and in.
    int GetPlayback(std::uint8_t out[kPlaybackSize]) const;
    void SetPlayback(const std::uint8_t in[kPlaybackSize]);
    // Byte i of the setting's controller list less one, or -1 for 0; the setting's value when it
    // is positive and its mode is 1, else -1.
    int GetPlaybackController(int i) const;
    int GetPlaybackValue() const;

    // The fields after the head between memory and file order, in place (the raw path), and
    // the width's file value.
    void FieldsToFileOrder();
    void FieldsFromFileOrder();
    static int WidthToFile(int width) { return width * 4 / 20; }
    static int WidthFromFile(int stored) { return stored * 20 / 4; }
};
ZEL_RECORD_VIEW(CGraphic);

// The harp pedal marking (type 38, 30 bytes): 16 x offset and 18 y offset (coordinates), 20 the
// style (0 diagram, 1 letters in a row, 2 in two rows, 3 the marked pedals' letters), 21 the
// pedals shown in style 3 (bit i pedal i), 22-28 the seven pedals' settings (-1 flat, 0
// natural, 1 sharp) in the order D C B E F G A, 29 reserved.
class CHarpPed : public CBarItem {
public:
    enum : int { kType = 38, kSize = 30, kXOffset = 16, kYOffset = 18, kStyle = 20, kShown = 21, kPedals = 22, kPedalCount = 7 };
    bool Whole() const { return RecordSizeField() >= kSize; }
    int XOffset() const { return Whole() ? rec::Get<std::int16_t>(this, kXOffset) : 0; }
    int YOffset() const { return Whole() ? rec::Get<std::int16_t>(this, kYOffset) : 0; }
    void SetXOffset(int v) {
        if (Whole()) rec::Put<std::int16_t>(this, kXOffset, std::int16_t(v));
    }
    void SetYOffset(int v) {
        if (Whole()) rec::Put<std::int16_t>(this, kYOffset, std::int16_t(v));
    }
    int Style() const { return Whole() ? rec::Get<std::uint8_t>(this, kStyle) : 0; }
    void SetStyle(int v) {
        if (Whole()) rec::Put<std::uint8_t>(this, kStyle, std::uint8_t(v));
    }
    std::uint8_t Shown() const { return Whole() ? rec::Get<std::uint8_t>(this, kShown) : 0; }
    void SetShown(std::uint8_t v) {
        if (Whole()) rec::Put<std::uint8_t>(this, kShown, v);
    }
    int Pedal(int i) const { return Whole() && i >= 0 && i < kPedalCount ? rec::Get<std::int8_t>(this, std::size_t(kPedals + i)) : 0; }
    void SetPedal(int i, int v) {
        if (Whole() && i >= 0 && i < kPedalCount) rec::Put<std::int8_t>(this, std::size_t(kPedals + i), std::int8_t(v));
    }
    // The pitch class pedal i gives: its natural pitch class moved by its setting.
    int GetPitchClass(int i) const;
    static constexpr int kNaturalClasses[kPedalCount] = {2, 0, 11, 4, 5, 7, 9};
    static constexpr char kLetters[kPedalCount + 1] = "DCBEFGA";
};
ZEL_RECORD_VIEW(CHarpPed);

// The picture placeholder (type 26, 22 bytes): 16 its vertical offset from the staff's top
// (offset units), 18 four reserved bytes. It has no content; the bar's reader drops it.
class CPict : public CBarItem {
public:
    enum : int { kType = 26, kSize = 22, kYOffset = 16 };
    int YOffset() const { return RecordSizeField() >= kYOffset + 2 ? rec::Get<std::int16_t>(this, kYOffset) : 0; }
    void SetYOffset(int v) {
        if (RecordSizeField() >= kYOffset + 2) rec::Put<std::int16_t>(this, kYOffset, std::int16_t(v));
    }
};
ZEL_RECORD_VIEW(CPict);
