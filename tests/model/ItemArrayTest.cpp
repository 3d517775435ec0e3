// Item arrays of variable-length records and the item block of a bar of a track.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "RecordTestSupport.h"
#include "framework/Exceptions.h"
#include "model/ArrayItem.h"
#include "model/BarItem.h"
#include "model/ItemArray.h"
#include "model/Lyric.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"

using namespace recordtest;

namespace {

// A live record of class `code`, `size` bytes long, its bytes after the head set to `fill`.
std::vector<std::uint8_t> Live(int code, int size, std::uint8_t fill) {
    std::vector<std::uint8_t> r(std::size_t(size), fill);
    ConstructClass(code, r.data());
    rec::Put<std::int16_t>(r.data(), rec::kSize, std::int16_t(size));
    r[7] = 0;
    if (size > 9) r[9] = 0;
    return r;
}

// A lyric line without entries, its kept bytes set to `fill`.
std::vector<std::uint8_t> EmptyLine(std::uint8_t fill) {
    auto r = Live(13, 50, fill);
    rec::Put<std::int16_t>(r.data(), CLyricLine::kEntryCount, 0);
    rec::Put<std::int16_t>(r.data(), CLyricLine::kTextLength, 0);
    return r;
}

// A lyric line of the syllables "la" and "li", each its own run.
std::vector<std::uint8_t> TwoSyllableLine() {
    std::vector<std::uint8_t> r(256, 0);
    const char* syllables[] = {"la", "li"};
    CLyricLine* line = CLyricLine::Make(r.data(), 256, syllables, 2, FontRef{1, 12, 0, 0});
    r.resize(std::size_t(line->RecordSizeField()));
    return r;
}

int SizeAt(CItemArray& a, int i) { return a.GetItem(i)->RecordSizeField(); }

}  // namespace

TEST(ItemArrayTest, RecordsOfTheirOwnSizes) {
    CItemArray a;
    const auto lyric = Live(13, 50, 0x13);
    const auto text = Live(29, 70, 0x29);
    const auto data = Live(171, 16, 0);
    ASSERT_NE(a.Add(lyric.data()), nullptr);
    ASSERT_NE(a.Add(text.data()), nullptr);
    ASSERT_NE(a.InsertAt(1, data.data()), nullptr);
    EXPECT_EQ(a.GetCount(), 3);
    EXPECT_EQ(a.GetByteSize(), 136u);
    EXPECT_EQ(SizeAt(a, 0), 50);
    EXPECT_EQ(SizeAt(a, 1), 16);
    EXPECT_EQ(SizeAt(a, 2), 70);
    EXPECT_EQ(a.GetAt(3), static_cast<std::uint8_t*>(a.GetData()) + 136) << "the count gives the end";
    EXPECT_EQ(a.GetAt(4), nullptr) << "past the count: no element";
    EXPECT_EQ(a.GetAt(-1), nullptr);

    a.RemoveAt(1);
    EXPECT_EQ(a.GetCount(), 2);
    EXPECT_EQ(a.GetByteSize(), 120u);
    EXPECT_EQ(a.GetItem(1)->TypeCode(), 29);
    EXPECT_EQ(static_cast<std::uint8_t*>(a.GetAt(1))[20], 0x29);

    // A damaged size inside the array stops the walk instead of reading past it.
    rec::Put<std::int16_t>(a.GetAt(0), rec::kSize, 3000);
    EXPECT_EQ(a.GetAt(1), nullptr);
}

TEST(ItemArrayTest, ChunkFormRoundTrip) {
    CleanGlobals clean;
    CLyricArray a;
    const auto l1 = EmptyLine(0x31);
    const auto l2 = TwoSyllableLine();
    ASSERT_EQ(l2.size(), 86u);
    a.Add(l1.data());
    a.Add(l2.data());
    const std::uint32_t tag = MakeChunkTag("LYRC");
    Bytes out = Written([&](CChunkStream& s) { a.Write(s, tag); });
    // Tag, length, live byte count, element count, then each line: 52 bytes of head and kept
    // bytes, then (a line with text and entries) the text, run count, runs and 8-byte entries.
    ASSERT_EQ(out.size(), 8u + 4 + 2 + 52 + (52 + 6 + 2 + 16 + 16));
    EXPECT_EQ(Bytes(out.begin() + 8, out.begin() + 14), Bytes({0, 0, 0, 136, 0, 2}));

    // A stored type byte other than 13 still revives as a lyric line.
    out[14 + 2] = 200;
    CLyricArray b;
    Reader r(out);
    b.Read(r.stream, tag);
    ASSERT_EQ(b.GetCount(), 2);
    EXPECT_EQ(b.GetByteSize(), 136u);
    EXPECT_EQ(SizeAt(b, 1), 86);
    EXPECT_STREQ(b.GetItem(0)->ClassIn(ItemClasses())->className, "CLyricLine");
    EXPECT_EQ(std::memcmp(static_cast<std::uint8_t*>(b.GetAt(0)) + 4, l1.data() + 4, 46), 0);
    EXPECT_EQ(std::memcmp(static_cast<std::uint8_t*>(b.GetAt(1)) + 4, l2.data() + 4, 82), 0);

    // An empty array.
    CItemArray empty;
    const Bytes none = Written([&](CChunkStream& s) { empty.Write(s, tag); });
    EXPECT_EQ(none, Bytes({'L', 'Y', 'R', 'C', 0, 0, 0, 6, 0, 0, 0, 0, 0, 0}));
    CItemArray back;
    Reader rn(none);
    back.Read(rn.stream, tag);
    EXPECT_EQ(back.GetCount(), 0);
    EXPECT_EQ(back.GetByteSize(), 0u);
}

TEST(ItemArrayTest, ChunkFormDistrustsTheStoredCounts) {
    CleanGlobals clean;
    CLyricArray a;
    const auto l1 = EmptyLine(0x31);
    a.Add(l1.data());
    const std::uint32_t tag = MakeChunkTag("LYRC");
    Bytes out = Written([&](CChunkStream& s) { a.Write(s, tag); });
    {  // a byte count far beyond the chunk: read by what the chunk holds
        Bytes b = out;
        b[8] = 0x7F;
        CLyricArray c;
        Reader r(b);
        c.Read(r.stream, tag);
        EXPECT_EQ(c.GetCount(), 1);
        EXPECT_EQ(c.GetByteSize(), 50u);
    }
    for (const auto& [at, value] : {std::pair{14, 0}, {24, 0xFF}}) {
        // a record size below the head; a negative entry count
        SCOPED_TRACE(at);
        Bytes b = out;
        b[std::size_t(at)] = std::uint8_t(value);
        b[std::size_t(at) + 1] = std::uint8_t(value);
        CLyricArray c;
        Reader r(b);
        EXPECT_THROW(c.Read(r.stream, tag), CArchiveException);
        EXPECT_EQ(c.GetCount(), 0);
    }
}

TEST(ItemArrayTest, RawFormRoundTrip) {
    CleanGlobals clean;
    CLyricArray a;
    const auto l1 = Live(13, 50, 0x31);
    const auto l2 = Live(13, 54, 0x32);
    a.Add(l1.data());
    a.Add(l2.data());
    CMemFile file;
    a.SaveRaw(file, 0x12345678);
    // Head: word, element size, count, stored byte count; then the packed records.
    ASSERT_EQ(file.Data().size(), 12u + 46 + 50);
    EXPECT_EQ(file.Data()[8], 96);
    EXPECT_EQ(file.Data()[12], 46) << "stored sizes are 4 less";
    EXPECT_EQ(a.GetByteSize(), 104u) << "the live byte count is back";

    CLyricArray b;
    file.SeekToBegin();
    b.LoadRaw(file);
    ASSERT_EQ(b.GetCount(), 2);
    EXPECT_EQ(b.GetByteSize(), 104u);
    EXPECT_EQ(std::memcmp(static_cast<std::uint8_t*>(b.GetData()) + 4, l1.data() + 4, 46), 0);
    EXPECT_EQ(std::memcmp(static_cast<std::uint8_t*>(b.GetAt(1)) + 4, l2.data() + 4, 50), 0);

    // A count that the records do not fill.
    file.Data()[6] = 3;
    file.Data()[8] = 96 + 40;
    file.Data().resize(file.Data().size() + 40, 0);
    CLyricArray c;
    file.SeekToBegin();
    EXPECT_THROW(c.LoadRaw(file), CArchiveException);
    EXPECT_EQ(c.GetCount(), 0);
}

TEST(ItemArrayTest, ReviveAllAndFitSizes) {
    CPageTextArray a;
    const auto t1 = Live(12, 50, 0x51);
    const auto t2 = Live(12, 60, 0x52);
    a.Add(t1.data());
    a.Add(t2.data());
    // Copied bytes lose their classes; reviving gives them back with their sizes.
    for (int i = 0; i < 2; ++i) rec::Put<std::uint32_t>(a.GetAt(i), 0, 0);
    a.ReviveAll();
    EXPECT_STREQ(a.GetItem(1)->ClassIn(ItemClasses())->className, "CPageText");
    EXPECT_EQ(SizeAt(a, 1), 60);
    // Wanted sizes are the record's own here: nothing changes.
    EXPECT_TRUE(a.FitSizes());
    EXPECT_EQ(a.GetByteSize(), 110u);
}

TEST(ItemArrayTest, ArrayItemCopyKeepsTheTargetsPlace) {
    std::vector<std::uint8_t> a(126, 0x11), b(126, 0x22);
    ConstructClass(2, a.data());
    ConstructClass(2, b.data());
    auto* from = ItemCast<CArrayItem>(a.data());
    auto* to = ItemCast<CArrayItem>(b.data());
    from->SetIndex(3);
    from->SetFlags(0);
    to->SetIndex(7);
    to->SetFlags(CArrayItem::kLastBit);
    EXPECT_TRUE(from->CopyTo(to));
    EXPECT_EQ(to->GetIndex(), 7);
    EXPECT_TRUE(to->IsLast());
    EXPECT_EQ(b[50], 0x11);
    EXPECT_EQ(to->NextOrNull(), nullptr);
    EXPECT_EQ(from->NextOrNull(), ItemCast<CArrayItem>(a.data() + 126));
}

// --- item block -------------------------------------------------------------------------------

namespace {

struct ItemRun {
    ItemRun() : fields(ItemBlock::kSize, 0) {}
    ~ItemRun() { block()->Free(); }
    ItemBlock* block() { return ItemBlock::At(fields.data()); }
    // Appends a bar item of `code`, `size` bytes, at `time`.
    void Add(int code, int size, int time, bool removed = false) {
        const std::uint32_t at = block()->Length();
        ASSERT_TRUE(block()->Resize(at + std::uint32_t(size)));
        std::uint8_t* p = block()->Address() + at;
        std::memset(p, 0, std::size_t(size));
        ConstructClass(code, p);
        auto* item = ItemCast<CBarItem>(p);
        item->CBaseItem::SetSize(std::int16_t(size));
        item->SetTimeField(std::int16_t(time));
        if (removed) item->MarkRemoved();
    }
    CBarItem* At(std::uint32_t offset) { return ItemCast<CBarItem>(block()->Address() + offset); }
    std::vector<std::uint8_t> fields;
};

}  // namespace

TEST(ItemArrayTest, ItemBlockGapsGoBeforeTheFirstLiveLaterRecord) {
    CleanGlobals clean;
    fw::memtest::SetAlwaysMove(true);
    ItemRun run;
    run.Add(144, 40, 0);
    run.Add(144, 40, 960, true);  // removed: passed over
    run.Add(128, 22, 960);
    run.Add(255, 16, 0);
    std::uint8_t* gap = run.block()->InsertGapAtTime(480, 24);
    ASSERT_NE(gap, nullptr);
    EXPECT_EQ(gap - run.block()->Address(), 80);
    EXPECT_EQ(rec::Get<std::int16_t>(gap, CBarItem::kTime), 480);
    EXPECT_EQ(run.block()->Length(), 118u + 24);
    EXPECT_EQ(run.At(104)->TypeCode(), 128);
    ConstructClass(20, gap);  // the caller builds its record in the gap

    // Later than every live record: just before the end record.
    gap = run.block()->InsertGapAtTime(5000, 16);
    ASSERT_NE(gap, nullptr);
    EXPECT_EQ(run.At(std::uint32_t(gap - run.block()->Address()) + 16)->TypeCode(), 255);
}

TEST(ItemArrayTest, ItemBlockResizesAndDuplicatesRecords) {
    CleanGlobals clean;
    fw::memtest::SetAlwaysMove(true);
    ItemRun run;
    run.Add(20, 24, 100);
    run.Add(255, 16, 0);
    std::memset(run.block()->Address() + 16, 0x44, 8);
    CScoreItem* item = run.block()->ResizeRecord(run.At(0), 8);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->RecordSizeField(), 32);
    EXPECT_EQ(item->Bytes()[23], 0x44);
    EXPECT_EQ(item->Bytes()[24], 0);
    EXPECT_EQ(run.At(32)->TypeCode(), 255);
    item = run.block()->ResizeRecord(item, -8);
    EXPECT_EQ(item->RecordSizeField(), 24);
    EXPECT_EQ(run.block()->Length(), 40u);
    EXPECT_EQ(run.At(24)->TypeCode(), 255);
    // The last record does not shrink.
    EXPECT_EQ(run.block()->ResizeRecord(run.At(24), -4)->RecordSizeField(), 16);

    item = run.block()->DuplicateRecord(run.At(0));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(run.block()->Length(), 64u);
    EXPECT_EQ(std::memcmp(run.At(0), run.At(24), 24), 0);
    EXPECT_EQ(run.At(48)->TypeCode(), 255);

    // Out of memory: nothing changes.
    fw::memtest::FailAfter(0);
    EXPECT_EQ(run.block()->DuplicateRecord(run.At(0)), nullptr);
    EXPECT_EQ(run.block()->InsertGapAtTime(0, 8), nullptr);
    fw::memtest::Reset();
    EXPECT_EQ(run.block()->Length(), 64u);
    // A record outside the run is refused.
    std::vector<std::uint8_t> other(24, 0);
    ConstructClass(20, other.data());
    EXPECT_EQ(run.block()->ResizeRecord(ItemCast<CScoreItem>(other.data()), 4), nullptr);
}
