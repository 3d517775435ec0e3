// The score item and bar item bases: head accessors, default operations, the chunk form of
// records (head in stored bit order, big-endian numbers, version fix-ups) and the checks that
// keep a damaged record from being read past its room.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "RecordTestSupport.h"
#include "framework/Exceptions.h"
#include "model/BarItem.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Track.h"
#include "model/ZelDoc.h"

using namespace recordtest;

namespace {

// An aligned buffer of `n` bytes with a record of class `code` built in it.
struct Buf {
    explicit Buf(int code, std::size_t n = 256, std::uint8_t fill = 0) : bytes(n, fill) {
        item = ConstructClass(code, bytes.data());
    }
    CBarItem* bar() { return static_cast<CBarItem*>(item); }
    std::vector<std::uint8_t> bytes;
    CScoreItem* item;
};

}  // namespace

TEST(ItemBaseTest, InitClearsAllButSizeAndType) {
    Buf b(144, 64, 0xEE);
    b.item->CBaseItem::SetScale(70);
    b.item->Init();
    EXPECT_EQ(b.item->RecordSizeField(), 40);
    EXPECT_EQ(b.item->TypeCode(), 144);
    for (int i = 7; i < 40; ++i) EXPECT_EQ(b.bytes[std::size_t(i)], 0) << i;
    EXPECT_EQ(b.bytes[40], 0xEE) << "nothing past the record";
}

TEST(ItemBaseTest, ScaleAndViewScaling) {
    CleanGlobals clean;
    Buf b(29);
    b.item->SetScale(100);
    EXPECT_EQ(b.item->CBaseItem::Scale(), 0);
    EXPECT_EQ(b.item->GetScale(), 100);
    b.item->SetScale(50);
    EXPECT_EQ(b.item->GetScale(), 50);

    Buf page(0);
    EXPECT_EQ(page.item->ScaleToView(10), 10) << "without a document";
    CZelDoc doc;
    doc.zoom = 150;
    g_model.currentDoc = &doc;
    EXPECT_EQ(page.item->ScaleToView(10), 15);
    EXPECT_EQ(page.item->ScaleFromView(15), 10);
    EXPECT_EQ(page.item->TwentiethsToView(200), 15);
    EXPECT_EQ(page.item->ScaleToView(-10), -14) << "division toward zero";
    for (int v : {0, 1, 7, 15, 100}) {
        const int t = page.item->ViewToTwentieths(v);
        EXPECT_EQ(page.item->TwentiethsToView(t), v) << v;
    }
    doc.zoom = 0;  // no usable zoom: as without a document
    EXPECT_EQ(page.item->ScaleFromView(15), 15);
    EXPECT_EQ(page.item->ViewToTwentieths(3), 60);
}

TEST(ItemBaseTest, PredicatesByTypeCode) {
    std::vector<std::uint8_t> bytes(32, 0);
    auto* item = ItemCast<CScoreItem>(bytes.data());
    for (int code = 0; code < 256; ++code) {
        item->CBaseItem::SetType(std::uint8_t(code));
        EXPECT_EQ(item->IsData(), code > 169) << code;
        EXPECT_EQ(item->IsGraphic(), code >= 64 && code <= 70) << code;
        EXPECT_EQ(item->IsText(), code == 29 || code == 12) << code;
        EXPECT_EQ(item->IsNoteFamily(),
                  code == 16 || code == 21 || code == 24 || code == 27 || code == 30 || code == 31 || code == 112 ||
                      code == 128 || code == 144)
            << code;
    }
    // A key signature whose flag byte is above 63 is a warning only.
    item->CBaseItem::SetType(23);
    item->CBaseItem::SetSize(26);
    bytes[19] = 63;
    EXPECT_TRUE(item->IsPlainKeySig());
    bytes[19] = 64;
    EXPECT_FALSE(item->IsPlainKeySig());
}

TEST(ItemBaseTest, BarItemHeadOperations) {
    CleanGlobals clean;
    Buf b(26);  // a picture: a bar item with the base's operations
    CBarItem* item = b.bar();
    item->InitNew(9, 480, 512);
    EXPECT_EQ(item->GetVoice(), 1) << "9 AND 7";
    EXPECT_EQ(item->GetTime(), 480);
    EXPECT_EQ(item->GetPosition(), 512);
    EXPECT_EQ(item->RecordSizeField(), 22);

    item->SetTimeOffsetField(-10);
    EXPECT_EQ(item->GetTimeWithOffset(), 470);

    item->SetColor(3);
    EXPECT_EQ(item->GetColor(), 2);
    g_model.voiceColors[1] = 42;
    item->SetColor(0);
    EXPECT_EQ(item->GetColor(), 42) << "colour 0 takes the voice's";

    item->Select();
    item->SetFlagsB(item->FlagsB() | CBarItem::kScratchBit);
    EXPECT_TRUE(item->IsSelected(-32767));
    item->Deselect();
    EXPECT_FALSE(item->IsSelected(-32767));
    EXPECT_EQ(item->FlagsB() & CBarItem::kScratchBit, 0);

    item->SetFlag8Bit1(true);
    EXPECT_TRUE(item->GetFlag8Bit1());
    EXPECT_EQ(item->FlagsA(), CBarItem::kFlag8Bit1);

    EXPECT_TRUE(item->IsAlive());
    item->Delete();
    EXPECT_FALSE(item->IsAlive());
    item->EndDrag(nullptr);
    EXPECT_TRUE(item->IsAlive()) << "the end of a drag clears the removed bit";
    item->Erase();
    EXPECT_FALSE(item->IsAlive()) << "the start of a drag sets it";

    item->CBaseItem::SetScale(50);
    EXPECT_EQ(item->ScaleToPage(100), 50);
    item->CBaseItem::SetScale(0);
    EXPECT_EQ(item->ScaleToPage(100), 100);
}

TEST(ItemBaseTest, HeadSelectionOfNotes) {
    Buf b(144);
    CBarItem* note = b.bar();
    note->CBaseItem::SetSize(56);
    b.bytes[23] = 2;                 // two heads
    b.bytes[24 + 16] = 0x02;         // head 1 selected
    EXPECT_FALSE(note->IsSelected(1)) << "the note itself is not selected";
    note->Select();
    EXPECT_FALSE(note->IsSelected(0));
    EXPECT_TRUE(note->IsSelected(1));
    EXPECT_FALSE(note->IsSelected(5)) << "a head past the record";
    EXPECT_FALSE(note->IsSelected(-2));
}

TEST(ItemBaseTest, GrowAtOpensZeroBytesInsideTheRecord) {
    Buf b(26);  // a picture: 22 bytes
    for (int i = 16; i < 22; ++i) b.bytes[std::size_t(i)] = std::uint8_t(i);
    EXPECT_EQ(b.bar()->GrowAt(b.bytes.data() + 18, 3), 25);
    const std::uint8_t expected[] = {16, 17, 0, 0, 0, 18, 19, 20, 21};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(b.bytes[std::size_t(16 + i)], expected[i]) << i;

    Buf tempo(28);
    tempo.bytes[71] = 0xFF;  // at 73 once the colour bytes are in
    tempo.item->AfterLoad(0x200);
    EXPECT_EQ(tempo.item->RecordSizeField(), 108);
    EXPECT_EQ(tempo.bytes[73], 0xFD) << "bit 1 cleared after the move";
    Buf data(171);
    data.item->AfterLoad(0x200);
    EXPECT_EQ(data.item->RecordSizeField(), 16) << "MIDI data items keep their head";
}

TEST(ItemBaseTest, CloneAndCopy) {
    Buf b(29, 64, 0x21);
    b.item->CBaseItem::SetScale(3);
    CScoreItem* copy = b.item->Clone();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::memcmp(copy, b.item, 50), 0);
    EXPECT_EQ(copy->GetType(), 29);
    copy->Release();
}

// --- chunk form -------------------------------------------------------------------------------

TEST(ItemBaseTest, BarItemHeadIsStoredInMirroredOrderAndBigEndian) {
    CleanGlobals clean;
    fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, 256);  // what the buffer below holds
    Buf b(20);  // a dynamic: 24 bytes
    CBarItem* item = b.bar();
    item->SetFlagsA(0x07);                 // two flags and a 6-bit field of 1
    item->SetFlagsB(0x01 | (5 << 5));      // selected, voice 5
    item->SetTimeField(0x1234);
    item->SetPositionField(-2);
    b.bytes[14] = 4;
    b.bytes[15] = 0xF6;
    for (int i = 16; i < 24; ++i) b.bytes[std::size_t(i)] = std::uint8_t(0xA0 + i);
    const Bytes out = Written([&](CChunkStream& s) { item->Write(s); });
    const Bytes head = {0, 24, 20, 0, 0xC1, 0x85, 0x12, 0x34, 0xFF, 0xFE, 4, 0xF6};
    ASSERT_EQ(out.size(), 20u) << "the record without its class slot";
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 12), head);

    Buf back(255, 256, 0xCC);
    Reader r(out);
    back.item->Read(r.stream);
    EXPECT_EQ(std::memcmp(back.bytes.data() + 4, b.bytes.data() + 4, 20), 0);
    EXPECT_STREQ(back.item->ClassIn(ItemClasses())->className, "CDynamic");
}

TEST(ItemBaseTest, ReadingAnOlderFileFixesTheHead) {
    CleanGlobals clean;
    fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, 256);  // what the buffer below holds
    // A note of a 0x300 file: the head has no colour and offset bytes.
    Bytes stored = {0, 38, 144, 0, 0, 0x04, 0, 10, 0, 20};
    for (int i = 0; i < 24; ++i) stored.push_back(std::uint8_t(0x40 + i));
    SetLoadedFileVersion(0x300, 0);
    Buf b(255, 256, 0xCC);
    Reader r(stored);
    b.item->Read(r.stream);
    EXPECT_EQ(b.item->RecordSizeField(), 40) << "2 bytes longer in memory than stored";
    EXPECT_EQ(b.bar()->ColorField(), 0);
    EXPECT_EQ(b.bar()->TimeOffsetField(), 0);
    EXPECT_EQ(b.bytes[16], 0x40);
    EXPECT_EQ(b.bytes[39], 0x40 + 23);
    EXPECT_EQ(b.bar()->VoiceField(), 4);
}

TEST(ItemBaseTest, ShortRecordsGrowToTheirClassSize) {
    CleanGlobals clean;
    fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, 256);  // what the buffer below holds
    // A harp pedal diagram whose stored record is smaller than its class.
    const Bytes stored = {0, 20, 38, 0, 0, 0, 0, 1, 0, 2, 0, 0, 9, 9, 9, 9};
    Buf b(255, 256, 0xCC);
    Reader r(stored);
    b.item->Read(r.stream);
    EXPECT_EQ(b.item->RecordSizeField(), 30);
    EXPECT_EQ(b.bytes[19], 9);
    for (int i = 20; i < 30; ++i) EXPECT_EQ(b.bytes[std::size_t(i)], 0) << i;
}

TEST(ItemBaseTest, DamagedRecordSizesAreRefused) {
    CleanGlobals clean;
    struct Case {
        const char* what;
        Bytes stored;
    };
    const Case cases[] = {
        {"below the head", {0, 6, 29, 0}},
        {"beyond the room", {0x10, 0, 29, 0}},
        {"bar item below its head", {0, 12, 29, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> bytes(64, 0xCC);
        ConstructClass(255, bytes.data());
        fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, 64);
        Reader r(c.stored);
        EXPECT_THROW(ItemCast<CScoreItem>(bytes.data())->Read(r.stream), CArchiveException);
        for (std::size_t i = 16; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0xCC);
    }
    // A size of 0 ends the read without damage.
    std::vector<std::uint8_t> bytes(64, 0);
    ConstructClass(255, bytes.data());
    Reader r(Bytes{0, 0, 29, 0});
    ItemCast<CScoreItem>(bytes.data())->Read(r.stream);
    EXPECT_EQ(ItemCast<CScoreItem>(bytes.data())->RecordSizeField(), 0);
}

TEST(ItemBaseTest, RawFormReadsWhatFitsAndSkipsTheRest) {
    Buf b(10, 128, 0);  // a bar number: 50 bytes
    Bytes raw = {60, 0, 10, 0};
    for (int i = 0; i < 56; ++i) raw.push_back(std::uint8_t(i));
    raw.push_back(0x77);  // the next record's first byte
    CMemFile file(raw);
    b.item->ReadRaw(file);
    EXPECT_EQ(b.item->RecordSizeField(), 50) << "the record keeps its class size";
    EXPECT_EQ(b.bytes[8], 0);
    EXPECT_EQ(b.bytes[49], 41);
    EXPECT_EQ(b.bytes[50], 0) << "nothing past the record";
    std::uint8_t next = 0;
    file.Read(&next, 1);
    EXPECT_EQ(next, 0x77);

    // Written back: the stored size word and the record's bytes.
    CMemFile out;
    b.item->WriteRaw(out, 0);
    ASSERT_EQ(out.Data().size(), 46u);
    EXPECT_EQ(out.Data()[0], 46);
    EXPECT_EQ(out.Data()[1], 0);
    EXPECT_EQ(out.Data()[2], 10);
    EXPECT_EQ(b.item->RecordSizeField(), 50);
}

TEST(ItemBaseTest, ToFileOrderConvertsTheBarItemHeadInPlace) {
    Buf b(20);
    CBarItem* item = b.bar();
    item->SetFlagsA(0x07);
    item->SetFlagsB(0x01 | (5 << 5));
    item->SetTimeField(0x1234);
    item->SetPositionField(0x0102);
    std::vector<std::uint8_t> copy(24);
    item->CopyInFileOrder(copy.data());
    const std::uint8_t expected[] = {0, 24, 20, 0, 0xC1, 0x85, 0x12, 0x34, 0x01, 0x02};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(copy[std::size_t(4 + i)], expected[i]) << i;
    EXPECT_EQ(item->RecordSizeField(), 24) << "the record itself is unchanged";
}

TEST(ItemBaseTest, AnUnknownCodeInABarRunIsReadInStepAndStaysRemoved) {
    CleanGlobals clean;
    fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, 64);
    // A record of code 58 (no class) with flags that say "not removed", then a clef.
    const Bytes stored = Concat({{0, 22, 58, 0, 0, 0, 0, 120, 0, 0, 0, 0, 9, 9, 9, 9, 9, 9},
                                 {0, 20, 18, 0, 0, 0, 0, 7, 0, 0, 0, 0, 5, 5, 5, 5}});
    Reader r(stored);
    std::vector<std::uint8_t> bytes(64, 0);
    CBarItem::Construct(bytes.data());
    auto* first = ItemCast<CBarItem>(bytes.data());
    first->Read(r.stream);
    EXPECT_TRUE(IsBareScoreItem(first));
    EXPECT_TRUE(first->IsRemoved());
    EXPECT_EQ(first->RecordSizeField(), 22);
    EXPECT_EQ(bytes[21], 9);

    CBarItem::Construct(bytes.data());
    first->Read(r.stream);
    EXPECT_EQ(first->TypeCode(), 18) << "the next record starts where the first ended";
    EXPECT_EQ(first->TimeField(), 7);
}
