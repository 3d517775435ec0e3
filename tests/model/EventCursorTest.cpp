// The event cursor: walking a track's items bar after bar, or the bars' own items, with the
// absolute times that bar start + item time give.
#include <gtest/gtest.h>

#include <vector>

#include "FrameTestSupport.h"
#include "RecordTestSupport.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/EventCursor.h"
#include "model/ItemArray.h"
#include "model/TrkBar.h"

namespace {

constexpr int kData = 170;  // a MIDI data item: a plain 16-byte bar item

// One item to place: bar, time, voice, removed.
struct Place {
    int bar, time, voice;
    bool removed;
};

// A one-track, one-system score of `bars` bars of 1920 ticks each, its items placed in track 0
// (track mode) or in the bars' own arrays (bar mode).
struct CursorScore {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s;
    explicit CursorScore(int bars, int tracks = 1) : s(tracks, {bars}) {
        for (int b = 0; b < bars; ++b) {
            s.Bar(b)->SetStartTicks(1920 * b);
            s.Bar(b)->SetLastFlag(b == bars - 1);
            // A new bar keeps its own default items; the cases place theirs alone.
            if (CItemArray* a = s.Bar(b)->GetItemArray()) a->RemoveAll();
        }
    }
    void PutInTrack(int track, const Place& p) {
        CBarItem* item = s.TrkBar(track, p.bar)->NewItem(kData, p.time);
        ASSERT_NE(item, nullptr);
        Mark(item, p);
    }
    void PutInBar(const Place& p) {
        alignas(8) std::uint8_t bytes[CBarItem::kSize] = {};
        CBarItem* item = CBarItem::Construct(bytes);
        item->SetType(kData);
        item->SetTimeField(std::int16_t(p.time));
        Mark(item, p);
        ASSERT_NE(s.Bar(p.bar)->InsertItemSorted(item), nullptr);
    }
    static void Mark(CBarItem* item, const Place& p) {
        item->SetFlagsB(std::uint8_t((p.voice << 5) | (p.removed ? CBarItem::kRemovedBit : 0)));
    }
    CScore* score() { return s.score.get(); }
};

// Absolute times of everything Next returns from a cursor.
std::vector<int> Walk(CEventCursor& c) {
    std::vector<int> times;
    for (int guard = 0; guard < 100; ++guard) {
        CBarItem* r = c.Next();
        if (!r) return times;
        times.push_back(c.GetBarStart() + r->TimeField());
    }
    ADD_FAILURE() << "the walk did not end";
    return times;
}

struct WalkCase {
    const char* name;
    int bars;
    std::vector<Place> items;
    bool allVoices;          // the document shows all voices (else voice 0 only)
    int seekBar;
    std::vector<int> trackTimes;  // what track mode returns
    std::vector<int> barTimes;    // what bar-array mode returns for the same places
};

void PrintTo(const WalkCase& w, std::ostream* os) { *os << w.name; }

class EventCursorWalk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(EventCursorWalk, ReturnsTheRightRecordsWithAbsoluteTimes) {
    const WalkCase& w = GetParam();
    {
        CursorScore cs(w.bars);
        cs.s.doc.location.allVoices = w.allVoices;
        cs.s.doc.location.voice = 0;
        for (const Place& p : w.items) cs.PutInTrack(0, p);
        CEventCursor c;
        c.Seek(cs.score(), 0, w.seekBar);
        EXPECT_EQ(Walk(c), w.trackTimes) << "track mode";
        EXPECT_EQ(c.Next(), nullptr) << "stays at the end";
    }
    {
        CursorScore cs(w.bars);
        cs.s.doc.location.allVoices = w.allVoices;
        for (const Place& p : w.items) cs.PutInBar(p);
        CEventCursor c;
        c.Seek(cs.score(), -1, w.seekBar);
        EXPECT_EQ(Walk(c), w.barTimes) << "bar-array mode";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EventCursorWalk,
    ::testing::Values(
        WalkCase{"EmptyBars", 3, {}, true, 0, {}, {}},
        WalkCase{"OneBar", 1, {{0, 0, 0, false}, {0, 480, 0, false}}, true, 0, {0, 480}, {0, 480}},
        WalkCase{"CrossesBars", 5,
                 {{3, 960, 0, false}, {4, 0, 0, false}, {4, 240, 0, false}, {1, 10, 0, false}},
                 true, 0, {1930, 6720, 7680, 7920}, {1930, 6720, 7680, 7920}},
        WalkCase{"StartsAtTheSeekBar", 4, {{0, 0, 0, false}, {2, 100, 0, false}, {3, 5, 0, false}}, true, 2,
                 {3940, 5765}, {3940, 5765}},
        WalkCase{"RemovedSkippedInBothModes", 2, {{0, 0, 0, false}, {0, 100, 0, true}, {1, 0, 0, true}}, true, 0,
                 {0}, {0}},
        WalkCase{"HiddenVoiceOnlyInTrackMode", 2,
                 {{0, 0, 0, false}, {0, 100, 3, false}, {1, 50, 1, false}, {1, 60, 0, false}}, false, 0,
                 {0, 1980}, {0, 100, 1970, 1980}},
        WalkCase{"HiddenVoiceShownWhenAllVoicesAre", 1, {{0, 100, 3, false}}, true, 0, {100}, {100}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EventCursorTest, BarIndexFollowsTheWalk) {
    CursorScore cs(6, 3);
    CEventCursor c;
    c.Seek(cs.score(), 2, 5);
    EXPECT_EQ(c.GetBarIndex(), 5);
    EXPECT_EQ(c.GetBarStart(), 5 * 1920);
    c.Seek(cs.score(), -1, 4);
    EXPECT_EQ(c.GetBarIndex(), 4);
    EXPECT_EQ(c.GetTrkBar(), nullptr);

    cs.PutInTrack(1, {3, 0, 0, false});
    cs.PutInTrack(1, {4, 7, 0, false});
    c.Seek(cs.score(), 1, 0);
    ASSERT_NE(c.Next(), nullptr);
    EXPECT_EQ(c.GetBarIndex(), 3);
    EXPECT_EQ(c.GetBarStart(), 3 * 1920);
    ASSERT_NE(c.Next(), nullptr);
    EXPECT_EQ(c.GetBarIndex(), 4);
    EXPECT_EQ(c.GetBarStart(), 4 * 1920);
}

TEST(EventCursorTest, SeekOutsideTheScoreReturnsNothing) {
    CursorScore cs(2);
    cs.PutInTrack(0, {0, 0, 0, false});
    struct Case {
        int track, bar;
    };
    for (const Case& k : {Case{0, 2}, Case{0, -1}, Case{5, 0}, Case{-1, 9}}) {
        CEventCursor c;
        c.Seek(cs.score(), k.track, k.bar);
        EXPECT_EQ(c.Next(), nullptr) << k.track << "," << k.bar;
        EXPECT_EQ(c.GetBarIndex(), -1);
    }
    CEventCursor fresh;
    EXPECT_EQ(fresh.Next(), nullptr);
    EXPECT_EQ(fresh.GetItem(), nullptr);
    EXPECT_EQ(fresh.GetPosition(), 0);
}

struct SeekCase {
    int time;
    std::vector<int> rest;  // absolute times Next returns from there
};

TEST(EventCursorTest, SeekToTimeStandsOnTheFirstRecordAtOrAfterTheTime) {
    // Bar 0: 0, 960; bar 1 empty; bar 2: 0 (removed), 480; bar 3: 100.
    const std::vector<Place> places = {{0, 0, 0, false}, {0, 960, 0, false}, {2, 0, 0, true},
                                       {2, 480, 0, false}, {3, 100, 0, false}};
    const std::vector<SeekCase> cases = {
        {0, {0, 960, 4320, 5860}},
        {1, {960, 4320, 5860}},
        {960, {960, 4320, 5860}},
        {961, {4320, 5860}},     // through the empty bar and past the removed record
        {3840, {4320, 5860}},    // the removed record is stood on, then skipped
        {4321, {5860}},
        {5860, {5860}},
        {5861, {}},
        {100000, {}},
    };
    for (int track : {0, -1}) {
        CursorScore cs(4);
        for (const Place& p : places) {
            if (track == 0)
                cs.PutInTrack(0, p);
            else
                cs.PutInBar(p);
        }
        CEventCursor c;
        c.Seek(cs.score(), track, 3);  // SeekToTime goes back to bar 0 of the same track
        for (const SeekCase& k : cases) {
            c.SeekToTime(k.time);
            EXPECT_EQ(Walk(c), k.rest) << "track " << track << " time " << k.time;
        }
    }
}

TEST(EventCursorTest, DamagedRecordEndsItsBar) {
    CursorScore cs(2);
    cs.PutInTrack(0, {0, 0, 0, false});
    cs.PutInTrack(0, {0, 10, 0, false});
    cs.PutInTrack(0, {1, 20, 0, false});
    // The second record of bar 0 claims a size of 0: the walk must neither stall nor leave the run.
    CBarItem* first = cs.s.TrkBar(0, 0)->GetItems();
    first->NextItem()->SetSize(0);
    CEventCursor c;
    c.Seek(cs.score(), 0, 0);
    EXPECT_EQ(Walk(c), (std::vector<int>{0, 1940}));
    first->NextItem()->SetSize(30000);  // beyond the run
    c.Seek(cs.score(), 0, 0);
    EXPECT_EQ(Walk(c), (std::vector<int>{0, 1940}));
}

}  // namespace
