// The eight title blocks of a document: the title, an annotation, an author block, a notice,
// two headers and two footers. Each holds up to four lines of text with their own fonts
// (headers and footers one) and is placed on the page by kind, alignment and offsets.
#pragma once
#include <cstdint>
#include <string>

#include "framework/Types.h"
#include "platform/FontRef.h"

class CChunkStream;
class CFile;

#pragma pack(push, 1)
struct TitleLine {
    static constexpr int kTextSize = 128;
    FontRef font;
    char text[kTextSize];
};

struct TitleBlock {
    enum Kind : std::uint8_t { kTitle = 0, kAnnotation = 1, kAuthor = 2, kNotice = 3, kHeader = 4, kFooter = 5 };
    static constexpr int kLines = 4;
    static constexpr int kBlocks = 8;

    std::uint8_t allPages = 0;      // kinds 0-3: on every page, not only the first
    std::uint8_t kind = 0;
    std::uint16_t flip = 0;         // kinds 4-5: mirror side and offset on every other page
    std::uint16_t alignment = 0;    // 0 left, 1 centre, 2 right
    std::int16_t xOffset = 0;       // twentieths of a point
    std::int16_t yOffset = 0;
    std::int16_t startPage = 0;     // kinds 4-5: first page index that shows the block
    std::int16_t pageOffset = 0;    // kinds 4-5: added to the page number of "#P"
    std::int32_t bounds[4] = {};    // as last drawn; not stored
    TitleLine lines[kLines];

    TitleBlock() : TitleBlock(0, 0) {}
    TitleBlock(int kind, int alignment);

    bool IsSingleLine() const { return kind > 3; }
    int UsedLines() const { return IsSingleLine() ? 1 : kLines; }
    bool IsTitle() const { return kind == kTitle; }
    bool IsNotice() const { return kind == kNotice; }
    bool IsHeader() const { return kind == kHeader; }
    bool IsFooter() const { return kind == kFooter; }

    // The height of its lines with text at 100 %: ascent, descent and leading of each line's
    // font through the current artist (0 without one).
    int GetHeight() const;
    // Draws the block in an area of the page (bounds keeps where); a title moves the area's
    // bottom to its own, headers and footers draw on the page's printable rectangle.
    void Draw(RECT& area, class CPage* page);

    // Maps the font of each line it uses through a font table (recorded for a save, mapped
    // back after a load).
    void ResolveFonts(class CFontArray* fonts);

    // The "TITL" chunk.
    void Write(CChunkStream& stream) const;
    void Read(CChunkStream& stream);
    // The block in the raw little-endian form of the oldest files; false when the file ends.
    bool ReadRaw(CFile& file);
};
#pragma pack(pop)

static_assert(sizeof(TitleBlock) == 566, "a title block is 566 bytes");

// A header's or footer's text with "#P" (the page number), "#D" (the date) and "#T" (the time)
// put in, whatever its length; double-byte characters are copied whole.
std::string ExpandTitleText(const char* text, int pageNumber);

// The document's eight blocks with their initial kinds and alignments.
void InitTitleBlocks(TitleBlock (&blocks)[TitleBlock::kBlocks]);
