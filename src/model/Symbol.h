// The symbol (type 22, 62 bytes): one character in a bar: a music-font glyph, a character of a
// text font, or a bar-line mark drawn through the system's staves; it may carry a playback
// setting (a controller change or a velocity).
//
//   offset 16  x offset, 18 y offset (coordinates)
//   offset 20  symbol flags   bit 0 bar-line mark (lives in the bar's own items), 1 music-font
//                             symbol, 2 centred on its x, 3 a palette flag, 4 cleared for files
//                             before 0x400; bits 5-7 kept
//   offset 21  reserved byte
//   offset 22  character, 23 old value (files before 0x400: moved into the playback setting)
//   offset 24  font (FontRef)
//   offset 30  playback       32 bytes: 24 setting bytes (30 bit 2 velocity, 30 bit 5 the old
//                             value's marker, 34 controller + 1, 36 controller value, 38 the old
//                             value, 39 the velocity switch), then four words (60 velocity)
// Stored after the bar-item head: the coordinates, the flags with their five one-bit fields in
// the high bits in reverse order, the reserved byte, the character and old value raw, the
// FontRef, the playback setting (24 bytes raw, four words).
#pragma once
#include <cstdint>

#include "model/BarItem.h"
#include "platform/FontRef.h"

class CBar;
class CFontArray;

class CSymbol : public CBarItem {
public:
    enum : int {
        kSize = 62,
        kTypeCode = 22,
        kXOffset = 16,
        kYOffset = 18,
        kFlags = 20,
        kReserved = 21,
        kCharacter = 22,
        kOldValue = 23,
        kFont = 24,
        kPlayback = 30,
        kPlaybackSize = 32,
        kPlaybackWords = 54,
        kController = 34,
        kControllerValue = 36,
        kPlaybackOldValue = 38,
        kVelocitySwitch = 39,
        kVelocity = 60,
    };
    enum : std::uint8_t {
        kBarLineBit = 0x01,
        kMusicFontBit = 0x02,
        kCentredBit = 0x04,
        kPaletteBit = 0x08,
        kOldFileBit = 0x10,
        kVelocityBit = 0x04,     // in playback byte 30
        kOldValueMarker = 0x20,  // in playback byte 30
    };
    // The glyph of a two-bar repeat.
    static constexpr int kTwoBarRepeatGlyph = 142;

    std::uint8_t SymbolFlags() const { return rec::Get<std::uint8_t>(this, kFlags); }
    bool IsBarLineMark() const { return (SymbolFlags() & kBarLineBit) != 0; }
    bool IsMusicFont() const { return (SymbolFlags() & kMusicFontBit) != 0; }
    bool IsCentred() const { return (SymbolFlags() & kCentredBit) != 0; }
    std::uint8_t GetCharacter() const { return rec::Get<std::uint8_t>(this, kCharacter); }
    std::int16_t GetX() const { return rec::Get<std::int16_t>(this, kXOffset); }
    std::int16_t GetY() const { return rec::Get<std::int16_t>(this, kYOffset); }
    void SetX(int v) { rec::Put(this, kXOffset, std::int16_t(v)); }
    void SetY(int v) { rec::Put(this, kYOffset, std::int16_t(v)); }
    FontRef GetFont() const;
    void SetFont(const FontRef& font);
    // A track item unless it is a bar-line mark.
    bool IsTrackItem() const { return !IsBarLineMark(); }

    // Copies the 32-byte playback setting out; true.
    bool GetPlayback(std::uint8_t out[kPlaybackSize]) const;
    void SetPlayback(const std::uint8_t in[kPlaybackSize]);
    // The controller (byte 34 - 1; -1 none).
    int GetController() const { return int(rec::Get<std::uint8_t>(this, kController)) - 1; }
    // Word 60 when the velocity bit is set and byte 39 is 1, else -1.
    int GetVelocity() const;
    // The value the MIDI data views show: the controller value with the controller view on the
    // symbol's controller, the velocity word with the velocity view and the velocity bit, else
    // 65535. The setter changes the same field, nothing otherwise.
    int GetDataValue() const;
    void SetDataValue(int value);

    // Builds a symbol in place (62 bytes): character, font and flags.
    static CSymbol* Make(void* buffer, int character, const FontRef& font, std::uint8_t flags);
};
ZEL_RECORD_VIEW(CSymbol);

class SymbolBehaviour : public BarItemBehaviour {
public:
    static const SymbolBehaviour& Instance();
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;
    void ToFileOrder(CScoreItem& item) const override;
    void FromFileOrder(CScoreItem& item) const override;
    void AfterLoad(CScoreItem& item, int version) const override;
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;
    bool IsSameKind(CScoreItem& item, CScoreItem& other) const override;
    bool IsTrackItem(CBarItem& item) const override;
    void DrawShape(CBarItem& item) const override;
    // Text-font symbols only: the document's Edit Symbol command.
    void OpenProperties(CScoreItem& item, int x, int y) const override;
    // A bar-line mark: a staff space wide through the system; otherwise the glyph's box.
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;
    // The x offset follows the drag; the y offset too unless it is a bar-line mark.
    void DragBy(CScoreItem& item, CDragTask* drag) const override;
    // The offsets a placement gives: x always, y unless it is a bar-line mark (which keeps its
    // height through the system).
    void SetHorizontalOffset(CBarItem& item, int offset) const override;
    void SetVerticalOffset(CBarItem& item, int offset) const override;
    // A text-font symbol: its point and the character's width along its baseline; the others
    // their box's top-left and bottom-right.
    void GetEndPoints(CBarItem& item, POINT* start, POINT* end) const override;
    // The drop point taken back to the symbol's own x and y (a bar-line mark's half space, a
    // centred glyph's half width, a music-font symbol's height), then the bar item's placement.
    CBarItem* PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const override;
};

// What a symbol gives the performer: its bar, its time with its offset (twice), its position,
// its voice and its 32-byte playback setting.
struct SymbolPlayback {
    int bar = 0;
    int time = 0;
    int timeAgain = 0;
    int position = 0;
    int voice = 0;
    std::uint8_t setting[CSymbol::kPlaybackSize] = {};
};
// Fills `out` for the symbol in the bar; true.
bool DescribeSymbolPlayback(CSymbol& symbol, const CBar& bar, SymbolPlayback& out);
