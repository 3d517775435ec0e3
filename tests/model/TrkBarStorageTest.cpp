// The bar of a track in the score file (chunk BDAT): byte-exact writing and reading against
// hand-built chunks, removed and picture records, damaged records and hostile chunks, which
// end in a clear error or a repaired run that ends with its end record.
#include "framework/CodePage.h"
#include <gtest/gtest.h>

#include <string>

#include "TrkBarTestSupport.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Memory.h"
#include "framework/MessageBox.h"
#include "model/Data.h"
#include "model/ModelGlobals.h"
#include "platform/DebugLog.h"
#include "platform/PlatformGlobals.h"
#include "support/TempHome.h"

using namespace trkbartest;
using recordtest::Concat;
using recordtest::Reader;

namespace {

class TrkBarStorageTest : public ::testing::Test {
protected:
    recordtest::CleanGlobals clean;
    fw::msgboxtest::Capture boxes;
    TestMarkBehaviour markClass;
    ScopedClass marks{100, "CTestMark", 24, &markClass};
};

// A controller (171) of voice 1, selected, controller 7 value 100: the flag byte's selected bit
// goes to bit 7 on file and the voice keeps its value in the low bits.
Bytes StoredController() { return StoredHead(16, 171, 0x00, 0x81, 0, (100 << 8) | 7); }
// The test mark (100) at 240 of voice 2, needing re-layout, position 512, colour 3, time offset
// -2; its word 0x1234 stored big-endian by its own writer, then six raw bytes.
Bytes StoredMark() {
    return Concat({StoredHead(24, 100, 0x80, 0x02, 240, 512, 3, 0xFE), {0x12, 0x34, 1, 2, 3, 4, 5, 6}});
}
// A pitch bend (174) at 480 with data bytes 0x10 and 0x40.
Bytes StoredBend(int time = 480) { return StoredHead(16, 174, 0, 0, time, (0x40 << 8) | 0x10); }

// Reads the chunk into the bar; the messages shown are in `boxes`.
void ReadInto(CTrkBar* bar, const Bytes& file) {
    Reader r(file);
    bar->Read(r.stream, 0);
}

}  // namespace

// --- writing and reading -------------------------------------------------------------------------

TEST_F(TrkBarStorageTest, AnEmptyBarIsACountOfOneAndTheEndRecord) {
    Bar bar;
    const Bytes expected = Chunk(1, StoredEnd());
    EXPECT_EQ(expected.size(), 8u + 14);
    EXPECT_EQ(WriteBar(bar.bar), expected);

    Bar read;
    ReadInto(read.bar, expected);
    EXPECT_EQ(Types(read.bar), std::vector<int>{255});
    EXPECT_EQ(read->GetRunLength(), 32u) << "16 for the end record and the 16 the total starts with";
    EXPECT_EQ(WriteBar(read.bar), expected);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(TrkBarStorageTest, RecordsOfSeveralKindsReadAndWriteByteForByte) {
    const Bytes file = Chunk(4, Concat({StoredController(), StoredMark(), StoredBend(), StoredEnd()}));
    Bar bar;
    ReadInto(bar.bar, file);
    ASSERT_EQ(Types(bar.bar), (std::vector<int>{171, 100, 174, 255}));
    const std::vector<CBarItem*> r = Records(bar.bar);

    auto* controller = static_cast<CData*>(r[0]);
    EXPECT_EQ(controller->ClassIndex(), ItemClasses().IndexForCode(171));
    EXPECT_EQ(controller->VoiceField(), 1);
    EXPECT_TRUE(controller->IsSelectedBit());
    EXPECT_EQ(controller->GetDataByte1(), 7);
    EXPECT_EQ(controller->GetDataByte2(), 100);

    CBarItem* mark = r[1];
    EXPECT_EQ(mark->RecordSizeField(), 24);
    EXPECT_EQ(mark->FlagsA(), CBarItem::kRelayoutBit);
    EXPECT_EQ(mark->VoiceField(), 2);
    EXPECT_EQ(mark->TimeField(), 240);
    EXPECT_EQ(mark->PositionField(), 512);
    EXPECT_EQ(mark->ColorField(), 3);
    EXPECT_EQ(mark->TimeOffsetField(), -2);
    EXPECT_EQ(rec::Get<std::int16_t>(mark, 16), 0x1234);
    EXPECT_EQ(mark->Bytes()[23], 6);
    EXPECT_EQ(r[2]->TimeField(), 480);

    EXPECT_EQ(bar->GetRunLength(), 16u + 16 + 24 + 16 + 16);
    EXPECT_EQ(WriteBar(bar.bar), file);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(TrkBarStorageTest, RemovedRecordsAreLeftOutOfTheChunkAndTheCount) {
    Bar bar;
    Bytes controller = Item(171, 16, 0, 1);
    static_cast<CData*>(View(controller))->SetDataBytes(7, 100);
    View(controller)->SetFlagsB(std::uint8_t(View(controller)->FlagsB() | CBarItem::kSelectedBit));
    Bytes removed = Item(171, 16, 100);
    View(removed)->SetFlagsB(CBarItem::kRemovedBit);
    Bytes bend = Item(174, 16, 480);
    static_cast<CData*>(View(bend))->SetDataBytes(0x10, 0x40);
    for (Bytes* r : {&controller, &removed, &bend}) ASSERT_NE(bar->InsertCopy(View(*r)), nullptr);

    EXPECT_EQ(WriteBar(bar.bar), Chunk(3, Concat({StoredController(), StoredBend(), StoredEnd()})));
}

TEST_F(TrkBarStorageTest, ARecordThatGrowsOnReadingIsZeroFilledAndTheNextFollowsIt) {
    const TestWantedBehaviour wants28(28);
    ScopedClass grows(101, "CGrows", 20, &wants28);
    Bar bar;
    ReadInto(bar.bar, Chunk(3, Concat({StoredHead(20, 101), {0xAA, 0xBB, 0xCC, 0xDD}, StoredBend(), StoredEnd()})));
    const std::vector<CBarItem*> r = Records(bar.bar);
    ASSERT_EQ(Types(bar.bar), (std::vector<int>{101, 174, 255}));
    EXPECT_EQ(r[0]->RecordSizeField(), 28);
    EXPECT_EQ(r[0]->Bytes()[19], 0xDD);
    for (int i = 20; i < 28; ++i) EXPECT_EQ(r[0]->Bytes()[i], 0) << i;
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(r[1]) - reinterpret_cast<std::uint8_t*>(r[0]), 28);
    EXPECT_EQ(bar->GetRunLength(), 16u + 28 + 16 + 16);
}

// Bars are read one after another through the same room: a bar read after a longer one, whose
// records filled the room with other bytes and whose run was cut short, holds byte for byte what
// it holds when read alone, its grown record zero-filled.
TEST_F(TrkBarStorageTest, ABarReadAfterALongerOneHoldsNothingOfIt) {
    const TestWantedBehaviour wants28(28);
    ScopedClass grows(101, "CGrows", 20, &wants28);
    const Bytes small = Chunk(3, Concat({StoredHead(20, 101), {0xAA, 0xBB, 0xCC, 0xDD}, StoredBend(), StoredEnd()}));
    const auto runOf = [](CTrkBar* bar) {
        const std::uint8_t* p = bar->Block()->Address();
        return Bytes(p, p + bar->GetRunLength());
    };
    Bar alone;
    ReadInto(alone.bar, small);
    const Bytes expected = runOf(alone.bar);

    Bytes marks;
    for (int i = 0; i < 200; ++i) marks = Concat({marks, StoredMark()});
    Bytes longer = Chunk(400, marks);  // its count promises more than it holds
    for (std::size_t i = 10; i + 1 < longer.size(); i += 24) longer[i] = 0xEE;
    for (int round = 0; round < 2; ++round) {
        Bar first, second;
        ReadInto(first.bar, longer);
        ReadInto(second.bar, small);
        EXPECT_EQ(runOf(second.bar), expected) << "round " << round;
    }
}

TEST_F(TrkBarStorageTest, PicturesAreDroppedWithoutAMessage) {
    const BarItemBehaviour pictureClass;
    ScopedClass pictures(26, "CPict", 22, &pictureClass);
    Bar bar;
    const Bytes picture = Concat({StoredHead(22, 26, 0, 0, 120), {9, 9, 9, 9, 9, 9}});
    ReadInto(bar.bar, Chunk(4, Concat({StoredController(), picture, StoredBend(), StoredEnd()})));
    EXPECT_EQ(Types(bar.bar), (std::vector<int>{171, 174, 255}));
    EXPECT_EQ(bar->GetRunLength(), 16u + 16 + 16 + 16);
    // Nothing of the picture stays behind the end record.
    const std::uint8_t* p = bar->Block()->Address();
    for (std::uint32_t i = 48; i < bar->GetRunLength(); ++i) EXPECT_EQ(p[i], 0) << i;
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(TrkBarStorageTest, ADamagedRecordEndsTheBarWithAMessageAndTheFileGoesOn) {
    const Bytes damaged = Chunk(4, Concat({StoredController(), StoredHead(16, 200), StoredBend(), StoredEnd()}));
    const Bytes file = Concat({damaged, Chunk(2, Concat({StoredBend(0), StoredEnd()}))});
    Reader reader(file);
    Bar bar(2, 11), next(2, 12);
    bar->Read(reader.stream, 0);
    next->Read(reader.stream, 0);

    EXPECT_EQ(Types(bar.bar), (std::vector<int>{171, 255}));
    EXPECT_EQ(bar->GetRunLength(), 16u + 16 + 16);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(fw::ToUtf8(boxes.shown()[0].text), "音轨 3 小节 12 已损坏，需要修复。");
    EXPECT_EQ(boxes.shown()[0].type, UINT(MB_OK));
    EXPECT_EQ(Types(next.bar), (std::vector<int>{174, 255}));
}

TEST_F(TrkBarStorageTest, ARecordWithoutAClassStaysInertAndTheBarReadsOn) {
    // A controller, a record of code 58 (a bar code no class serves) with four bytes of its
    // own, and a pitch bend.
    const Bytes classless = Concat({StoredHead(20, 58, 0, 0, 120), {9, 8, 7, 6}});
    Bar bar;
    ReadInto(bar.bar, Chunk(4, Concat({StoredController(), classless, StoredBend(), StoredEnd()})));
    EXPECT_TRUE(boxes.shown().empty()) << "no damage is reported";
    ASSERT_EQ(Types(bar.bar), (std::vector<int>{171, 58, 174, 255}));
    const std::vector<CBarItem*> records = Records(bar.bar);
    EXPECT_FALSE(records[0]->IsRemoved());
    EXPECT_TRUE(records[1]->IsRemoved()) << "the classless record is inert";
    EXPECT_EQ(records[1]->RecordSizeField(), 20);
    EXPECT_FALSE(records[2]->IsRemoved());
    EXPECT_EQ(records[2]->TimeField(), 480);
    // It is not saved again; the others are, byte for byte.
    EXPECT_EQ(WriteBar(bar.bar), Chunk(3, Concat({StoredController(), StoredBend(), StoredEnd()})));
}

TEST_F(TrkBarStorageTest, OlderFilesGainTheColourBytes) {
    SetLoadedFileVersion(0x300, 0);
    // Size 14 and a 10-byte head: size, type, scale, flags, time and position only.
    const Bytes oldController = {0, 14, 171, 0, 0x00, 0x81, 0, 60, 100, 7};
    const Bytes oldEnd = {0, 14, 255, 0, 0, 0, 0, 0, 0, 0};
    Bar bar;
    ReadInto(bar.bar, Chunk(2, Concat({oldController, oldEnd})));
    ASSERT_EQ(Types(bar.bar), (std::vector<int>{171, 255}));
    CBarItem* controller = Records(bar.bar)[0];
    EXPECT_EQ(controller->RecordSizeField(), 16);
    EXPECT_EQ(controller->TimeField(), 60);
    EXPECT_EQ(controller->ColorField(), 0);
    EXPECT_EQ(controller->TimeOffsetField(), 0);
}

TEST_F(TrkBarStorageTest, AnOlderRecordAtTheSizeLimitIsDamageWhateverTheRoom) {
    // A large count gives the bar room past any record's size; the two bytes older records
    // gain must not carry the size past its 16 bits.
    SetLoadedFileVersion(0x300, 0);
    const Bytes huge = {0x7F, 0xFF, 171, 0, 0, 0, 0, 0, 0, 0};
    Bar bar;
    ReadInto(bar.bar, Chunk(30000, Concat({huge, Bytes(64, 0)})));
    EXPECT_EQ(Types(bar.bar), std::vector<int>{255});
    EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST_F(TrkBarStorageTest, TheLogShowsADotPerRecordButTheLastFiftyToALine) {
    testsupport::TempHome home;
    g_platform.debugLog = 1;
    StartLog(nullptr);
    Bytes records;
    for (int i = 0; i < 51; ++i) records = Concat({records, StoredBend(i)});
    Bar bar(0, 11);
    ReadInto(bar.bar, Chunk(52, Concat({records, StoredEnd()})));
    EXPECT_EQ(Records(bar.bar).size(), 52u);
    std::string log;
    fw::ReadWholeFile(home.state() + "/Harrowick/Zelmarin.log", log);
    // Bar number 12 has two digits: the next line is indented by six spaces.
    EXPECT_EQ(log, std::string(50, '.') + "\n" + std::string(6, ' ') + ".\n");
}

// --- hostile chunks ------------------------------------------------------------------------------

TEST_F(TrkBarStorageTest, HostileChunksEndInARepairedRunOrAClearError) {
    const TestWantedBehaviour wantsTooMuch(30000);
    ScopedClass greedy(102, "CGreedy", 20, &wantsTooMuch);
    struct Case {
        const char* name;
        Bytes chunk;
        std::vector<int> types;  // empty: any terminated run
    } cases[] = {
        {"size 0", Chunk(3, Concat({StoredController(), StoredHead(0, 171), StoredEnd()})), {171, 255}},
        {"negative size", Chunk(2, Concat({StoredHead(0x8010, 171), StoredEnd()})), {255}},
        {"size past the block", Chunk(2, Concat({StoredHead(0x7FFF, 100), StoredEnd()})), {255}},
        {"size past the chunk", Chunk(2, Concat({StoredController(), StoredHead(4000, 100)})), {}},
        {"size below the head", Chunk(2, Concat({StoredHead(10, 171), StoredEnd()})), {255}},
        {"count 0", Chunk(0, StoredEnd()), {255}},
        {"count below 0", Chunk(0xFFFF, Concat({StoredController(), StoredEnd()})), {255}},
        {"count past the records", Chunk(500, StoredController()), {171, 255}},
        {"no end record", Chunk(1, StoredController()), {171, 255}},
        {"end record mid-chunk", Chunk(3, Concat({StoredEnd(), StoredController(), StoredEnd()})), {255}},
        {"growth past the slack", Chunk(3, Concat({StoredController(), StoredHead(20, 102), {1, 2, 3, 4}, StoredEnd()})), {171, 255}},
        {"a bar record", Chunk(2, Concat({StoredHead(16, 8), StoredEnd()})), {255}},
        {"a code below 16", Chunk(2, Concat({StoredHead(16, 3), StoredEnd()})), {255}},
        {"a code above 175", Chunk(2, Concat({StoredHead(16, 176), StoredEnd()})), {255}},
        {"an empty chunk", Bytes{'B', 'D', 'A', 'T', 0, 0, 0, 0}, {255}},
    };
    for (const Case& c : cases) {
        fw::msgboxtest::Capture shown;
        const Bytes file = Concat({c.chunk, Chunk(2, Concat({StoredBend(0), StoredEnd()}))});
        Reader reader(file);
        Bar bar(0, 0), next(0, 1);
        bar->Read(reader.stream, 0);
        const std::vector<int> types = Types(bar.bar);
        ASSERT_FALSE(types.empty()) << c.name << ": the run ends with its end record";
        if (!c.types.empty()) {
            EXPECT_EQ(types, c.types) << c.name;
        }
        EXPECT_LE(RecordBytes(bar.bar) + 16, bar->GetRunLength()) << c.name;
        EXPECT_EQ(shown.shown().size(), 1u) << c.name << ": the damage is reported";
        // The reading goes on with the next chunk.
        next->Read(reader.stream, 0);
        EXPECT_EQ(Types(next.bar), (std::vector<int>{174, 255})) << c.name;
        // The repaired run writes and reads back as it is.
        Bar again;
        ReadInto(again.bar, WriteBar(bar.bar));
        EXPECT_EQ(Types(again.bar), types) << c.name;
    }
}

TEST_F(TrkBarStorageTest, AChunkLongerThanTheFileOrNoMemoryLeavesTheRunAsItWas) {
    Bar bar;
    ASSERT_NE(bar->NewItem(20, 0), nullptr);
    const std::vector<int> before = Types(bar.bar);

    Bytes truncated = Chunk(2, Concat({StoredController(), StoredEnd()}));
    truncated.resize(truncated.size() - 4);
    EXPECT_THROW(ReadInto(bar.bar, truncated), CFileException);
    EXPECT_EQ(Types(bar.bar), before);

    fw::memtest::FailAfter(0);
    EXPECT_THROW(ReadInto(bar.bar, Chunk(2, Concat({StoredController(), StoredEnd()}))), CMemoryException);
    fw::memtest::Reset();
    EXPECT_EQ(Types(bar.bar), before);
}
