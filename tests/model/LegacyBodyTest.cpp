// The older raw score body: the score root's fonts, the device list's conversion to the
// current device records, the chord-frame font's reset, and the spacing table and engraver
// settings blocks of its tail, each checked after a read of bytes the test builds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "RecordTestSupport.h"
#include "support/Bytes.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "model/EngraverSettings.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/ScoreStandIns.h"
#include "model/SpacingTable.h"
#include "model/Track.h"
#include "platform/StdArray.h"

namespace {

using recordtest::Bytes;
using recordtest::CleanGlobals;

struct LE {
    Bytes b;
    LE& u8(int v) {
        b.push_back(std::uint8_t(v));
        return *this;
    }
    LE& u16(int v) { return u8(v).u8(v >> 8); }
    LE& u32(std::uint32_t v) { return u16(int(v & 0xFFFF)).u16(int(v >> 16)); }
    LE& text(const char* t, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) u8(i < std::strlen(t) ? t[i] : 0);
        return *this;
    }
    LE& raw(const Bytes& more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
    // An empty raw array head: the caller's word, element size, count 0, byte count 0.
    LE& emptyArray(int elemSize) { return u32(0).u16(elemSize).u16(0).u32(0); }
};

// A whole older file: head, score root with five fonts, empty score arrays, a device list of
// 42-byte records, and the given tail of blocks.
Bytes OlderFile(const Bytes& tail) {
    LE o;
    o.text("ZLP1", 4).u32(6).u16(0x3FF).u16(0x300).u16(7);
    o.text("SCOR", 4).u32(54);
    for (int i = 0; i < 16; ++i) o.u8(0);
    o.u16(0).u16(0).u16(0).u16(0);
    for (int i = 0; i < 5; ++i) o.u16(10 + i).u16(20 + i).u8(i % 3).u8(0);
    for (int size : {int(CTrack::kSize), 68, 88, 162}) o.emptyArray(size);
    o.emptyArray(0).emptyArray(0).emptyArray(34);  // page texts, lyrics, fonts
    // Two old device records: port word, 8 bytes the new form drops, 32 bytes of name.
    o.u32(0).u16(42).u16(2).u32(84);
    o.u16(5).text("zzzzzzzz", 8).text("Port A", 32);
    o.u16(-2).text("zzzzzzzz", 8).text("A name that fills all 32 bytes!!", 32);
    o.emptyArray(140);  // patches
    o.raw(tail);
    return o.b;
}

Bytes Block(const char* tag, const Bytes& body) {
    LE o;
    o.text(tag, 4).u32(std::uint32_t(body.size())).raw(body);
    return o.b;
}

struct LegacyBodyTest : ::testing::Test {
    CleanGlobals clean;
    CZelDoc zdoc;
    CScore score{&zdoc};
    ScoreFileDoc doc;

    void Read(const Bytes& bytes) {
        CMemFile file(bytes);
        ScoreFile::Open(score, doc, file);
    }
};

TEST_F(LegacyBodyTest, ScoreRootFontsAndDeviceRecords) {
    Read(OlderFile({}));
    const FontRef* fonts[5] = {&score.textFont1, &score.textFont2, &score.textFont3, &score.chordFrameFont,
                               &score.textFont5};
    for (int i : {0, 1, 2, 4}) {
        EXPECT_EQ(fonts[i]->face, 10 + i) << "font " << i + 1;
        EXPECT_EQ(fonts[i]->size, 20 + i) << "font " << i + 1;
        EXPECT_EQ(fonts[i]->style, i % 3) << "font " << i + 1;
    }
    // The fourth font (the chord frames') takes what a new score root gets.
    EXPECT_EQ(score.chordFrameFont.face, GuitarLibFontRef().face);
    EXPECT_EQ(score.chordFrameFont.size, GuitarLibFontRef().size);

    CDeviceArray* devices = score.GetDeviceArray();
    ASSERT_EQ(devices->GetCount(), 2);
    EXPECT_EQ(devices->GetElementSize(), CDeviceArray::kElementSize);
    const auto* d0 = static_cast<const std::uint8_t*>(devices->GetAt(0));
    const auto* d1 = static_cast<const std::uint8_t*>(devices->GetAt(1));
    EXPECT_EQ(rec::Get<std::int16_t>(d0, 0), 5);
    EXPECT_EQ(rec::Get<std::int16_t>(d1, 0), -2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d0 + 10)), "Port A");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d1 + 10)), "A name that fills all 32 bytes!!");
    // The bytes between the word and the name are not the old record's.
    for (int i = 2; i < 10; ++i) EXPECT_EQ(d0[i], 0) << i;
    for (int i = 10 + 32; i < CDeviceArray::kElementSize; ++i) EXPECT_EQ(d1[i], 0) << i;
}

TEST_F(LegacyBodyTest, SpacingAndEngraverBlocksAreRead) {
    LE alot;
    for (int i = 0; i < 32; ++i) alot.u16(i * 3);
    LE engr;
    for (int i = 0; i < 50; ++i) engr.u16(1000 + i);
    engr.u32(0xDEADBEEF);  // beyond the 100 bytes: passed over
    LE shortAlot;          // a later, shorter table: only its first word lands
    shortAlot.u16(77);
    const Bytes tail = testsupport::Cat({Block("ALOT", alot.b), Block("ABCD", Bytes(10, 1)), Block("ENGR", engr.b)});
    Read(OlderFile(tail));
    for (int i = 0; i < 32; ++i) EXPECT_EQ(zdoc.spacing.values[i / 4][i % 4], i * 3) << "spacing word " << i;
    for (int i : {0, 2, 10, 41, 49}) EXPECT_EQ(doc.engraver.GetWord(i), 1000 + i) << "engraver word " << i;

    zdoc.spacing = BuiltInSpacingTable();
    Read(OlderFile(testsupport::Cat({Block("ALOT", shortAlot.b), Block("ENGR", Bytes(84, 0))})));
    EXPECT_EQ(zdoc.spacing.values[0][0], 77);
    EXPECT_EQ(zdoc.spacing.values[0][1], 120);
    // Zero widths read from the block are repaired as the chunk's are.
    EXPECT_EQ(doc.engraver.GetWord(EngraverSettings::kBarsPerSystem), 0);
    EXPECT_EQ(doc.engraver.GetWord(EngraverSettings::kTieWidth), 20);
    EXPECT_EQ(doc.engraver.GetWord(EngraverSettings::kSlurWidth), 1042) << "beyond the shorter block";
}

}  // namespace
