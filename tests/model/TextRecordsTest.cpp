// The records of the score's words and single signs: texts and page texts, lyric syllables and
// lines, and symbols. Their sizes, their stored forms byte by byte and back, the fix-ups of
// older files, the filling of syllables from their lines, and damaged records refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FrameTestSupport.h"
#include "RecordTestSupport.h"
#include "framework/Exceptions.h"
#include "framework/Globals.h"
#include "model/ItemArray.h"
#include "model/ItemFactory.h"
#include "model/Lyric.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/Symbol.h"
#include "model/Text.h"
#include "model/TrkBar.h"
#include "platform/DrawGlobals.h"

using recordtest::Bytes;
using recordtest::Reader;
using recordtest::Written;

namespace {

constexpr FontRef kFontA{3, 12, FontRef::kBold, 0};
constexpr FontRef kFontB{5, 9, FontRef::kItalic, 0};

// A record buffer with room to spare behind the record.
struct Buf {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(1024, 0);
    template <typename T>
    T* As() { return reinterpret_cast<T*>(bytes.data()); }
};

// The stored form of one record (head and body).
Bytes Stored(CScoreItem* item) {
    return Written([&](CChunkStream& s) { item->Write(s); });
}

// Reads one stored record into a fresh buffer (room: 1024 bytes).
CScoreItem* ReadInto(Buf& into, const Bytes& stored) {
    fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, 1024);
    ConstructClass(255, into.bytes.data());
    auto* item = ItemCast<CScoreItem>(into.bytes.data());
    Reader r(stored);
    item->Read(r.stream);
    return item;
}

Bytes RecordBytes(CScoreItem* item) {
    const auto* p = item->Bytes();
    return Bytes(p, p + item->RecordSizeField());
}

// A styled text: "ab\rcd" (length 6) in two runs (0 and 3) and two lines (0 and 3).
CText* MakeStyled(Buf& b) {
    const int size = 50 + 6 + 2 + 16 + 2 + 16;
    auto* t = static_cast<CText*>(ConstructClass(CText::kTypeCode, b.bytes.data()));
    t->CBaseItem::SetSize(std::int16_t(size));
    rec::Put<std::int16_t>(t, CText::kTextLength, 6);
    std::memcpy(t->GetText(), "ab\rcd", 6);
    std::uint8_t* runs = t->GetStyleRuns();
    rec::Put<std::int16_t>(runs, 0, 2);
    rec::Put<std::int16_t>(runs, 2, 0);
    std::memcpy(runs + 4, &kFontA, 6);
    rec::Put<std::int16_t>(runs, 10, 3);
    std::memcpy(runs + 12, &kFontB, 6);
    std::uint8_t* lines = runs + 18;
    rec::Put<std::int16_t>(lines, 0, 2);
    const std::int16_t words[2][4] = {{0, 7, 300, 240}, {3, 8, 320, 250}};
    for (int i = 0; i < 2; ++i)
        for (int w = 0; w < 4; ++w) rec::Put<std::int16_t>(lines, std::size_t(2 + 8 * i + 2 * w), words[i][w]);
    return t;
}

std::uint8_t StoredTextFlags(std::uint8_t v) {
    return std::uint8_t(((v & 1) << 7) | ((v & 2) << 5) | ((v & 4) << 3) | (((v >> 3) & 3) << 3) | (v >> 5));
}
std::uint8_t StoredPlacement(std::uint8_t v) {
    return std::uint8_t(((v & 1) << 7) | (((v >> 1) & 3) << 5) | (((v >> 3) & 7) << 2) | (v >> 6));
}

}  // namespace

// --- texts --------------------------------------------------------------------------------------

TEST(TextRecordTest, WantedSizesCountTheTextAndItsFonts) {
    recordtest::CleanGlobals clean;
    Buf plain;
    CText* t = CText::MakePlain(plain.bytes.data(), 1024, CText::kTypeCode, CText::kBarText, "Allegro", kFontA, false);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetTextLength(), 8) << "7 characters and the zero";
    EXPECT_EQ(t->WantedSize(), 64);
    EXPECT_EQ(t->GetWantedSize(), 64);
    EXPECT_EQ(CText::EvenTextLength(6), 8) << "6 characters and the zero, rounded up";
    Buf styled;
    EXPECT_EQ(MakeStyled(styled)->WantedSize(), 50 + 6 + 2 + 16 + 2 + 16);
}

TEST(TextRecordTest, StoredFormsAreExactAndReadBack) {
    recordtest::CleanGlobals clean;
    Buf b;
    CText* t = MakeStyled(b);
    t->SetKind(CText::kMarkingText);
    rec::Put<std::uint8_t>(t, CText::kPlacement, 0x01);
    t->SetX(-100);
    rec::Put<std::int32_t>(t, CText::kYOffset, 1000000);
    std::uint8_t frame[CText::kFrameSize];
    CText::DefaultFrame(frame);
    frame[0] = 9;
    t->SetFrame(frame, true);
    rec::Put<std::int16_t>(t, CText::kPageNumber, 3);
    const Bytes before = RecordBytes(t);

    const Bytes stored = Stored(t);
    ASSERT_EQ(stored.size(), std::size_t(t->RecordSizeField() - 4));
    // Body after the 12-byte head: flags, placement, four 32-bit coordinates divided by 5.
    EXPECT_EQ(stored[12], 0x82) << "framed in bit 7, marking kind 2 in bits 2-0";
    EXPECT_EQ(stored[13], 0x80) << "system text in bit 7";
    EXPECT_EQ(Bytes(stored.begin() + 14, stored.begin() + 18), Bytes({0xFF, 0xFF, 0xFF, 0xEC})) << "-100 / 5";
    EXPECT_EQ(Bytes(stored.begin() + 18, stored.begin() + 22), Bytes({0x00, 0x03, 0x0D, 0x40})) << "200000";
    EXPECT_EQ(stored[30], 9) << "the frame's bytes raw";
    EXPECT_EQ(Bytes(stored.begin() + 36, stored.begin() + 42), Bytes({0, 8, 0, 8, 0, 4})) << "margins and width / 5";
    EXPECT_EQ(Bytes(stored.begin() + 42, stored.begin() + 46), Bytes({0, 3, 0, 6})) << "page number, text length";
    EXPECT_EQ(Bytes(stored.begin() + 46, stored.begin() + 52), Bytes({'a', 'b', '\r', 'c', 'd', 0}));
    EXPECT_EQ(Bytes(stored.begin() + 52, stored.begin() + 62), Bytes({0, 2, 0, 0, 0, 3, 0, 12, 1, 0}))
        << "run count, first run's offset and font";
    EXPECT_EQ(Bytes(stored.begin() + 70, stored.begin() + 82), Bytes({0, 2, 0, 0, 0, 7, 1, 44, 0, 240, 0, 3}))
        << "line count, first line's four words";

    Buf back;
    CScoreItem* read = ReadInto(back, stored);
    EXPECT_EQ(RecordBytes(read), before);
    EXPECT_FALSE(static_cast<CText*>(read)->IsTrackText()) << "a marking text with the system-text bit";
}

TEST(TextRecordTest, BothFlagBytesRoundTripForEveryValue) {
    recordtest::CleanGlobals clean;
    for (int v = 0; v < 256; ++v) {
        SCOPED_TRACE(v);
        Buf b;
        CText* t = (v & CText::kSingleFontBit)
                       ? CText::MakePlain(b.bytes.data(), 1024, CText::kTypeCode, 0, "x", kFontA, false)
                       : MakeStyled(b);
        rec::Put<std::uint8_t>(t, CText::kFlags, std::uint8_t(v));
        rec::Put<std::uint8_t>(t, CText::kPlacement, std::uint8_t(v));
        const Bytes before = RecordBytes(t);
        const Bytes stored = Stored(t);
        ASSERT_GT(stored.size(), 14u);
        EXPECT_EQ(stored[12], StoredTextFlags(std::uint8_t(v)));
        EXPECT_EQ(stored[13], StoredPlacement(std::uint8_t(v)));
        Buf back;
        EXPECT_EQ(RecordBytes(ReadInto(back, stored)), before);
    }
}

TEST(TextRecordTest, SurplusBytesAreWrittenAndTheNextRecordStaysInStep) {
    recordtest::CleanGlobals clean;
    Buf b;
    CText* t = CText::MakePlain(b.bytes.data(), 1024, CText::kTypeCode, 1, "abc", kFontB, false);
    const int wanted = t->RecordSizeField();
    t->CBaseItem::SetSize(std::int16_t(wanted + 4));
    std::memcpy(t->Bytes() + wanted, "\x11\x22\x33\x44", 4);
    Buf other;
    CText* next = CText::MakePlain(other.bytes.data(), 1024, CText::kTypeCode, 0, "next", kFontA, false);
    Bytes stored = Stored(t);
    ASSERT_EQ(stored.size(), std::size_t(wanted + 4 - 4));
    EXPECT_EQ(Bytes(stored.end() - 4, stored.end()), Bytes({0x11, 0x22, 0x33, 0x44}));
    const Bytes second = Stored(next);
    stored.insert(stored.end(), second.begin(), second.end());

    Buf back1, back2;
    fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, 1024);
    Reader r(stored);
    ConstructClass(255, back1.bytes.data());
    ItemCast<CScoreItem>(back1.bytes.data())->Read(r.stream);
    ConstructClass(255, back2.bytes.data());
    ItemCast<CScoreItem>(back2.bytes.data())->Read(r.stream);
    EXPECT_EQ(back1.As<CText>()->RecordSizeField(), wanted) << "the read record takes its wanted size";
    EXPECT_STREQ(back1.As<CText>()->GetText(), "abc");
    EXPECT_STREQ(back2.As<CText>()->GetText(), "next");
    EXPECT_EQ(std::memcmp(&kFontA, back2.As<CText>()->GetFontRecord(), 6), 0);
}

TEST(TextRecordTest, DamagedLayoutsAreRefusedAndNothingIsWrittenPastTheRoom) {
    recordtest::CleanGlobals clean;
    Buf good;
    const Bytes base = Stored(MakeStyled(good));
    // Stored offsets: text length at 44, the text at 46, run count at 52, first run at 54,
    // line count at 70, first line at 72.
    struct Case {
        const char* what;
        int at;
        Bytes value;
    } cases[] = {
        {"negative text length", 44, {0xFF, 0xFE}},
        {"text length past the record", 44, {0x10, 0x00}},
        {"text without its zero", 51, {'e'}},
        {"negative run count", 52, {0x80, 0x00}},
        {"runs past the record", 52, {0x00, 0x09}},
        {"run offset past the text", 54, {0x00, 0x07}},
        {"negative line count", 70, {0xFF, 0xFF}},
        {"lines past the record", 70, {0x00, 0x03}},
        {"line offset past the text", 72, {0x7F, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bad = base;
        std::memcpy(bad.data() + c.at, c.value.data(), c.value.size());
        std::vector<std::uint8_t> into(200, 0xCC);
        ConstructClass(255, into.data());
        fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, 100);
        Reader r(bad);
        EXPECT_THROW(ItemCast<CScoreItem>(into.data())->Read(r.stream), CArchiveException);
        for (std::size_t i = 100; i < into.size(); ++i) ASSERT_EQ(into[i], 0xCC) << i;
    }
}

TEST(TextRecordTest, DoubleByteTextsRoundTrip) {
    recordtest::CleanGlobals clean;
    // Two GBK characters and a Latin one: 5 bytes, length 6.
    const char* text = "\xB8\xE8\xB4\xCA" "a";
    Buf b;
    CText* t = CText::MakePlain(b.bytes.data(), 1024, CText::kTypeCode, 0, text, kFontA, true);
    EXPECT_EQ(t->GetTextLength(), 6);
    EXPECT_EQ(t->WantedSize(), 62);
    Buf back;
    auto* read = static_cast<CText*>(ReadInto(back, Stored(t)));
    EXPECT_STREQ(read->GetText(), text);
    EXPECT_TRUE(read->IsFramed());
    EXPECT_EQ(RecordBytes(read), RecordBytes(t));
}

TEST(TextRecordTest, PageFiltersChooseTheirPages) {
    recordtest::CleanGlobals clean;
    Buf b;
    CText* t = CText::MakePlain(b.bytes.data(), 1024, CText::kPageTypeCode, CText::kPageText, "p", kFontA, false);
    rec::Put<std::int16_t>(t, CText::kPageNumber, 2);
    struct Case {
        int filter;
        const char* shown;  // pages 1-5
    } cases[] = {{0, "01000"}, {1, "11111"}, {2, "10101"}, {3, "01010"}, {4, "01111"}, {5, "00000"}};
    for (const Case& c : cases) {
        rec::Put<std::uint8_t>(t, CText::kPlacement, std::uint8_t(c.filter << 3));
        std::string shown;
        for (int page = 1; page <= 5; ++page) shown += t->ShowsOnPage(page) ? '1' : '0';
        EXPECT_EQ(shown, c.shown) << "filter " << c.filter;
    }
    EXPECT_FALSE(t->IsTrackItem()) << "page texts belong to the page";
}

// --- lyrics ---------------------------------------------------------------------------------------

TEST(LyricRecordTest, SyllableSizesAreEven) {
    EXPECT_EQ(CLyric::SizeFor(3), 40);
    EXPECT_EQ(CLyric::SizeFor(4), 42);
    EXPECT_EQ(CLyric::SizeFor(0), 38);
}

TEST(LyricRecordTest, StoredFormRoundTripsWithDoubleByteText) {
    recordtest::CleanGlobals clean;
    Buf b;
    CLyric* l = CLyric::Make(b.bytes.data(), 4, 7, 1, "\xB8\xE8", kFontB);
    ASSERT_EQ(l->RecordSizeField(), 40);
    l->SetLyricFlags(std::uint8_t(l->LyricFlags() | CLyric::kHyphenBit | 0x40));
    l->SetX(-25);
    l->SetY(60);
    rec::Put<std::int16_t>(l, CLyric::kHyphenOffset, -3);
    const Bytes stored = Stored(l);
    ASSERT_EQ(stored.size(), 36u);
    EXPECT_EQ(stored[12], 0x80 | 0x10 | 0x01) << "hyphen in bit 7, holds text in bit 4, the 2-bit field low";
    EXPECT_EQ(Bytes(stored.begin() + 14, stored.begin() + 26), Bytes({0xFF, 0xFB, 0, 12, 0xFF, 0xFD, 0, 4, 0, 7, 0, 1}));
    EXPECT_EQ(Bytes(stored.begin() + 32, stored.end()), Bytes({0xB8, 0xE8, 0, 0}));
    Buf back;
    CScoreItem* read = ReadInto(back, stored);
    EXPECT_EQ(RecordBytes(read), RecordBytes(l));
    EXPECT_STREQ(static_cast<CLyric*>(read)->GetText(), "\xB8\xE8");

    // A text that runs to the record's end without its zero is refused.
    Bytes bad = stored;
    bad[34] = 'x';
    bad[35] = 'y';
    Buf none;
    EXPECT_THROW(ReadInto(none, bad), CArchiveException);
}

namespace {

// A score of one track and bar with a lyric line of the given entries.
struct LyricScore {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s{1, {1}};
    CTrkBar* bar() { return s.score->GetTrkBar(0, 0); }
    explicit LyricScore(std::vector<const char*> entries) {
        std::vector<std::uint8_t> line(512, 0);
        CLyricLine::Make(line.data(), 512, entries.data(), int(entries.size()), kFontA);
        // The last entry's font differs, so a syllable takes its own run's.
        auto* l = reinterpret_cast<CLyricLine*>(line.data());
        std::memcpy(l->GetTextEnd() + 2 + 8 * (l->GetRunCount() - 1) + 2, &kFontB, 6);
        s.score->GetLyricArray()->Add(line.data());
        g_model.currentScore = s.score.get();
    }
    // A syllable without text of entry `index` at the time, its flags as given.
    CLyric* Add(int time, int line, int index, std::uint8_t flags) {
        std::vector<std::uint8_t> bytes(64, 0);
        CLyric* l = CLyric::Make(bytes.data(), line, index, 0, "", FontRef{});
        l->SetLyricFlags(flags);
        l->SetTimeField(std::int16_t(time));
        return static_cast<CLyric*>(bar()->InsertCopy(l));
    }
};

}  // namespace

TEST(LyricRecordTest, SyllablesAreFilledFromTheirLines) {
    struct Case {
        const char* what;
        int line, index;
        std::uint8_t flags;
        bool removed;
        const char* text;
        bool hyphen;
    } cases[] = {
        {"\"la\" before a \"-\" entry takes its hyphen", 0, 0, 0, false, "la", true},
        {"a \"-\" that its hyphen bit already shows goes", 0, 1, CLyric::kHyphenBit, true, "", true},
        {"a \"-\" without the bit stays", 0, 1, 0, false, "-", false},
        {"a \"_\" without its extender bit goes", 0, 2, 0, true, "", false},
        {"a \"_\" with its extender bit stays", 0, 2, CLyric::kExtenderBit, false, "_", false},
        {"the last entry, its own font", 0, 3, 0, false, "li", false},
        {"an index equal to the entry count goes", 0, 4, 0, true, "", false},
        {"a line that does not exist", 1, 0, 0, true, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LyricScore ls({"la", "-", "_", "li"});
        CLyric* l = ls.Add(0, c.line, c.index, c.flags);
        ls.bar()->SetCurrent();
        l = CLyric::SyncFromLine(l, ls.bar(), ls.s.score->GetLyricArray());
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->IsRemoved(), c.removed);
        if (c.removed) continue;
        EXPECT_TRUE(l->HoldsText());
        EXPECT_STREQ(l->GetText(), c.text);
        EXPECT_EQ(l->RecordSizeField(), CLyric::SizeFor(int(std::strlen(c.text))));
        EXPECT_EQ(l->HasHyphen(), c.hyphen);
        const FontRef want = c.index == 3 ? kFontB : kFontA;
        const FontRef got = l->GetFont();
        EXPECT_EQ(std::memcmp(&got, &want, 6), 0);
    }
}

TEST(LyricRecordTest, ADamagedEntryRemovesItsSyllable) {
    struct Case {
        const char* what;
        int offset, length, run;
    } cases[] = {
        {"offset past the text", 40, 1, 0},
        {"length past the text", 0, 200, 0},
        {"negative offset", -2, 1, 0},
        {"run index past the runs", 0, 2, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LyricScore ls({"la", "li"});
        auto* line = static_cast<CLyricLine*>(ls.s.score->GetLyricArray()->GetItem(0));
        std::uint8_t* e = line->GetEntry(0);
        rec::Put<std::int16_t>(e, 0, std::int16_t(c.offset));
        e[4] = std::uint8_t(c.length);
        e[5] = std::uint8_t(c.run << 2);
        ls.Add(0, 0, 0, 0);
        ls.Add(480, 0, 1, 0);
        ls.bar()->SetCurrent();
        auto* l = static_cast<CLyric*>(ls.bar()->FirstItem());
        ASSERT_TRUE(l->IsLyric());
        l = CLyric::SyncFromLine(l, ls.bar(), ls.s.score->GetLyricArray());
        EXPECT_TRUE(l->IsRemoved());
        ASSERT_TRUE(l->NextItem()->IsLyric());
        CLyric* kept = CLyric::SyncFromLine(static_cast<CLyric*>(l->NextItem()), ls.bar(), ls.s.score->GetLyricArray());
        EXPECT_FALSE(kept->IsRemoved());
        EXPECT_STREQ(kept->GetText(), "li");
    }
}

TEST(LyricRecordTest, ReadingAScoreFillsItsSyllables) {
    LyricScore ls({"do", "-", "re"});
    ls.Add(0, 0, 0, 0);
    ls.Add(480, 0, 2, 0);
    ls.bar()->AfterLoadFixup(0x410);
    std::vector<std::string> texts;
    for (CBarItem* item = ls.bar()->FirstItem(); item && item->TypeCode() != 255; item = item->NextItem())
        if (item->IsLyric() && !item->IsRemoved()) texts.push_back(static_cast<CLyric*>(item)->GetText());
    EXPECT_EQ(texts, std::vector<std::string>({"do", "re"}));
}

TEST(LyricRecordTest, LinesStoreTheirTablesOnlyWithTextAndEntries) {
    recordtest::CleanGlobals clean;
    std::vector<std::uint8_t> bytes(256, 0);
    const char* syllables[] = {"\xB8\xE8", "la"};
    CLyricLine* line = CLyricLine::Make(bytes.data(), 256, syllables, 2, kFontA);
    line->GetEntry(1)[5] |= 2;  // the kept 2-bit field
    rec::Put<std::int16_t>(line->GetEntry(0), 2, 77);
    const Bytes stored = Stored(line);
    // Size, type, scale, four bytes, a word, the two counts, three zero words, 32 kept bytes;
    // the text, the run count, two runs, two 8-byte entries.
    ASSERT_EQ(stored.size(), 52u + 6 + 2 + 16 + 16);
    EXPECT_EQ(Bytes(stored.begin() + 10, stored.begin() + 20), Bytes({0, 2, 0, 6, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Bytes(stored.begin() + 76, stored.begin() + 84), Bytes({0, 0, 0, 77, 2, 0, 0, 0}));
    EXPECT_EQ(Bytes(stored.begin() + 84, stored.begin() + 92), Bytes({0, 3, 0, 0, 2, 2, 1, 0}));
    Buf back;
    back.bytes.assign(1024, 0);
    ConstructClass(CLyricLine::kTypeCode, back.bytes.data());
    fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, 1024);
    Reader r(stored);
    back.As<CLyricLine>()->Read(r.stream);
    EXPECT_EQ(RecordBytes(back.As<CLyricLine>()), RecordBytes(line));

    // Without entries the element ends after the 32 kept bytes.
    rec::Put<std::int16_t>(line, CLyricLine::kEntryCount, 0);
    EXPECT_EQ(Stored(line).size(), 52u);
    EXPECT_EQ(line->WantedSize(), 50 + line->GetTextLength());
}

// --- symbols --------------------------------------------------------------------------------------

TEST(SymbolRecordTest, FlagsRoundTripForEveryValue) {
    recordtest::CleanGlobals clean;
    for (int v = 0; v < 256; ++v) {
        SCOPED_TRACE(v);
        Buf b;
        CSymbol* s = CSymbol::Make(b.bytes.data(), 65, kFontA, std::uint8_t(v));
        s->SetX(-50);
        s->SetY(125);
        rec::Put<std::int16_t>(s, CSymbol::kVelocity, 300);
        s->Bytes()[CSymbol::kController] = 8;
        const Bytes stored = Stored(s);
        ASSERT_EQ(stored.size(), 58u);
        const std::uint8_t want = std::uint8_t(((v & 1) << 7) | ((v & 2) << 5) | ((v & 4) << 3) | ((v & 8) << 1) |
                                               ((v & 16) >> 1) | (v >> 5));
        EXPECT_EQ(stored[16], want);
        EXPECT_EQ(Bytes(stored.begin() + 12, stored.begin() + 16), Bytes({0xFF, 0xF6, 0, 25}));
        EXPECT_EQ(Bytes(stored.end() - 2, stored.end()), Bytes({1, 44})) << "the velocity word big-endian";
        Buf back;
        EXPECT_EQ(RecordBytes(ReadInto(back, stored)), RecordBytes(s));
    }
}

TEST(SymbolRecordTest, OlderFilesGainTheirPlaybackSettings) {
    struct Case {
        int character;
        int oldValue;
        std::uint8_t byte30, controller, value, byte38;
    } cases[] = {
        {208, 0, 0, 65, 127, 0},  // the sustain pedal down
        {209, 0, 0, 65, 0, 0},    // and up
        {178, 0, 32, 0, 0, 10},   // an old value of 0 becomes 10
        {185, 7, 32, 0, 0, 7},
        {65, 7, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.character);
        recordtest::CleanGlobals clean;
        SetLoadedFileVersion(0x3FF, 0);
        // A record of that version: the fixed fields without a playback setting (30 bytes).
        Buf b;
        CSymbol* s = CSymbol::Make(b.bytes.data(), c.character, kFontA, CSymbol::kOldFileBit | CSymbol::kMusicFontBit);
        s->Bytes()[CSymbol::kOldValue] = std::uint8_t(c.oldValue);
        // Files of that version store the bar-item head without its colour bytes.
        Bytes stored = Stored(s);
        stored.resize(26);
        stored.erase(stored.begin() + 10, stored.begin() + 12);
        stored[1] = 28;  // the size counts the class slot
        Buf back;
        auto* read = static_cast<CSymbol*>(ReadInto(back, stored));
        ASSERT_EQ(read->RecordSizeField(), 62);
        EXPECT_EQ(read->SymbolFlags(), CSymbol::kMusicFontBit) << "bit 4 cleared";
        EXPECT_EQ(read->Bytes()[30], c.byte30);
        EXPECT_EQ(read->Bytes()[34], c.controller);
        EXPECT_EQ(read->Bytes()[36], c.value);
        EXPECT_EQ(read->Bytes()[38], c.byte38);
    }
    // Today's files: a record shorter than a symbol is padded with a zeroed setting.
    recordtest::CleanGlobals clean;
    Buf b;
    CSymbol* s = CSymbol::Make(b.bytes.data(), 208, kFontA, CSymbol::kOldFileBit);
    Bytes stored = Stored(s);
    stored.resize(40);
    stored[1] = 44;
    std::memset(stored.data() + 26, 0x5A, 14);
    Buf back;
    auto* read = static_cast<CSymbol*>(ReadInto(back, stored));
    EXPECT_EQ(read->RecordSizeField(), 62);
    EXPECT_EQ(read->SymbolFlags(), CSymbol::kOldFileBit) << "kept in today's files";
    for (int i = 30; i < 62; ++i) EXPECT_EQ(read->Bytes()[i], 0) << i;
}

TEST(SymbolRecordTest, MusicSymbolsTakeTheCurrentMusicFont) {
    recordtest::CleanGlobals clean;
    g_draw.defaultMusicFontRef = FontRef{42, 24, 0, 0};
    Buf music, text, mark;
    CSymbol* m = CSymbol::Make(music.bytes.data(), 142, kFontA, CSymbol::kMusicFontBit);
    CSymbol* t = CSymbol::Make(text.bytes.data(), 'A', kFontA, 0);
    CSymbol* bar = CSymbol::Make(mark.bytes.data(), 0, kFontB, CSymbol::kBarLineBit);
    for (CSymbol* s : {m, t, bar}) s->ResolveFonts(nullptr);
    EXPECT_EQ(m->GetFont().face, 42);
    EXPECT_EQ(m->GetFont().size, kFontA.size) << "only the face changes";
    EXPECT_EQ(bar->GetFont().face, 42);
    EXPECT_EQ(t->GetFont().face, kFontA.face) << "a text-font symbol keeps its face without a table";
    EXPECT_TRUE(m->IsTrackItem());
    EXPECT_FALSE(bar->IsTrackItem()) << "a bar-line mark lives in the bar's own items";
}

TEST(SymbolRecordTest, DataValuesFollowTheViewsKind) {
    recordtest::CleanGlobals clean;
    Buf b;
    CSymbol* s = CSymbol::Make(b.bytes.data(), 208, kFontA, CSymbol::kMusicFontBit);
    s->Bytes()[CSymbol::kController] = 65;  // controller 64
    s->Bytes()[CSymbol::kControllerValue] = 100;
    rec::Put<std::int16_t>(s, CSymbol::kVelocity, 90);
    struct Case {
        int kind, controller;
        bool velocityBit;
        int value;
    } cases[] = {
        {3, 64, false, 100}, {3, 7, false, 65535}, {2, 0, true, 90}, {2, 0, false, 65535}, {0, 64, true, 65535},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind * 1000 + c.controller);
        g_model.dataView.kind = std::uint8_t(c.kind);
        g_model.dataView.controller = std::uint8_t(c.controller);
        s->Bytes()[CSymbol::kPlayback] = c.velocityBit ? CSymbol::kVelocityBit : 0;
        EXPECT_EQ(s->GetDataValue(), c.value);
        s->SetDataValue(55);
        EXPECT_EQ(s->GetDataValue(), c.value == 65535 ? 65535 : 55);
        s->Bytes()[CSymbol::kControllerValue] = 100;
        rec::Put<std::int16_t>(s, CSymbol::kVelocity, 90);
    }
    EXPECT_EQ(s->GetController(), 64);
    s->Bytes()[CSymbol::kPlayback] = CSymbol::kVelocityBit;
    EXPECT_EQ(s->GetVelocity(), -1) << "byte 39 is not 1";
    s->Bytes()[CSymbol::kVelocitySwitch] = 1;
    EXPECT_EQ(s->GetVelocity(), 90);
}

// --- the raw conversion -----------------------------------------------------------------------------

TEST(TextRecordsTest, TheRawConversionMatchesTheStoredBodyAndIsUndoneByReading) {
    recordtest::CleanGlobals clean;
    Buf text, page, lyric, symbol;
    CText* t = MakeStyled(text);
    t->SetX(-35);
    rec::Put<std::uint8_t>(t, CText::kFlags, 0x5B & ~CText::kSingleFontBit);
    CText* p = CText::MakePlain(page.bytes.data(), 1024, CText::kPageTypeCode, 3, "page", kFontB, true);
    p->SetY(-10);
    CLyric* l = CLyric::Make(lyric.bytes.data(), 1, 2, 3, "word", kFontA);
    l->SetX(15);
    CSymbol* s = CSymbol::Make(symbol.bytes.data(), 142, kFontB, 0xA7);
    s->SetY(-45);
    rec::Put<std::int16_t>(s, CSymbol::kPlaybackWords + 4, 1234);
    for (CScoreItem* item : std::initializer_list<CScoreItem*>{t, p, l, s}) {
        SCOPED_TRACE(item->TypeCode());
        const Bytes original = RecordBytes(item);
        const Bytes stored = Stored(item);
        Bytes raw(original.size());
        item->CopyInFileOrder(raw.data());
        // The body in file order is what the field-by-field writer writes after its head.
        EXPECT_EQ(Bytes(raw.begin() + 16, raw.end()), Bytes(stored.begin() + 12, stored.end()));
        // Reading's conversion gives the record back.
        std::memcpy(raw.data(), original.data(), 16);
        ItemCast<CScoreItem>(raw.data())->FromFileOrder();
        EXPECT_EQ(raw, original);
    }
}
