// Lyrics: the lyric line (type 13), a stretch of lyric text as typed with its style runs and
// syllable entries, kept in the score's lyric array; and the lyric syllable (type 24), a bar item
// under one note that names its line and entry and carries a copy of its characters and font.
//
// Syllable (fixed part 36; size 36 + length + 1 rounded up to even):
//   offset 16  lyric flags    bit 0 hyphen after, 1 extender after, 2 the extender runs on into
//                             the next bar, 3 the record holds text, 4 verse number shown,
//                             5 left-aligned at the note; bits 6-7 kept
//   offset 17  reserved byte
//   offset 18  x offset, 20 y offset (coordinates)
//   offset 22  hyphen offset, 24 line index, 26 syllable index, 28 verse (plain words)
//   offset 30  font (FontRef; size 0 draws at 12)
//   offset 36  text, zero-terminated, while bit 3 is set
// Stored after the bar-item head: the flags with their six one-bit fields in the high bits in
// reverse order, the reserved byte, the offsets as coordinates, the four words, the FontRef and
// the bytes after the fixed part raw.
//
// Line (fixed part 50): bytes 8, 9, 12, 13 and the word at 10 kept, 32 kept bytes at 14, the
// entry count at 46, the text length at 48, the text at 50, then the run count, the runs (offset
// word, FontRef) and the entries (6 bytes: text offset, a kept word, length byte, a byte with a
// kept 2-bit field low and the run index high).
#pragma once
#include <cstdint>

#include "model/BarItem.h"
#include "platform/FontRef.h"

class CFontArray;
class CLyricArray;
class CTrkBar;

class CLyric : public CBarItem {
public:
    enum : int {
        kFixedSize = 36,
        kTypeCode = 24,
        kFlags = 16,
        kReserved = 17,
        kXOffset = 18,
        kYOffset = 20,
        kHyphenOffset = 22,
        kLineIndex = 24,
        kSyllableIndex = 26,
        kVerse = 28,
        kFont = 30,
        kText = 36,
    };
    enum : std::uint8_t {
        kHyphenBit = 0x01,
        kExtenderBit = 0x02,
        kRunsOnBit = 0x04,
        kHoldsTextBit = 0x08,
        kVerseNumberBit = 0x10,
        kLeftAlignedBit = 0x20,
    };

    std::uint8_t LyricFlags() const { return rec::Get<std::uint8_t>(this, kFlags); }
    void SetLyricFlags(std::uint8_t v) { rec::Put(this, kFlags, v); }
    bool HasHyphen() const { return (LyricFlags() & kHyphenBit) != 0; }
    bool HasExtender() const { return (LyricFlags() & kExtenderBit) != 0; }
    bool RunsOn() const { return (LyricFlags() & kRunsOnBit) != 0; }
    bool HoldsText() const { return (LyricFlags() & kHoldsTextBit) != 0; }
    bool IsLeftAligned() const { return (LyricFlags() & kLeftAlignedBit) != 0; }
    std::int16_t GetX() const { return rec::Get<std::int16_t>(this, kXOffset); }
    std::int16_t GetY() const { return rec::Get<std::int16_t>(this, kYOffset); }
    void SetX(int v) { rec::Put(this, kXOffset, std::int16_t(v)); }
    void SetY(int v) { rec::Put(this, kYOffset, std::int16_t(v)); }
    std::int16_t GetHyphenOffset() const { return rec::Get<std::int16_t>(this, kHyphenOffset); }
    std::uint16_t GetLineIndex() const { return rec::Get<std::uint16_t>(this, kLineIndex); }
    std::uint16_t GetSyllableIndex() const { return rec::Get<std::uint16_t>(this, kSyllableIndex); }
    std::int16_t GetVerse() const { return rec::Get<std::int16_t>(this, kVerse); }
    FontRef GetFont() const;
    void SetFont(const FontRef& font);
    // The characters (empty unless the record holds text).
    const char* GetText() const { return HoldsText() ? reinterpret_cast<const char*>(Bytes() + kText) : ""; }

    // The record size of a syllable of `bytes` characters: 37 + bytes, or 38 + bytes when odd.
    static int SizeFor(int bytes) { return (kFixedSize + bytes + 1 + 1) & ~1; }
    // Builds a syllable in place (buffer of SizeFor(strlen(text)) bytes): line, entry, verse,
    // the text and font, holds-text set when the text is not empty.
    static CLyric* Make(void* buffer, int line, int syllable, int verse, const char* text, const FontRef& font);
    // Whether the record's text ends with its zero inside the record (or it holds none).
    bool CheckText() const;

    // Fills a syllable that holds no text from its lyric line in the run of `trkBar`, marks it
    // removed when its line or entry does not exist or is damaged, or when it is a lone "-" or
    // "_" that its own flags already show; sets its hyphen bit when the next entry is "-".
    // Returns the syllable, which may have moved (null when the run could not grow: the syllable
    // is then marked removed).
    static CLyric* SyncFromLine(CLyric* syllable, CTrkBar* trkBar, CLyricArray* lines);
};
ZEL_RECORD_VIEW(CLyric);

class CLyricLine : public CScoreItem {
public:
    enum : int {
        kFixedSize = 50,
        kTypeCode = 13,
        kKept = 14,
        kKeptSize = 32,
        kEntryCount = 46,
        kTextLength = 48,
        kText = 50,
        kRunSize = 8,
        kEntrySize = 6,
    };
    std::int16_t GetEntryCount() const { return rec::Get<std::int16_t>(this, kEntryCount); }
    std::int16_t GetTextLength() const { return rec::Get<std::int16_t>(this, kTextLength); }
    char* GetText() { return reinterpret_cast<char*>(Bytes() + kText); }
    const char* GetText() const { return reinterpret_cast<const char*>(Bytes() + kText); }
    // The text plus its length: the run count.
    std::uint8_t* GetTextEnd() { return Bytes() + kText + GetTextLength(); }
    const std::uint8_t* GetTextEnd() const { return Bytes() + kText + GetTextLength(); }
    int GetRunCount() const;
    FontRef GetRunFont(int i) const;
    int GetRunOffset(int i) const;
    // Entry i: text end + 2 + 8 runs + 6 i.
    std::uint8_t* GetEntry(int i) { return GetTextEnd() + 2 + kRunSize * GetRunCount() + kEntrySize * i; }
    const std::uint8_t* GetEntry(int i) const { return GetTextEnd() + 2 + kRunSize * GetRunCount() + kEntrySize * i; }
    int EntryOffset(int i) const { return rec::Get<std::int16_t>(GetEntry(i), 0); }
    int EntryLength(int i) const { return GetEntry(i)[4]; }
    int EntryRun(int i) const { return GetEntry(i)[5] >> 2; }
    // 50 + text length, plus 2 + 8 runs + 6 entries when both the length and the count are
    // non-zero.
    int WantedSize() const;
    // Whether the counts lie inside the record (negative counts do not).
    bool CheckLayout() const;
    // Whether entry i names bytes inside the text and an existing run.
    bool CheckEntry(int i) const;

    // Builds a line in place from syllables (each entry its own run of one font): the text is
    // the syllables joined by single spaces; returns null when `room` is too small.
    static CLyricLine* Make(void* buffer, int room, const char* const* syllables, int count, const FontRef& font);
};
ZEL_RECORD_VIEW(CLyricLine);

class LyricBehaviour : public BarItemBehaviour {
public:
    static const LyricBehaviour& Instance();
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;
    void ToFileOrder(CScoreItem& item) const override;
    void FromFileOrder(CScoreItem& item) const override;
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;
    void DrawShape(CBarItem& item) const override;
    // Lyric entry at this syllable.
    void OpenProperties(CScoreItem& item, int x, int y) const override;
    // The text's box, reaching to its hyphen and extender; empty when it holds no text.
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;
    // Hit part 1 near the right end of a syllable with a hyphen, else 0.
    bool HitTestShape(CBarItem& item, int x, int y) const override;
    // Part 0 moves the y offset (or the x offset for a sideways drag); part 1 the hyphen.
    void DragBy(CScoreItem& item, CDragTask* drag) const override;
    void Nudge(CScoreItem& item, int dx, int dy) const override;
    int GetVerticalOffset(CBarItem& item) const override;
    void SetHorizontalOffset(CBarItem& item, int offset) const override;
    void SetVerticalOffset(CBarItem& item, int offset) const override;
};

class LyricLineBehaviour : public ScoreItemBehaviour {
public:
    static const LyricLineBehaviour& Instance();
    void Read(CScoreItem& item, CChunkStream& stream) const override;
    void Write(CScoreItem& item, CChunkStream& stream) const override;
    int GetWantedSize(CScoreItem& item) const override;
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;
};
