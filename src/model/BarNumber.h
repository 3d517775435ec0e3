// The bar-number item (type 10, 50 bytes): how bar numbers are shown from the bar that holds
// it onwards. It lies in a bar's own items; later bars without one link to it.
//
//   offset 16  flags          bit 0 enclosed, 1 letters, 2 repeated-letter style, bits 3-4
//                             alignment (0 left, 1 centred, 2 right), bits 5-6 anchor
//   offset 17  staff index    18 show mode (0 system starts when asked, 1 first bar of each
//                             system, 2 every N bars, 3 never), 19 first letter
//   offset 20  x offset, 22 y offset (coordinates), 24 number offset, 26 text width,
//              28 interval N (16-bit each)
//   offset 30  prefix         two characters
//   offset 32  font           FontRef
//   offset 38  enclosure      12 bytes as a text's frame: two bytes and two coordinates kept,
//                             the horizontal and vertical gaps (44, 46, twentieths) and the
//                             pen width (48, twentieths)
//
// Stored after the bar-item head (40 bytes, 6 more than in memory): the five flag fields as
// separate bytes, the staff index, two zero bytes, show mode, first letter, the offsets as
// coordinates (divided by 5), the number offset, width and interval as words, the prefix, the
// font, the enclosure's two bytes raw and four coordinates, and the last enclosure value x 4 / 20.
#pragma once
#include <cstdint>
#include <string>

#include "model/BarItem.h"

class CBar;
class CStaff;

class CBarNumber : public CBarItem {
public:
    enum : int {
        kSize = 50,
        kTypeCode = 10,
        kFlags = 16,
        kStaff = 17,
        kShowMode = 18,
        kFirstLetter = 19,
        kXOffset = 20,
        kYOffset = 22,
        kNumberOffset = 24,
        kTextWidth = 26,
        kInterval = 28,
        kPrefix = 30,
        kFont = 32,
        kEnclosure = 38,
        kEnclosureCoords = 40,
        kEnclosureGapX = 44,
        kEnclosureGapY = 46,
        kEnclosureValue = 48,
        // The stored body after the bar-item head.
        kStoredBody = 40,
    };

    // Builds a bar-number item with its defaults in a buffer of at least 50 bytes: digits,
    // repeated-letter style, centred, shown at the first bar of each system, first letter "A",
    // y offset -360, interval 1, the bar-number font.
    static CBarNumber* Construct(void* buffer);
    void SetDefaults();

    enum : std::uint8_t { kEnclosedBit = 0x01, kLettersBit = 0x02, kRepeatedBit = 0x04, kAlignShift = 3, kAnchorShift = 5 };
    // The show modes: 0 at the first bar of each page (of the first system on it), 1 at the
    // first bar of each system, 2 every N bars, 3 never.
    enum : int { kPageStarts = 0, kSystemStarts = 1, kEveryN = 2, kNever = 3 };
    // A new enclosure's gaps and pen, as a new text frame's.
    static constexpr int kDefaultEnclosureGap = 40, kDefaultEnclosurePen = 20;
    // The limit of the bar's own vertical bar-number offset under a drag.
    static constexpr int kDragLimit = 1440;
    // The document command that edits a bar-number item.
    static constexpr int kEditCommand = 4100;

    std::uint8_t GetFlags() const { return rec::Get<std::uint8_t>(this, kFlags); }
    void SetFlags(std::uint8_t v) { rec::Put(this, kFlags, v); }
    int GetAlignment() const { return (GetFlags() >> kAlignShift) & 3; }
    int GetAnchor() const { return (GetFlags() >> kAnchorShift) & 3; }
    bool IsEnclosed() const { return (GetFlags() & kEnclosedBit) != 0; }
    int GetStaffIndex() const { return rec::Get<std::uint8_t>(this, kStaff); }
    int GetShowMode() const { return rec::Get<std::uint8_t>(this, kShowMode); }
    std::uint8_t GetFirstLetter() const { return rec::Get<std::uint8_t>(this, kFirstLetter); }
    std::int16_t GetXOffset() const { return rec::Get<std::int16_t>(this, kXOffset); }
    std::int16_t GetYOffset() const { return rec::Get<std::int16_t>(this, kYOffset); }
    std::int16_t GetNumberOffset() const { return rec::Get<std::int16_t>(this, kNumberOffset); }
    std::int16_t GetInterval() const { return rec::Get<std::int16_t>(this, kInterval); }
    std::int16_t GetTextWidth() const { return rec::Get<std::int16_t>(this, kTextWidth); }

    // Letters for n (0 the first letter) from base "A" or "a": bijective base 26 (A ... Z,
    // AA ... ZZ, AAA ...), or in the repeated style the letter of n mod 26 written n / 26 + 1
    // times.
    static std::string Letters(int n, char base, bool repeated);
    // Whether `bar` (governed by this item, which lies in bar `start`) shows its number; the
    // bar's place: first bar of its system, and whether that system is its page's first.
    bool ShowsAt(int barIndex, int start, bool firstInSystem, bool firstOnPage) const;
    // The text of a bar: the prefix, then the number (counted bars + number offset + 1) or the
    // letters of (bar index - start) from the first letter.
    std::string TextFor(int barIndex, int start, int countedBars) const;
    // The text and whether it shows for a bar governed by this item.
    bool ShowsAt(CBar* bar) const;
    std::string TextFor(CBar* bar) const;
    // Whether the bar's number, when it shows, lies under the point (the bar's own hidden item
    // is never hit).
    static bool HitTest(CBar* bar, int x, int y);
    // The baseline of a number at a system's first bar with anchor 0 moved clear of the staff's
    // clef: the baseline y, the staff's top and bottom line y, its space and clef code.
    static int AvoidClef(int y, int top, int bottom, int space, int clef);
    // The item's staff in the current system: its index cut to the staves, a hidden one giving
    // way to the next shown below, failing that the nearest shown above (null without a system).
    CStaff* ChooseStaff() const;
    // The rectangle of the number drawn for `bar` (empty when it does not show); *measured (when
    // given) receives the text's width.
    RECT Rect(CBar* bar, int* measured = nullptr);
};
ZEL_RECORD_VIEW(CBarNumber);

class BarNumberBehaviour : public BarItemBehaviour {
public:
    static const BarNumberBehaviour& Instance();
    void Draw(CScoreItem& item) const override;
    void OpenProperties(CScoreItem& item, int x, int y) const override;
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;
    void DragBy(CScoreItem& item, CDragTask* drag) const override;
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;
    void DrawDragFeedback(CScoreItem& item) const override { Draw(item); }
    // The enclosure (its 12 bytes and the enclosed bit) is edited through the item's pop-up.
    bool CanHaveFrame(CScoreItem& item) const override { return true; }
    int GetVerticalOffset(CBarItem& item) const override;
    void SetHorizontalOffset(CBarItem& item, int offset) const override;
    void SetVerticalOffset(CBarItem& item, int offset) const override;
    // The drag of a bar's number: without the modifier the bar's own offsets move (dx negated
    // for anchor 2, the vertical one held within +-1440); with it the enclosure's gaps.
    static void Drag(CBar* bar, CBarNumber& item, int dx, int dy, bool modifier);
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;
    // The font goes through the score's font table (a file's face index to the installed face
    // of the same name, and back for a save).
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;
};
