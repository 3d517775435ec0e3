// Text items: a bar or staff text (type 29) or a marking text (framed), and the page text (type
// 12) placed on the page itself. Both keep their characters, their fonts and, for styled texts,
// a table of style runs and a table of lines inside the record, so a text is one
// variable-length record (track bars' runs, a bar's own items, the score's page-text array).
//
//   offset 16  text flags       bit 0 framed, 1 opaque, 2 single font, bits 3-4 alignment
//                               (0 left, 1 centred, 2 right), bits 5-7 kind (0 bar text,
//                               1 staff text, 2 marking text, 3 page text)
//   offset 17  placement flags  bit 0 system text (lives in the bar's own items), bits 1-2
//                               kept, bits 3-5 page filter, bits 6-7 page anchor
//   offset 18  x offset, 22 y offset, 26 width, 30 height: 32-bit coordinates
//   offset 34  frame            12 bytes: two kept bytes, two kept coordinate words, the
//                               horizontal and vertical margins (twentieths) and the line width
//   offset 46  page number      page texts: the page the filter refers to
//   offset 48  text length      bytes of text, counting the zero and rounded up to even
//   offset 50  text             code-page text, zero-terminated
//   then       single font: one FontRef; styled: run count, runs (first character, FontRef),
//              line count, lines (first character, the width text entry measured, height,
//              ascent); run and line starts count characters (a double-byte character is one)
//
// Stored after the bar-item head, big-endian: both flag bytes with their one-bit fields in the
// high bits in reverse order; the four 32-bit coordinates divided by 5; the frame's two bytes
// raw, its words as coordinates; every table entry field by field; surplus bytes raw.
#pragma once
#include <cstdint>
#include <vector>

#include "model/BarItem.h"
#include "platform/FontRef.h"

class CFontArray;

// A text record's words and font references as they are built in memory: a 16-bit word and a
// font reference appended in the machine's order.
namespace textrecord {
inline void PutWord(std::vector<std::uint8_t>& out, int v) {
    const auto w = std::int16_t(v);
    const auto* p = reinterpret_cast<const std::uint8_t*>(&w);
    out.insert(out.end(), p, p + 2);
}
inline void PutFont(std::vector<std::uint8_t>& out, const FontRef& f) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&f);
    out.insert(out.end(), p, p + sizeof f);
}
}  // namespace textrecord

class CText : public CBarItem {
public:
    enum : int {
        kFixedSize = 50,
        kTypeCode = 29,
        kPageTypeCode = 12,
        kFlags = 16,
        kPlacement = 17,
        kXOffset = 18,
        kYOffset = 22,
        kWidth = 26,
        kHeight = 30,
        kFrame = 34,
        kFrameWordA = 36,
        kFrameWordB = 38,
        kFrameMarginX = 40,
        kFrameMarginY = 42,
        kFrameLineWidth = 44,
        kPageNumber = 46,
        kTextLength = 48,
        kText = 50,
        kFrameSize = 12,
        kRunSize = 8,
        kLineSize = 8,
    };
    enum : std::uint8_t {
        kFramedBit = 0x01,
        kOpaqueBit = 0x02,
        kSingleFontBit = 0x04,
        kSystemTextBit = 0x01,
    };
    // Text kinds (the text tool's button that made the text).
    enum : int { kBarText = 0, kStaffText = 1, kMarkingText = 2, kPageText = 3 };
    // Page filters.
    enum : int { kOnePage = 0, kEveryPage = 1, kOddPages = 2, kEvenPages = 3, kFromPage = 4 };

    std::uint8_t TextFlags() const { return rec::Get<std::uint8_t>(this, kFlags); }
    std::uint8_t PlacementFlags() const { return rec::Get<std::uint8_t>(this, kPlacement); }
    bool IsFramed() const { return (TextFlags() & kFramedBit) != 0; }
    bool IsOpaque() const { return (TextFlags() & kOpaqueBit) != 0; }
    bool IsSingleFont() const { return (TextFlags() & kSingleFontBit) != 0; }
    int GetAlignment() const { return (TextFlags() >> 3) & 3; }
    int GetKind() const { return TextFlags() >> 5; }
    // Writes bits 5-7, keeping bits 0-4.
    void SetKind(int kind) { rec::Put(this, kFlags, std::uint8_t((TextFlags() & 0x1F) | ((kind & 7) << 5))); }
    bool IsMarkingText() const { return GetKind() == kMarkingText; }
    bool IsStaffText() const { return GetKind() == kStaffText; }
    bool IsPageKind() const { return GetKind() == kPageText; }
    bool IsSystemText() const { return (PlacementFlags() & kSystemTextBit) != 0; }
    // A track text lives in a track bar: every text but a staff or marking text with the
    // system-text bit.
    bool IsTrackText() const { return !((GetKind() == kStaffText || GetKind() == kMarkingText) && IsSystemText()); }
    int GetPageFilter() const { return (PlacementFlags() >> 3) & 7; }
    int GetPageAnchor() const { return PlacementFlags() >> 6; }
    // Whether a page text shows on the page of this number (the page record's own number).
    bool ShowsOnPage(int pageNumber) const;

    std::int32_t GetX() const { return rec::Get<std::int32_t>(this, kXOffset); }
    std::int32_t GetY() const { return rec::Get<std::int32_t>(this, kYOffset); }
    // Store a 16-bit value, sign-extended.
    void SetX(int v) { rec::Put(this, kXOffset, std::int32_t(std::int16_t(v))); }
    void SetY(int v) { rec::Put(this, kYOffset, std::int32_t(std::int16_t(v))); }
    std::int32_t GetWidth() const { return rec::Get<std::int32_t>(this, kWidth); }
    std::int32_t GetHeight() const { return rec::Get<std::int32_t>(this, kHeight); }
    std::int16_t GetPageNumber() const { return rec::Get<std::int16_t>(this, kPageNumber); }
    std::int16_t GetTextLength() const { return rec::Get<std::int16_t>(this, kTextLength); }

    // The frame's 12 bytes copied out; answers the framed bit.
    bool GetFrame(std::uint8_t frame[kFrameSize]) const;
    // Stores a frame and the framed bit.
    void SetFrame(const std::uint8_t frame[kFrameSize], bool framed);
    // A new frame: margins 40 and 40, line width 20, everything else 0.
    static void DefaultFrame(std::uint8_t frame[kFrameSize]);

    // The characters (just past the fixed part).
    char* GetText() { return reinterpret_cast<char*>(Bytes() + kText); }
    const char* GetText() const { return reinterpret_cast<const char*>(Bytes() + kText); }
    // The text start plus the text length: the single FontRef, or the run count.
    std::uint8_t* GetFontRecord() { return Bytes() + kText + GetTextLength(); }
    std::uint8_t* GetStyleRuns() { return GetFontRecord(); }
    FontRef GetSingleFont() const;
    // Copies a FontRef into the single font record.
    void SetFont(const FontRef& font);

    // Styled texts: the run and line tables (counts read from the record; call only on a
    // record whose layout CheckLayout accepted).
    int GetRunCount() const;
    int GetRunOffset(int i) const;
    FontRef GetRunFont(int i) const;
    int GetLineCount() const;
    // Line i's words: 0 first offset, 1 the kept word, 2 height, 3 ascent.
    int GetLineWord(int i, int word) const;

    // The size the record's layout asks for: 50 + length + 6, or 50 + length + 2 + 8 runs + 2 +
    // 8 lines; -1 when the counts do not fit inside the record's size.
    int WantedSize() const;
    // Whether the length, counts and offsets lie inside the record and the text ends with its
    // zero within its length.
    bool CheckLayout() const;

    // Builds a text in place in a buffer big enough for it: a single-font text of the given
    // kind (or a page text when the type is 12) holding `text` in `font`; the frame is the
    // default one when `framed`. Null when the text is longer than a record can hold.
    static CText* MakePlain(void* buffer, int room, int type, int kind, const char* text, const FontRef& font, bool framed);
    // The bytes MakePlain needs.
    static int PlainSize(const char* text);
    // The even text length of a zero-terminated text.
    static int EvenTextLength(int bytes);
};
ZEL_RECORD_VIEW(CText);

// A text placed on the page itself.
class CPageText : public CText {};
ZEL_RECORD_VIEW(CPageText);

// The text's stored form, its sizes and fonts.
class TextBehaviour : public BarItemBehaviour {
public:
    static const TextBehaviour& Instance();
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;
    void ToFileOrder(CScoreItem& item) const override;
    void FromFileOrder(CScoreItem& item) const override;
    int GetWantedSize(CScoreItem& item) const override;
    int GetKind(CScoreItem& item) const override;
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;
    bool IsTextKindTwo(CScoreItem& item) const override;
    bool IsTextKindOne(CScoreItem& item) const override;
    bool CanHaveFrame(CScoreItem& item) const override { return true; }
    bool IsTrackItem(CBarItem& item) const override;
    void DrawShape(CBarItem& item) const override;
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;
    void OpenProperties(CScoreItem& item, int x, int y) const override;  // a double click: text entry
    // Hit parts: 1 top-left, 3 bottom-right, 0 bottom-left, 2 top-right handle; 5-8 the left,
    // right, top and bottom edges; -32767 the body.
    bool HitTest(CScoreItem& item, int x, int y) const override;
    // Sideways moves gather in the shared drag offset; up and down move the y offset, or the
    // frame's vertical margin while the first modifier is held.
    void DragBy(CScoreItem& item, CDragTask* drag) const override;
    // What is left of the shared drag offset after a drop goes into the x offset.
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;
    // The offsets a placement gives.
    void SetHorizontalOffset(CBarItem& item, int offset) const override;
    void SetVerticalOffset(CBarItem& item, int offset) const override;
    // The drop clears the shared offset first; a page text is not placed. A track text takes
    // the bar item's placement; a system text moves in its bar, into another bar's own items
    // (its top kept against that system's first shown staff), or, dropped with Ctrl below the
    // system's first shown staff, into that staff's track bar as a track text.
    CBarItem* PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const override;
};

class PageTextBehaviour : public TextBehaviour {
public:
    static const PageTextBehaviour& Instance();
    bool IsTrackItem(CBarItem& item) const override { return false; }
    void Draw(CScoreItem& item) const override;
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;
    // Only on pages its filter shows; part 2 within 3 units of the bottom-right corner, else 0.
    bool HitTest(CScoreItem& item, int x, int y) const override;
    // Clears the removed bit and moves the shared drag offset into the x offset.
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;
    // Each axis steps its offset until its page-scaled value moves.
    void Nudge(CScoreItem& item, int dx, int dy) const override;
    // Taken out of the score's page texts at once rather than marked.
    void MarkRemoved(CBarItem& item) const override;
    // The drag's image: the text drawn again where it now stands.
    void DrawDragFeedback(CScoreItem& item) const override;
};

// Resolves the FontRef stored at `at` (any alignment) through the font table, noting it for the
// table's keeper when it changes.
void ResolveFontAt(CFontArray* fonts, std::uint8_t* at);
