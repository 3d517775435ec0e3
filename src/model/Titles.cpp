#include "model/Titles.h"

#include <cstring>

#include "framework/File.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/ChunkStream.h"
#include "platform/FontArray.h"

namespace {

constexpr std::uint32_t kTitlTag = MakeChunkTag("TITL");
// The serif face of the program's default font table, at 12 points.
constexpr int kSerifFontSlot = 6;

// Stored text length: the text and its NUL, rounded up to even.
std::uint16_t StoredLength(const char* text) {
    const std::size_t n = strnlen(text, TitleLine::kTextSize - 1) + 1;
    return std::uint16_t((n + 1) & ~std::size_t(1));
}

std::uint16_t LittleWord(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

bool ReadExactly(CFile& file, void* p, UINT n) { return file.Read(p, n) == n; }

// Skips n bytes of a file by reading them.
bool SkipBytes(CFile& file, std::uint32_t n) {
    std::uint8_t scratch[256];
    while (n > 0) {
        const UINT step = n < sizeof scratch ? UINT(n) : UINT(sizeof scratch);
        if (!ReadExactly(file, scratch, step)) return false;
        n -= step;
    }
    return true;
}

}  // namespace

TitleBlock::TitleBlock(int k, int align) : kind(std::uint8_t(k)), alignment(std::uint16_t(align)) {
    FontRef font;
    if (const FontRef* table = DefaultFontTable()) font.face = table[kSerifFontSlot].face;
    font.size = 12;
    for (TitleLine& line : lines) {
        line = TitleLine{};
        line.font = font;
    }
}

void TitleBlock::ResolveFonts(CFontArray* fonts) {
    if (!fonts) return;
    for (int i = 0; i < UsedLines(); ++i) fonts->ResolveLive(&lines[i].font);
}

void InitTitleBlocks(TitleBlock (&blocks)[TitleBlock::kBlocks]) {
    static const std::uint8_t kinds[8] = {0, 1, 2, 3, 4, 4, 5, 5};
    static const std::uint8_t aligns[8] = {1, 0, 2, 1, 1, 2, 1, 2};
    for (int i = 0; i < TitleBlock::kBlocks; ++i) blocks[i] = TitleBlock(kinds[i], aligns[i]);
}

void TitleBlock::Write(CChunkStream& s) const {
    s.BeginChunk(kTitlTag, -1);
    s.WriteByte(allPages);
    s.WriteByte(kind);
    s.WriteWord(alignment);
    s.WriteCoord(xOffset);
    s.WriteCoord(yOffset);
    if (IsSingleLine()) {
        s.WriteWord(flip);
        s.WriteWord(startPage);
        s.WriteWord(pageOffset);
    }
    for (int i = 0; i < UsedLines(); ++i) {
        const TitleLine& line = lines[i];
        const std::uint16_t n = StoredLength(line.text);
        s.WriteWord(n);
        char padded[TitleLine::kTextSize] = {};
        std::memcpy(padded, line.text, strnlen(line.text, TitleLine::kTextSize - 1));
        s.WriteBytes(padded, n);
        s.WriteFontRef(line.font);
    }
    s.EndChunk(-1);
}

void TitleBlock::Read(CChunkStream& s) {
    s.BeginReadChunk(kTitlTag);
    for (TitleLine& line : lines) line = TitleLine{FontRef{0, 0, 0, 0}, {}};
    s.ReadByteTo(&allPages);
    s.ReadByteTo(&kind);
    s.ReadWordTo(&alignment);
    s.ReadCoordTo(&xOffset);
    s.ReadCoordTo(&yOffset);
    if (IsSingleLine()) {
        s.ReadWordTo(&flip);
        s.ReadWordTo(&startPage);
        s.ReadWordTo(&pageOffset);
    }
    for (int i = 0; i < UsedLines(); ++i) {
        TitleLine& line = lines[i];
        std::uint16_t n = 0;
        s.ReadWordTo(&n);
        // A stored line longer than its room is cut; the rest of it is passed over.
        const std::uint16_t take = n < TitleLine::kTextSize ? n : TitleLine::kTextSize;
        s.ReadBytes(line.text, take);
        for (std::uint16_t k = take; k < n && s.Unread() > 0; ++k) s.ReadByte();
        line.text[TitleLine::kTextSize - 1] = 0;
        s.ReadFontRef(&line.font);
    }
    if (g_model.loadedFileVersion < 0x400) allPages = 0;
    s.EndReadChunk();
}

bool TitleBlock::ReadRaw(CFile& file) {
    std::uint8_t b[8];
    // Two bytes over the kind and the byte after it, then alignment and the two offsets.
    if (!ReadExactly(file, b, 8)) return false;
    kind = b[0];
    flip = std::uint16_t((flip & 0xFF00) | b[1]);
    alignment = LittleWord(b + 2);
    xOffset = std::int16_t(LittleWord(b + 4));
    yOffset = std::int16_t(LittleWord(b + 6));
    if (IsSingleLine()) {
        if (!ReadExactly(file, b, 6)) return false;
        flip = LittleWord(b);
        startPage = std::int16_t(LittleWord(b + 2));
        pageOffset = std::int16_t(LittleWord(b + 4));
    }
    for (int i = 0; i < UsedLines(); ++i) {
        TitleLine& line = lines[i];
        std::memset(line.text, 0, sizeof line.text);
        if (!ReadExactly(file, b, 2)) return false;
        const std::uint16_t n = LittleWord(b);
        const std::uint16_t take = n < TitleLine::kTextSize ? n : TitleLine::kTextSize;
        if (!ReadExactly(file, line.text, take) || !SkipBytes(file, n - take)) return false;
        line.text[TitleLine::kTextSize - 1] = 0;
        if (!ReadExactly(file, b, 6)) return false;
        line.font.face = LittleWord(b);
        line.font.size = LittleWord(b + 2);
        line.font.style = b[4];
        line.font.pad = b[5];
    }
    allPages = 0;
    return true;
}
