// The bar of a track's queries and smaller operations: the iterators, the sorted list, the
// finders of beams, ties and slurs across bars, performance notes and their split between
// tracks, rests' vertical places, tuplet members, the fix-ups after loading, reading a bar from
// a block, and point lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "TrkBarTestSupport.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"

using namespace trkbartest;
using recordtest::Concat;

namespace {

class TrkBarQueriesTest : public ::testing::Test {
protected:
    recordtest::CleanGlobals clean;
};

void Fill(CTrkBar* bar, std::vector<Bytes> items) {
    for (Bytes& r : items) ASSERT_NE(bar->InsertCopy(View(r)), nullptr);
}

Bytes WithFlags(Bytes r, std::uint8_t flagsB) {
    View(r)->SetFlagsB(std::uint8_t(View(r)->FlagsB() | flagsB));
    return r;
}

Bytes At(Bytes r, int position) {
    View(r)->SetPositionField(std::int16_t(position));
    return r;
}

// A note (144) or performance note (112) with heads given as (staff position, pitch, tie flags,
// play offset, play duration).
struct HeadSpec {
    int staffPos = 0, pitch = 60, tieFlags = 0, offset = 0, duration = 480, cross = 0;
};
Bytes NoteOf(int type, int time, int position, std::vector<HeadSpec> heads, int voice = 0) {
    const int size = 24 + 16 * int(heads.size());
    Bytes r = Item(type, size, time, voice);
    View(r)->SetPositionField(std::int16_t(position));
    r[19] = 0x30;
    r[23] = std::uint8_t(heads.size());
    for (std::size_t i = 0; i < heads.size(); ++i) {
        std::uint8_t* h = r.data() + 24 + 16 * i;
        h[1] = std::uint8_t(heads[i].tieFlags);
        h[2] = std::uint8_t((heads[i].cross & 7) << 5);
        h[5] = std::uint8_t(std::int8_t(heads[i].staffPos));
        h[7] = std::uint8_t(heads[i].pitch);
        rec::Put<std::uint16_t>(h, 12, std::uint16_t(heads[i].duration));
        rec::Put<std::int16_t>(h, 14, std::int16_t(heads[i].offset));
    }
    return r;
}

// A two-ended item (tie 30, slur 27, glissando 21) with its end fields.
Bytes TwoEnded(int type, int size, int time, int position, int endBars, int endPosition, int startY = 0, int endY = 0,
               int pitch = 0, int voice = 0) {
    Bytes r = Item(type, size, time, voice);
    View(r)->SetPositionField(std::int16_t(position));
    r[17] = std::uint8_t(pitch << 1);
    rec::Put<std::int16_t>(r.data(), 18, std::int16_t(startY));
    rec::Put<std::int16_t>(r.data(), 20, std::int16_t(endY));
    rec::Put<std::int16_t>(r.data(), 22, std::int16_t(endBars));
    rec::Put<std::int16_t>(r.data(), 24, std::int16_t(endPosition));
    return r;
}

// A beam (16) from start to end position, running on `span` bars, of a voice.
Bytes Beam(int position, int end, int span, bool grace = false, int voice = 0) {
    Bytes r = Item(16, 46, 0, voice);
    View(r)->SetPositionField(std::int16_t(position));
    r[16] = grace ? 0x02 : 0;
    r[33] = std::uint8_t(span);
    rec::Put<std::int16_t>(r.data(), 34, std::int16_t(position));
    rec::Put<std::int16_t>(r.data(), 36, std::int16_t(end));
    return r;
}

// A score of `tracks` tracks and `bars` bars of a track each, made the current score.
struct Score {
    Score(int tracks, int bars) : score(&doc) {
        for (int t = 0; t < tracks; ++t)
            for (int b = 0; b < bars; ++b) EXPECT_TRUE(score.InsertTrkBar(t, b));
        score.trackCount = std::int16_t(tracks);
        score.barCount = std::int16_t(bars);
        g_model.currentScore = &score;
    }
    ~Score() { g_model.currentScore = nullptr; }
    CTrkBar* operator()(int track, int bar) { return score.GetTrkBar(track, bar); }
    CZelDoc doc;
    CScore score;
};

}  // namespace

// --- iterators and the sorted list ---------------------------------------------------------------

TEST_F(TrkBarQueriesTest, NextItemWalksLiveRecordsOfAVoiceAndRestsOnTheEndRecord) {
    Bar bar;
    Fill(bar.bar, {Item(20, 24, 0, 1), WithFlags(Item(20, 24, 10, 1), CBarItem::kRemovedBit), NoteOf(144, 20, 0, {{}}, 2),
                   Item(18, 20, 30, 2), NoteOf(144, 40, 0, {{}}, 1)});
    const auto walk = [&](bool notes, int voice) {
        std::vector<int> times;
        CBarItem* item = nullptr;
        while (notes ? bar->NextNote(&item, voice) : bar->NextItem(&item, voice)) times.push_back(item->TimeField());
        EXPECT_NE(item, nullptr);
        EXPECT_EQ(item->TypeCode(), 255);
        // Asked again, it stays on the end record.
        EXPECT_FALSE(bar->NextItem(&item, voice));
        EXPECT_EQ(item->TypeCode(), 255);
        return times;
    };
    EXPECT_EQ(walk(false, -1), (std::vector<int>{0, 20, 30, 40}));
    EXPECT_EQ(walk(false, 1), (std::vector<int>{0, 40}));
    EXPECT_EQ(walk(false, 2), (std::vector<int>{20, 30}));
    EXPECT_EQ(walk(true, -1), (std::vector<int>{20, 40}));
    EXPECT_EQ(walk(true, 2), (std::vector<int>{20}));
    EXPECT_EQ(walk(false, 5), std::vector<int>{});
}

TEST_F(TrkBarQueriesTest, CompareItemsOrdersByPositionThenNotesAfterOthers) {
    struct Case {
        const char* name;
        Bytes a, b;
        int order;
    } cases[] = {
        {"positions", At(Item(20, 24, 0), 100), At(Item(20, 24, 0), 200), -1},
        {"key signature at 0 before anything at 0", At(Item(20, 24, 0), 0), At(Item(23, 26, 0), 0), 1},
        {"key signature at 0 before a negative position", At(Item(23, 26, 0), 0), At(Item(20, 24, 0), -5), -1},
        {"a note after another item", NoteOf(144, 0, 50, {{}}), At(Item(20, 24, 0), 50), 1},
        {"notes by time and first play offset", NoteOf(144, 100, 50, {{.offset = -20}}), NoteOf(112, 60, 50, {{.offset = 30}}), -1},
        {"the same play start", NoteOf(144, 100, 50, {{.offset = -10}}), NoteOf(144, 90, 50, {{}}), 0},
        {"two other items", At(Item(20, 24, 0), 50), At(Item(18, 20, 0), 50), 0},
    };
    for (Case& c : cases) EXPECT_EQ(CTrkBar::CompareItems(View(c.a), View(c.b)), c.order) << c.name;
}

TEST_F(TrkBarQueriesTest, SortedItemsGrowPastAThousandEntriesAndLeaveMidiDataOut) {
    Bar bar;
    // 1100 dynamics at falling positions, MIDI data between them, a note at the end position.
    std::vector<Bytes> items;
    for (int i = 0; i < 1100; ++i) items.push_back(At(Item(20, 24, i), 1100 - i));
    for (int i = 0; i < 30; ++i) items.push_back(At(Item(171, 16, 2000 + i), i));
    items.push_back(NoteOf(144, 3000, 1, {{}}));
    Fill(bar.bar, items);
    HGLOBAL handle = 0;
    const int count = bar->GetSortedItems(&handle);
    ASSERT_EQ(count, 1101);
    auto* entries = static_cast<CBarItem**>(LockHandle(handle));
    EXPECT_EQ(entries[0]->PositionField(), 1);
    EXPECT_EQ(entries[0]->TypeCode(), 20);
    EXPECT_EQ(entries[1]->TypeCode(), 144) << "the note after the other item at its position";
    for (int i = 1; i < count; ++i) EXPECT_LE(entries[i - 1]->PositionField(), entries[i]->PositionField());
    UnlockHandle(handle);
    FreeHandle(handle);
}

// --- rests, performance notes and tuplets --------------------------------------------------------

TEST_F(TrkBarQueriesTest, AddPerformanceNoteFillsItsOneHead) {
    Bar bar;
    ASSERT_TRUE(bar->AddPerformanceNote(PerformanceEvent{240, 3, 700, 64, 90, 40}));
    CBarItem* note = Records(bar.bar)[0];
    EXPECT_EQ(note->TypeCode(), 112);
    EXPECT_EQ(note->RecordSizeField(), 40);
    EXPECT_EQ(note->TimeField(), 240);
    EXPECT_EQ(note->VoiceField(), 3);
    EXPECT_EQ(note->Bytes()[21] & 0x40, 0x40) << "new-item flag";
    EXPECT_EQ(note->Bytes()[19] >> 4, 3) << "quarter note";
    EXPECT_EQ(note->Bytes()[23], 1);
    const std::uint8_t* head = note->Bytes() + 24;
    EXPECT_EQ(head[7], 64);
    EXPECT_EQ(head[8], 90);
    EXPECT_EQ(head[9], 40);
    EXPECT_EQ(rec::Get<std::uint16_t>(head, 12), 700);
    EXPECT_EQ(head[3] & 0x04, 0x04) << "accidental shown";
}

TEST_F(TrkBarQueriesTest, AddPerformanceNoteShowsTheKeyTransposedWhenTheScoreIsShownTransposed) {
    RegisterTrackClass();
    CZelDoc doc;
    CScore score(&doc);
    ASSERT_TRUE(score.BuildSkeleton(1, 1));
    g_model.currentScore = &score;
    score.GetTrack(0)->SetTransposition(-2);
    CTrkBar* bar = score.GetTrkBar(0, 0);
    ASSERT_TRUE(bar->AddPerformanceNote(PerformanceEvent{0, 0, 480, 64, 90, 40}));
    score.transposedDisplay = 1;
    ASSERT_TRUE(bar->AddPerformanceNote(PerformanceEvent{480, 0, 480, 64, 90, 40}));
    std::vector<int> keys;
    for (CBarItem* item : Records(bar))
        if (item->TypeCode() == 112) keys.push_back(item->Bytes()[24 + 7]);
    EXPECT_EQ(keys, (std::vector<int>{64, 62}));
    g_model.currentScore = nullptr;
}

TEST_F(TrkBarQueriesTest, AddTupletMarksTheNotesAndRestsOfItsVoiceInItsSpan) {
    const TestTupletBehaviour tupletClass;
    ScopedClass tuplets(31, "CTuplet", 44, &tupletClass);
    Bar bar;
    Fill(bar.bar, {NoteOf(144, 0, 100, {{}}), At(Item(128, 22, 160, 0), 300), NoteOf(144, 320, 500, {{}}),
                   NoteOf(144, 0, 200, {{}}, 1)});
    Bytes tmpl = Item(31, 44, 0);
    View(tmpl)->SetPositionField(100);
    tmpl[38] = 3;  // the numbers: 3 in the time of 2
    tmpl[39] = 2;
    rec::Put<std::int16_t>(tmpl.data(), 24, 300);
    CBarItem* tuplet = bar->AddTuplet(*View(tmpl), 0);
    ASSERT_NE(tuplet, nullptr);
    EXPECT_EQ(tuplet->TypeCode(), 31);
    // The record is the template's copy: its end and its numbers, and nothing written over its
    // end flags or heights.
    EXPECT_EQ(tuplet->GetEndPosition(), 300);
    EXPECT_EQ(tuplet->Bytes()[38], 3);
    EXPECT_EQ(tuplet->Bytes()[39], 2);
    EXPECT_EQ(tuplet->Bytes()[16], 0);
    EXPECT_EQ(rec::Get<std::int16_t>(tuplet, 18), 0);
    std::vector<int> members;
    for (CBarItem* r : Records(bar.bar))
        if (r->IsNoteOrRest() && (r->Bytes()[18] & 0x10)) {
            members.push_back(r->PositionField());
            EXPECT_EQ(r->Bytes()[16], 3);
            EXPECT_EQ(r->Bytes()[17], 2);
        }
    EXPECT_EQ(members, (std::vector<int>{100, 300}));
}

TEST_F(TrkBarQueriesTest, RestsMoveApartWhenTwoVoicesShareTheBar) {
    const TestStaffPosBehaviour staffPos;
    ScopedClass notes(144, "CNote", 40, &staffPos);
    class RestOffset : public TestStaffPosBehaviour {
    public:
        void SetVerticalOffset(CBarItem& item, int offset) const override { rec::Put<std::int8_t>(&item, 20, std::int8_t(offset)); }
    } restClass;
    ScopedClass rests(128, "CRest", 22, &restClass);
    const auto note = [](int voice, int pos) {
        Bytes r = Item(144, 40, 10, voice);
        r[20] = std::uint8_t(std::int8_t(pos));
        return r;
    };
    Bar bar;
    Bytes eighthRest = Item(128, 22, 0, 0);
    eighthRest[19] = 0x40;
    Fill(bar.bar, {eighthRest});
    bar->PlaceRestVertically(Records(bar.bar)[0]);
    EXPECT_EQ(std::int8_t(Records(bar.bar)[0]->Bytes()[20]), 1) << "one voice: the value's default";

    Fill(bar.bar, {note(1, 6), note(1, 8)});  // behind the rest
    CBarItem* rest = Records(bar.bar)[0];
    rest->Bytes()[20] = 0;
    bar->PlaceRestVertically(rest);
    EXPECT_EQ(std::int8_t(Records(bar.bar)[0]->Bytes()[20]), 1 - 4) << "voice 0 not above voice 1";
}

// --- finders across bars -------------------------------------------------------------------------

TEST_F(TrkBarQueriesTest, FindBeamOfNoteInItsBarAndBackAcrossBars) {
    Score score(1, 4);
    Fill(score(0, 0), {Beam(700, 200, 2)});
    Fill(score(0, 2), {Beam(100, 400, 0), Beam(100, 400, 0, true)});
    CTrkBar* bar2 = score(0, 2);
    // A note inside the beam of its own bar; a grace note takes the grace beam.
    Bytes note = NoteOf(144, 0, 300, {{}});
    CBarItem* found = bar2->FindBeamOfNote(View(note));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Bytes()[16] & 0x02, 0);
    EXPECT_EQ(g_model.finderBar, bar2);
    note[18] = 0x02;
    found = bar2->FindBeamOfNote(View(note));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Bytes()[16] & 0x02, 0x02);
    // Outside it: none.
    note[18] = 0;
    View(note)->SetPositionField(500);
    EXPECT_EQ(bar2->FindBeamOfNote(View(note)), nullptr);
    // A note that continues a beam from two bars back finds it by walking back.
    note[18] = 0x04;
    View(note)->SetPositionField(150);
    found = bar2->FindBeamOfNote(View(note));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(rec::Get<std::int16_t>(found, 34), 700);
    EXPECT_EQ(g_model.finderBar, score(0, 0));
    View(note)->SetPositionField(250);
    EXPECT_EQ(bar2->FindBeamOfNote(View(note)), nullptr) << "past the beam's end";
}

TEST_F(TrkBarQueriesTest, FindTieEndNoteForwardsInTheEndBarAndBackwardsOneBarBack) {
    Score score(1, 4);
    // A tie from bar 1 (position 800, staff position 3) to bar 2 (position 0, staff position 3).
    Bytes tie = TwoEnded(30, 36, 0, 800, 1, 0, 3, 3, 64);
    Fill(score(0, 1), {NoteOf(144, 0, 800, {{.staffPos = 1}, {.staffPos = 3, .tieFlags = 0x08}}), tie});
    Fill(score(0, 2), {NoteOf(144, 0, 0, {{.staffPos = 3, .tieFlags = 0x04}})});
    CTrkBar* bar1 = score(0, 1);
    // At one time the tie went in front of the note.
    CBarItem* liveTie = Records(bar1)[0];
    ASSERT_EQ(liveTie->TypeCode(), 30);
    int head = -1;
    CBarItem* end = bar1->FindTieEndNote(liveTie, &head, false);
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(head, 0);
    EXPECT_EQ(g_model.finderBar, score(0, 2));
    CBarItem* start = bar1->FindTieEndNote(liveTie, &head, true);
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(head, 1);
    EXPECT_EQ(g_model.finderBar, bar1);
    // From two bars on, the start is no longer found.
    EXPECT_EQ(score(0, 3)->FindTieEndNote(liveTie, &head, true), nullptr);

    // FindTwoEndedAtHead: the tie that starts at the note's second head takes its pitch.
    CBarItem* note = Records(bar1)[1];
    note->Bytes()[24 + 16 + 7] = 67;
    g_model.finderBar = bar1;
    CBarItem* found = bar1->FindTwoEndedAtHead(note, 1, 30, 1, false);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Bytes()[17] >> 1, 67);
    EXPECT_EQ(bar1->FindTwoEndedAtHead(note, 0, 30, 1, false), nullptr) << "the first head has no tie";
}

TEST_F(TrkBarQueriesTest, CollectSlursOverNoteLooksBackUntilItFindsOne) {
    Score score(1, 20);
    Fill(score(0, 0), {TwoEnded(27, 82, 0, 100, 19, 900)});   // runs to bar 19
    Fill(score(0, 17), {TwoEnded(27, 82, 0, 100, 1, 50)});    // ends in bar 18 at 50
    Fill(score(0, 18), {TwoEnded(27, 82, 0, 100, 0, 300), TwoEnded(27, 82, 0, 600, 0, 800)});
    Bytes note = At(NoteOf(144, 0, 0, {{}}), 200);
    HandleBuffer list;
    EXPECT_TRUE(score(0, 18)->CollectSlursOverNote(&list, View(note)));
    EXPECT_EQ(list.GetSize() / sizeof(CBarItem*), 1u) << "the slur of this bar; the walk stops there";
    list.Free();
    list.Init();

    View(note)->SetPositionField(40);
    EXPECT_TRUE(score(0, 18)->CollectSlursOverNote(&list, View(note)));
    EXPECT_EQ(list.GetSize() / sizeof(CBarItem*), 1u) << "the slur from bar 17 ending after the note";
    list.Free();
    list.Init();

    // From bar 19 the slur of bar 0 lies 19 bars back: out of reach.
    EXPECT_FALSE(score(0, 19)->CollectSlursOverNote(&list, View(note)));
    list.Free();
}

// --- performance notes between tracks -------------------------------------------------------------

TEST_F(TrkBarQueriesTest, SplitToNextTrackMovesTheLowerNotesOfAChord) {
    Score score(2, 2);
    Fill(score(0, 0), {NoteOf(112, 0, 0, {{.pitch = 48}}), NoteOf(112, 0, 0, {{.pitch = 60}}),
                       NoteOf(112, 0, 0, {{.pitch = 76}}), NoteOf(112, 960, 0, {{.pitch = 72}})});
    ASSERT_TRUE(score(0, 0)->SplitToNextTrack(0, 60));
    std::vector<int> kept, moved;
    CBarItem* item = nullptr;
    while (score(0, 0)->NextItem(&item, -1)) kept.push_back(item->Bytes()[24 + 7]);
    item = nullptr;
    while (score(1, 0)->NextItem(&item, -1)) moved.push_back(item->Bytes()[24 + 7]);
    std::sort(moved.begin(), moved.end());
    // 48 lies below the split; 60 has a wide interval above and none below; 76 stays on top;
    // 72 sounds alone above the split.
    EXPECT_EQ(kept, (std::vector<int>{76, 72}));
    EXPECT_EQ(moved, (std::vector<int>{48, 60}));
}

// --- after loading ---------------------------------------------------------------------------------

TEST_F(TrkBarQueriesTest, AfterLoadFixupFitsSizesDropsEmptyNotesAndRepairsExpressions) {
    const TestWantedBehaviour wants24(24);
    ScopedClass grows(102, "CGrows", 20, &wants24);
    const auto expression = [](int kind) {
        Bytes r = Item(37, 42, 20);
        r[28] = std::uint8_t(kind << 4);
        for (int i = 0; i < 4; ++i) r[std::size_t(32 + i)] = std::uint8_t(i + 1);
        return r;
    };
    struct Case {
        int version;
        int kind;
        bool reversed;
        bool voiceBankCheck = false;  // the file's header asks for the voice-bank check
    } cases[] = {{0x350, 3, true},  {0x350, 5, true},  {0x351, 3, true},       {0x350, 4, false},
                 {0x352, 3, false}, {0x350, 3, false, true}};
    for (const Case& c : cases) {
        fw::ScopedGlobal<bool> check(g_scoreFile.checkVoiceBanks, c.voiceBankCheck);
        Bar bar;
        Fill(bar.bar, {Item(102, 20, 0, 0, 0x42), NoteOf(144, 10, 0, {}), expression(c.kind), NoteOf(144, 30, 0, {{}})});
        bar->AfterLoadFixup(c.version);
        const std::vector<CBarItem*> r = Records(bar.bar);
        ASSERT_EQ(r.size(), 5u);
        EXPECT_EQ(r[0]->RecordSizeField(), 24);
        EXPECT_TRUE(r[1]->IsRemoved()) << "a note without heads";
        EXPECT_FALSE(r[3]->IsRemoved());
        EXPECT_EQ(r[2]->Bytes()[32], c.reversed ? 4 : 1) << c.version << " " << c.kind;
        EXPECT_EQ(r[2]->Bytes()[35], c.reversed ? 1 : 4) << c.version << " " << c.kind;
    }
}

TEST_F(TrkBarQueriesTest, ReadFromBlockTakesTheRecordAndAFreshRun) {
    // The bar record as a block holds it: a little-endian stored size, then its bytes from the
    // type on, with a run handle that belongs to another time.
    Bytes record(40, 0);
    record[0] = 40;
    record[2] = 4;
    record[4] = 9;   // bar number 9
    record[7] = 5;   // track 5
    record[12] = 0xEF;
    record[13] = 0xBE;
    const Bytes controller = recordtest::Packed(171, {0, 0x21, 60, 0, 7, 100, 0, 0});
    const Bytes end = recordtest::Packed(255, Bytes(8, 0));
    Bytes block = {0, 0, 0, std::uint8_t(controller.size() + end.size())};
    const Bytes file = Concat({record, block, controller, end});

    Bar bar;
    CMemFile memory(file);
    const HGLOBAL before = bar->GetRunHandle();
    bar->ReadFromBlock(memory);
    FreeHandle(before);  // the block the bar held before reading was the caller's
    EXPECT_EQ(bar->GetBarIndex(), 9);
    EXPECT_EQ(bar->GetTrackIndex(), 5);
    ASSERT_EQ(Types(bar.bar), (std::vector<int>{171, 255}));
    EXPECT_EQ(Records(bar.bar)[0]->TimeField(), 60);
    EXPECT_EQ(bar->GetRunLength(), 32u);
}

TEST_F(TrkBarQueriesTest, PointListFindsAPointWithinTwo) {
    PointList points;
    ASSERT_TRUE(points.Add(1, 2, 3, 100, 200, 6, 7));
    ASSERT_TRUE(points.Add(8, 9, 10, 300, 400, 13, 14));
    EXPECT_EQ(points.Count(), 2);
    std::int32_t* hit = points.FindNear(302, 398);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit[0], 8);
    EXPECT_EQ(hit[6], 14);
    EXPECT_EQ(points.FindNear(103, 200), nullptr);
}

// --- finders of an item's partners -----------------------------------------------------------------

namespace {
// A tie (30) of voice 0 from a head at `from` (staff position y) to `to` in the bar `span`
// bars later.
Bytes Tie(int time, int from, int to, int span, int y) {
    Bytes r = Item(30, 40, time);
    View(r)->SetPositionField(std::int16_t(from));
    rec::Put<std::int16_t>(r.data(), 18, std::int16_t(y));
    rec::Put<std::int16_t>(r.data(), 20, std::int16_t(y));
    rec::Put<std::int16_t>(r.data(), 22, std::int16_t(span));
    rec::Put<std::int16_t>(r.data(), 24, std::int16_t(to));
    return r;
}
}  // namespace

TEST_F(TrkBarQueriesTest, TieFindersFollowAChainAcrossBarsAndNameTheBarTheyFoundIn) {
    Score s(1, 3);
    // A (bar 0, 512) tied over the barline to B (bar 1, 0), tied on to C (bar 1, 512).
    Fill(s(0, 0), {NoteOf(144, 960, 512, {{2, 64, 0x08}}), Tie(960, 512, 0, 1, 2)});
    Fill(s(0, 1), {NoteOf(144, 0, 0, {{2, 64, 0x0C}}), Tie(0, 0, 512, 0, 2), NoteOf(144, 960, 512, {{2, 64, 0x04}})});
    CBarItem* a = s(0, 0)->FindNearestNoteOrRest(0, 512, true, true);
    CBarItem* b = s(0, 1)->FindNearestNoteOrRest(0, 0, true, true);
    CBarItem* c = s(0, 1)->FindNearestNoteOrRest(0, 512, true, true);
    ASSERT_TRUE(a && b && c);

    CBarItem* over = s(0, 0)->FindTieFrom(a, 0);
    ASSERT_NE(over, nullptr);
    EXPECT_EQ(g_model.finderBar, s(0, 0));
    int head = 0;
    EXPECT_EQ(s(0, 0)->FindTiedNote(a, &head), b);
    EXPECT_EQ(g_model.finderBar, s(0, 1)) << "the bar beside the note found";
    EXPECT_EQ(head, 0);

    EXPECT_EQ(s(0, 1)->FindTieInto(b, 0), over) << "from the previous bar";
    EXPECT_EQ(g_model.finderBar, s(0, 0));
    head = 0;
    EXPECT_EQ(s(0, 1)->FindTiedFromNote(b, &head), a);
    EXPECT_EQ(g_model.finderBar, s(0, 0));
    EXPECT_NE(s(0, 1)->FindTieInto(c, 0), nullptr);
    EXPECT_EQ(g_model.finderBar, s(0, 1)) << "a tie inside the bar";
    EXPECT_EQ(s(0, 0)->FindTieInto(a, 0), nullptr) << "bar 0 is searched alone";
    EXPECT_EQ(s(0, 1)->FindTieFrom(c, 0), nullptr);
    EXPECT_EQ(s(0, 1)->FindGlissFrom(b, 0), nullptr) << "a tie is no glissando";
}

TEST_F(TrkBarQueriesTest, NotesAndRestsNearAPositionOrInAWindow) {
    Bar bar;
    Fill(bar.bar, {NoteOf(144, 0, 100, {{}}), NoteOf(144, 240, 140, {{}}), NoteOf(144, 120, 120, {{}}, 1),
                   At(Item(128, 24, 480), 300)});
    struct Case {
        const char* what;
        CBarItem* found;
        int position;  // -1: nothing
    };
    const auto at = [](CBarItem* r) { return r ? int(r->PositionField()) : -1; };
    const Case cases[] = {
        {"width 0: exactly the position", bar->FindNoteOrRestAtX(0, 100, 0), 100},
        {"width 0: nothing beside it", bar->FindNoteOrRestAtX(0, 110, 0), -1},
        {"20 around 100 takes 90-130", bar->FindNoteOrRestAtX(0, 90 + 10, 20), 100},
        {"20 around 80 takes 70-110", bar->FindNoteOrRestAtX(0, 80, 20), 100},
        {"20 around 60 takes 50-90", bar->FindNoteOrRestAtX(0, 60, 20), -1},
        {"any voice takes the first in run order", bar->FindNoteOrRestAtX(-1, 120, 20), 120},
        {"voice 0 passes over voice 1", bar->FindNoteOrRestAtX(0, 120, 20), 140},
        {"equally near: the earlier", bar->FindNearestNoteOrRest(0, 120, false, false), 100},
        {"at or after", bar->FindNearestNoteOrRest(0, 101, true, false), 140},
        {"nearest with rests", bar->FindNearestNoteOrRest(0, 290, false, false), 300},
        {"nearest of the notes only", bar->FindNearestNoteOrRest(0, 290, false, true), 140},
        {"a rest of its time", bar->FindItemOfKindAt(0, 480, 128, -1), 300},
        {"no note at that time", bar->FindItemOfKindAt(0, 480, 144, -1), -1},
    };
    for (const Case& c : cases) EXPECT_EQ(at(c.found), c.position) << c.what;
}
