// The bar record: defaults, its own items, copies, and the chunks "MEAS" and "COND".
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "FrameTestSupport.h"
#include "RecordTestSupport.h"
#include "framework/Exceptions.h"
#include "model/Bar.h"
#include "model/BarNumber.h"
#include "model/BarItem.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/Tempo.h"

using frametest::Chunk;
using recordtest::Bytes;

namespace {

// A bar record on its own, given its defaults; it lets its item array go at the end.
struct LoneBar {
    alignas(8) std::uint8_t bytes[CBar::kSize] = {};
    CBar* bar;
    LoneBar() {
        bar = CBar::Construct(bytes);
        EXPECT_TRUE(bar->SetDefaults());
    }
    ~LoneBar() { bar->Release(); }
};


// The stored "MEAS" body of a bar given its defaults.
Bytes DefaultMeasureBody() {
    return {0, 0, 0, 0, 0, 0, 0, 0,  // flags
            0, 0,                    // barline kinds
            0x25, 0x80,              // tempo 9600
            0x07, 0x80,              // content length 1920
            0x01, 0x20, 0x01, 0x20,  // natural width and space / 5
            0xFF, 0xFF,              // bar-number link
            0, 0, 0, 0, 0, 0, 0, 0,  // A, B, C, span
            0, 0, 0, 0,              // display word, meter offset
            0, 12, 0, 0, 0, 0, 0, 0, 0, 0,
            0, 0};                   // lead-in space
}

// A bar item of a type, built in a scratch record.
std::vector<std::uint8_t> Item(int type, int time) {
    std::vector<std::uint8_t> r(256, 0);
    auto* item = static_cast<CBarItem*>(ConstructClass(type, r.data()));
    item->SetTimeField(std::int16_t(time));
    return r;
}

TEST(BarTest, DefaultsWriteTheDocumentedMeasureChunk) {
    recordtest::CleanGlobals clean;
    LoneBar b;
    EXPECT_EQ(b.bar->GetMeterLength(), 1920);
    EXPECT_EQ(b.bar->GetTempo(), 9600);
    EXPECT_EQ(b.bar->GetMeter()->GetDisplayFlags() & Meter::kShown, Meter::kShown);  // bar 0 shows it
    ASSERT_NE(b.bar->GetBeatChart(), nullptr);
    EXPECT_EQ(beatchart::Count(b.bar->GetBeatChart()), 4);
    EXPECT_EQ(recordtest::Written([&](CChunkStream& s) { b.bar->WriteMeasure(s); }), Chunk("MEAS", DefaultMeasureBody()));
}

TEST(BarTest, MeasureFlagsKeepTheirSwappedOrderBothWays) {
    recordtest::CleanGlobals clean;
    LoneBar b;
    b.bar->SetBarFlags(0x80);
    Bytes body = DefaultMeasureBody();
    body[6] = 1;  // bit 7 goes to the seventh flag byte
    EXPECT_EQ(recordtest::Written([&](CChunkStream& s) { b.bar->WriteMeasure(s); }), Chunk("MEAS", body));
    body[6] = 0;
    body[7] = 1;  // and bit 6 to the eighth
    recordtest::Reader r(Chunk("MEAS", body));
    LoneBar read;
    read.bar->ReadMeasure(r.stream);
    EXPECT_EQ(read.bar->GetBarFlags(), 0x40);
}

TEST(BarTest, MeasureRoundTripKeepsEveryStoredField) {
    recordtest::CleanGlobals clean;
    LoneBar b;
    b.bar->SetBarFlags(0xA5);
    b.bar->SetOpeningKind(2);
    b.bar->SetClosingKind(10);
    b.bar->SetTempo(12345);
    b.bar->SetContentLength(1440);
    b.bar->SetNaturalWidth(-7);
    b.bar->SetNaturalSpace(7);
    b.bar->SetBarNumberLink(3);
    rec::Put<std::int16_t>(b.bar, CBar::kCoordA, 25);
    rec::Put<std::int16_t>(b.bar, CBar::kCoordB, -25);
    rec::Put<std::uint16_t>(b.bar, CBar::kWordC, 0xBEEF);
    b.bar->SetMultiRestSpan(4);
    rec::Put<std::uint16_t>(b.bar, CBar::kMeterDisplayWord, 9);
    rec::Put<std::int16_t>(b.bar, CBar::kMeterOffset, -3);
    rec::Put<std::uint16_t>(b.bar, CBar::kMeterDisplayWords + 8, 77);
    b.bar->SetLeadInSpace(33);
    const Bytes written = recordtest::Written([&](CChunkStream& s) { b.bar->WriteMeasure(s); });
    recordtest::Reader r(written);
    LoneBar read;
    read.bar->ReadMeasure(r.stream);
    EXPECT_EQ(read.bar->GetNaturalWidth(), -5);  // coordinates go through /5 and x5
    EXPECT_EQ(read.bar->GetNaturalSpace(), 5);
    EXPECT_EQ(read.bar->GetClosingKind(), 10);
    EXPECT_EQ(recordtest::Written([&](CChunkStream& s) { read.bar->WriteMeasure(s); }), written);
}

TEST(BarTest, OlderMeasureChunksReadTheirOwnLayout) {
    recordtest::CleanGlobals clean;
    // Version 0x40F: no display words and no meter offset; the lead-in follows the span.
    Bytes body = DefaultMeasureBody();
    body.erase(body.begin() + 28, body.begin() + 42);
    ASSERT_EQ(body.size(), 30u);
    body[28] = 0;
    body[29] = 40;
    SetLoadedFileVersion(0x40F, 0);
    {
        recordtest::Reader r(Chunk("MEAS", body));
        LoneBar b;
        b.bar->ReadMeasure(r.stream);
        EXPECT_EQ(b.bar->GetLeadInSpace(), 40);
        EXPECT_EQ(b.bar->GetMeterDisplayWord(1), 12);
        EXPECT_EQ(b.bar->GetMeterDisplayWord(0), 0);
    }
    // Before 0x400 the tempo is whole beats per minute; the conversion stays in the tempo
    // range instead of wrapping the 16-bit word.
    struct Case {
        int stored;
        int read;
    };
    for (const Case c : {Case{120, 12000}, Case{700, 30000}, Case{5, 1000}}) {
        SetLoadedFileVersion(0x3FF, 0);
        body[10] = std::uint8_t(c.stored >> 8);
        body[11] = std::uint8_t(c.stored);
        recordtest::Reader r(Chunk("MEAS", body));
        LoneBar b;
        b.bar->ReadMeasure(r.stream);
        EXPECT_EQ(b.bar->GetTempo(), c.read) << c.stored;
        b.bar->AfterRead();  // converts only tempos still in whole beats: never twice
        EXPECT_EQ(b.bar->GetTempo(), c.read) << c.stored;
    }
}

TEST(BarTest, AfterReadConvertsLegacyTempoOnceAndClearsLinkBeyondScore) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(1, {3});
    SetLoadedFileVersion(0x3FF, 0);
    CBar* bar = s.Bar(1);
    bar->SetTempo(900);  // a raw record's whole beats: 90000 would not fit the 16-bit word
    bar->SetBarNumberLink(3);  // equal to the bar count
    bar->AfterRead();
    EXPECT_EQ(bar->GetTempo(), 30000);
    EXPECT_EQ(bar->GetBarNumberLink(), -1);
    bar->SetTempo(96);
    bar->AfterRead();
    EXPECT_EQ(bar->GetTempo(), 9600);
}

// An older file's raw bar: a little-endian size word, then the record from its type byte on,
// with the meter two bytes shorter than today's.
Bytes LegacyBar(bool withItems) {
    Bytes raw(2 + 156, 0);
    raw[0] = 158;                 // stored size: the record from its size word on
    raw[2] = 8;                   // type
    raw[2 + 12 - 6] = 0x40 | 0x02;  // bar flags: 6 (to be cleared) and 1
    raw[2 + 14 - 6] = 3;          // meter numerator
    raw[2 + 15 - 6] = 4;          // over a quarter
    raw[2 + 40 - 6] = 96;         // the tempo word, where the shorter meter leaves it
    raw[2 + 85 - 6] = withItems ? 1 : 0;  // the old item array pointer
    if (withItems) raw.insert(raw.end(), 12, 0);  // an empty item array in its raw form
    return raw;
}

TEST(BarTest, LegacyRawRecordMovesItsFieldsPastTheLongerMeter) {
    recordtest::CleanGlobals clean;
    for (bool withItems : {false, true}) {
        CMemFile file(LegacyBar(withItems));
        LoneBar b;
        b.bar->ReadRaw(file);
        EXPECT_EQ(b.bar->GetMeter()->GetNumerator(), 3);
        EXPECT_EQ(rec::Get<std::uint8_t>(b.bar, int(CBar::kMeter) + int(Meter::kPreset)), 0);
        EXPECT_EQ(rec::Get<std::uint16_t>(b.bar, CBar::kTempo), 96);
        EXPECT_EQ(b.bar->GetBarFlags(), 0x02);
        EXPECT_EQ(b.bar->GetItemArray() != nullptr, withItems);
        EXPECT_EQ(file.GetPosition(), file.GetLength());
    }
}

TEST(BarTest, OwnItemsAreSortedCachedAndCounted) {
    recordtest::CleanGlobals clean;
    LoneBar b;
    auto tempoLate = Item(CBar::kTempoType, 480);
    auto tempoZero = Item(CBar::kTempoType, 0);
    rec::Put<std::uint16_t>(tempoZero.data(), CTempo::kTempo, 7200);
    auto jumper = Item(CBar::kJumperType, 480);
    rec::Put<std::uint8_t>(jumper.data(), CBar::kJumperKind, 8);
    ASSERT_NE(b.bar->InsertItemSorted(reinterpret_cast<CBarItem*>(tempoLate.data())), nullptr);
    ASSERT_NE(b.bar->InsertItemSorted(reinterpret_cast<CBarItem*>(jumper.data())), nullptr);
    ASSERT_NE(b.bar->InsertItemSorted(reinterpret_cast<CBarItem*>(tempoZero.data())), nullptr);
    // Beat chart (time 0), the tempo at 0 after it, then the two at 480 in insertion order.
    std::vector<int> types;
    auto* p = b.bar->GetFirstItem();
    for (int i = 0; i < b.bar->GetItemCount(); ++i, p = p->NextItem()) types.push_back(p->TypeCode());
    EXPECT_EQ(types, (std::vector<int>{9, 28, 28, 48}));
    EXPECT_EQ(b.bar->GetTempo(), 7200);  // the tempo mark at time 0 sets the bar's tempo
    EXPECT_EQ(b.bar->CountJumpers(), 1);
    b.bar->SetClosingKind(3);
    b.bar->RemoveItem(b.bar->GetJumper(0));
    EXPECT_EQ(b.bar->CountJumpers(), 0);
    EXPECT_EQ(b.bar->GetClosingKind(), 0);  // the repeat-count mark takes its barline along
}

TEST(BarTest, SortItemsMovesRecordsOfDifferentSizes) {
    recordtest::CleanGlobals clean;
    LoneBar b;
    CItemArray* a = b.bar->GetItemArray();
    a->RemoveAll();
    auto late = Item(CBar::kTempoType, 900);   // 106 bytes
    auto early = Item(CBar::kJumperType, 10);  // 26 bytes
    a->Add(late.data());
    a->Add(early.data());
    b.bar->SortItems();
    EXPECT_EQ(b.bar->GetFirstItem()->TimeField(), 10);
    EXPECT_EQ(b.bar->GetFirstItem()->NextItem()->TimeField(), 900);
    EXPECT_EQ(b.bar->GetFirstItem()->NextItem()->RecordSizeField(), 106);
}

TEST(BarTest, ConductorChunkLeavesRemovedItemsOutAndReadsBack) {
    recordtest::CleanGlobals clean;
    LoneBar b;
    auto tempo = Item(CBar::kTempoType, 240);
    auto gone = Item(CBar::kJumperType, 0);
    b.bar->InsertItemSorted(reinterpret_cast<CBarItem*>(tempo.data()));
    CBarItem* removed = b.bar->InsertItemSorted(reinterpret_cast<CBarItem*>(gone.data()));
    removed->SetFlagsB(std::uint8_t(removed->FlagsB() | CBarItem::kRemovedBit));
    const Bytes written = recordtest::Written([&](CChunkStream& s) { b.bar->WriteConductor(s); });
    ASSERT_GE(written.size(), 10u);
    EXPECT_EQ(Bytes(written.begin(), written.begin() + 4), Bytes({'C', 'O', 'N', 'D'}));
    EXPECT_EQ(written[8] << 8 | written[9], 2);  // the chart and the tempo; three in the array
    EXPECT_EQ(b.bar->GetItemCount(), 3);

    recordtest::Reader r(written);
    LoneBar read;
    read.bar->ReadConductor(r.stream);
    EXPECT_EQ(read.bar->GetItemCount(), 2);
    EXPECT_EQ(recordtest::Written([&](CChunkStream& s) { read.bar->WriteConductor(s); }), written);
}

TEST(BarTest, ConductorChunkWhoseCountPromisesMoreItemsIsDamage) {
    recordtest::CleanGlobals clean;
    LoneBar b;
    Bytes written = recordtest::Written([&](CChunkStream& s) { b.bar->WriteConductor(s); });
    written[9] = 5;  // one item stored, five promised
    recordtest::Reader r(written);
    LoneBar read;
    EXPECT_THROW(read.bar->ReadConductor(r.stream), CArchiveException);
}

TEST(BarTest, ConductorItemLargerThanItsScratchRecordIsDamage) {
    recordtest::CleanGlobals clean;
    // One stored item whose size word claims 0x7FF0 bytes.
    Bytes body = {0, 1};
    LoneBar b;
    const Bytes meter = recordtest::Written([&](CChunkStream& s) { b.bar->GetMeter()->Write(s); });
    body.insert(body.end(), meter.begin(), meter.end());
    Bytes item = {0x7F, 0xF0, 28, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    item.resize(0x7FF0 - 4, 0);
    body.insert(body.end(), item.begin(), item.end());
    recordtest::Reader r(Chunk("COND", body));
    EXPECT_THROW(b.bar->ReadConductor(r.stream), CArchiveException);
}

TEST(BarTest, CopyToGivesTheTargetItsOwnItems) {
    recordtest::CleanGlobals clean;
    LoneBar from, to;
    from.bar->SetTempo(6000);
    auto tempo = Item(CBar::kTempoType, 100);
    from.bar->InsertItemSorted(reinterpret_cast<CBarItem*>(tempo.data()));
    CItemArray* targetArray = to.bar->GetItemArray();
    to.bar->SetIndex(7);
    ASSERT_TRUE(from.bar->CopyTo(to.bar));
    EXPECT_EQ(to.bar->GetIndex(), 7);
    EXPECT_EQ(to.bar->GetTempo(), 6000);
    EXPECT_EQ(to.bar->GetItemArray(), targetArray);  // the target's array is reused
    EXPECT_EQ(to.bar->GetItemCount(), 2);
    from.bar->GetItemArray()->RemoveAll();
    EXPECT_EQ(to.bar->GetItemCount(), 2);  // not shared
}

TEST(BarTest, BarNumberItemsAndLinks) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(1, {4});
    auto number = Item(CBar::kBarNumberType, 0);
    rec::Put<std::int16_t>(number.data(), CBarNumber::kNumberOffset, 10);
    ASSERT_NE(s.Bar(1)->InsertItemSorted(reinterpret_cast<CBarItem*>(number.data())), nullptr);
    s.Bar(2)->SetBarNumberLink(1);
    EXPECT_EQ(s.Bar(2)->GetBarNumberItem(false), s.Bar(1)->GetBarNumberItem(true));
    EXPECT_EQ(s.Bar(2)->GetBarNumberItem(true), nullptr);
    EXPECT_EQ(s.Bar(1)->GetDisplayNumber(), 11);
    EXPECT_EQ(s.Bar(2)->GetDisplayNumber(), 2);  // only a bar's own item counts
    s.Bar(3)->SetBarNumberLink(0);               // bar 0 has none: the link goes
    EXPECT_EQ(s.Bar(3)->GetBarNumberItem(false), nullptr);
    EXPECT_EQ(s.Bar(3)->GetBarNumberLink(), -1);
}

TEST(BarTest, RepeatEndAndEndingsSetAndClearClosingBarlines) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(1, {4});
    ASSERT_TRUE(s.Bar(2)->SetRepeatEnd());
    EXPECT_EQ(s.Bar(2)->GetClosingKind(), 3);
    EXPECT_TRUE(s.Bar(2)->HasRepeatEnd());
    EXPECT_EQ(s.Bar(2)->CountJumpers(), 1);
    // An ending of two bars at bar 1 closes at bar 2: removing it removes bar 2's repeat.
    auto ending = Item(CBar::kEndingType, 0);
    rec::Put<std::uint8_t>(ending.data(), CBar::kJumperKind, 9);
    rec::Put<std::int16_t>(ending.data(), CBar::kJumperTarget, 2);
    s.Bar(1)->InsertItemSorted(reinterpret_cast<CBarItem*>(ending.data()));
    ASSERT_NE(s.Bar(1)->GetEnding(), nullptr);
    s.Bar(1)->RemoveItem(s.Bar(1)->GetEnding());
    EXPECT_EQ(s.Bar(1)->GetEnding(), nullptr);
    EXPECT_EQ(s.Bar(2)->CountJumpers(), 0);
    EXPECT_EQ(s.Bar(2)->GetClosingKind(), 0);
}

TEST(BarTest, BarArrayStoresBarsAsMeasureChunks) {
    recordtest::CleanGlobals clean;
    CBarArray bars;
    for (int i = 0; i < 2; ++i) ASSERT_NE(bars.InsertEmpty(i), nullptr);
    static_cast<CBar*>(bars.GetAt(1))->SetTempo(6000);
    const Bytes written = recordtest::Written([&](CChunkStream& s) { bars.Write(s, bars.GetTag()); });
    recordtest::Reader r(written);
    CBarArray read;
    read.Read(r.stream, read.GetTag());
    ASSERT_EQ(read.GetCount(), 2);
    EXPECT_EQ(static_cast<CBar*>(read.GetAt(1))->GetTempo(), 6000);
    EXPECT_NE(static_cast<CBar*>(read.GetAt(1))->GetItemArray(), nullptr);
    EXPECT_EQ(recordtest::Written([&](CChunkStream& s) { read.Write(s, read.GetTag()); }), written);
}

}  // namespace
