// The lyric syllable and the lyric line: their stored forms, sizes and fonts, and the filling of
// a syllable from its line after a score is read.
#include "model/Lyric.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "model/BitOrder.h"
#include "model/ItemArray.h"
#include "model/ItemFactory.h"
#include "model/ScoreFile.h"
#include "model/ScoreItem.h"
#include "model/Text.h"
#include "model/TrkBar.h"
#include "platform/ChunkStream.h"
#include "platform/FontArray.h"

namespace {

constexpr int kWords[] = {CLyric::kHyphenOffset, CLyric::kLineIndex, CLyric::kSyllableIndex, CLyric::kVerse,
                          CLyric::kFont, CLyric::kFont + 2};
constexpr int kCoords[] = {CLyric::kXOffset, CLyric::kYOffset};

void Swap16(std::uint8_t* p) { std::swap(p[0], p[1]); }

bool Whole(const CScoreItem& item) { return item.RecordSizeField() >= CLyric::kFixedSize; }

void SetRemoved(CBarItem* item) { item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit)); }

}  // namespace

// --- syllable -----------------------------------------------------------------------------------

FontRef CLyric::GetFont() const {
    FontRef f;
    std::memcpy(&f, Bytes() + kFont, sizeof f);
    return f;
}

void CLyric::SetFont(const FontRef& font) { std::memcpy(Bytes() + kFont, &font, sizeof font); }

bool CLyric::CheckText() const {
    if (!HoldsText()) return true;
    const int size = RecordSizeField();
    return size > kText && std::memchr(Bytes() + kText, 0, std::size_t(size - kText)) != nullptr;
}

CLyric* CLyric::Make(void* buffer, int line, int syllable, int verse, const char* text, const FontRef& font) {
    const int bytes = int(std::strlen(text));
    const int size = SizeFor(bytes);
    std::memset(buffer, 0, std::size_t(size));
    auto* l = static_cast<CLyric*>(ConstructClass(kTypeCode, buffer));
    if (!l) return nullptr;
    l->CBaseItem::SetSize(std::int16_t(size));
    rec::Put(l, kLineIndex, std::uint16_t(line));
    rec::Put(l, kSyllableIndex, std::uint16_t(syllable));
    rec::Put(l, kVerse, std::int16_t(verse));
    l->SetFont(font);
    if (bytes > 0) {
        std::memcpy(l->Bytes() + kText, text, std::size_t(bytes));
        l->SetLyricFlags(kHoldsTextBit);
    }
    return l;
}

CLyric* CLyric::SyncFromLine(CLyric* syllable, CTrkBar* trkBar, CLyricArray* lines) {
    if (!syllable) return nullptr;
    const int index = syllable->GetSyllableIndex();
    auto* line = lines ? static_cast<CLyricLine*>(lines->GetItem(syllable->GetLineIndex())) : nullptr;
    if (syllable->GetLineIndex() >= (lines ? lines->GetCount() : 0)) line = nullptr;
    // No line, an empty line, an entry past the count, or a damaged entry: the syllable goes.
    if (!line || !line->CheckLayout() || line->GetTextLength() <= 0 || line->GetEntryCount() <= index ||
        !line->CheckEntry(index)) {
        SetRemoved(syllable);
        return syllable;
    }
    const int length = line->EntryLength(index);
    const char* text = line->GetText() + line->EntryOffset(index);
    const auto is = [&](const char* s, int n, char c) { return n == 1 && s[0] == c; };
    if ((is(text, length, '_') && !syllable->HasExtender()) || (is(text, length, '-') && syllable->HasHyphen())) {
        SetRemoved(syllable);
        return syllable;
    }
    // The characters are copied out first: resizing the run may move the line's neighbours
    // (never the line itself, which lies in another array), but a copy keeps this plain.
    std::string chars(text, std::size_t(length));
    const FontRef font = line->GetRunFont(line->EntryRun(index));
    const int wanted = SizeFor(length);
    const int delta = wanted - syllable->RecordSizeField();
    if (delta != 0) {
        CBarItem* moved = trkBar ? trkBar->ResizeItem(syllable, delta) : nullptr;
        if (!moved) {
            SetRemoved(syllable);
            return nullptr;
        }
        syllable = static_cast<CLyric*>(moved);
    }
    syllable->SetLyricFlags(std::uint8_t(syllable->LyricFlags() | kHoldsTextBit));
    syllable->SetFont(font);
    std::memset(syllable->Bytes() + kText, 0, std::size_t(wanted - kText));
    std::memcpy(syllable->Bytes() + kText, chars.data(), chars.size());
    if (index + 1 < line->GetEntryCount() && line->CheckEntry(index + 1) && line->EntryLength(index + 1) == 1 &&
        line->GetText()[line->EntryOffset(index + 1)] == '-')
        syllable->SetLyricFlags(std::uint8_t(syllable->LyricFlags() | kHyphenBit));
    return syllable;
}

const LyricBehaviour& LyricBehaviour::Instance() {
    static const LyricBehaviour behaviour;
    return behaviour;
}

void LyricBehaviour::ReadBody(CScoreItem& item, CChunkStream& stream) const {
    BarItemBehaviour::ReadBody(item, stream);
    // A syllable whose text runs past its record is refused: drawing reads it to its zero.
    if (Whole(item) && !static_cast<CLyric&>(item).CheckText()) ThrowDamagedRecord(stream);
    g_scoreFile.recordWithFonts = true;
}

void LyricBehaviour::WriteBody(CScoreItem& item, CChunkStream& s) const {
    if (!Whole(item)) {
        BarItemBehaviour::WriteBody(item, s);
        return;
    }
    auto& l = static_cast<CLyric&>(item);
    s.WriteByte(MirrorFields(l.LyricFlags(), kLayout_1_1_1_1_1_1_2));
    s.WriteByte(rec::Get<std::uint8_t>(&l, CLyric::kReserved));
    s.WriteCoord(l.GetX());
    s.WriteCoord(l.GetY());
    s.WriteWord(l.GetHyphenOffset());
    s.WriteWord(l.GetLineIndex());
    s.WriteWord(l.GetSyllableIndex());
    s.WriteWord(l.GetVerse());
    s.WriteFontRef(l.GetFont());
    // The bytes after the fixed part: the text while the record holds one. A record longer
    // than its fixed part writes them whatever its flags say, so the body is as long as the size
    // in its head.
    const int size = l.RecordSizeField();
    if (size > CLyric::kFixedSize) s.WriteBytes(l.Bytes() + CLyric::kFixedSize, std::uint32_t(size - CLyric::kFixedSize));
}

void LyricBehaviour::ToFileOrder(CScoreItem& item) const {
    if (Whole(item)) {
        std::uint8_t* b = item.Bytes();
        MirrorFieldsToFile(b + CLyric::kFlags, kLayout_1_1_1_1_1_1_2);
        for (int at : kCoords) {
            rec::Put(b, std::size_t(at), std::int16_t(rec::Get<std::int16_t>(b, std::size_t(at)) / 5));
            Swap16(b + at);
        }
        for (int at : kWords) Swap16(b + at);
        b[CLyric::kFont + 5] = 0;
    }
    BarItemBehaviour::ToFileOrder(item);
}

void LyricBehaviour::FromFileOrder(CScoreItem& item) const {
    if (!Whole(item)) return;
    std::uint8_t* b = item.Bytes();
    MirrorFieldsFromFile(b + CLyric::kFlags, kLayout_1_1_1_1_1_1_2);
    for (int at : kCoords) {
        Swap16(b + at);
        rec::Put(b, std::size_t(at), std::int16_t(rec::Get<std::int16_t>(b, std::size_t(at)) * 5));
    }
    for (int at : kWords) Swap16(b + at);
}

void LyricBehaviour::ResolveFonts(CScoreItem& item, CFontArray* fonts) const {
    if (Whole(item)) ResolveFontAt(fonts, item.Bytes() + CLyric::kFont);
}

// --- line ---------------------------------------------------------------------------------------

int CLyricLine::GetRunCount() const { return rec::Get<std::int16_t>(GetTextEnd(), 0); }

int CLyricLine::GetRunOffset(int i) const { return rec::Get<std::int16_t>(GetTextEnd() + 2 + kRunSize * i, 0); }

FontRef CLyricLine::GetRunFont(int i) const {
    FontRef f;
    std::memcpy(&f, GetTextEnd() + 2 + kRunSize * i + 2, sizeof f);
    return f;
}

int CLyricLine::WantedSize() const {
    const int length = GetTextLength();
    const int entries = GetEntryCount();
    if (length == 0 || entries == 0) return kFixedSize + std::max(length, 0);
    return kFixedSize + length + 2 + kRunSize * GetRunCount() + kEntrySize * entries;
}

bool CLyricLine::CheckLayout() const {
    const int size = RecordSizeField();
    const int length = GetTextLength();
    const int entries = GetEntryCount();
    if (size < kFixedSize || length < 0 || entries < 0 || kFixedSize + length > size) return false;
    if (length == 0 || entries == 0) return true;
    if (kFixedSize + length + 2 > size) return false;
    const int runs = GetRunCount();
    return runs >= 0 && kFixedSize + length + 2 + kRunSize * runs + kEntrySize * entries <= size;
}

bool CLyricLine::CheckEntry(int i) const {
    if (i < 0 || i >= GetEntryCount()) return false;
    const int offset = EntryOffset(i);
    const int length = EntryLength(i);
    return offset >= 0 && offset + length <= GetTextLength() && EntryRun(i) < GetRunCount();
}

CLyricLine* CLyricLine::Make(void* buffer, int room, const char* const* syllables, int count, const FontRef& font) {
    int length = 0;
    for (int i = 0; i < count; ++i) length += int(std::strlen(syllables[i])) + 1;
    const int size = kFixedSize + length + 2 + kRunSize * count + kEntrySize * count;
    if (count <= 0 || size > room || size > 0x7FFF || count > 63) return nullptr;
    std::memset(buffer, 0, std::size_t(size));
    auto* line = static_cast<CLyricLine*>(ConstructClass(kTypeCode, buffer));
    if (!line) return nullptr;
    line->CBaseItem::SetSize(std::int16_t(size));
    rec::Put(line, kEntryCount, std::int16_t(count));
    rec::Put(line, kTextLength, std::int16_t(length));
    int at = 0;
    for (int i = 0; i < count; ++i) {
        const int n = int(std::strlen(syllables[i]));
        std::memcpy(line->GetText() + at, syllables[i], std::size_t(n));
        line->GetText()[at + n] = i + 1 < count ? ' ' : '\0';
        std::uint8_t* run = line->GetTextEnd() + 2 + kRunSize * i;
        rec::Put<std::int16_t>(run, 0, std::int16_t(at));
        std::memcpy(run + 2, &font, sizeof font);
        at += n + 1;
    }
    rec::Put<std::int16_t>(line->GetTextEnd(), 0, std::int16_t(count));
    at = 0;
    for (int i = 0; i < count; ++i) {
        const int n = int(std::strlen(syllables[i]));
        std::uint8_t* e = line->GetEntry(i);
        rec::Put<std::int16_t>(e, 0, std::int16_t(at));
        e[4] = std::uint8_t(n);
        e[5] = std::uint8_t(i << 2);
        at += n + 1;
    }
    return line;
}

const LyricLineBehaviour& LyricLineBehaviour::Instance() {
    static const LyricLineBehaviour behaviour;
    return behaviour;
}

void LyricLineBehaviour::Write(CScoreItem& item, CChunkStream& s) const {
    auto& line = static_cast<CLyricLine&>(item);
    const std::uint8_t* b = line.Bytes();
    const bool whole = line.CheckLayout();
    s.WriteWord(whole ? line.WantedSize() : line.RecordSizeField());
    s.WriteByte(line.TypeCode());
    s.WriteByte(line.CBaseItem::Scale());
    for (int at : {8, 9, 12, 13}) s.WriteByte(b[at]);
    s.WriteWord(rec::Get<std::int16_t>(b, 10));
    const int entries = whole ? line.GetEntryCount() : 0;
    const int length = whole ? line.GetTextLength() : 0;
    s.WriteWord(entries);
    s.WriteWord(length);
    for (int i = 0; i < 3; ++i) s.WriteWord(0);
    s.WriteBytes(b + CLyricLine::kKept, CLyricLine::kKeptSize);
    if (entries == 0 || length == 0) return;
    s.WriteBytes(b + CLyricLine::kText, std::uint32_t(length));
    const int runs = line.GetRunCount();
    s.WriteWord(runs);
    for (int i = 0; i < runs; ++i) {
        s.WriteWord(line.GetRunOffset(i));
        s.WriteFontRef(line.GetRunFont(i));
    }
    for (int i = 0; i < entries; ++i) {
        const std::uint8_t* e = line.GetEntry(i);
        s.WriteWord(rec::Get<std::int16_t>(e, 0));
        s.WriteWord(rec::Get<std::int16_t>(e, 2));
        s.WriteByte(e[4]);
        s.WriteByte(e[5] & 3);
        s.WriteByte(e[5] >> 2);
        s.WriteByte(0);
    }
}

void LyricLineBehaviour::Read(CScoreItem& item, CChunkStream& s) const {
    const int room = RecordReadRoom(item);
    std::uint8_t* b = item.Bytes();
    if (room < CLyricLine::kFixedSize) ThrowDamagedRecord(s);
    // The stored size is checked like any record's; the line then takes the size its counts
    // ask for.
    const int stored = std::int16_t(s.ReadWord());
    if (stored < kRecordHeadSize || stored > room) ThrowDamagedRecord(s);
    const std::uint8_t type = s.ReadByte();
    const std::uint8_t scale = s.ReadByte();
    (void)type;
    std::memset(b + rec::kSlotBytes, 0, CLyricLine::kFixedSize - rec::kSlotBytes);
    ConstructItem(CLyricLine::kTypeCode, &item);
    item.CBaseItem::SetType(CLyricLine::kTypeCode);
    item.CBaseItem::SetScale(scale);
    item.CBaseItem::SetSize(CLyricLine::kFixedSize);
    for (int at : {8, 9, 12, 13}) b[at] = s.ReadByte();
    rec::Put<std::int16_t>(b, 10, std::int16_t(s.ReadWord()));
    const int entries = std::int16_t(s.ReadWord());
    const int length = std::int16_t(s.ReadWord());
    for (int i = 0; i < 3; ++i) (void)s.ReadWord();
    ReadRecordBytes(s, b + CLyricLine::kKept, CLyricLine::kKeptSize);
    if (entries < 0 || length < 0) ThrowDamagedRecord(s);
    rec::Put<std::int16_t>(b, CLyricLine::kEntryCount, std::int16_t(entries));
    rec::Put<std::int16_t>(b, CLyricLine::kTextLength, std::int16_t(length));
    if (entries == 0 || length == 0) {
        // Nothing follows the kept bytes; a text without entries is not kept either.
        rec::Put<std::int16_t>(b, CLyricLine::kTextLength, 0);
        return;
    }
    int at = CLyricLine::kText;
    if (at + length + 2 > room) ThrowDamagedRecord(s);
    ReadRecordBytes(s, b + at, length);
    at += length;
    const int runs = std::int16_t(s.ReadWord());
    if (runs < 0 || at + 2 + CLyricLine::kRunSize * runs + CLyricLine::kEntrySize * entries > room) ThrowDamagedRecord(s);
    rec::Put<std::int16_t>(b, std::size_t(at), std::int16_t(runs));
    at += 2;
    for (int i = 0; i < runs; ++i, at += CLyricLine::kRunSize) {
        rec::Put<std::int16_t>(b, std::size_t(at), std::int16_t(s.ReadWord()));
        rec::Put<std::uint16_t>(b, std::size_t(at + 2), s.ReadWord());
        rec::Put<std::uint16_t>(b, std::size_t(at + 4), s.ReadWord());
        b[at + 6] = s.ReadByte();
        b[at + 7] = s.ReadByte();
    }
    for (int i = 0; i < entries; ++i, at += CLyricLine::kEntrySize) {
        rec::Put<std::int16_t>(b, std::size_t(at), std::int16_t(s.ReadWord()));
        rec::Put<std::int16_t>(b, std::size_t(at + 2), std::int16_t(s.ReadWord()));
        b[at + 4] = s.ReadByte();
        const std::uint8_t field = s.ReadByte() & 3;
        const std::uint8_t run = s.ReadByte() & 0x3F;
        (void)s.ReadByte();
        b[at + 5] = std::uint8_t(field | (run << 2));
    }
    item.CBaseItem::SetSize(std::int16_t(at));
}

int LyricLineBehaviour::GetWantedSize(CScoreItem& item) const {
    auto& line = static_cast<CLyricLine&>(item);
    return line.CheckLayout() ? line.WantedSize() : item.RecordSizeField();
}

void LyricLineBehaviour::ResolveFonts(CScoreItem& item, CFontArray* fonts) const {
    auto& line = static_cast<CLyricLine&>(item);
    if (!line.CheckLayout() || line.GetEntryCount() == 0 || line.GetTextLength() == 0) return;
    for (int i = 0, n = line.GetRunCount(); i < n; ++i) ResolveFontAt(fonts, line.GetTextEnd() + 2 + CLyricLine::kRunSize * i + 2);
}
