// Multi-bar rests gathered from runs of empty bars: where runs break, the longest run, rests
// rebuilt over old ones, and a rest that cannot be put into every track.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "RecordTestSupport.h"
#include "framework/Memory.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ItemFactory.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/Tempo.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"

namespace {

using Spans = std::vector<std::pair<int, int>>;

struct Fixture {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    explicit Fixture(int bars, int tracks = 2) {
        RegisterTrackClass();
        score = std::make_unique<CScore>(&doc);
        EXPECT_TRUE(score->BuildSkeleton(bars, tracks));
        EXPECT_EQ(score->GetBarCount(), bars);
        score->Reindex();
    }
    CBar* Bar(int b) { return score->GetBar(b); }
    void Note(int t, int b) { ASSERT_NE(score->GetTrkBar(t, b)->NewItem(144, 0), nullptr); }
    void Tempo(int b) {
        std::uint8_t buffer[CTempo::kSize] = {};
        CTempo* mark = MakeTempoItem(buffer, 90);
        ASSERT_NE(Bar(b)->InsertItemSorted(mark), nullptr);
    }
    Spans Rests() {
        Spans out;
        for (int b = 0; b < score->GetBarCount(); ++b)
            if (Bar(b)->GetMultiRestSpan() > 0) out.push_back({b, Bar(b)->GetMultiRestSpan()});
        return out;
    }
    int LiveRestItems(int t, int b) {
        int n = 0;
        trkbar::ForEachLiveItem(score->GetTrkBar(t, b), [&](CBarItem* r) { n += r->IsMultiRest() ? 1 : 0; });
        return n;
    }
    // Every bar under a rest is covered and no other; the rest's first bar holds one live rest
    // item in every track and no other bar holds one; the systems hold every bar once.
    void ExpectConsistent() {
        std::vector<bool> covered(std::size_t(score->GetBarCount()), false);
        for (auto [b, span] : Rests())
            for (int k = b + 1; k < b + span; ++k) covered[std::size_t(k)] = true;
        for (int b = 0; b < score->GetBarCount(); ++b) {
            SCOPED_TRACE("bar " + std::to_string(b));
            EXPECT_EQ(Bar(b)->IsCovered(), covered[std::size_t(b)]);
            for (int t = 0; t < score->GetTrackCount(); ++t)
                EXPECT_EQ(LiveRestItems(t, b), Bar(b)->GetMultiRestSpan() > 0 ? 1 : 0) << "track " << t;
        }
        int next = 0;
        for (int s = 0; s < score->GetLineCount(); ++s) {
            EXPECT_EQ(score->GetLine(s)->GetFirstBarIndex(), next) << "system " << s;
            next += score->GetLine(s)->GetBarCount();
        }
        EXPECT_EQ(next, score->GetBarCount());
    }
};

struct Case {
    std::string name;
    int bars, minRun, maxRun;
    std::function<void(Fixture&)> setup;
    Spans expected;
};

TEST(MultiRestsTest, RunsOfEmptyBars) {
    const std::vector<Case> cases = {
        {"every bar empty", 8, 2, 8, [](Fixture&) {}, {{0, 8}}},
        {"twelve bars with a longest run of eight", 12, 2, 8, [](Fixture&) {}, {{0, 8}, {8, 4}}},
        {"runs shorter than the minimum stay separate bars", 12, 3, 8,
         [](Fixture& f) {
             f.Note(0, 2);
             f.Note(1, 5);
         },
         {{6, 6}}},
        {"a bar with notes is never inside a run", 8, 2, 8, [](Fixture& f) { f.Note(1, 3); }, {{0, 3}, {4, 4}}},
        {"notes in the first and last bars", 8, 2, 8,
         [](Fixture& f) {
             f.Note(0, 0);
             f.Note(0, 7);
         },
         {{1, 6}}},
        {"a tempo mark may open a run, one in its second bar ends it", 8, 2, 8,
         [](Fixture& f) {
             f.Tempo(0);
             f.Tempo(2);
         },
         {{0, 2}, {2, 6}}},
        {"a tempo mark in the run's second bar leaves the first bar alone", 8, 2, 8, [](Fixture& f) { f.Tempo(1); },
         {{1, 7}}},
        {"a change of time signature splits runs", 8, 2, 8,
         [](Fixture& f) {
             for (int b = 4; b < 8; ++b) f.Bar(b)->GetMeter()->SetNumerator(3);
         },
         {{0, 4}, {4, 4}}},
        {"a closing repeat splits runs", 8, 2, 8, [](Fixture& f) { f.Bar(2)->SetClosingKind(3); }, {{0, 3}, {3, 5}}},
        {"a double barline splits runs", 8, 2, 8, [](Fixture& f) { f.Bar(4)->SetClosingKind(1); }, {{0, 5}, {5, 3}}},
        {"an opening repeat splits runs", 8, 2, 8, [](Fixture& f) { f.Bar(5)->SetOpeningKind(2); }, {{0, 5}, {5, 3}}},
        {"a hidden item is no content", 8, 2, 8,
         [](Fixture& f) {
             CBarItem* note = f.score->GetTrkBar(0, 3)->NewItem(144, 0);
             note->SetFlagsB(std::uint8_t(note->FlagsB() | CBarItem::kHiddenBit));
         },
         {{0, 8}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f(c.bars);
        c.setup(f);
        EXPECT_TRUE(f.score->BuildMultiRests(0, c.bars, c.minRun, c.maxRun, nullptr));
        EXPECT_EQ(f.Rests(), c.expected);
        f.ExpectConsistent();
    }
}

TEST(MultiRestsTest, GatheringAgainRebuildsTheRests) {
    Fixture f(12);
    ASSERT_TRUE(f.score->BuildMultiRests(0, 12, 2, 8, nullptr));
    EXPECT_EQ(f.Rests(), (Spans{{0, 8}, {8, 4}}));
    ASSERT_TRUE(f.score->BuildMultiRests(0, 12, 2, 4, nullptr));
    EXPECT_EQ(f.Rests(), (Spans{{0, 4}, {4, 4}, {8, 4}}));
    f.ExpectConsistent();
    // Notes put under a rest end it when the rests are gathered again.
    f.Note(0, 5);
    ASSERT_TRUE(f.score->BuildMultiRests(0, 12, 2, 8, nullptr));
    EXPECT_EQ(f.Rests(), (Spans{{0, 5}, {6, 6}}));
    f.ExpectConsistent();
}

TEST(MultiRestsTest, ARangeInsideTheScore) {
    Fixture f(12);
    f.Note(0, 2);
    ASSERT_TRUE(f.score->BuildMultiRests(3, 5, 2, 8, nullptr));
    EXPECT_EQ(f.Rests(), (Spans{{3, 5}})) << "the bars past the range stay as they are";
    f.ExpectConsistent();
}

TEST(MultiRestsTest, TheDefaultRestRecord) {
    Fixture f(4, 1);
    ASSERT_TRUE(f.score->BuildMultiRests(0, 4, 2, 8, nullptr));
    CBarItem* rest = nullptr;
    trkbar::ForEachLiveItem(f.score->GetTrkBar(0, 0), [&](CBarItem* r) {
        if (r->IsMultiRest()) rest = r;
    });
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest->RecordSizeField(), 22);
    EXPECT_EQ(rec::Get<std::uint8_t>(rest, 16) & 0x18, 0);
    EXPECT_EQ(rec::Get<std::int16_t>(rest, 18), 240);
}

TEST(MultiRestsTest, ARestThatCannotGoIntoEveryTrackLeavesNothing) {
    alignas(8) std::uint8_t bytes[22] = {};
    rec::Put<std::int16_t>(bytes, rec::kSize, 22);
    auto* rest = static_cast<CBarItem*>(ConstructClass(39, bytes));
    int failures = 0;
    for (int allowed = 0; allowed < 64; ++allowed) {
        SCOPED_TRACE("allowed " + std::to_string(allowed));
        Fixture f(8, 3);
        fw::memtest::FailAfter(allowed);
        const bool ok = f.score->MakeMultiRest(1, 5, 2, 8, rest);
        fw::memtest::Reset();
        if (ok) {
            EXPECT_EQ(f.Bar(1)->GetMultiRestSpan(), 4);
            for (int t = 0; t < 3; ++t) EXPECT_EQ(f.LiveRestItems(t, 1), 1);
            break;
        }
        ++failures;
        EXPECT_EQ(f.Bar(1)->GetMultiRestSpan(), 0);
        for (int t = 0; t < 3; ++t) EXPECT_EQ(f.LiveRestItems(t, 1), 0) << "track " << t;
        for (int b = 0; b < 8; ++b) EXPECT_FALSE(f.Bar(b)->IsCovered()) << b;
    }
    EXPECT_GE(failures, 2) << "a failure after the first track's copy went in was met";
}

TEST(MultiRestsTest, TheGatheringTellsOfAFailedRest) {
    Fixture f(8, 2);
    fw::memtest::FailAfter(0);
    const bool ok = f.score->BuildMultiRests(0, 8, 2, 8, nullptr);
    fw::memtest::Reset();
    EXPECT_FALSE(ok);
    EXPECT_TRUE(f.Rests().empty());
}

}  // namespace
