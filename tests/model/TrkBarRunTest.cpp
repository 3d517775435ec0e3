// The bar of a track's item run: insertion at the right place, resizing, duplication, note
// heads, compaction, the sort and its order, the voice counts, and deep copies that never share
// a block.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "FrameTestSupport.h"
#include "TrkBarTestSupport.h"
#include "framework/Memory.h"
#include "model/ModelGlobals.h"
#include "platform/Handles.h"

using namespace trkbartest;

namespace {

class TrkBarRunTest : public ::testing::Test {
protected:
    recordtest::CleanGlobals clean;
};

// Inserts a copy of each record, in order.
void Fill(CTrkBar* bar, std::vector<Bytes> items) {
    for (Bytes& r : items) ASSERT_NE(bar->InsertCopy(View(r)), nullptr);
}

Bytes RunBytes(CTrkBar* bar) {
    const std::uint8_t* p = bar->Block()->Address();
    return Bytes(p, p + bar->GetRunLength());
}

// A note (code 144) with `heads` heads whose play start offsets are given, and `marks` marks
// of 40 bytes behind them.
Bytes Note(int time, std::vector<int> offsets, int marks = 0, int voice = 0) {
    const int heads = int(offsets.size());
    const int size = 24 + 16 * heads + 40 * marks;
    Bytes r = Item(144, size, time, voice);
    r[19] = std::uint8_t(0x30 | (marks << 1));  // quarter note, mark count
    r[23] = std::uint8_t(heads);
    for (int i = 0; i < heads; ++i) {
        rec::Put<std::int16_t>(r.data(), std::size_t(24 + 16 * i + 14), std::int16_t(offsets[std::size_t(i)]));
        r[std::size_t(24 + 16 * i + 7)] = std::uint8_t(60 + i);  // pitch marks the head
    }
    for (int m = 0; m < marks; ++m) {
        std::uint8_t* mark = r.data() + 24 + 16 * heads + 40 * m;
        rec::Put<std::int16_t>(mark, 0, 40);
        mark[2] = std::uint8_t(15 + m);
    }
    return r;
}

}  // namespace

// --- a new bar and insertion ---------------------------------------------------------------------

TEST_F(TrkBarRunTest, NewBarHoldsTheEndRecordAloneAndCompactAndSortKeepIt) {
    Bar bar(3, 7);
    EXPECT_EQ(bar->GetTrackIndex(), 3);
    EXPECT_EQ(bar->GetBarIndex(), 7);
    EXPECT_EQ(bar->GetRunLength(), 16u);
    EXPECT_EQ(Types(bar.bar), std::vector<int>{255});
    const Bytes before = RunBytes(bar.bar);
    bar->Compact();
    bar->SortItems();
    EXPECT_EQ(RunBytes(bar.bar), before);
}

TEST_F(TrkBarRunTest, InsertionGoesInFrontOfTheFirstLiveRecordAtOrAfterItsTime) {
    struct Case {
        int time;
        std::size_t index;
    } cases[] = {
        {0, 0},     // in front of the live record already at 0
        {100, 2},   // behind the removed record at 240 that precedes the first live one
        {240, 2},   // the same place for its own time
        {300, 3},
        {960, 4},   // behind the last item, just before the end record
    };
    for (const Case& c : cases) {
        Bar bar;
        Bytes removed = Item(20, 24, 240);
        View(removed)->SetFlagsB(CBarItem::kRemovedBit);
        Fill(bar.bar, {Item(20, 24, 0), removed, Item(20, 24, 240), Item(20, 24, 480)});
        CBarItem* gap = bar->InsertSpace(c.time, 20);
        ASSERT_NE(gap, nullptr) << c.time;
        EXPECT_EQ(gap->RecordSizeField(), 0) << "the gap is zeroed but for its time";
        EXPECT_EQ(gap->TimeField(), c.time);
        gap->CBaseItem::SetSize(20);
        gap->CBaseItem::SetType(18);
        const std::vector<CBarItem*> records = Records(bar.bar);
        ASSERT_EQ(records.size(), 6u);
        EXPECT_EQ(records[c.index], gap) << c.time;
        EXPECT_EQ(bar->GetRunLength(), 16u + 4 * 24 + 20);
    }
}

TEST_F(TrkBarRunTest, NewItemBuildsItsClassAtTheTimeAndRefusesCodesWithoutASize) {
    Bar bar;
    CBarItem* item = bar->NewItem(20, 480);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->TypeCode(), 20);
    EXPECT_EQ(item->RecordSizeField(), 24);
    EXPECT_EQ(item->TimeField(), 480);
    EXPECT_EQ(item->ClassIndex(), ItemClasses().IndexForCode(20));
    EXPECT_EQ(Types(bar.bar), (std::vector<int>{20, 255}));

    const Bytes before = RunBytes(bar.bar);
    EXPECT_EQ(bar->NewItem(100, 0), nullptr);  // a code without a class has no size
    EXPECT_EQ(RunBytes(bar.bar), before);
}

TEST_F(TrkBarRunTest, CopiesOfRecordsAndBuffersLandWhereTheirTimeSays) {
    fw::memtest::SetAlwaysMove(true);
    Bar bar;
    Fill(bar.bar, {Item(20, 24, 0, 1, 0x11), Item(18, 20, 480, 2, 0x22)});
    // A copy of a record of the same run: the block moves while the copy is made.
    CBarItem* copy = bar->InsertCopy(Records(bar.bar)[1]);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(Records(bar.bar)[1], copy);
    EXPECT_EQ(copy->TypeCode(), 18);
    EXPECT_EQ(copy->VoiceField(), 2);
    EXPECT_EQ(copy->Bytes()[19], 0x22);

    HandleBuffer buffer;
    Bytes a = Item(171, 16, 0), b = Item(172, 16, 0);
    ASSERT_TRUE(buffer.AppendRecord(a.data()));
    ASSERT_TRUE(buffer.AppendRecord(b.data()));
    CBarItem* first = bar->InsertBuffer(240, buffer);
    buffer.Free();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Types(bar.bar), (std::vector<int>{20, 171, 172, 18, 18, 255}));
    EXPECT_EQ(first->TimeField(), 0) << "the buffer's records keep their own bytes";
    EXPECT_EQ(bar->GetRunLength(), RecordBytes(bar.bar));
}

// --- resizing and duplication --------------------------------------------------------------------

TEST_F(TrkBarRunTest, ResizeItemGrowsWithZerosAndShrinksByCuttingTheEnd) {
    fw::memtest::SetAlwaysMove(true);
    Bar bar;
    Fill(bar.bar, {Item(20, 24, 0, 0, 0x77), Item(18, 20, 240, 0, 0x33)});
    CBarItem* grown = bar->ResizeItem(Records(bar.bar)[0], 8);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(grown->RecordSizeField(), 32);
    EXPECT_EQ(grown->Bytes()[23], 0x77);
    for (int i = 24; i < 32; ++i) EXPECT_EQ(grown->Bytes()[i], 0) << i;
    EXPECT_EQ(Types(bar.bar), (std::vector<int>{20, 18, 255}));
    EXPECT_EQ(Records(bar.bar)[1]->Bytes()[19], 0x33);

    CBarItem* shrunk = bar->ResizeItem(grown, -12);
    ASSERT_NE(shrunk, nullptr);
    EXPECT_EQ(shrunk->RecordSizeField(), 20);
    EXPECT_EQ(shrunk->Bytes()[19], 0x77);
    EXPECT_EQ(Types(bar.bar), (std::vector<int>{20, 18, 255}));
    EXPECT_EQ(bar->GetRunLength(), 20u + 20 + 16);
}

TEST_F(TrkBarRunTest, DuplicateItemPutsAnIdenticalCopyRightBehind) {
    Bar bar;
    Fill(bar.bar, {Item(20, 24, 0, 3, 0x5A), Item(18, 20, 240)});
    CBarItem* first = bar->DuplicateItem(Records(bar.bar)[0]);
    ASSERT_NE(first, nullptr);
    const std::vector<CBarItem*> records = Records(bar.bar);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0], first);
    EXPECT_EQ(std::memcmp(records[0], records[1], 24), 0);
    EXPECT_EQ(records[2]->TypeCode(), 18);
}

TEST_F(TrkBarRunTest, ResizeNoteKeepsTheMarksBehindTheHeads) {
    Bar bar;
    Fill(bar.bar, {Note(0, {0, 5}, 1), Item(18, 20, 480)});
    std::uint8_t head[16] = {};
    head[7] = 99;

    CBarItem* note = bar->ResizeNote(Records(bar.bar)[0], head, 1);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->RecordSizeField(), 24 + 48 + 40);
    EXPECT_EQ(note->Bytes()[23], 3);
    EXPECT_EQ(note->Bytes()[24 + 7], 60);
    EXPECT_EQ(note->Bytes()[40 + 7], 61);
    EXPECT_EQ(note->Bytes()[56 + 7], 99) << "the new head from the given bytes";
    EXPECT_EQ(rec::Get<std::int16_t>(note, 72), 40) << "the mark follows the heads";
    EXPECT_EQ(note->Bytes()[74], 15);

    note = bar->ResizeNote(note, nullptr, -2);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->RecordSizeField(), 24 + 16 + 40);
    EXPECT_EQ(note->Bytes()[23], 1);
    EXPECT_EQ(note->Bytes()[24 + 7], 60) << "the last heads are the ones dropped";
    EXPECT_EQ(note->Bytes()[42], 15);
    EXPECT_EQ(Types(bar.bar), (std::vector<int>{144, 18, 255}));

    // A head count that the record cannot hold is refused.
    note->Bytes()[23] = 9;
    EXPECT_EQ(bar->ResizeNote(note, nullptr, 1), nullptr);
}

TEST_F(TrkBarRunTest, WhenMemoryRunsOutTheRunStaysAsItWas) {
    struct Op {
        const char* name;
        bool (*run)(CTrkBar*);
    } ops[] = {
        {"InsertSpace", [](CTrkBar* b) { return b->InsertSpace(0, 20) != nullptr; }},
        {"NewItem", [](CTrkBar* b) { return b->NewItem(18, 0) != nullptr; }},
        {"ResizeItem", [](CTrkBar* b) { return b->ResizeItem(Records(b)[0], 8) != nullptr; }},
        {"DuplicateItem", [](CTrkBar* b) { return b->DuplicateItem(Records(b)[0]) != nullptr; }},
        {"ResizeNote", [](CTrkBar* b) { return b->ResizeNote(Records(b)[1], nullptr, 1) != nullptr; }},
    };
    for (const Op& op : ops) {
        Bar bar;
        Fill(bar.bar, {Item(20, 24, 0), Note(240, {0})});
        const Bytes before = RunBytes(bar.bar);
        fw::memtest::FailAfter(0);
        EXPECT_FALSE(op.run(bar.bar)) << op.name;
        fw::memtest::Reset();
        EXPECT_EQ(RunBytes(bar.bar), before) << op.name;
    }
}

// --- compaction ----------------------------------------------------------------------------------

TEST_F(TrkBarRunTest, CompactDropsRemovedRecordsAndEndsTheRunAfresh) {
    Bar bar;
    Bytes a = Item(20, 24, 0, 0, 0xA1), b = Item(18, 20, 100), c = Item(18, 20, 200, 0, 0xC3),
          d = Item(20, 24, 300), e = Item(18, 20, 400, 0, 0xE5);
    for (Bytes* r : {&b, &d}) View(*r)->SetFlagsB(CBarItem::kRemovedBit);
    View(a)->SetFlagsB(CBarItem::kScratchBit);
    Fill(bar.bar, {a, b, c, d, e});
    bar->Compact();
    EXPECT_EQ(Times(bar.bar), (std::vector<int>{0, 200, 400}));
    EXPECT_EQ(bar->GetRunLength(), 24u + 20 + 20 + 16);
    EXPECT_EQ(bar->GetRunLength(), RecordBytes(bar.bar));
    const std::vector<CBarItem*> records = Records(bar.bar);
    EXPECT_EQ(records[0]->Bytes()[16], 0xA1);
    EXPECT_EQ(records[1]->Bytes()[16], 0xC3);
    EXPECT_EQ(records[2]->Bytes()[16], 0xE5);
    EXPECT_EQ(records[0]->FlagsB() & CBarItem::kScratchBit, 0) << "the scan clears the scratch mark";
}

TEST_F(TrkBarRunTest, CompactFitsEveryRecordToItsWantedSizeWithoutRemovedOnes) {
    const TestWantedBehaviour wants24(24), wants12(12);
    ScopedClass grows(102, "CGrows", 20, &wants24);
    ScopedClass shrinks(103, "CShrinks", 20, &wants12);
    Bar bar;
    Fill(bar.bar, {Item(102, 20, 0, 0, 0x42), Item(103, 20, 10, 0, 0x43), Item(18, 20, 20)});
    const std::uint32_t length = bar->GetRunLength();
    // Only the run's length changes by what the records asked for; nothing is removed.
    bar->Compact();
    const std::vector<CBarItem*> records = Records(bar.bar);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0]->RecordSizeField(), 24);
    EXPECT_EQ(records[0]->Bytes()[19], 0x42);
    EXPECT_EQ(records[0]->Bytes()[20], 0);
    EXPECT_EQ(records[1]->RecordSizeField(), 12);
    EXPECT_EQ(records[2]->TypeCode(), 18);
    EXPECT_EQ(bar->GetRunLength(), length + 4 - 8);
}

// --- sorting -------------------------------------------------------------------------------------

TEST_F(TrkBarRunTest, SortOrdersByTimeThenByKind) {
    const TestTupletBehaviour tupletClass;
    ScopedClass tuplets(31, "CTuplet", 44, &tupletClass);
    const auto tuplet = [](int time, int end) {
        Bytes r = Item(31, 44, time);
        rec::Put<std::int16_t>(r.data(), 24, std::int16_t(end));
        return r;
    };
    const auto removed = [](Bytes r) {
        View(r)->SetFlagsB(std::uint8_t(View(r)->FlagsB() | CBarItem::kRemovedBit));
        return r;
    };
    struct Case {
        const char* name;
        std::vector<Bytes> items;
        std::vector<int> types;   // after the sort
        std::vector<int> marks;   // byte 7 of the first head, or the tuplet's end, where it tells
    } cases[] = {
        {"times ascend", {Item(20, 24, 480), Item(18, 20, 0), Item(20, 24, 240)}, {18, 20, 20, 255}, {}},
        {"clef, dynamic, note", {Note(0, {0}), Item(20, 24, 0), Item(18, 20, 0)}, {18, 20, 144, 255}, {}},
        {"key signature and ottava before a text", {Item(29, 50, 0), Item(25, 28, 0), Item(23, 26, 0)}, {25, 23, 29, 255}, {}},
        {"dynamic before hairpin", {Item(19, 94, 0), Item(20, 24, 0)}, {20, 19, 255}, {}},
        {"longer tuplet first", {tuplet(0, 300), tuplet(0, 900)}, {31, 31, 255}, {900, 300}},
        {"removed records first", {Item(18, 20, 0), removed(Note(0, {0}))}, {144, 18, 255}, {}},
        {"notes by play start", {Note(0, {20}), Note(0, {-10})}, {144, 144, 255}, {-10, 20}},
        {"two rests keep their order", {Item(128, 22, 0, 1), Item(128, 22, 0, 2)}, {128, 128, 255}, {1, 2}},
        {"a rest and a note keep their order", {Item(128, 22, 0), Note(0, {-50})}, {128, 144, 255}, {}},
        // The order at one time is not transitive: a tuplet between a hairpin and a dynamic
        // keeps both where they are.
        {"hairpin, tuplet, dynamic stay", {Item(19, 94, 0), tuplet(0, 100), Item(20, 24, 0)}, {19, 31, 20, 255}, {}},
    };
    for (Case& c : cases) {
        Bar bar;
        Append(bar.bar, c.items);
        bar->SortItems();
        EXPECT_EQ(Types(bar.bar), c.types) << c.name;
        std::vector<int> marks;
        for (CBarItem* r : Records(bar.bar)) {
            if (r->TypeCode() == 144 && !c.marks.empty()) marks.push_back(rec::Get<std::int16_t>(r, 38));
            if (r->TypeCode() == 31 && !c.marks.empty()) marks.push_back(rec::Get<std::int16_t>(r, 24));
            if (r->TypeCode() == 128 && !c.marks.empty()) marks.push_back(r->VoiceField());
        }
        EXPECT_EQ(marks, c.marks) << c.name;
        EXPECT_EQ(bar->GetRunLength(), RecordBytes(bar.bar)) << c.name;
    }
}

// --- counts --------------------------------------------------------------------------------------

TEST_F(TrkBarRunTest, VoiceStatsCountNotesAndRestsAndAverageTheirPositions) {
    const TestStaffPosBehaviour staffPos;
    ScopedClass notes(144, "CNote", 40, &staffPos);
    ScopedClass rests(128, "CRest", 22, &staffPos);
    const auto at = [](int type, int size, int voice, int position) {
        Bytes r = Item(type, size, 0, voice);
        r[20] = std::uint8_t(std::int8_t(position));
        return r;
    };
    {
        Bar bar;
        Fill(bar.bar, {Item(20, 24, 0)});
        VoiceStats stats;
        EXPECT_EQ(bar->GetVoiceStats(&stats, false), 1);
        EXPECT_EQ(stats.voice[0].count, 1) << "no voice in use counts as voice 0";
        EXPECT_FALSE(bar->HasOtherVoice(0));
    }
    Bar bar;
    Fill(bar.bar, {at(144, 40, 0, 4), at(144, 40, 0, 6), at(144, 40, 0, 8), at(144, 40, 3, -3), at(128, 22, 3, -4),
                   at(128, 22, 5, 2)});
    VoiceStats stats;
    EXPECT_EQ(bar->GetVoiceStats(&stats, false), 3);
    EXPECT_EQ(stats.voice[0].count, 3);
    EXPECT_EQ(stats.voice[0].average, 6);    // (18 + 1 - 1) / 3
    EXPECT_EQ(stats.voice[3].count, 2);
    EXPECT_EQ(stats.voice[3].average, -3);   // (-7 + 1 - 1) / 2, toward zero
    EXPECT_EQ(stats.voice[5].average, 1);    // (2 + 0 - 1) / 1
    EXPECT_TRUE(bar->VoiceUsed(5));
    EXPECT_TRUE(bar->HasOtherVoice(0));

    EXPECT_EQ(bar->GetVoiceStats(&stats, true), 2) << "rests left out";
    EXPECT_FALSE(bar->VoiceUsed(5));
    EXPECT_EQ(stats.voice[3].count, 1);
}

TEST_F(TrkBarRunTest, SpanIsFreeUnlessANoteOfTheVoiceSoundsInIt) {
    // Quarter notes (480 ticks) of voice 0 at 0 and 960; a half note (960) of voice 1 at 0.
    // The notes' end times come from their class's behaviour: here a test double that reads
    // the duration from bytes 20-21.
    frametest::TimedNotes timed;
    const auto lasting = [](Bytes note, int ticks) {
        note[20] = std::uint8_t(ticks);
        note[21] = std::uint8_t(ticks >> 8);
        return note;
    };
    Bar bar;
    Fill(bar.bar, {lasting(Note(0, {0}), 480), lasting(Note(0, {0}, 0, 1), 960), lasting(Note(960, {0}), 480)});
    struct Case {
        int voice, time, length;
        bool free;
    } cases[] = {
        {0, 0, 480, true},     // the note fills the span exactly
        {0, 0, 240, false},    // a longer note at the same time covers it
        {0, 480, 480, true},   // between the notes
        {0, 240, 480, false},  // the first note still sounds
        {0, 480, 600, false},  // the second note starts inside
        {1, 0, 960, true},
        {1, 0, 480, false},
        {2, 0, 1920, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(bar->IsSpanFree(c.voice, c.time, c.length), c.free) << c.voice << " " << c.time << " " << c.length;
}

// --- copies and release --------------------------------------------------------------------------

TEST_F(TrkBarRunTest, CopiesNeverShareABlockWithTheLiveRun) {
    const std::size_t blocks = fw::memtest::LiveBlocks();
    {
        Bar live(2, 5);
        Fill(live.bar, {Item(20, 24, 0, 0, 0x10), Item(18, 20, 240)});
        Bar undo(0, 0);
        ASSERT_TRUE(live->CopyTo(undo.bar));
        EXPECT_NE(undo->GetRunHandle(), live->GetRunHandle());
        EXPECT_EQ(undo->GetBarIndex(), 5);
        EXPECT_EQ(undo->GetTrackIndex(), 2);
        EXPECT_EQ(RunBytes(undo.bar), RunBytes(live.bar));
        // The live run changes; the copy does not.
        live->Compact();
        Records(live.bar)[0]->SetFlagsB(CBarItem::kRemovedBit);
        live->Compact();
        EXPECT_EQ(Types(undo.bar), (std::vector<int>{20, 18, 255}));
        EXPECT_EQ(Types(live.bar), (std::vector<int>{18, 255}));

        // A clone (slot 14) owns a block of its own too.
        CScoreItem* clone = live->CScoreItem::Clone();
        ASSERT_NE(clone, nullptr);
        auto* cloneBar = static_cast<CTrkBar*>(clone);
        EXPECT_NE(cloneBar->GetRunHandle(), live->GetRunHandle());
        EXPECT_EQ(Types(cloneBar), (std::vector<int>{18, 255}));
        cloneBar->Release(true);
        FreeBlock(clone);

        // A failed copy leaves the target as it was.
        const HGLOBAL kept = undo->GetRunHandle();
        fw::memtest::FailAfter(0);
        EXPECT_FALSE(live->CopyTo(undo.bar));
        fw::memtest::Reset();
        EXPECT_EQ(undo->GetRunHandle(), kept);
    }
    EXPECT_EQ(fw::memtest::LiveBlocks(), blocks) << "every block freed once";
}

TEST_F(TrkBarRunTest, ReleaseForgetsOrFreesTheBlockAndKeepsTheLength) {
    Bar bar;
    Fill(bar.bar, {Item(20, 24, 0)});
    const HGLOBAL handle = bar->GetRunHandle();
    // Ownership passes to someone else: the bar forgets the block.
    bar->Release(false);
    EXPECT_EQ(bar->GetRunHandle(), 0u);
    EXPECT_EQ(bar->GetItems(), nullptr);
    EXPECT_EQ(bar->GetRunLength(), 40u);
    FreeHandle(handle);

    // A bar without a block copies as no block at all.
    Bar target;
    ASSERT_TRUE(bar->CopyTo(target.bar));
    EXPECT_EQ(target->GetRunHandle(), 0u);
    EXPECT_EQ(target->GetRunLength(), 0u);
    CBarItem* none = nullptr;
    EXPECT_FALSE(bar->NextItem(&none, -1));

    // Init gives it an empty run again.
    ASSERT_TRUE(bar->Init(0, 0));
    EXPECT_EQ(Types(bar.bar), std::vector<int>{255});
}
