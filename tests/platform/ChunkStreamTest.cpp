#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Memory.h"
#include "platform/ChunkStream.h"
#include "platform/Handles.h"
#include "support/Bytes.h"

namespace {

using testsupport::Bytes;
using testsupport::Cat;
using testsupport::Text;

// What a stream writes to a file, the stream destroyed at the end.
Bytes Written(const std::function<void(CChunkStream&)>& body) {
    CMemFile file;
    {
        CChunkStream s;
        s.SetFile(&file);
        body(s);
    }
    return file.Data();
}

struct ChunkStreamTest : ::testing::Test {
    void SetUp() override { fw::memtest::SetAlwaysMove(true); }
    void TearDown() override { fw::memtest::Reset(); }

    // A fresh reading stream over the bytes (the one before is gone).
    CChunkStream& Over(Bytes bytes) {
        stream.reset();
        file = std::make_unique<CMemFile>(std::move(bytes));
        stream = std::make_unique<CChunkStream>();
        stream->SetFile(file.get());
        return *stream;
    }
    std::unique_ptr<CMemFile> file;
    std::unique_ptr<CChunkStream> stream;
};

// --- chunk layouts ------------------------------------------------------------------------------

TEST_F(ChunkStreamTest, ChunkLayouts) {
    EXPECT_EQ(Written([](CChunkStream& s) {
                  s.BeginChunk(MakeChunkTag("MEAS"), -1);
                  s.WriteWord(1);
                  s.WriteWord(2);
                  s.WriteWord(3);
                  s.EndChunk(-1);
              }),
              Cat({Text("MEAS"), {0, 0, 0, 6, 0, 1, 0, 2, 0, 3}}));
    // The version placeholder is patched at the end and counted in the length.
    EXPECT_EQ(Written([](CChunkStream& s) {
                  s.BeginChunk(MakeChunkTag("BDAT"), 0);
                  s.WriteWord(0x1234);
                  s.EndChunk(12);
              }),
              Cat({Text("BDAT"), {0, 0, 0, 4, 0x00, 0x0C, 0x12, 0x34}}));
    EXPECT_EQ(Written([](CChunkStream& s) {
                  s.BeginChunk(0, -1);
                  s.WriteLong(0x01020304);
                  s.EndChunk(-1);
              }),
              Bytes({0, 0, 0, 4, 1, 2, 3, 4}));
}

TEST_F(ChunkStreamTest, NothingReachesTheFileBeforeTheChunkEnds) {
    CMemFile out;
    CChunkStream s;
    s.SetFile(&out);
    s.BeginChunk(MakeChunkTag("TEST"), -1);
    s.WriteLong(7);
    EXPECT_TRUE(out.Data().empty());
    s.EndChunk(-1);
    EXPECT_EQ(out.Data().size(), 12u);
    EXPECT_FALSE(s.InChunk());
}

TEST_F(ChunkStreamTest, DestructionWritesLooseBytesButDropsAnUnendedChunk) {
    EXPECT_EQ(Written([](CChunkStream& s) { s.WriteWord(0x0102); }), Bytes({1, 2}));
    EXPECT_EQ(Written([](CChunkStream& s) {
                  s.BeginChunk(0, -1);
                  s.WriteLong(9);
                  s.EndChunk(-1);
                  s.BeginChunk(MakeChunkTag("HALF"), -1);
                  s.WriteLong(1);
              }),
              Bytes({0, 0, 0, 4, 0, 0, 0, 9}));
}

TEST_F(ChunkStreamTest, BufferGrowsInStepsAndKeepsASpareByte) {
    CMemFile out;
    CChunkStream s;
    s.SetFile(&out);
    EXPECT_EQ(s.Capacity(), 8196u);
    s.BeginChunk(MakeChunkTag("BIG "), -1);
    for (int i = 0; i < 8187; ++i) s.WriteByte(std::uint8_t(i));
    EXPECT_EQ(s.Written(), 8195u);
    EXPECT_EQ(s.Capacity(), 8196u);
    s.WriteByte(0xAA);  // 8196 bytes would leave no spare byte
    EXPECT_EQ(s.Capacity(), 2u * 8196);
    Bytes block(20000, 0x5A);
    s.WriteBytes(block.data(), std::uint32_t(block.size()));
    EXPECT_EQ(s.Capacity(), 4u * 8196);
    s.EndChunk(-1);
    const Bytes& d = out.Data();
    ASSERT_EQ(d.size(), 8u + 8188 + 20000);
    EXPECT_EQ(Bytes(d.begin() + 4, d.begin() + 8), Bytes({0, 0, 0x6E, 0x1C}));  // 28188
    EXPECT_EQ(d[8 + 8187], 0xAA);
    EXPECT_EQ(d.back(), 0x5A);
}

TEST_F(ChunkStreamTest, FailedGrowthThrowsOutOfMemory) {
    CMemFile out;
    CChunkStream s;
    s.SetFile(&out);
    s.BeginChunk(MakeChunkTag("BIG "), -1);
    fw::memtest::FailAfter(0);
    Bytes block(9000, 1);
    EXPECT_THROW(s.WriteBytes(block.data(), std::uint32_t(block.size())), CMemoryException);
    EXPECT_EQ(GetErrorCode(), kErrOutOfMemory);
    fw::memtest::Reset();
}

// --- values -------------------------------------------------------------------------------------

TEST_F(ChunkStreamTest, ValuesAreBigEndianAndCoordinatesAreFifths) {
    const Bytes bytes = Written([](CChunkStream& s) {
        s.BeginChunk(0, -1);
        s.WriteByteValue(0x1FF);
        s.WriteWord(0xABCD);
        s.WriteLong(0x01020304);
        s.WriteCoord(-7);
        s.WriteCoord(12);
        s.WriteCoord(-9);
        s.WriteLongCoord(-7);
        const std::int32_t quad[4] = {1, -1, 2, -2};
        s.WriteLongQuad(quad);
        s.EndChunk(-1);
    });
    EXPECT_EQ(bytes, Cat({{0, 0, 0, 33, 0xFF, 0xAB, 0xCD, 1, 2, 3, 4, 0xFF, 0xFF, 0, 2, 0xFF, 0xFF},
                          {0xFF, 0xFF, 0xFF, 0xFF},
                          {0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 2, 0xFF, 0xFF, 0xFF, 0xFE}}));

    auto& s = Over(bytes);
    EXPECT_EQ(s.BeginReadChunk(0), 33u);
    EXPECT_EQ(s.ReadByte(), 0xFF);
    EXPECT_EQ(s.ReadWord(), 0xABCD);
    EXPECT_EQ(s.ReadLong(), 0x01020304u);
    EXPECT_EQ(s.ReadCoord(), -5);
    std::int16_t c = 0;
    s.ReadCoordTo(&c);
    EXPECT_EQ(c, 10);
    s.ReadCoordTo(&c);
    EXPECT_EQ(c, -5);
    EXPECT_EQ(std::int32_t(s.ReadLong()), -1);
    std::int32_t quad[4] = {};
    s.ReadLongQuad(quad);
    EXPECT_EQ(quad[1], -1);
    EXPECT_EQ(quad[3], -2);
    EXPECT_EQ(s.Unread(), 0u);
    s.EndReadChunk();
}

TEST_F(ChunkStreamTest, ReadsPastTheChunkEndDoNothing) {
    // A chunk of 3 bytes: a word, then one byte left.
    auto& s = Over({0, 0, 0, 3, 0x12, 0x34, 0x56, 0x99, 0x99, 0x99, 0x99});
    ASSERT_EQ(s.BeginReadChunk(0), 3u);
    EXPECT_EQ(s.ReadWord(), 0x1234);
    // A value wider than what is left is taken as past the end.
    std::int16_t w = 77;
    s.ReadWordTo(&w);
    EXPECT_EQ(w, 77);
    std::uint32_t l = 5;
    s.ReadLongTo(&l);
    EXPECT_EQ(l, 5u);
    EXPECT_EQ(s.ReadByte(), 0x56);
    // Nothing left at all.
    EXPECT_EQ(s.ReadWord(), 0);
    EXPECT_EQ(s.ReadLong(), 0u);
    EXPECT_EQ(s.ReadCoord(), 0);
    std::int16_t c = 3;
    s.ReadCoordTo(&c);
    EXPECT_EQ(c, 3);
    std::int16_t coords[2] = {4, 6};
    s.ReadCoords(coords, 2);
    EXPECT_EQ(coords[0], 4);
    std::uint8_t raw[3] = {7, 7, 7};
    s.ReadBytes(raw, 3);
    EXPECT_EQ(raw[0], 7);
    EXPECT_EQ(s.ReadTagValue(), 0u);
    EXPECT_TRUE(s.InChunk());
    s.EndReadChunk();
}

TEST_F(ChunkStreamTest, ReadBytesTakesWhatTheChunkHoldsAndLeavesTheRest) {
    auto& s = Over({0, 0, 0, 2, 0xA1, 0xA2});
    s.BeginReadChunk(0);
    std::uint8_t out[4] = {9, 9, 9, 9};
    s.ReadBytes(out, 4);
    EXPECT_EQ(Bytes(out, out + 4), Bytes({0xA1, 0xA2, 9, 9}));
}

TEST_F(ChunkStreamTest, EmptyChunkLeavesTheStreamOutsideAChunk) {
    auto& s = Over(Cat({Text("MEAS"), {0, 0, 0, 6, 0, 1, 0, 2, 0, 3}, {0, 0, 0, 0}, {0x00, 0x2A}}));
    // Dispatch on tags: the tag read outside a chunk comes from the file.
    EXPECT_EQ(s.ReadTagValue(), MakeChunkTag("MEAS"));
    EXPECT_EQ(s.BeginReadChunk(0), 6u);
    std::int16_t words[3] = {};
    s.ReadWords(words, 3);
    EXPECT_EQ(words[2], 3);
    s.EndReadChunk();
    EXPECT_EQ(s.BeginReadChunk(0), 0u);
    EXPECT_FALSE(s.InChunk());
    EXPECT_EQ(s.ReadWord(), 0x2A);
}

// --- lengths from the file are never trusted ----------------------------------------------------

// A file that claims more bytes than it gives.
class ShortFile : public CMemFile {
public:
    ShortFile(Bytes bytes, std::uint64_t claimed) : CMemFile(std::move(bytes)), claimed_(claimed) {}
    std::uint64_t GetLength() const override { return claimed_; }

private:
    std::uint64_t claimed_;
};

TEST_F(ChunkStreamTest, ChunkLongerThanTheFileIsAnErrorBeforeAnyAllocation) {
    auto& s = Over(Cat({Text("MEAS"), {0x7F, 0xFF, 0xFF, 0xFF, 0, 1}}));
    fw::memtest::FailAfter(0);  // an allocation would surface as a memory exception
    try {
        s.BeginReadChunk(MakeChunkTag("MEAS"));
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::endOfFile);
    }
    fw::memtest::Reset();
    EXPECT_EQ(s.Capacity(), 8196u);
    EXPECT_FALSE(s.InChunk());
    EXPECT_EQ(s.Unread(), 0u);
}

TEST_F(ChunkStreamTest, ShortReadIsAnErrorAndLeavesNoStaleBytes) {
    // The stream's buffer first holds a chunk of known bytes.
    ShortFile f(Cat({{0, 0, 0, 4, 0xEE, 0xEE, 0xEE, 0xEE}, {0, 0, 0, 4, 0x11}}), 100);
    CChunkStream s;
    s.SetFile(&f);
    s.BeginReadChunk(0);
    EXPECT_EQ(s.ReadLong(), 0xEEEEEEEEu);
    s.EndReadChunk();
    try {
        s.BeginReadChunk(0);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::endOfFile);
    }
    EXPECT_FALSE(s.InChunk());
    EXPECT_EQ(s.Unread(), 0u);
    // Nothing buffered remains readable: the next read goes to the file, which is at its end.
    EXPECT_THROW(s.ReadLong(), CFileException);
}

TEST_F(ChunkStreamTest, ReadOutsideAChunkAtTheFileEndIsAnError) {
    auto& s = Over({0x41});
    EXPECT_THROW(s.ReadWord(), CFileException);
    auto& t = Over({0, 0});
    EXPECT_THROW(t.BeginReadChunk(0), CFileException);  // the length field itself is cut short
}

TEST_F(ChunkStreamTest, LoadingALargeChunkWithoutMemoryThrowsOutOfMemory) {
    Bytes body(9000, 3);
    auto& s = Over(Cat({{0, 0, 0x23, 0x28}, body}));
    fw::memtest::FailAfter(0);
    EXPECT_THROW(s.BeginReadChunk(0), CMemoryException);
    fw::memtest::Reset();
    EXPECT_EQ(GetErrorCode(), kErrOutOfMemory);
    EXPECT_FALSE(s.InChunk());
}

TEST_F(ChunkStreamTest, SeekFromTheCurrentPositionCountsFromTheLogicalReadPosition) {
    auto& s = Over(Cat({Text("ABCD"), {0, 0, 0, 4, 1, 2, 3, 4, 5, 6}}));
    s.BeginReadChunk(MakeChunkTag("ABCD"));
    EXPECT_EQ(s.ReadWord(), 0x0102);
    EXPECT_EQ(s.Seek(1, CFile::current), 11);
    EXPECT_FALSE(s.InChunk());
    EXPECT_EQ(s.ReadByte(), 4);
    EXPECT_EQ(s.Seek(0, CFile::begin), 0);
    EXPECT_EQ(s.ReadTagValue(), MakeChunkTag("ABCD"));
}

// --- font references and strings ---------------------------------------------------------------

TEST_F(ChunkStreamTest, FontRefStoredForm) {
    FontRef ref;
    ref.face = 0x0102;
    ref.size = 12;
    ref.style = FontRef::kBold | FontRef::kUnderline;
    ref.pad = 0x77;  // never stored
    const Bytes bytes = Written([&](CChunkStream& s) {
        s.BeginChunk(0, -1);
        s.WriteFontRef(ref);
        s.EndChunk(-1);
    });
    EXPECT_EQ(bytes, Bytes({0, 0, 0, 6, 1, 2, 0, 12, 5, 0}));

    auto& s = Over(bytes);
    s.BeginReadChunk(0);
    FontRef back;
    s.ReadFontRef(&back);
    EXPECT_EQ(back.face, 0x0102);
    EXPECT_EQ(back.size, 12);
    EXPECT_EQ(back.style, 5);
    EXPECT_EQ(s.Unread(), 0u);
    FontRef untouched;
    untouched.size = 99;
    s.ReadFontRef(&untouched);  // at the chunk's end: nothing at all
    EXPECT_EQ(untouched.size, 99);
    EXPECT_EQ(untouched.face, FontRef::kNoFace);
}

TEST_F(ChunkStreamTest, StringStoredFormsHaveAnEvenLength) {
    struct Case {
        std::string text;
        Bytes stored;
    };
    const Case cases[] = {
        {"abc", {3, 'a', 'b', 'c'}},
        {"ab", {2, 'a', 'b', 0}},
        {"", {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Bytes bytes = Written([&](CChunkStream& s) { s.WriteString(c.text); });
        EXPECT_EQ(bytes, c.stored);
        auto& s = Over(Cat({bytes, {0x5A}}));
        char out[16];
        std::memset(out, 'x', sizeof out);
        s.ReadString(out, sizeof out);
        EXPECT_EQ(std::string(out), c.text);
        EXPECT_EQ(s.ReadByte(), 0x5A);  // the stream stands after the string and its pad
    }
}

TEST_F(ChunkStreamTest, ReadStringNeverOverrunsItsBuffer) {
    const Bytes stored = Cat({{10}, Text("0123456789"), {0}, {0x5A}});
    auto& s = Over(stored);
    char out[10];
    std::memset(out, 'x', sizeof out);
    s.ReadString(out, 8);
    EXPECT_EQ(std::string(out), "0123456");
    EXPECT_EQ(out[8], 'x');
    EXPECT_EQ(s.ReadByte(), 0x5A);

    auto& t = Over(stored);
    char one[2] = {'x', 'x'};
    t.ReadString(one, 1);
    EXPECT_EQ(one[0], 0);
    EXPECT_EQ(one[1], 'x');
    EXPECT_EQ(t.ReadByte(), 0x5A);

    auto& u = Over(stored);
    char none = 'x';
    u.ReadString(&none, 0);
    EXPECT_EQ(none, 'x');
    EXPECT_EQ(u.ReadByte(), 0x5A);
}

TEST_F(ChunkStreamTest, ReadStringCutsOnACharacterBoundary) {
    // "abcdef" and one double-byte character: 8 bytes into a 8-byte buffer (7 and a 0).
    auto& s = Over(Cat({{8}, Text("abcdef"), {0xB0, 0xA1}, {0}}));
    char out[8];
    s.ReadString(out, sizeof out);
    EXPECT_EQ(std::string(out), "abcdef");
}

TEST_F(ChunkStreamTest, StringCutShortByTheChunkKeepsOnlyWhatWasThere) {
    // The length byte says 6 but the chunk holds 3 more bytes.
    auto& s = Over({0, 0, 0, 4, 6, 'a', 'b', 'c'});
    s.BeginReadChunk(0);
    char out[8];
    std::memset(out, 'x', sizeof out);
    s.ReadString(out, sizeof out);
    EXPECT_EQ(std::string(out), "abc");
    char untouched[4] = "zz";
    s.ReadString(untouched, sizeof untouched);
    EXPECT_EQ(std::string(untouched), "zz");
}

TEST_F(ChunkStreamTest, LongStringsAreCutTo255BytesOnACharacterBoundary) {
    const std::string ascii(300, 'q');
    Bytes bytes = Written([&](CChunkStream& s) { s.WriteString(ascii); });
    ASSERT_EQ(bytes.size(), 256u);  // 255 is odd: no pad
    EXPECT_EQ(bytes[0], 255);

    // 254 single bytes and a double-byte character: the character would end at byte 256.
    std::string mixed(254, 'a');
    mixed += "\xB0\xA1";
    mixed += "tail";
    bytes = Written([&](CChunkStream& s) { s.WriteString(mixed); });
    ASSERT_EQ(bytes.size(), 256u);
    EXPECT_EQ(bytes[0], 254);
    EXPECT_EQ(bytes[254], 'a');
    EXPECT_EQ(bytes[255], 0);  // the pad of an even length

    auto& s = Over(bytes);
    char out[300];
    s.ReadString(out, sizeof out);
    EXPECT_EQ(std::string(out), std::string(254, 'a'));
}

// --- mirrored flag bytes ------------------------------------------------------------------------

TEST(MirrorBitsTest, MirroredFlagsAndTheirInverse) {
    struct Helper {
        int flags;
        std::uint8_t (*value)(std::uint8_t);
        void (*toFile)(std::uint8_t*);
        void (*fromFile)(std::uint8_t*);
    };
    const Helper helpers[] = {
        {8, MirrorBits8, MirrorBits8ToFile, MirrorBits8FromFile},
        {6, MirrorBits6, MirrorBits6ToFile, MirrorBits6FromFile},
        {5, MirrorBits5, MirrorBits5ToFile, MirrorBits5FromFile},
        {4, MirrorBits4, MirrorBits4ToFile, MirrorBits4FromFile},
    };
    for (const auto& h : helpers) {
        SCOPED_TRACE(h.flags);
        // Flag 0 goes to the top bit; the field above the flags moves down to bit 0.
        EXPECT_EQ(h.value(0x01), 0x80);
        if (h.flags < 8) {
            EXPECT_EQ(h.value(std::uint8_t(1u << h.flags)), 0x01);
        }
        for (int v = 0; v < 256; ++v) {
            std::uint8_t b = std::uint8_t(v);
            h.toFile(&b);
            EXPECT_EQ(b, h.value(std::uint8_t(v)));
            h.fromFile(&b);
            EXPECT_EQ(b, v);
        }
    }
    // Five flags and a voice in bits 5-7: flags 0 and 2, voice 3.
    EXPECT_EQ(MirrorBits5(0x65), 0xA3);
}

}  // namespace
