// The mark playback table: defaults, the code mapping, the entry test and the stored forms.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/File.h"
#include "model/Articulation.h"
#include "platform/ChunkStream.h"

namespace {

constexpr std::uint32_t kArti = MakeChunkTag("ARTI");
constexpr std::uint32_t kArtc = MakeChunkTag("ARTC");

using Bytes = std::vector<std::uint8_t>;

void AppendWord(Bytes& b, int v) {
    b.push_back(std::uint8_t(v >> 8));
    b.push_back(std::uint8_t(v));
}

// A tagged chunk around the body.
Bytes Chunk(const char (&tag)[5], const Bytes& body) {
    Bytes out(tag, tag + 4);
    const std::uint32_t n = std::uint32_t(body.size());
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(n >> shift));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// An entry's stored bytes: setting bytes 0-23 = seed + i, words seed * 100 + n, negative for
// odd seeds.
Bytes StoredEntry(int seed, int indexByte = -1) {
    Bytes b;
    for (int i = 0; i < 24; ++i) b.push_back(std::uint8_t(seed + i));
    if (indexByte >= 0) b[15] = std::uint8_t(indexByte);
    for (int n = 1; n <= 4; ++n) AppendWord(b, (seed % 2 ? -1 : 1) * (seed * 100 + n));
    return b;
}

// The same entry in memory.
MarkPlayback MemoryEntry(int seed, int indexByte = -1) {
    MarkPlayback e;
    for (int i = 0; i < 24; ++i) e.bytes[i] = std::uint8_t(seed + i);
    if (indexByte >= 0) e.bytes[15] = std::uint8_t(indexByte);
    for (int n = 1; n <= 4; ++n) e.SetWord(n, std::int16_t((seed % 2 ? -1 : 1) * (seed * 100 + n)));
    return e;
}

MarkPlaybackTable Filled(std::uint8_t v) {
    MarkPlaybackTable t;
    std::memset(t.bytes, v, sizeof t.bytes);
    return t;
}

void ReadTable(MarkPlaybackTable& table, const Bytes& file, std::uint32_t tag) {
    CMemFile f(file);
    CChunkStream s;
    s.SetFile(&f);
    ReadMarkPlaybackTable(table, s, tag);
}

bool SameEntry(const MarkPlayback& a, const MarkPlayback& b) { return std::memcmp(a.bytes, b.bytes, 32) == 0; }

}  // namespace

TEST(MarkPlayback, Defaults) {
    MarkPlaybackTable t = Filled(0x5A);
    InitMarkPlaybackTable(t);
    EXPECT_EQ(0, t.GetHeadWord());

    struct Setting {
        int entry, byte, value;
    };
    const Setting bytes[] = {{0, 0, 4}, {1, 0, 6}, {2, 0, 6}, {9, 0, 2}, {10, 0, 2}, {15, 0, 1},
                             {16, 10, 1}, {17, 10, 2}, {18, 10, 3}, {19, 10, 4}, {3, 0, 0}, {20, 11, 0}};
    for (const Setting& s : bytes) EXPECT_EQ(s.value, t.Entry(s.entry).GetSetting(s.byte)) << s.entry << "/" << s.byte;
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(-10, std::int8_t(t.Entry(i).GetSetting(11))) << i;
        EXPECT_EQ(-10, std::int8_t(t.Entry(i).GetSetting(12))) << i;
    }
    const Setting words[] = {{0, 4, 30}, {1, 4, 30}, {2, 4, 30}, {1, 3, 50}, {9, 3, 50}, {2, 3, 100},
                             {10, 3, 100}, {15, 1, -90}, {15, 2, 0}, {0, 3, 0}, {9, 4, 0}};
    for (const Setting& s : words) EXPECT_EQ(s.value, t.Entry(s.entry).GetWord(s.byte)) << s.entry << "/" << s.byte;

    const MarkPlayback zero{};
    for (int i = 20; i < 64; ++i) EXPECT_TRUE(SameEntry(zero, t.Entry(i))) << i;
    // The entries lie 32 bytes apart after the head word.
    EXPECT_EQ(t.bytes + 2 + 15 * 32, t.Entry(15).bytes);
    EXPECT_EQ(0xA6, t.bytes[2 + 15 * 32 + 24]);  // -90, low byte first in memory
}

TEST(MarkPlayback, CodeMapping) {
    const int cases[][2] = {{-1, -1}, {0, -1}, {14, -1}, {15, 0}, {30, 15}, {34, 19}, {35, -1}, {69, -1},
                            {70, 20}, {81, 31}, {82, -1}, {250, -1}, {255, -1}, {256 + 15, -1}};
    for (const auto& c : cases) EXPECT_EQ(c[1], MarkCodeToPlaybackIndex(c[0])) << c[0];
    for (int index = 0; index < 32; ++index) EXPECT_EQ(index, MarkCodeToPlaybackIndex(PlaybackIndexToMarkCode(index)));
    for (int index : {-1, 32, 63, 64}) EXPECT_EQ(-1, PlaybackIndexToMarkCode(index)) << index;
}

TEST(MarkPlayback, CheckEntrySettings) {
    struct Case {
        std::uint8_t b[5];
        bool ok;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0}, true},  {{1, 0, 1, 7, 0}, false}, {{1, 0, 1, 0, 0}, false},  // byte 3 takes no part
        {{1, 0, 1, 0, 1}, true},  {{0, 0, 1, 0, 0}, true},  {{1, 1, 1, 0, 0}, true},
        {{1, 0, 0, 0, 0}, true},
    };
    for (const Case& c : cases) {
        MarkPlayback e{};
        std::memcpy(e.bytes, c.b, 5);
        EXPECT_EQ(c.ok, MarkPlayback::CheckEntrySettings(e))
            << int(c.b[0]) << int(c.b[1]) << int(c.b[2]) << int(c.b[3]) << int(c.b[4]);
    }
}

TEST(MarkPlayback, EntryStoredForm) {
    CMemFile f;
    {
        CChunkStream s;
        s.SetFile(&f);
        s.BeginChunk(kArti, -1);
        WriteMarkPlayback(MemoryEntry(3), s);
        s.EndChunk(-1);
    }
    EXPECT_EQ(Chunk("ARTI", StoredEntry(3)), f.Data());

    MarkPlayback back{};
    CMemFile in(f.Data());
    CChunkStream s;
    s.SetFile(&in);
    s.BeginReadChunk(kArti);
    ReadMarkPlayback(back, s);
    s.EndReadChunk();
    EXPECT_TRUE(SameEntry(MemoryEntry(3), back));
}

TEST(MarkPlayback, TableRoundTripThroughArti) {
    MarkPlaybackTable table;
    InitMarkPlaybackTable(table);
    table.Entry(5) = MemoryEntry(5);
    table.Entry(63) = MemoryEntry(63);

    CMemFile f;
    {
        CChunkStream s;
        s.SetFile(&f);
        s.BeginChunk(kArti, -1);
        s.WriteWord(0x1234);  // the leading word
        s.WriteWord(64);
        for (int i = 0; i < 64; ++i) WriteMarkPlayback(table.Entry(i), s);
        s.EndChunk(-1);
    }
    MarkPlaybackTable back = Filled(0xEE);
    ReadTable(back, f.Data(), kArti);
    EXPECT_EQ(0xEEEE, back.GetHeadWord()) << "the leading word is dropped";
    EXPECT_EQ(0, std::memcmp(table.bytes + 2, back.bytes + 2, sizeof table.bytes - 2));
}

TEST(MarkPlayback, ArtcSetsTremoloCountsBeforeReading) {
    Bytes body;
    AppendWord(body, 16);
    for (int i = 0; i < 16; ++i) {
        const Bytes e = StoredEntry(i);
        body.insert(body.end(), e.begin(), e.end());
    }
    MarkPlaybackTable t = Filled(0x77);
    ReadTable(t, Chunk("ARTC", body), kArtc);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(SameEntry(MemoryEntry(i), t.Entry(i))) << i;
    for (int i = 16; i < 20; ++i) {
        EXPECT_EQ(i - 15, t.Entry(i).GetSetting(10)) << i;
        EXPECT_EQ(0x77, t.Entry(i).GetSetting(9)) << i;
    }
    EXPECT_EQ(0x77, t.Entry(20).GetSetting(10));
    EXPECT_EQ(0x7777, t.GetHeadWord());
}

TEST(MarkPlayback, CountsAreCheckedAgainstTheChunk) {
    struct Case {
        const char* what;
        int count;     // the stored count
        int entries;   // whole entries in the chunk
        int tail;      // bytes of a further, broken entry
        int read;      // entries that reach the table
    };
    const Case cases[] = {
        {"count above the entries held", 10, 3, 17, 3},
        {"count below the entries held", 2, 4, 0, 2},
        {"more entries than the table holds", 70, 70, 0, 64},
        {"no count at all", -1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes body;
        AppendWord(body, 0);  // leading word of "ARTI"
        if (c.count >= 0) AppendWord(body, c.count);
        for (int i = 0; i < c.entries; ++i) {
            const Bytes e = StoredEntry(i % 50);
            body.insert(body.end(), e.begin(), e.end());
        }
        body.insert(body.end(), std::size_t(c.tail), 0x99);

        struct {
            MarkPlaybackTable table;
            std::uint8_t guard[64];
        } t;
        std::memset(&t, 0x11, sizeof t);
        ReadTable(t.table, Chunk("ARTI", body), kArti);
        for (int i = 0; i < 64; ++i) {
            if (i < c.read)
                EXPECT_TRUE(SameEntry(MemoryEntry(i % 50), t.table.Entry(i))) << i;
            else
                EXPECT_EQ(0x11, t.table.Entry(i).GetSetting(0)) << i;
        }
        for (std::uint8_t g : t.guard) ASSERT_EQ(0x11, g);
    }
}

TEST(MarkPlayback, EntriesByTheirOwnIndexRefuseIndicesPastTheTable) {
    Bytes body;
    AppendWord(body, 4);
    const int indices[] = {5, 64, 63, 200};
    for (int i = 0; i < 4; ++i) {
        const Bytes e = StoredEntry(i + 1, indices[i]);
        body.insert(body.end(), e.begin(), e.end());
    }
    const Bytes file = Chunk("TRAK", body);
    MarkPlaybackTable t = Filled(0x22);
    const MarkPlaybackTable before = t;

    CMemFile f(file);
    CChunkStream s;
    s.SetFile(&f);
    s.BeginReadChunk(MakeChunkTag("TRAK"));
    EXPECT_EQ(2, ReadMarkPlaybackEntries(t, s, true));
    s.EndReadChunk();

    EXPECT_TRUE(SameEntry(MemoryEntry(1, 5), t.Entry(5)));
    EXPECT_TRUE(SameEntry(MemoryEntry(3, 63), t.Entry(63)));
    for (int i = 0; i < 63; ++i) {
        if (i != 5) {
            EXPECT_TRUE(SameEntry(before.Entry(i), t.Entry(i))) << i;
        }
    }
    EXPECT_EQ(before.GetHeadWord(), t.GetHeadWord());
}

TEST(MarkPlayback, EmptyChunkReadsNothingOfTheNextOne) {
    Bytes file = Chunk("ARTI", {});
    Bytes next = Chunk("ENGR", {0, 3});
    file.insert(file.end(), next.begin(), next.end());

    MarkPlaybackTable t = Filled(0x33);
    CMemFile f(file);
    CChunkStream s;
    s.SetFile(&f);
    ReadMarkPlaybackTable(t, s, kArti);
    EXPECT_EQ(0x3333, t.GetHeadWord());
    EXPECT_EQ(0x33, t.Entry(0).GetSetting(0));
    EXPECT_EQ(MakeChunkTag("ENGR"), s.ReadTagValue()) << "the stream stands at the next chunk";
}
