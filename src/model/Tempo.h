// The tempo mark (type 28, 106 bytes): a text, a metronome mark (beat unit "=" number) and an
// optional swing equation, and the tempo that playback uses. Tempo marks normally lie in a
// bar's own items (system marks); the record and its stored form live here with the model,
// since the bar recalculation and new scores read and build them.
//
//   offset 16  mark flags      bit 0 text shown, 1 metronome mark shown, 2 beat unit dotted,
//                              3 parentheses; bits 4-7 the beat unit's note-value code
//                              (0 double whole ... 3 quarter ... 7 sixty-fourth)
//   offset 17  glyph size      points of the metronome mark's music glyphs
//   offset 18  reserved word   0
//   offset 20  tempo           16-bit, hundredths of a beat per minute (1000-30000)
//   offset 22  x offset, 24 y offset (coordinates)
//   offset 26  text font       FontRef
//   offset 32  metronome x offset, 34 metronome y offset (coordinates)
//   offset 36  number font     FontRef
//   offset 42  text            31 bytes, zero-terminated
//   offset 73  equation flags  bit 0 system mark, 1 swing equation shown, 2 (files before
//                              0x400) the old equation flag, 3 second value dotted, bits 4-7
//                              the second note-value code
//   offset 74  number text     31 bytes, zero-terminated
//   offset 105 number kind     0 tempo, 1 second note value, 2 number text, 3 whole tempo
//
// Stored after the bar-item head, big-endian: mark flags and equation flags with their four
// one-bit flags in the high bits in reverse order and the code in the low four bits;
// coordinates divided by 5; each FontRef as two words, the style byte and a zero byte; the two
// texts and the number kind raw.
#pragma once
#include <cstdint>
#include <string>

#include "model/BarItem.h"
#include "platform/FontRef.h"

class CFontArray;

class CTempo : public CBarItem {
public:
    enum : int {
        kSize = 106,
        kTypeCode = 28,
        kUnit = 16,
        kGlyphSize = 17,
        kReserved = 18,
        kTempo = 20,
        kXOffset = 22,
        kYOffset = 24,
        kTextFont = 26,
        kMetronomeX = 32,
        kMetronomeY = 34,
        kNumberFont = 36,
        kText = 42,
        kTextSize = 31,
        kEquation = 73,
        kNumberText = 74,
        kNumberKind = 105,
    };
    enum : std::uint8_t {
        kTextShownBit = 0x01,
        kMetronomeShownBit = 0x02,
        kDottedBit = 0x04,
        kParenthesesBit = 0x08,
        kSystemMarkBit = 0x01,
        kSwingBit = 0x02,
        kOldEquationBit = 0x04,
        kSecondDottedBit = 0x08,
    };
    static constexpr int kMinTempo = 1000;
    static constexpr int kMaxTempo = 30000;

    int GetBeatUnit() const { return rec::Get<std::uint8_t>(this, kUnit) >> 4; }
    bool IsDotted() const { return (rec::Get<std::uint8_t>(this, kUnit) & kDottedBit) != 0; }
    std::uint16_t GetValue() const { return rec::Get<std::uint16_t>(this, kTempo); }
    // Stores the tempo, held within 1000-30000.
    void SetValue(int tempo);
    // The tempo in quarter notes per minute (x 100).
    int GetQuarterTempo() const;
    std::int16_t GetX() const { return rec::Get<std::int16_t>(this, kXOffset); }
    std::int16_t GetY() const { return rec::Get<std::int16_t>(this, kYOffset); }
    void SetX(int v) { rec::Put(this, kXOffset, std::int16_t(v)); }
    void SetY(int v) { rec::Put(this, kYOffset, std::int16_t(v)); }
    // A track item when the system-mark bit is clear.
    bool IsSystemMark() const { return (rec::Get<std::uint8_t>(this, kEquation) & kSystemMarkBit) != 0; }
};
ZEL_RECORD_VIEW(CTempo);

// The tempo mark's stored form and its older files' fix-up.
class TempoBehaviour : public BarItemBehaviour {
public:
    static const TempoBehaviour& Instance();
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;
    void ToFileOrder(CScoreItem& item) const override;
    void FromFileOrder(CScoreItem& item) const override;
    void AfterLoad(CScoreItem& item, int version) const override;
    // Both font references (the text's and the number's) by their faces' names.
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;
    int GetValue(CBarItem& item) const override;
    void SetValue(CBarItem& item, int value) const override;
    bool IsTrackItem(CBarItem& item) const override;
    void DrawShape(CBarItem& item) const override;
    // The document's Set Tempo command.
    void OpenProperties(CScoreItem& item, int x, int y) const override;
    // Part 0 the text, 1 the metronome mark (with a swing equation), any other the union.
    RECT* GetPartBounds(CScoreItem& item, RECT* rect, int part) const override;
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;
    // Part 0 the text (or the mark when no text shows), 1 the metronome mark by itself.
    bool HitTest(CScoreItem& item, int x, int y) const override;
    // Part 0 moves the x and y offsets, part 1 the metronome offsets.
    void DragBy(CScoreItem& item, CDragTask* drag) const override;
    // The x offset from the mark's position; its y stays where the drag left it.
    void SetHorizontalOffset(CBarItem& item, int offset) const override;
    // Only the whole mark (hit part 0) is placed; one that lands at or past the end of a bar
    // that is not its system's last goes to the start of the next bar.
    CBarItem* PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const override;
};

// The tempo as the metronome mark shows it: whole beats when it is a multiple of 100, else with
// the system's decimal separator and two decimals ("120", "120.50").
std::string FormatTempo(int tempo);

// Builds a tempo mark in place in a buffer of at least 106 bytes: metronome mark shown, a
// quarter-note beat, a system mark with an eighth as its second note value, glyph size 16, y
// offset -480, both fonts the default tempo font, and the tempo as given (unchanged).
CTempo* MakeTempoItem(void* buffer, int tempo);

// A tempo (x 100) in beats of a note-value code (0 double whole ... 7 sixty-fourth), dotted or
// not, as quarter notes per minute (x 100); the tempo is first held within 1000-30000.
int TempoToQuarterTempo(int tempo, int unitCode, bool dotted);
