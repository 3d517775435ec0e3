// The item factory: every type code revives into its class with the table's size and type
// name, legacy codes convert, codes without a class become inert removed records, and packed
// runs unpack and pack back with the class slot added and taken away.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "framework/Exceptions.h"
#include "model/BarItem.h"
#include "model/ItemFactory.h"
#include "platform/Handles.h"

using namespace recordtest;

namespace {

struct TypeRow {
    int code;
    const char* className;
    int size;
    const char* typeName;
};

// The type table as the file format defines it.
const TypeRow kExpected[] = {
    {0, "CPage", 68, "CPage"},           {1, "CLine", 88, "System"},
    {2, "CStaff", 126, "CStaff"},        {3, "CTrack", 2872, "CTrack"},
    {4, "CTrkBar", 44, "CTrkBar"},       {8, "CBar", 162, "Bar"},
    {9, "CBeatChart", 26, "Beatchart"},  {10, "CBarNumber", 50, "Bar Number"},
    {12, "CPageText", 50, "Page Text"},  {13, "CLyricLine", 50, "CBarItem"},
    {14, "CSuffix", 62, "CSuffix"},      {16, "CBeam", 46, "Beam"},
    {17, "CChord", 32, "Chord"},         {18, "CClef", 20, "Clef"},
    {19, "CCresc", 94, "Crescendo"},     {20, "CDynamic", 24, "Dynamic"},
    {21, "CGlissando", 86, "Glissando"}, {22, "CSymbol", 62, "Symbol"},
    {23, "CKeySig", 26, "Key Signature"}, {24, "CLyric", 36, "Lyric"},
    {25, "COttava", 28, "Ottava"},       {26, "CPict", 22, "Picture"},
    {27, "CSlur", 82, "Slur"},           {28, "CTempo", 106, "Tempo"},
    {29, "CText", 50, "Text"},           {30, "CTie", 36, "Tie"},
    {31, "CTuplet", 44, "Tuplet"},       {33, "CBend", 76, "Bend"},
    {34, "CBarre", 78, "Barre"},         {35, "CPedal", 76, "Pedal"},
    {36, "CGroup", 76, "Group"},         {37, "CExpression", 42, "Expression"},
    {38, "CHarpPed", 30, "Harp Pedal"},  {39, "CMultiRest", 22, "CBarItem"},
    {40, "CGuitarFrame", 104, "Guitar Frame"}, {48, "CJumper", 26, "Jumper"},
    {49, "CTextJumper", 82, "Text Jumper"}, {50, "CEnding", 78, "Ending"},
    {64, "CGraphic", 72, "Graphic"},     {65, "CGrRect", 72, "Graphic Rect"},
    {66, "CGrRndRect", 74, "Graphic Round Rect"}, {67, "CGrOval", 72, "Graphic Oval"},
    {68, "CGrLine", 72, "Graphic Line"}, {69, "CGrCurve", 80, "Graphic Curve"},
    {70, "CGrWedge", 72, "Graphic Wedge"}, {112, "CRawNote", 40, "Raw"},
    {128, "CRest", 22, "Rest"},          {144, "CNote", 40, "Note"},
    {170, "CData", 16, "After Touch"},   {171, "CData", 16, "Controller"},
    {172, "CData", 16, "Patch Change"},  {173, "CData", 16, "Channel Pressure"},
    {174, "CData", 16, "Pitch Bend"},    {175, "CData", 16, "CBarItem"},
    {255, "CBarItem", 16, "CBarItem"},
};

const TypeRow* Expected(int code) {
    for (const TypeRow& r : kExpected)
        if (r.code == code) return &r;
    return nullptr;
}

// A record of `size` bytes in memory with a marker in every byte after the head.
std::vector<std::uint8_t> Record(int size, std::uint8_t fill = 0x5C) {
    std::vector<std::uint8_t> r(std::size_t(size), fill);
    rec::Put<std::int16_t>(r.data(), rec::kSize, std::int16_t(size));
    r[rec::kScale] = 0;
    r[rec::kFlagsB] = 0;
    return r;
}

std::string TypeNameOf(CScoreItem* item) {
    char buffer[kTypeNameBufferSize];
    return item->GetTypeName(buffer);
}

}  // namespace

TEST(ItemFactoryTest, EveryCodeRevivesIntoItsClassOrAnInertRemovedRecord) {
    for (int code = -3; code < 260; ++code) {
        SCOPED_TRACE(code);
        if (code == 11 || code == 32) continue;  // converted, below
        auto bytes = Record(200);
        CScoreItem* item = ConstructItem(code, bytes.data());
        const ItemClassInfo* info = item->ClassIn(ItemClasses());
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(item->RecordSizeField(), 200) << "the record keeps its own size";
        EXPECT_EQ(item->TypeCode(), std::uint8_t(code)) << "the record keeps its own code";
        if (const TypeRow* row = Expected(code)) {
            EXPECT_STREQ(info->className, row->className);
            EXPECT_EQ(GetItemRecordSize(item), row->size);
            EXPECT_EQ(TypeNameOf(item), row->typeName);
            EXPECT_EQ(bytes[rec::kFlagsB] & rec::kRemovedBit, 0);
            // Every byte beyond the head is left as it was.
            for (int i = rec::kHeadEnd; i < 200; ++i) {
                if (i != rec::kFlagsB) {
                    ASSERT_EQ(bytes[std::size_t(i)], 0x5C) << i;
                }
            }
        } else {
            EXPECT_TRUE(IsBareScoreItem(item));
            EXPECT_STREQ(info->className, "CScoreItem");
            if (code >= 0 && code < 256) {  // outside 0-255 the type byte keeps the code's low byte
                EXPECT_EQ(GetItemRecordSize(item), 0);
                EXPECT_EQ(TypeNameOf(item), "CBarItem");
            }
            EXPECT_NE(bytes[rec::kFlagsB] & rec::kRemovedBit, 0) << "a code without a class is removed";
        }
    }
    int rows = 0;
    ItemTypeTable(&rows);
    EXPECT_EQ(rows, int(std::size(kExpected)));
}

TEST(ItemFactoryTest, NewRecordsTakeTheClassCodeAndSize) {
    for (const TypeRow& row : kExpected) {
        SCOPED_TRACE(row.code);
        std::vector<std::uint8_t> bytes(3000, 0);
        CScoreItem* item = ConstructClass(row.code, bytes.data());
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->RecordSizeField(), row.size);
        EXPECT_EQ(item->TypeCode(), row.code);
        EXPECT_STREQ(item->ClassIn(ItemClasses())->className, row.className);
    }
    std::vector<std::uint8_t> bytes(16, 0);
    EXPECT_EQ(ConstructClass(200, bytes.data()), nullptr);
}

TEST(ItemFactoryTest, LegacyJumpersAndGraphicsConvertByTheirKindByte) {
    struct Case {
        int code;
        std::uint8_t kind;
        int newCode;
        const char* className;
    };
    const Case cases[] = {
        {11, 8, 48, "CJumper"},     {11, 9, 50, "CEnding"},     {11, 10, 50, "CEnding"},
        {11, 0, 49, "CTextJumper"}, {11, 77, 49, "CTextJumper"}, {32, 0, 65, "CGrRect"},
        {32, 1, 66, "CGrRndRect"},  {32, 2, 67, "CGrOval"},     {32, 3, 68, "CGrLine"},
        {32, 4, 69, "CGrCurve"},    {32, 7, 64, "CGraphic"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.code << "/" << int(c.kind));
        auto bytes = Record(60);
        bytes[14] = c.kind;
        CScoreItem* item = ConstructItem(c.code, bytes.data());
        EXPECT_EQ(item->TypeCode(), c.newCode);
        EXPECT_EQ(item->RecordSizeField(), 60);
        EXPECT_STREQ(item->ClassIn(ItemClasses())->className, c.className);
    }
}

TEST(ItemFactoryTest, TypeNamesThatDependOnTheRecord) {
    auto cresc = Record(94, 0);
    CScoreItem* item = ConstructItem(19, cresc.data());
    EXPECT_EQ(TypeNameOf(item), "Crescendo");
    cresc[16] = 2;
    EXPECT_EQ(TypeNameOf(item), "Decrescendo");
    cresc[16] = 0xFC;  // only bits 0-1 decide
    EXPECT_EQ(TypeNameOf(item), "Crescendo");
}

// --- packed runs ------------------------------------------------------------------------------

namespace {

// A bar-item body after the stored head (flags, time, position, colour, offset), padded.
Bytes BarBody(std::uint8_t flagsB, std::int16_t time, std::size_t extra = 0) {
    Bytes b = {0, flagsB, std::uint8_t(time), std::uint8_t(time >> 8), 0, 0, 0, 0};
    b.resize(b.size() + extra, 0x33);
    return b;
}

}  // namespace

TEST(ItemFactoryTest, RunsUnpackWithTheirSlotsAndPackBackByteForByte) {
    // Records the oldest format leaves as they are: MIDI data, a lyric line, an unknown code,
    // the end record.
    const Bytes stored = Concat({Packed(171, BarBody(0x20, 480)), Packed(174, BarBody(0, 0)),
                                 Packed(13, Bytes(46, 0x44)), Packed(200, Bytes(8, 0x11)),
                                 Packed(255, BarBody(0, 0)), Packed(171, BarBody(0, 9))});
    std::vector<std::uint8_t> live(2 * stored.size());
    int revived = 0;
    const std::int32_t used = UnpackItems(stored.data(), std::uint32_t(stored.size()), live.data(),
                                          std::uint32_t(live.size()), -1, &revived);
    EXPECT_EQ(revived, 5) << "up to and including the end record";
    EXPECT_EQ(used, std::int32_t(stored.size() - 12 + 5 * 4));

    const char* classes[] = {"CData", "CData", "CLyricLine", "CScoreItem", "CBarItem"};
    const int storedSizes[] = {12, 12, 50, 12, 12};
    std::uint8_t* p = live.data();
    for (int i = 0; i < 5; ++i) {
        auto* item = ItemCast<CScoreItem>(p);
        EXPECT_EQ(item->RecordSizeField(), storedSizes[i] + 4) << i;
        EXPECT_STREQ(item->ClassIn(ItemClasses())->className, classes[i]) << i;
        p += item->RecordSizeField();
    }

    std::vector<std::uint8_t> packed(static_cast<std::size_t>(used));
    EXPECT_EQ(PackItems(live.data(), std::uint32_t(used), packed.data(), -1), std::int32_t(stored.size() - 12));
    packed.resize(stored.size() - 12);
    // The unknown code's record carries its removed mark from now on.
    Bytes expected(stored.begin(), stored.end() - 12);
    expected[12 + 12 + 50 + 5] |= rec::kRemovedBit;
    EXPECT_EQ(packed, expected);
}

TEST(ItemFactoryTest, BarItemsOfTheOldestFormatGainTheirColourBytes) {
    const Bytes stored = Concat({Packed(144, BarBody(0x40, 240, 26)), Packed(255, BarBody(0, 0))});
    std::vector<std::uint8_t> live(2 * stored.size());
    const std::int32_t used = UnpackItems(stored.data(), std::uint32_t(stored.size()), live.data(),
                                          std::uint32_t(live.size()), 2);
    auto* note = ItemCast<CBarItem>(live.data());
    EXPECT_EQ(note->RecordSizeField(), 38 + 4 + 2);
    EXPECT_EQ(note->ColorField(), 0);
    EXPECT_EQ(note->TimeOffsetField(), 0);
    EXPECT_EQ(note->TimeField(), 240);
    EXPECT_EQ(note->VoiceField(), 2);
    // What stood at 14 moved two bytes on.
    EXPECT_EQ(live[16], 0);
    EXPECT_EQ(live[17], 0);
    EXPECT_EQ(live[18], 0x33);
    EXPECT_EQ(live[43], 0x33);
    EXPECT_EQ(used, 44 + 16);
    EXPECT_EQ(note->NextItem()->TypeCode(), 255);
    EXPECT_EQ(note->NextItem()->RecordSizeField(), 16);
}

TEST(ItemFactoryTest, UnpackingStopsAtTheFirstDamagedRecord) {
    const Bytes good = Packed(171, BarBody(0, 0));
    struct Case {
        const char* what;
        Bytes bad;
    };
    const Case cases[] = {
        {"size 0", {0, 0, 171, 0}},
        {"negative size", {0xF0, 0xFF, 171, 0}},
        {"below the head", {3, 0, 171, 0}},
        {"past the block", {40, 0, 171, 0, 1, 2, 3}},
        {"head cut short", {12, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes stored = Concat({good, c.bad});
        std::vector<std::uint8_t> live(4 * stored.size() + 64);
        int revived = -1;
        const std::int32_t used = UnpackItems(stored.data(), std::uint32_t(stored.size()), live.data(),
                                              std::uint32_t(live.size()), 2, &revived);
        EXPECT_EQ(revived, 1);
        EXPECT_EQ(used, 16);
    }
    // A destination without room for the next record.
    const Bytes two = Concat({good, good});
    std::vector<std::uint8_t> small(16 + 10);
    int revived = 0;
    EXPECT_EQ(UnpackItems(two.data(), std::uint32_t(two.size()), small.data(), std::uint32_t(small.size()), 2, &revived), 16);
    EXPECT_EQ(revived, 1);
}

// --- blocks read from a stream ----------------------------------------------------------------

namespace {

Bytes Block(const Bytes& stored) {
    const auto n = std::uint32_t(stored.size());
    Bytes b = {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)};
    b.insert(b.end(), stored.begin(), stored.end());
    return b;
}

}  // namespace

TEST(ItemFactoryTest, BlocksLeaveOutRemovedAndUnknownRecords) {
    CleanGlobals clean;
    const Bytes stored = Concat({Packed(171, BarBody(0x20, 1)), Packed(200, Bytes(8, 0)),
                                 Packed(172, BarBody(0x02, 2)), Packed(173, BarBody(0, 3)),
                                 Packed(255, BarBody(0, 0)), Packed(171, BarBody(0, 99))});
    Reader r(Block(stored));
    HGLOBAL h = 0;
    const std::int32_t total = UnpackItemsFromBlock(r.stream, h, -1);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(total, 3 * 16);
    EXPECT_EQ(GetHandleSize(h), std::uint32_t(total));
    auto* item = ItemCast<CBarItem>(LockHandle(h));
    EXPECT_EQ(item->TypeCode(), 171);
    EXPECT_EQ(item->TimeField(), 1);
    item = item->NextItem();
    EXPECT_EQ(item->TypeCode(), 173) << "the removed patch change and the unknown record are gone";
    EXPECT_EQ(item->NextItem()->TypeCode(), 255);
    UnlockHandle(h);
    FreeHandle(h);
}

TEST(ItemFactoryTest, BlockFailures) {
    CleanGlobals clean;
    const Bytes run = Concat({Packed(171, BarBody(0, 1)), Packed(255, BarBody(0, 0))});
    const std::size_t before = fw::memtest::LiveBlocks();

    {  // a length the stream does not hold
        Bytes b = Block(run);
        b[2] = 0x10;
        Reader r(b);
        HGLOBAL h = 0;
        EXPECT_THROW(UnpackItemsFromBlock(r.stream, h, -1), CUserException);
        EXPECT_EQ(GetErrorCode(), std::uint16_t(kErrEndOfFileRead));
        EXPECT_EQ(h, 0u);
    }
    {  // a run without its end record
        Reader r(Block(Packed(171, BarBody(0, 1))));
        HGLOBAL h = 0;
        EXPECT_THROW(UnpackItemsFromBlock(r.stream, h, -1), CArchiveException);
    }
    {  // fewer records than asked for
        Reader r(Block(run));
        HGLOBAL h = 0;
        EXPECT_THROW(UnpackItemsFromBlock(r.stream, h, 3), CArchiveException);
        FreeHandle(h);
    }
    {  // no memory for the temporary block
        Reader r(Block(run));
        HGLOBAL h = 0;
        fw::memtest::FailAfter(0);
        EXPECT_THROW(UnpackItemsFromBlock(r.stream, h, -1), CMemoryException);
        fw::memtest::Reset();
        EXPECT_EQ(GetErrorCode(), kErrOutOfMemory);
    }
    EXPECT_EQ(fw::memtest::LiveBlocks(), before) << "the temporary block is freed on every way out";
}
