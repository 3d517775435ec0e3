// The jump marks' links: signs, codas, repeat counts, endings and their chain counts, the
// playback pass reset, and a random walk over generated marks that always ends in range.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ItemFactory.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/Track.h"
#include "model/ZelDoc.h"

namespace {

constexpr int kSign = 0, kCoda = 1, kToCoda = 2, kSignAlCoda = 3, kSignAlFine = 4, kStartAlFine = 6, kFine = 7,
              kRepeatCount = 8, kEnding = 9, kEndingAfter = 10;

struct Fixture {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    explicit Fixture(int bars) {
        RegisterTrackClass();
        score = std::make_unique<CScore>(&doc);
        EXPECT_TRUE(score->BuildSkeleton(bars, 1));
        EXPECT_EQ(score->GetBarCount(), bars);
    }
    // A jump mark of the kind in the bar's own items, with a stored target; the kind picks the
    // class as a stored file does (8 repeat count, 9-10 ending, else a text jumper).
    void Add(int bar, int kind, int target = 1) {
        const int type = kind == kRepeatCount ? 48 : (kind == kEnding || kind == kEndingAfter) ? 50 : 49;
        alignas(8) std::uint8_t scratch[256] = {};
        auto* mark = static_cast<CBarItem*>(ConstructClass(type, scratch));
        ASSERT_NE(mark, nullptr);
        rec::Put<std::uint8_t>(mark, CBar::kJumperKind, std::uint8_t(kind));
        rec::Put<std::int16_t>(mark, CBar::kJumperTarget, std::int16_t(target));
        rec::Put<std::uint8_t>(mark, CBar::kJumperChainCount, 99);
        ASSERT_NE(score->GetBar(bar)->AddItem(mark), nullptr);
    }
    // The n-th jump mark of a bar.
    CBarItem* Mark(int bar, int n = 0) { return score->GetBar(bar)->GetJumper(n); }
    int Target(int bar, int n = 0) { return rec::Get<std::int16_t>(Mark(bar, n), CBar::kJumperTarget); }
    int Chain(int bar, int n = 0) { return rec::Get<std::uint8_t>(Mark(bar, n), CBar::kJumperChainCount); }
};

struct Mark {
    int bar, kind, target;
};
struct Expect {
    int bar, n, target, chain;  // chain -1: not checked
};
struct Case {
    std::string name;
    int bars;
    std::vector<int> repeatStarts;
    std::vector<int> repeatEnds;
    std::vector<Mark> marks;
    std::vector<Expect> expected;
};

TEST(JumpLinksTest, TargetsAndChainCounts) {
    const std::vector<Case> cases = {
        {"D.S. al Fine without a sign leads nowhere", 8, {}, {}, {{2, kSignAlFine, 5}}, {{2, 0, -1, -1}}},
        {"D.S. al Coda goes back to the latest sign", 8, {}, {}, {{1, kSign, 7}, {3, kSign, 7}, {5, kSignAlCoda, 7}, {6, kSignAlFine, 0}},
         {{1, 0, -1, -1}, {3, 0, -1, -1}, {5, 0, 3, -1}, {6, 0, 1, -1}}},
        {"of two To Coda marks the later one is linked", 8, {}, {}, {{1, kToCoda, 3}, {2, kToCoda, 3}, {4, kCoda, 3}},
         {{1, 0, -1, -1}, {2, 0, 4, -1}, {4, 0, -1, -1}}},
        {"a coda sign with no open jump", 4, {}, {}, {{2, kCoda, 3}}, {{2, 0, -1, -1}}},
        {"D.C. marks go to the first bar, Fine keeps its target", 8, {}, {}, {{3, kStartAlFine, 5}, {4, kFine, 5}},
         {{3, 0, 0, -1}, {4, 0, 5, -1}}},
        {"a repeat count with no repeat start goes to bar 0", 8, {}, {3}, {{3, kRepeatCount, 5}}, {{3, 0, 0, 0}}},
        {"repeat counts take the starts most recent first", 8, {1, 3}, {4, 6}, {{4, kRepeatCount, 1}, {6, kRepeatCount, 1}},
         {{4, 0, 3, 0}, {6, 0, 1, 0}}},
        {"an ending that would pass the end is limited", 8, {}, {}, {{6, kEnding, 5}, {7, kEnding, 1}, {2, kEnding, 3}},
         {{6, 0, 2, -1}, {7, 0, 1, -1}, {2, 0, 3, -1}}},
        {"first, second and third endings after a repeat", 8, {0}, {3, 4}, {{3, kEnding, 1}, {4, kEnding, 1}, {5, kEndingAfter, 1}},
         {{3, 0, 1, 2}, {4, 0, 1, 1}, {5, 0, 1, 0}}},
        {"a repeat closing the bar after the chain counts once more", 8, {0}, {4, 6}, {{3, kEnding, 2}, {5, kEnding, 1}},
         {{3, 0, 2, 2}, {5, 0, 1, 1}}},
        {"an ending offset of 0 ends its chain and the walk goes on", 8, {}, {}, {{2, kEnding, 0}, {3, kEnding, 1}, {5, kEnding, -3}},
         {{2, 0, 0, 0}, {3, 0, 1, 0}, {5, 0, -3, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f(c.bars);
        for (int b : c.repeatStarts) f.score->GetBar(b)->SetOpeningKind(2);
        for (int b : c.repeatEnds) f.score->GetBar(b)->SetClosingKind(3);
        for (const Mark& m : c.marks) f.Add(m.bar, m.kind, m.target);
        f.score->LinkJumpers();
        for (const Expect& e : c.expected) {
            SCOPED_TRACE("bar " + std::to_string(e.bar));
            EXPECT_EQ(f.Target(e.bar, e.n), e.target);
            if (e.chain >= 0) {
                EXPECT_EQ(f.Chain(e.bar, e.n), e.chain);
            }
        }
    }
}

TEST(JumpLinksTest, SignsPastSixteenAreNotRemembered) {
    Fixture f(20);
    for (int b = 0; b < 17; ++b) f.Add(b, kSign);
    f.Add(17, kSignAlFine);
    f.score->LinkJumpers();
    EXPECT_EQ(f.Target(17), 15) << "the seventeenth sign was not remembered";
}

TEST(JumpLinksTest, MoreThanSixtyFourRepeatStartsAreAllKept) {
    Fixture f(140);
    for (int b = 0; b < 70; ++b) f.score->GetBar(b)->SetOpeningKind(2);
    for (int b = 70; b < 140; ++b) f.Add(b, kRepeatCount);
    f.score->LinkJumpers();
    for (int k = 0; k < 70; ++k) EXPECT_EQ(f.Target(70 + k), 69 - k) << k;
}

TEST(JumpLinksTest, ABarInsertionRelinksTheMarks) {
    Fixture f(8);
    f.Add(1, kSign);
    f.Add(4, kSignAlCoda);
    f.score->Reindex();
    EXPECT_EQ(f.Target(4), 1);
    ASSERT_NE(f.score->InsertBar(0), nullptr);
    EXPECT_EQ(f.Target(5), 2) << "the sign moved one bar on with the insertion";
    f.score->DeleteBar(0);
    f.score->DeleteBar(1);
    EXPECT_EQ(f.Target(3), -1) << "the sign's bar is gone";
}

TEST(JumpLinksTest, ResetClearsThePassOfLiveMarksOnly) {
    Fixture f(4);
    f.Add(1, kRepeatCount);
    f.Add(2, kEnding);
    f.Add(2, kSign);
    for (CBarItem* m : {f.Mark(1), f.Mark(2, 0), f.Mark(2, 1)}) rec::Put<std::uint8_t>(m, CBar::kJumperPass, 3);
    CBarItem* removed = f.Mark(2, 1);
    removed->SetFlagsB(std::uint8_t(removed->FlagsB() | CBarItem::kRemovedBit));
    f.score->ResetJumpState();
    EXPECT_EQ(rec::Get<std::uint8_t>(f.Mark(1), CBar::kJumperPass), 0);
    EXPECT_EQ(rec::Get<std::uint8_t>(f.Mark(2, 0), CBar::kJumperPass), 0);
    EXPECT_EQ(rec::Get<std::uint8_t>(removed, CBar::kJumperPass), 3) << "a removed mark is left alone";
}

TEST(JumpLinksTest, RandomMarksAlwaysEndInRange) {
    std::mt19937 random(5617);
    for (int round = 0; round < 300; ++round) {
        const int bars = 4 * int(1 + random() % 10);
        Fixture f(bars);
        for (int b = 0; b < bars; ++b) {
            if (random() % 4 == 0) f.score->GetBar(b)->SetOpeningKind(random() % 2 ? 2 : 9);
            if (random() % 4 == 0) f.score->GetBar(b)->SetClosingKind(random() % 2 ? 3 : 10);
            for (int k = int(random() % 3); k > 0; --k)
                f.Add(b, int(random() % 11), int(random() % 60) - 10);
        }
        f.score->LinkJumpers();
        for (int b = 0; b < bars; ++b) {
            for (int k = 0; k < f.score->GetBar(b)->CountJumpers(); ++k) {
                SCOPED_TRACE("round " + std::to_string(round) + " bar " + std::to_string(b));
                const int kind = rec::Get<std::uint8_t>(f.Mark(b, k), CBar::kJumperKind);
                const int target = f.Target(b, k);
                if (kind == kEnding || kind == kEndingAfter) {
                    EXPECT_LE(b + target, bars) << "an ending past the end";
                } else if (kind != kFine) {
                    EXPECT_GE(target, -1);
                    EXPECT_LT(target, bars);
                }
            }
        }
    }
}

}  // namespace
