// The marks of a bar of a track that shape playback: the dynamic (type 20), the hairpin (type
// 19) and the expression (type 37). One declaration of each record; every reader of these
// records uses these views. Their drawing, hits and drags are their classes' own
// (notation/PlaybackMarks.h).
//
// Dynamic (24 bytes):
//   16 vertical offset (coordinate)   18 flags: bit 0 all voices, bits 1-2 play kind, bit 3 erase
//   19 value 0-127                    background, bits 4-7 mark index
//   20 horizontal offset (coordinate) 22 controller  23 channel-switch voice (0 none, 1-8)
// Hairpin (94 bytes):
//   16 flags: bits 0-1 shape, 2 text form, 3 transient, 4 double, 5-6 play kind, 7 all voices
//   17 controller  18 centre line (coordinate)  20 upper, 22 lower half-opening (coordinates)
//   24 end bar (bars after the start bar)  26 end position (1/1024)  28 start offset,
//   30 end offset (coordinates)  32 seven curve points and a reserved byte  40 font reference
//   46 text (32 bytes)  78 start, 79 middle, 80 end mark (mark index + 1)  82 six coordinates
// Expression (42 bytes, plus its own text made even):
//   16 start offset, 18 baseline offset (coordinates)  20 end bar  22 end position
//   24 end offset, 26 end height (coordinates)  28 flags: bits 0-1 key-switch play mode,
//   2 legacy line flag, 3 own text, 4-7 kind  29 flags: bit 0 reserved, 1 printed, 2-4 line
//   style, 5-7 end hook  30 erase background  31 key-switch pitch  32 playback value (32-bit)
//   36 font reference  42 own text
//
// Stored after the bar-item head: flag bytes with their fields mirrored (first field in the
// top bits), words and the 32-bit value big-endian, coordinates divided by 5 (toward zero) and
// big-endian, font references as face and size words big-endian with style and a zero pad
// byte, everything else raw.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "model/BarItem.h"
#include "platform/FontRef.h"

class CTrack;

// One stored field of a record: where it is and how it is stored.
struct MarkField {
    enum Kind : std::uint8_t { Word, Coord, Long, Font, Flags };
    int at;
    Kind kind;
    int layout = 0;  // Flags: index into the layouts of PlaybackMarks.cpp
};

// Shared stored-form helpers of the three marks (and the jumpers).
namespace marks {
// The fields in place, memory to stored form, or back; fields past the record's size are left
// alone. ToFile(FromFile(x)) == x for every coordinate that is a multiple of 5.
void FieldsToFile(CBarItem* item, const MarkField* fields, int n);
void FieldsFromFile(CBarItem* item, const MarkField* fields, int n);
// Play kinds of older files: 0 volume, 1 velocity, 2 modulation, 3 expression. Returns the
// new play kind (0 velocity, 1 controller) and sets *controller.
int ConvertOldPlayKind(int old, int* controller);
// The volume controller of a voice on a track's device: none gives controller 7 and play kind
// velocity (0), else that controller and play kind controller (1).
int PlayKindForTrack(CTrack* track, int voice, int* controller);
// A text field of `size` bytes at `at`: ended at its first zero, the field's end or the
// record's end; written cut to the field with room for its terminator, the rest zeroed.
std::string_view TextIn(const CBarItem* item, int at, int size);
void PutTextIn(CBarItem* item, int at, int size, std::string_view text);
}  // namespace marks

// A dynamic mark's glyph and its extents above and below the baseline, in quarter staff
// spaces.
struct DynamicMark {
    std::uint8_t glyph;
    std::uint8_t above;
    std::uint8_t below;
};
inline constexpr int kDynamicMarkCount = 16;
extern const DynamicMark kDynamicMarks[kDynamicMarkCount];
// The string id of mark i's name.
inline constexpr int kDynamicNameString = 1800;

class CDynamic : public CBarItem {
public:
    static constexpr int kType = 20;
    static constexpr int kSize = 24;
    enum : int { kVerticalOffset = 16, kFlags = 18, kValue = 19, kHorizontalOffset = 20, kController = 22, kChannelVoice = 23 };
    enum : int { kVelocityKind = 0, kControllerKind = 1 };
    static const MarkField kFields[];
    static const int kFieldCount;

    static CDynamic* Of(CBarItem* item) { return static_cast<CDynamic*>(item); }

    std::uint8_t Flags() const { return Byte(kFlags); }
    bool IsAllVoices() const { return Flags() & 0x01; }
    void SetAllVoices(bool on) { SetBits(0, 1, on); }
    int GetPlayKind() const { return (Flags() >> 1) & 3; }
    void SetPlayKind(int kind) { SetBits(1, 2, kind); }
    bool ErasesBackground() const { return Flags() & 0x08; }
    void SetEraseBackground(bool on) { SetBits(3, 1, on); }
    int GetMark() const { return Flags() >> 4; }
    void SetMark(int mark) { SetBits(4, 4, mark); }

    int GetValue() const { return Byte(kValue); }
    void SetValue(int v) { PutByte(kValue, std::uint8_t(v)); }
    int GetController() const { return Byte(kController); }
    // A number outside 0-127 becomes 7.
    void SetController(int controller) { PutByte(kController, std::uint8_t(controller < 0 || controller > 127 ? 7 : controller)); }
    int GetChannelVoice() const { return Byte(kChannelVoice); }
    void SetChannelVoice(int voice) { PutByte(kChannelVoice, std::uint8_t(voice)); }
    std::int16_t GetVerticalOffset() const { return Word(kVerticalOffset); }
    void SetVerticalOffset(int v) { PutWord(kVerticalOffset, v); }
    std::int16_t GetHorizontalOffset() const { return Word(kHorizontalOffset); }
    void SetHorizontalOffset(int v) { PutWord(kHorizontalOffset, v); }

    // What playback sends: the controller with play kind controller, the velocity with play
    // kind velocity; -1 otherwise.
    int GetPlaybackController() const { return GetPlayKind() == kControllerKind ? GetController() : -1; }
    int GetPlaybackVelocity() const { return GetPlayKind() == kVelocityKind ? GetValue() : -1; }

    // A new dynamic of a mark: the preferences' velocity of the mark, vertical offset 480, all
    // voices, 10 ticks early, no-playback flag cleared; play kind and controller from the track.
    void InitMark(int mark, CTrack* track);
    // The play kind and controller for the item's voice on a track's device.
    void AttachToTrack(CTrack* track);
    // The play kind of older files, converted in place.
    void ConvertOldPlayKind();

private:
    void SetBits(int shift, int width, int v) {
        const int mask = ((1 << width) - 1) << shift;
        PutByte(kFlags, std::uint8_t((Flags() & ~mask) | ((v << shift) & mask)));
    }
};
ZEL_RECORD_VIEW(CDynamic);

class CCresc : public CBarItem {
public:
    static constexpr int kType = 19;
    static constexpr int kSize = 94;
    enum : int {
        kFlags = 16,
        kController = 17,
        kCentre = 18,
        kUpper = 20,
        kLower = 22,
        kEndBar = 24,
        kEndPosition = 26,
        kStartOffset = 28,
        kEndOffset = 30,
        kCurve = 32,
        kFont = 40,
        kText = 46,
        kTextSize = 32,
        kStartMark = 78,
        kMiddleMark = 79,
        kEndMark = 80,
        kReserved = 82,
    };
    enum : int { kCrescendo = 0, kDecrescendo = 1 };
    enum : int { kCurvePoints = 7 };
    static const MarkField kFields[];
    static const int kFieldCount;

    static CCresc* Of(CBarItem* item) { return static_cast<CCresc*>(item); }
    static const CCresc* Of(const CBarItem* item) { return static_cast<const CCresc*>(item); }

    std::uint8_t Flags() const { return Byte(kFlags); }
    int GetShape() const { return Flags() & 3; }
    void SetShape(int shape) { SetBits(0, 2, shape); }
    bool IsTextForm() const { return Flags() & 0x04; }
    void SetTextForm(bool on) { SetBits(2, 1, on); }
    bool IsTransient() const { return Flags() & 0x08; }
    void SetTransient(bool on) { SetBits(3, 1, on); }
    bool IsDouble() const { return Flags() & 0x10; }
    void SetDouble(bool on) { SetBits(4, 1, on); }
    int GetPlayKind() const { return (Flags() >> 5) & 3; }
    void SetPlayKind(int kind) { SetBits(5, 2, kind); }
    bool IsAllVoices() const { return Flags() & 0x80; }
    void SetAllVoices(bool on) { SetBits(7, 1, on); }

    int GetController() const { return Byte(kController); }
    void SetController(int controller) { PutByte(kController, std::uint8_t(controller < 0 || controller > 127 ? 7 : controller)); }
    int GetPlaybackController() const { return GetPlayKind() == 1 ? GetController() : -1; }
    int GetPlaybackValue(int i) const { return GetPlayKind() == 0 ? GetCurveValue(i) : -1; }

    std::int16_t GetVerticalPosition() const { return Word(kCentre); }
    void SetVerticalPosition(int v) { PutWord(kCentre, v); }
    std::int16_t GetUpper() const { return Word(kUpper); }
    void SetUpper(int v) { PutWord(kUpper, v); }
    std::int16_t GetLower() const { return Word(kLower); }
    void SetLower(int v) { PutWord(kLower, v); }
    std::int16_t GetEndBar() const { return Word(kEndBar); }
    std::int16_t GetEndPosition() const { return Word(kEndPosition); }
    void SetEndPosition(int v) { PutWord(kEndPosition, v); }
    void SetEnd(int bars, int position) {
        PutWord(kEndBar, bars);
        PutWord(kEndPosition, position);
    }
    std::int16_t GetStartOffset() const { return Word(kStartOffset); }
    void SetStartOffset(int v) { PutWord(kStartOffset, v); }
    std::int16_t GetEndOffset() const { return Word(kEndOffset); }
    void SetEndOffset(int v) { PutWord(kEndOffset, v); }

    int GetCurveValue(int i) const { return i >= 0 && i < kCurvePoints ? Byte(kCurve + i) : 0; }
    void SetCurveValue(int i, int v) {
        if (i >= 0 && i < kCurvePoints) PutByte(kCurve + i, std::uint8_t(v));
    }
    // 50..110 rising for a crescendo, falling otherwise; a double hairpin turns back at the
    // middle point.
    void InitCurve();
    // The other shape, the curve mirrored (a double hairpin's: 3, 2, 1, 0, 5, 4, 3 of the old).
    void FlipShape();
    // Exchanges the start and end marks.
    void SwapMarks();
    // When the half-openings cross (the upper not above minus the lower), exchanges them and
    // negates both.
    void UncrossOpenings();
    // Where the end lies when the score has barCount bars and the hairpin starts in bar
    // startBar: an end past the last bar becomes position 1023 of the last bar, offset 0 (the
    // record keeps the change).
    void ClampEnd(int startBar, int barCount);
    // The tick and value of each of the seven points over a span of `length` ticks from `start`.
    void GetCurvePoints(int start, int length, int* ticks, int* values) const;

    int GetMark(int which) const { return Byte(kStartMark + which); }  // 0 start, 1 middle, 2 end
    void SetMark(int which, int v) {
        if (which >= 0 && which < 3) PutByte(kStartMark + which, std::uint8_t(v));
    }
    FontRef GetFont() const;
    void SetFont(const FontRef& font);
    // The text of the text form, ended within its 32-byte field.
    std::string_view GetText() const;
    void SetText(std::string_view text);

    void AttachToTrack(CTrack* track);
    void ConvertOldPlayKind();

private:
    void SetBits(int shift, int width, int v) {
        const int mask = ((1 << width) - 1) << shift;
        PutByte(kFlags, std::uint8_t((Flags() & ~mask) | ((v << shift) & mask)));
    }
};
ZEL_RECORD_VIEW(CCresc);

class CExpression : public CBarItem {
public:
    static constexpr int kType = 37;
    static constexpr int kFixedSize = 42;
    enum : int {
        kStartOffset = 16,
        kBaseline = 18,
        kEndBar = 20,
        kEndPosition = 22,
        kEndOffset = 24,
        kEndHeight = 26,
        kFlags1 = 28,
        kFlags2 = 29,
        kErase = 30,
        kKeySwitch = 31,
        kPlayValue = 32,
        kFont = 36,
        kText = 42,
    };
    enum : int { kNoKind = 0, kTempoKind = 1, kPatchKind = 2, kControlKind = 3, kChannelKind = 5 };
    // The display text of kind k without own text.
    static constexpr int kKindNameString = 6202;
    static const MarkField kFields[];
    static const int kFieldCount;

    static CExpression* Of(CBarItem* item) { return static_cast<CExpression*>(item); }
    static const CExpression* Of(const CBarItem* item) { return static_cast<const CExpression*>(item); }

    int GetPlayMode() const { return Byte(kFlags1) & 3; }
    void SetPlayMode(int mode) { SetBits(kFlags1, 0, 2, mode); }
    bool HasPlayback() const { return GetPlayMode() != 0; }
    bool HasLegacyLine() const { return Byte(kFlags1) & 0x04; }
    bool HasOwnText() const { return Byte(kFlags1) & 0x08; }
    void SetOwnTextBit(bool on) { SetBits(kFlags1, 3, 1, on); }
    int GetKind() const { return Byte(kFlags1) >> 4; }
    void SetKind(int kind) { SetBits(kFlags1, 4, 4, kind); }
    bool IsKind1() const { return GetKind() == kTempoKind; }
    bool IsPlayKind2() const { return GetKind() == kPatchKind; }
    bool IsKind5() const { return GetKind() == kChannelKind; }

    bool IsPrinted() const { return Byte(kFlags2) & 0x02; }
    void SetPrinted(bool on) { SetBits(kFlags2, 1, 1, on); }
    int GetLineStyle() const { return (Byte(kFlags2) >> 2) & 7; }
    void SetLineStyle(int style) { SetBits(kFlags2, 2, 3, style); }
    int GetEndHook() const { return Byte(kFlags2) >> 5; }
    void SetEndHook(int hook) { SetBits(kFlags2, 5, 3, hook); }
    bool ErasesBackground() const { return Byte(kErase) != 0; }
    void SetEraseBackground(bool on) { PutByte(kErase, on ? 1 : 0); }
    int GetKeySwitchPitch() const { return Byte(kKeySwitch); }
    void SetKeySwitchPitch(int pitch) { PutByte(kKeySwitch, std::uint8_t(pitch)); }

    std::uint32_t GetPlayValue() const { return RecordSizeField() >= kPlayValue + 4 ? rec::Get<std::uint32_t>(this, kPlayValue) : 0; }
    void SetPlayValue(std::uint32_t v) {
        if (RecordSizeField() >= kPlayValue + 4) rec::Put(this, kPlayValue, v);
    }
    int GetStartTempo() const { return int(GetPlayValue() & 0xFFFF); }
    int GetEndTempo() const { return int(GetPlayValue() >> 16); }
    void SetTempi(int start, int end) { SetPlayValue(std::uint32_t(end & 0xFFFF) << 16 | std::uint32_t(start & 0xFFFF)); }
    // Kind 2: controller number and value (each 0xFF when not sent); kind 5: the voice.
    int GetPlayByte(int i) const { return int(GetPlayValue() >> (8 * i) & 0xFF); }  // 0 program .. 3 controller
    void StoreByte(int i, int v) {
        SetPlayValue((GetPlayValue() & ~(0xFFu << (8 * i))) | std::uint32_t(v & 0xFF) << (8 * i));
    }
    void SetPlayPair(int controller, int value) {
        StoreByte(3, controller);
        StoreByte(2, value);
    }
    void GetPlayPair(int* controller, int* value) const {
        *controller = GetPlayByte(3);
        *value = GetPlayByte(2);
    }
    int GetChannelVoice() const { return GetPlayByte(2); }
    // Kind 1 the start tempo, kind 2 the controller value; 65535 for other kinds.
    int GetValue() const;
    void SetValue(int v);
    int GetPlaybackController() const { return IsPlayKind2() ? GetPlayByte(3) : -1; }

    std::int16_t GetHorizontalOffset() const { return Word(kStartOffset); }
    void SetHorizontalOffset(int v) { PutWord(kStartOffset, v); }
    std::int16_t GetVerticalOffset() const { return Word(kBaseline); }
    void SetVerticalOffset(int v) { PutWord(kBaseline, v); }
    std::int16_t GetEndBar() const { return Word(kEndBar); }
    std::int16_t GetEndPosition() const { return Word(kEndPosition); }
    void SetEnd(int bars, int position) {
        PutWord(kEndBar, bars);
        PutWord(kEndPosition, position);
    }
    std::int16_t GetEndOffset() const { return Word(kEndOffset); }
    void SetEndOffset(int v) { PutWord(kEndOffset, v); }
    std::int16_t GetEndHeight() const { return Word(kEndHeight); }
    void SetEndHeight(int v) { PutWord(kEndHeight, v); }
    FontRef GetFont() const;
    void SetFont(const FontRef& font);

    // The own text after the fixed part, ended within the record (empty without the own-text
    // bit).
    std::string_view GetText() const;
    // The record's size for its own text: 42, plus the text with its terminator made even.
    int GetWantedSize() const;
    // The own text, or the kind's name.
    std::string GetDisplayText() const;
    // Which of "Marcato", "Staccato", "arco", "pizz", "legato" the display text begins with
    // (0-4), 5 when none.
    int MatchArticulation() const;

    // A new expression: kind and playback value, not printed, no own text, default font at size
    // 9, baseline -360, end at the start position, key-switch pitch 45.
    void Init(int kind, std::uint32_t value);
    // The kind, play mode and key-switch pitch from the mark playback entry of the display
    // text's articulation on the item's voice of the track.
    void AttachToTrack(CTrack* track);

private:
    void SetBits(int at, int shift, int width, int v) {
        const int mask = ((1 << width) - 1) << shift;
        PutByte(at, std::uint8_t((Byte(at) & ~mask) | ((v << shift) & mask)));
    }
};
ZEL_RECORD_VIEW(CExpression);
