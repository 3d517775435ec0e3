// The document's engraver settings: defaults, the "ENGR" chunk and the repairs on reading.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/File.h"
#include "model/EngraverSettings.h"
#include "model/ModelGlobals.h"
#include "platform/ChunkStream.h"

namespace {

constexpr std::uint32_t kEngr = MakeChunkTag("ENGR");
using Bytes = std::vector<std::uint8_t>;
using W = EngraverSettings;

class EngraverSettingsTest : public testing::Test {
protected:
    void SetUp() override { ResetModelGlobals(); }
    void TearDown() override { ResetModelGlobals(); }
};

EngraverSettings Filled(std::uint8_t v) {
    EngraverSettings e;
    std::memset(e.bytes, v, sizeof e.bytes);
    return e;
}

Bytes Write(const EngraverSettings& e) {
    CMemFile f;
    {
        CChunkStream s;
        s.SetFile(&f);
        WriteEngraverSettings(e, s, kEngr);
    }
    return f.Data();
}

void Read(EngraverSettings& e, const Bytes& file) {
    CMemFile f(file);
    CChunkStream s;
    s.SetFile(&f);
    ReadEngraverSettings(e, s, kEngr);
}

// A hand-built "ENGR" chunk: the 50 stored words as given.
Bytes Chunk(const std::vector<int>& stored) {
    Bytes b = {'E', 'N', 'G', 'R', 0, 0, 0, std::uint8_t(2 * stored.size())};
    for (int v : stored) {
        b.push_back(std::uint8_t(v >> 8));
        b.push_back(std::uint8_t(v));
    }
    return b;
}

// Stored words of a record with non-zero line widths everywhere: word i stored as i + 1.
std::vector<int> StoredWords() {
    std::vector<int> w(50);
    for (int i = 0; i < 50; ++i) w[std::size_t(i)] = i + 1;
    return w;
}

}  // namespace

TEST_F(EngraverSettingsTest, DefaultsAsTheDialogShowsThem) {
    EngraverSettings e = Filled(0x55);
    InitEngraverSettings(e);
    EXPECT_EQ(4, e.GetWord(W::kBarsPerSystem));
    EXPECT_EQ(5, e.GetWord(W::kGroupsPerPage));
    EXPECT_EQ(6, e.GetWord(W::kStaffSpacing) / 120);
    EXPECT_EQ(9, e.GetWord(W::kStaffGroupSpacing) / 120);
    EXPECT_EQ(7, e.GetWord(W::kGroupSpacing) / 120);
    EXPECT_EQ(3, e.GetWord(W::kBarlineWidth) * 4 / 20);
    EXPECT_EQ(12, e.GetWord(W::kBeamWidth) * 4 / 20);
    EXPECT_EQ(8, e.GetWord(W::kClefMargin) * 8 / 120);
    EXPECT_EQ(10, e.GetWord(W::kNoteMargin) * 8 / 120);

    const int defaults[][2] = {{9, 30},   {11, 12},  {12, 10},  {13, 13}, {16, 1440}, {19, 600}, {20, 420},
                               {21, 300}, {22, 180}, {23, 240}, {24, 120}, {32, 0},   {33, 0},   {34, 60},
                               {35, 65},  {36, 2},   {37, 16},  {41, 20}, {42, 20}};
    for (const auto& d : defaults) EXPECT_EQ(d[1], e.GetWord(d[0])) << "word " << d[0];
    for (int w : {5, 6, 7, 14, 15, 25, 31, 38, 40, 43, 49})
        EXPECT_EQ(0x5555, std::uint16_t(e.GetWord(w))) << "word " << w << " is left as it was";
}

TEST_F(EngraverSettingsTest, ChunkByteByByte) {
    EngraverSettings e = Filled(0);
    InitEngraverSettings(e);
    e.SetWord(49, -7);
    const Bytes file = Write(e);
    ASSERT_EQ(108u, file.size());
    EXPECT_EQ((Bytes{'E', 'N', 'G', 'R', 0, 0, 0, 100}), Bytes(file.begin(), file.begin() + 8));
    auto stored = [&](int word) { return std::int16_t((file[8 + 2 * word] << 8) | file[9 + 2 * word]); };
    EXPECT_EQ(4, stored(0));       // words 0-1 as they are
    EXPECT_EQ(5, stored(1));
    EXPECT_EQ(144, stored(2));     // 720 as a coordinate
    EXPECT_EQ(3, stored(8));       // 15
    EXPECT_EQ(2, stored(11));      // 12: coordinates keep fifths only
    EXPECT_EQ(288, stored(16));    // 1440
    EXPECT_EQ(0, stored(33));
    EXPECT_EQ(60, stored(34));     // words 34-37 as they are
    EXPECT_EQ(65, stored(35));
    EXPECT_EQ(2, stored(36));
    EXPECT_EQ(16, stored(37));
    EXPECT_EQ(4, stored(41));      // 20
    EXPECT_EQ(4, stored(42));
    EXPECT_EQ(-1, stored(49));     // -7 divided toward zero
}

TEST_F(EngraverSettingsTest, RoundTrip) {
    EngraverSettings e = Filled(0);
    for (int i = 0; i < 50; ++i) e.SetWord(i, std::int16_t((i % 2 ? -5 : 5) * (i + 1)));
    e.SetWord(W::kFinalBarMargin, 240);
    for (int w : {W::kLedgerLineWidth, W::kTieWidth, W::kSlurWidth}) e.SetWord(w, 25);

    EngraverSettings back = Filled(0x44);
    Read(back, Write(e));
    EXPECT_EQ(0, std::memcmp(e.bytes, back.bytes, sizeof e.bytes));

    // The defaults come back with their widths in fifths: stem 12 as 10, ledger lines 13 as 10.
    EngraverSettings d = Filled(0);
    InitEngraverSettings(d);
    Read(back, Write(d));
    EXPECT_EQ(10, back.GetWord(W::kStemWidth));
    EXPECT_EQ(10, back.GetWord(W::kLedgerLineWidth));
    EXPECT_EQ(d.GetWord(W::kStaffSpacing), back.GetWord(W::kStaffSpacing));
}

TEST_F(EngraverSettingsTest, RepairsOnReading) {
    struct Case {
        const char* what;
        int version;
        int word, storedValue;  // one stored word changed from StoredWords()
        int checkWord, expected;
    };
    const Case cases[] = {
        {"ledger lines of 0 take the staff-line width", 0x410, 13, 0, 13, 13 * 5},
        {"ties of 0 become 20", 0x410, 41, 0, 41, 20},
        {"slurs of 0 become 20", 0x410, 42, 0, 42, 20},
        {"a set tie width stays", 0x410, 41, 7, 41, 35},
        {"files before 0x400 get a final-bar margin of 120", 0x300, 24, 48, 24, 120},
        {"version 0x3FF is older", 0x3FF, 24, 0, 24, 120},
        {"from 0x400 on the margin is read", 0x400, 24, 48, 24, 240},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLoadedFileVersion(std::uint16_t(c.version), 0);
        std::vector<int> words = StoredWords();
        words[std::size_t(c.word)] = c.storedValue;
        EngraverSettings e = Filled(0);
        Read(e, Chunk(words));
        EXPECT_EQ(c.expected, e.GetWord(c.checkWord));
    }
}

TEST_F(EngraverSettingsTest, ShortAndEmptyChunksKeepWhatTheyDoNotHold) {
    EngraverSettings e = Filled(0);
    InitEngraverSettings(e);
    Read(e, Chunk({8, 2}));
    EXPECT_EQ(8, e.GetWord(W::kBarsPerSystem));
    EXPECT_EQ(2, e.GetWord(W::kGroupsPerPage));
    EXPECT_EQ(720, e.GetWord(W::kStaffSpacing));
    EXPECT_EQ(13, e.GetWord(W::kLedgerLineWidth));

    // An empty chunk reads nothing, not even from the chunk after it.
    Bytes file = Chunk({});
    const Bytes next = Chunk({1, 2, 3});
    file.insert(file.end(), next.begin(), next.end());
    EngraverSettings f = Filled(0);
    InitEngraverSettings(f);
    CMemFile mem(file);
    CChunkStream s;
    s.SetFile(&mem);
    ReadEngraverSettings(f, s, kEngr);
    EXPECT_EQ(4, f.GetWord(W::kBarsPerSystem));
    EXPECT_EQ(kEngr, s.ReadTagValue());
}
