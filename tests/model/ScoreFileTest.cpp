// The score file as a whole: a small score saved, read back and saved again to the same bytes;
// the reader's rules for magic, versions, unknown and missing chunks; the crash-safe save.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <sys/wait.h>
#include <cstring>
#include <string>
#include <vector>

#include "HostileFileSupport.h"
#include "RecordTestSupport.h"
#include "TrkBarTestSupport.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Memory.h"
#include "model/Bar.h"
#include "model/EngraverSettings.h"
#include "model/ItemArray.h"
#include "model/Lyric.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreFile.h"
#include "model/Symbol.h"
#include "model/Tempo.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Text.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/DrawGlobals.h"
#include "platform/FontMap.h"
#include "platform/Handles.h"
#include "platform/Port.h"

namespace {

using recordtest::Bytes;
using recordtest::CleanGlobals;

struct ScoreFileTest : ::testing::Test {
    CleanGlobals clean;
    CZelDoc doc;

    // Two tracks, three bars, one page holding the one system that holds the three bars,
    // items in every bar of every track.
    void Build(CScore& score) {
        g_model.currentScore = &score;
        ASSERT_TRUE(score.GetTrackArray()->SetSize(2));
        for (int t = 0; t < 2; ++t) {
            CTrack* track = score.GetTrack(t);
            track->Init(t, t, 1984);
            track->SetName(t ? "Bass" : "Melody");
            track->SetVoicePatch(-1, 40 + t, false);
        }
        ASSERT_TRUE(score.GetPageArray()->SetSize(1));
        score.GetPage(0)->Init(&score);
        ASSERT_NE(score.GetLineArray()->InsertEmpty(0), nullptr);
        CLine* line = static_cast<CLine*>(score.GetLineArray()->GetAt(0));
        line->Init(score.GetPage(0));
        score.GetPage(0)->SetSystemCount(1);
        line->SetBarCount(3);
        ASSERT_TRUE(line->InsertStaff(0));
        ASSERT_TRUE(line->InsertStaff(1));
        for (int b = 0; b < 3; ++b) ASSERT_NE(score.GetBarArray()->InsertEmpty(b), nullptr);
        score.trackCount = 2;
        score.pageCount = 1;
        score.lineCount = 1;
        score.barCount = 3;
        for (int t = 0; t < 2; ++t)
            for (int b = 0; b < 3; ++b) {
                ASSERT_TRUE(score.InsertTrkBar(t, b));
                CTrkBar* bar = score.GetTrkBar(t, b);
                trkbartest::Append(bar, {trkbartest::Item(171, 16, 0, t), trkbartest::Item(174, 16, 240 * (b + 1), 1)});
            }
    }
};

std::vector<std::uint8_t> Save(CScore& score, ScoreFileDoc& d) { return ScoreFile::WriteToBytes(score, d); }

// Reads bytes into a fresh score; the error code on a coded failure, 0 on success.
int Load(CZelDoc& doc, const std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t>* again = nullptr) {
    CScore score(&doc);
    ScoreFileDoc d;
    CMemFile file(bytes);
    SetErrorCode(0);
    try {
        ScoreFile::Open(score, d, file);
    } catch (const CUserException&) {
        return GetErrorCode();
    }
    if (again) *again = Save(score, d);
    return 0;
}

std::uint32_t BE32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) | (std::uint32_t(b[at + 2]) << 8) | b[at + 3];
}

// The offset of the first chunk of the tagged tail with this tag (searching from the header on).
std::size_t Find(const std::vector<std::uint8_t>& b, const char* tag) {
    for (std::size_t i = 152; i + 4 <= b.size(); ++i)
        if (std::memcmp(&b[i], tag, 4) == 0) return i;
    return std::string::npos;
}

TEST_F(ScoreFileTest, ASmallScoreRoundTripsToTheSameBytes) {
    CScore score(&doc);
    Build(score);
    ScoreFileDoc d;
    std::strcpy(d.titles[0].lines[0].text, "Sonatina");
    std::strcpy(d.titles[4].lines[0].text, "page #P");
    const auto first = Save(score, d);
    ASSERT_EQ(std::memcmp(first.data(), "ZLSC", 4), 0);
    EXPECT_EQ(BE32(first, 4), 144u);
    EXPECT_EQ(first[47], 2);                 // low byte of the track count
    EXPECT_EQ((first[52] << 8) | first[53], 3);  // bar count
    EXPECT_EQ(BE32(first, first.size() - 8), 0xFFFFFFFFu);
    EXPECT_EQ(BE32(first, first.size() - 4), 0u);
    EXPECT_EQ(Find(first, "PGTX"), std::string::npos);

    std::vector<std::uint8_t> second;
    ASSERT_EQ(Load(doc, first, &second), 0);
    EXPECT_EQ(second, first);
}

// What the file says of the layout holds once it is read: its engraver settings become the
// current ones, and a file document that goes takes that pointer with it.
TEST_F(ScoreFileTest, AReadMakesTheFilesEngraverSettingsCurrent) {
    CScore score(&doc);
    Build(score);
    ScoreFileDoc d;
    d.engraver.SetWord(EngraverSettings::kBarsPerSystem, 7);
    const auto bytes = Save(score, d);
    {
        CScore back(&doc);
        ScoreFileDoc d2;
        CMemFile file(bytes);
        ASSERT_TRUE(ScoreFile::Open(back, d2, file));
        EXPECT_EQ(&CurrentEngraverSettings(), &d2.engraver);
        EXPECT_EQ(CurrentEngraverSettings().GetWord(EngraverSettings::kBarsPerSystem), 7);
    }
    EXPECT_EQ(g_model.engraverSettings, nullptr);
    EXPECT_EQ(CurrentEngraverSettings().GetWord(EngraverSettings::kBarsPerSystem), 4);
}

TEST_F(ScoreFileTest, ReadBackKeepsTracksItemsAndTitles) {
    CScore score(&doc);
    Build(score);
    ScoreFileDoc d;
    std::strcpy(d.titles[2].lines[1].text, "Anon.");
    const auto bytes = Save(score, d);

    CScore back(&doc);
    ScoreFileDoc d2;
    CMemFile file(bytes);
    ASSERT_TRUE(ScoreFile::Open(back, d2, file));
    ASSERT_EQ(back.GetTrackCount(), 2);
    ASSERT_EQ(back.GetBarCount(), 3);
    char name[32];
    EXPECT_STREQ(back.GetTrack(1)->GetName(name, true), "Bass");
    EXPECT_EQ(back.GetTrack(1)->GetVoicePatch(3), 41);
    EXPECT_EQ(trkbartest::Types(back.GetTrkBar(1, 2)), (std::vector<int>{171, 174, 255}));
    EXPECT_STREQ(d2.titles[2].lines[1].text, "Anon.");
}

// Font references travel by the names of their faces: the save records every face the font map,
// the titles and the score use; a read rewrites each reference to the face its stored name has
// here. A file written where index 3 was the face that is index 4 here reads back as index 4.
TEST_F(ScoreFileTest, FontReferencesTravelByTheNamesOfTheirFaces) {
    InitDrawing();
    CFontList& list = *GetFontList();
    ASSERT_GE(list.GetCount(), 6);
    CScore score(&doc);
    Build(score);
    ScoreFileDoc d;
    d.fontMap.musicFace = g_draw.defaultMusicFontRef.face;
    d.titles[0].lines[0].font.face = 3;
    score.textFont1.face = 5;
    std::vector<std::uint8_t> bytes = Save(score, d);
    const std::size_t at = Find(bytes, "FNTS");
    ASSERT_NE(at, std::string::npos);
    const int entries = (bytes[at + 8] << 8) | bytes[at + 9];
    std::vector<int> ids;
    for (int n = 0; n < entries; ++n) {
        const std::size_t e = at + 10 + 34 * std::size_t(n);
        const int id = std::int16_t((bytes[e] << 8) | bytes[e + 1]);
        ids.push_back(id);
        EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[e + 2]), list.GetFaceName(id)) << "entry " << n;
        // The file comes from a machine where index 3 named our face 4.
        if (id == 3) std::strncpy(reinterpret_cast<char*>(&bytes[e + 2]), list.GetFaceName(4), 31);
    }
    for (int face : {3, 5, int(g_draw.defaultMusicFontRef.face)})
        EXPECT_EQ(std::count(ids.begin(), ids.end(), face), 1) << "face " << face << " recorded once";

    CScore back(&doc);
    ScoreFileDoc d2;
    CMemFile file(bytes);
    ASSERT_TRUE(ScoreFile::Open(back, d2, file));
    EXPECT_EQ(d2.titles[0].lines[0].font.face, 4);
    EXPECT_EQ(back.textFont1.face, 5);
    EXPECT_EQ(d2.fontMap.musicFace, g_draw.defaultMusicFontRef.face);
}

// Texts, page texts, lyric lines and syllables and symbols travel by the names of their faces as
// well: a track bar that holds one is mapped after the read. A syllable stored without text takes
// its line's syllable and that run's mapped face.
TEST_F(ScoreFileTest, TheWordsAndSymbolsKeepTheirFacesByName) {
    InitDrawing();
    CFontList& list = *GetFontList();
    ASSERT_GE(list.GetCount(), 6);
    CScore score(&doc);
    Build(score);
    const FontRef three{3, 11, 0, 0};
    std::vector<std::uint8_t> text(128), page(128), symbol(64), syllable(64), line(256);
    CText::MakePlain(text.data(), 128, CText::kTypeCode, CText::kBarText, "Dolce", three, false);
    CText::MakePlain(page.data(), 128, CText::kPageTypeCode, CText::kPageText, "Page", three, false);
    CSymbol::Make(symbol.data(), 'S', three, 0);
    CLyric::Make(syllable.data(), 0, 1, 0, "", FontRef{});
    const char* syllables[] = {"do", "re"};
    CLyricLine::Make(line.data(), 256, syllables, 2, three);
    // A tempo mark of the track (its system-mark bit clear) and one among the bar's own items,
    // each with its text and number fonts.
    std::vector<std::uint8_t> trackTempo(CTempo::kSize), systemTempo(CTempo::kSize);
    for (auto* bytes : {&trackTempo, &systemTempo}) {
        CTempo* t = MakeTempoItem(bytes->data(), 9000);
        for (int at : {int(CTempo::kTextFont), int(CTempo::kNumberFont)}) std::memcpy(t->Bytes() + at, &three, sizeof three);
    }
    trackTempo[CTempo::kEquation] &= std::uint8_t(~CTempo::kSystemMarkBit);
    ASSERT_NE(score.GetBar(1)->InsertItemSorted(reinterpret_cast<CBarItem*>(systemTempo.data())), nullptr);
    CTrkBar* bar = score.GetTrkBar(1, 1);
    for (auto* bytes : {&text, &symbol, &syllable, &trackTempo}) ASSERT_NE(bar->InsertCopy(reinterpret_cast<CBarItem*>(bytes->data())), nullptr);
    ASSERT_NE(score.GetPageTextArray()->Add(page.data()), nullptr);
    ASSERT_NE(score.GetLyricArray()->Add(line.data()), nullptr);
    ScoreFileDoc d;
    std::vector<std::uint8_t> bytes = Save(score, d);
    const std::size_t at = Find(bytes, "FNTS");
    ASSERT_NE(at, std::string::npos);
    const int entries = (bytes[at + 8] << 8) | bytes[at + 9];
    bool seen = false;
    for (int n = 0; n < entries; ++n) {
        const std::size_t e = at + 10 + 34 * std::size_t(n);
        if (std::int16_t((bytes[e] << 8) | bytes[e + 1]) != 3) continue;
        seen = true;
        std::strncpy(reinterpret_cast<char*>(&bytes[e + 2]), list.GetFaceName(4), 31);
    }
    ASSERT_TRUE(seen) << "face 3 recorded";

    CScore back(&doc);
    ScoreFileDoc d2;
    CMemFile file(bytes);
    ASSERT_TRUE(ScoreFile::Open(back, d2, file));
    std::vector<int> faces;
    std::string words;
    for (CBarItem* item = back.GetTrkBar(1, 1)->FirstItem(); item && item->TypeCode() != 255; item = item->NextItem()) {
        if (item->IsRemoved()) continue;
        if (item->IsText()) faces.push_back(static_cast<CText*>(item)->GetSingleFont().face);
        if (item->IsSymbol()) faces.push_back(static_cast<CSymbol*>(item)->GetFont().face);
        if (item->IsTempo())
            for (int at : {int(CTempo::kTextFont), int(CTempo::kNumberFont)}) faces.push_back(rec::Get<std::uint16_t>(item, std::size_t(at)));
        if (item->IsLyric()) {
            faces.push_back(static_cast<CLyric*>(item)->GetFont().face);
            words += static_cast<CLyric*>(item)->GetText();
        }
    }
    EXPECT_EQ(faces, std::vector<int>({4, 4, 4, 4, 4}));
    EXPECT_EQ(words, "re");
    std::vector<int> systemFaces;
    CBar* readBar = back.GetBar(1);
    CBarItem* own = readBar->GetFirstItem();
    for (int i = 0, n = readBar->GetItemCount(); own && i < n; ++i, own = own->NextItem())
        if (own->IsTempo() && !own->IsRemoved())
            for (int at : {int(CTempo::kTextFont), int(CTempo::kNumberFont)}) systemFaces.push_back(rec::Get<std::uint16_t>(own, std::size_t(at)));
    EXPECT_EQ(systemFaces, std::vector<int>({4, 4}));
    auto* readPage = static_cast<CText*>(back.GetPageTextArray()->GetItem(0));
    ASSERT_NE(readPage, nullptr);
    EXPECT_EQ(readPage->GetSingleFont().face, 4);
    EXPECT_STREQ(readPage->GetText(), "Page");
    auto* readLine = static_cast<CLyricLine*>(back.GetLyricArray()->GetItem(0));
    ASSERT_NE(readLine, nullptr);
    EXPECT_EQ(readLine->GetRunFont(1).face, 4);
}

// A save maps the references in place to write them, then gives the open score back the fonts it
// had: a face that is not installed, a size of 0, the font map's faces all stay as they were, and a
// second save writes the same bytes.
TEST_F(ScoreFileTest, SavingLeavesTheOpenScoresFontsAsTheyWere) {
    InitDrawing();
    ASSERT_GE(GetFontList()->GetCount(), 6);
    CScore score(&doc);
    Build(score);
    ScoreFileDoc d;
    d.fontMap.musicFace = 60000;
    d.fontMap.slots[7].face = 4;
    d.titles[0].lines[0].font = FontRef{3, 0, 1, 0};
    score.textFont1 = FontRef{60000, 14, 0, 0};
    score.textFont2 = FontRef{5, 0, 2, 0};
    const auto fonts = [&] {
        std::vector<FontRef> all{score.textFont1, score.textFont2, score.textFont3, score.chordFrameFont,
                                 score.textFont5, score.staffLabelFont, score.timecodeFont};
        for (const TitleBlock& block : d.titles)
            for (const auto& line : block.lines) all.push_back(line.font);
        all.push_back(FontRef{d.fontMap.musicFace, d.fontMap.musicSize, 0, 0});
        for (const FontMapSlot& slot : d.fontMap.slots) all.push_back(FontRef{slot.face, 0, 0, 0});
        std::vector<std::uint8_t> bytes(all.size() * sizeof(FontRef));
        std::memcpy(bytes.data(), all.data(), bytes.size());
        return bytes;
    };
    const std::vector<std::uint8_t> before = fonts();
    const std::vector<std::uint8_t> first = Save(score, d);
    EXPECT_EQ(fonts(), before) << "the open score keeps its fonts";
    const std::vector<std::uint8_t> second = Save(score, d);
    EXPECT_EQ(second, first) << "a second save writes the same bytes";
    EXPECT_EQ(fonts(), before);

    // The file holds the mapped references: the face that is not installed reads back as the
    // fallback face.
    CScore back(&doc);
    ScoreFileDoc d2;
    CMemFile file(first);
    ASSERT_TRUE(ScoreFile::Open(back, d2, file));
    EXPECT_EQ(back.textFont1.face, g_draw.standardFontRefs[0].face);
    EXPECT_EQ(back.textFont2.size, g_draw.standardFontRefs[1].size);
}

TEST_F(ScoreFileTest, MagicAndVersionGates) {
    CScore score(&doc);
    Build(score);
    ScoreFileDoc d;
    auto bytes = Save(score, d);

    auto wrong = bytes;
    std::memcpy(wrong.data(), "ZLSX", 4);
    EXPECT_EQ(Load(doc, wrong), kErrWrongMagic);

    auto newer = bytes;
    newer[10] = 0x04;
    newer[11] = 0x11;  // needs 0x411
    EXPECT_EQ(Load(doc, newer), kErrNewerVersion);

    auto same = bytes;
    same[10] = 0x04;
    same[11] = 0x10;  // needs 0x410: still opens
    EXPECT_EQ(Load(doc, same), 0);
}

TEST_F(ScoreFileTest, UnknownChunksAreSkippedAndTheTailIsReadInAnyOrder) {
    CScore score(&doc);
    Build(score);
    ScoreFileDoc d;
    d.engraver.SetWord(9, 80);
    auto bytes = Save(score, d);
    const std::size_t engr = Find(bytes, "ENGR");
    ASSERT_NE(engr, std::string::npos);
    const std::vector<std::uint8_t> junk = {'Q', 'Q', 'Q', 'Q', 0, 0, 0, 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    bytes.insert(bytes.begin() + std::ptrdiff_t(engr), junk.begin(), junk.end());

    CScore back(&doc);
    ScoreFileDoc d2;
    CMemFile file(bytes);
    ASSERT_TRUE(ScoreFile::Open(back, d2, file));
    EXPECT_EQ(d2.engraver.GetWord(9), 80);
}

// The chunk with this tag that starts at or after `from` (every chunk of the file stands at a
// known place: the search walks from one chunk or list head to the next).
std::size_t FindChunk(const std::vector<std::uint8_t>& b, const char* tag, std::size_t from = 152) {
    for (std::size_t i = from; i + 8 <= b.size(); ++i)
        if (std::memcmp(&b[i], tag, 4) == 0) return i;
    return std::string::npos;
}

// Appends `extra` bytes of 0x5A to the body of the chunk at `at` and patches its length.
void GrowChunk(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t extra) {
    const std::uint32_t length = BE32(b, at + 4) + extra;
    b.insert(b.begin() + std::ptrdiff_t(at + 8 + BE32(b, at + 4)), extra, 0x5A);
    for (int i = 0; i < 4; ++i) b[at + 4 + i] = std::uint8_t(length >> (24 - 8 * i));
}

TEST_F(ScoreFileTest, AnElementChunkLargerThanItsRecordReadsWhatFitsAndSkipsTheRest) {
    CScore score(&doc);
    Build(score);
    ScoreFileDoc d;
    std::strcpy(d.titles[1].lines[0].text, "Andante");
    const auto bytes = Save(score, d);
    for (const char* tag : {"TRAK", "PAGE", "LINE", "STAF", "MEAS", "COND", "BDAT", "TITL", "ALOT", "ENGR", "FMAP"}) {
        for (std::uint32_t extra : {2u, 33u, 4000u}) {
            auto grown = bytes;
            const std::size_t at = FindChunk(grown, tag);
            ASSERT_NE(at, std::string::npos) << tag;
            GrowChunk(grown, at, extra);
            std::vector<std::uint8_t> again;
            ASSERT_EQ(Load(doc, grown, &again), 0) << tag << " + " << extra;
            EXPECT_EQ(again, bytes) << tag << " + " << extra;
        }
    }
}

TEST_F(ScoreFileTest, ZeldumpShowsTheChunkTreeAndWhereADamagedFileGoesWrong) {
    CScore score(&doc);
    Build(score);
    ScoreFileDoc d;
    auto bytes = Save(score, d);
    char dir[] = "/tmp/zeldumpXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string good = std::string(dir) + "/good.zel";
    ASSERT_TRUE(fw::WriteFileAtomic(good, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
    std::string out;
    // Only the tree is checked here: these tests write bar items without the notation classes,
    // which zeldump's own read of the file has (its exit status is checked with real fixtures).
    ASSERT_GE(hostile::RunZeldump(good, out), 0) << out;
    for (const char* expected : {"ZLSC @0 len 144", "version 0x410 needed 0x400 build 25",
                                 "tracks 2 pages 1 systems 1 bars 3", "TRKL @152 count 2 (tracks)", "TRAK @158",
                                 "PAGL", "LINL", "STAF", "BARL", "count 3 (bars)", "COND", "track 2", "BDAT",
                                 "TITL", "ENGR", "FMAP", "BDAT @3820 len 38 items 3", "end mark @"})
        EXPECT_NE(out.find(expected), std::string::npos) << expected << " in\n" << out;

    // The second TRAK's length made to run past the end of the file.
    const std::size_t trak = FindChunk(bytes, "TRAK", 159);
    ASSERT_NE(trak, std::string::npos);
    auto damaged = bytes;
    damaged[trak + 4] = 0x10;
    const std::string bad = std::string(dir) + "/bad.zel";
    ASSERT_TRUE(fw::WriteFileAtomic(bad, std::string_view(reinterpret_cast<const char*>(damaged.data()), damaged.size())));
    out.clear();
    EXPECT_EQ(hostile::RunZeldump(bad, out), 1) << out;
    EXPECT_NE(out.find("damaged at offset " + std::to_string(trak)), std::string::npos) << out;

    // A file cut inside the tail.
    damaged = bytes;
    damaged.resize(bytes.size() - 20);
    ASSERT_TRUE(fw::WriteFileAtomic(bad, std::string_view(reinterpret_cast<const char*>(damaged.data()), damaged.size())));
    out.clear();
    EXPECT_EQ(hostile::RunZeldump(bad, out), 1) << out;
    EXPECT_NE(out.find("damaged at offset"), std::string::npos) << out;
    std::remove(good.c_str());
    std::remove(bad.c_str());
    rmdir(dir);
}

TEST_F(ScoreFileTest, AFileEndingBeforeItsEndMarkIsDamageNamingWhatIsMissing) {
    CScore score(&doc);
    Build(score);
    ScoreFileDoc d;
    auto bytes = Save(score, d);
    const std::size_t fmap = Find(bytes, "FMAP");
    ASSERT_NE(fmap, std::string::npos);
    struct Case {
        std::size_t keep;     // bytes kept of the file
        const char* missing;  // what the damage names; null: the file is read
    } cases[] = {
        {bytes.size() - 2, nullptr},  // the end mark's tag is there; its second word is never read
        {bytes.size() - 6, "the end mark"},
        {bytes.size() - 8, "the end mark"},
        {fmap + 6, "a chunk's length"},
        {fmap + 20, "chunk FMAP"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> shorter(bytes.begin(), bytes.begin() + std::ptrdiff_t(c.keep));
        CScore back(&doc);
        ScoreFileDoc bd;
        CMemFile file(shorter);
        try {
            ScoreFile::Open(back, bd, file);
            EXPECT_EQ(c.missing, nullptr) << c.keep << " bytes were read as a whole file";
        } catch (const CArchiveException& e) {
            ASSERT_NE(c.missing, nullptr) << c.keep;
            EXPECT_EQ(e.m_cause, CArchiveException::endOfFile) << c.keep;
            EXPECT_EQ(e.m_strDetail, c.missing) << c.keep;
        }
    }
}

TEST_F(ScoreFileTest, AFailedSaveLeavesThePreviousFile) {
    CScore score(&doc);
    Build(score);
    ScoreFileDoc d;
    char dir[] = "/tmp/zelsaveXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/score.zel";
    ASSERT_TRUE(ScoreFile::Save(score, d, path));
    std::string before;
    ASSERT_TRUE(fw::ReadWholeFile(path, before));

    std::strcpy(d.titles[0].lines[0].text, "changed");
    fw::memtest::FailAfter(0);
    EXPECT_FALSE(ScoreFile::Save(score, d, path));
    fw::memtest::Reset();
    std::string after;
    ASSERT_TRUE(fw::ReadWholeFile(path, after));
    EXPECT_EQ(after, before);

    ASSERT_TRUE(ScoreFile::Save(score, d, path));
    ASSERT_TRUE(fw::ReadWholeFile(path, after));
    EXPECT_NE(after, before);
    std::remove(path.c_str());
    rmdir(dir);
}

}  // namespace
