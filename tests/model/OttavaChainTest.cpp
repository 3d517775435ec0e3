// Octave lines across bars: one piece per bar with its flags, times and positions, the shift of
// each kind, and identifiers that two lines starting in one bar never share.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "framework/Memory.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ModelGlobals.h"
#include "model/Ottava.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"

namespace {

struct Fixture {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    Fixture() {
        RegisterTrackClass();
        score = std::make_unique<CScore>(&doc);
        EXPECT_TRUE(score->BuildSkeleton(8, 2));
        score->Reindex();
    }
    ~Fixture() { g_model.randomSource = nullptr; }
    // A note or rest of a voice at a time and position in track t's bar b.
    void Put(int type, int t, int b, int time, int position, int voice = 0) {
        CBarItem* r = score->GetTrkBar(t, b)->NewItem(type, time);
        ASSERT_NE(r, nullptr);
        r->SetPositionField(std::int16_t(position));
        r->SetFlagsB(std::uint8_t(voice << CBarItem::kVoiceShift));
    }
    std::vector<COttava*> Pieces(int t, int b) {
        std::vector<COttava*> out;
        trkbar::ForEachLiveItem(score->GetTrkBar(t, b), [&](CBarItem* r) {
            if (r->IsOttava()) out.push_back(static_cast<COttava*>(r));
        });
        return out;
    }
};

TEST(OttavaChainTest, OneBarIsOnePieceWithBothEnds) {
    Fixture f;
    f.Put(144, 1, 2, 480, 300);
    ASSERT_TRUE(f.score->ApplyOttava(2, 250, 2, 800, 1, -40, 0, true, false, false, true, 15));
    const auto pieces = f.Pieces(1, 2);
    ASSERT_EQ(pieces.size(), 1u);
    COttava* p = pieces[0];
    EXPECT_EQ(p->GetFlags(), COttava::kStartPieceBit | COttava::kEndPieceBit | 0x02 | 0x08);
    EXPECT_EQ(p->TimeField(), 480) << "the first note at or after the start";
    EXPECT_EQ(p->PositionField(), 250);
    EXPECT_EQ(p->GetEndPosition(), 800);
    EXPECT_EQ(p->GetEndTime(), 800 * 1920 / 1024) << "no note at or after the end: the time the end position stands for";
    EXPECT_EQ(p->GetShift(), 12);
    EXPECT_EQ(rec::Get<std::int16_t>(p, COttava::kVerticalOffset), -40);
    EXPECT_EQ(rec::Get<std::int16_t>(p, COttava::kContinuationOffset), 15);
    EXPECT_TRUE(f.Pieces(1, 1).empty());
    EXPECT_TRUE(f.Pieces(1, 3).empty());
    EXPECT_TRUE(f.Pieces(0, 2).empty()) << "another track";
}

TEST(OttavaChainTest, ThreeBarsMakeAChain) {
    Fixture f;
    f.Put(128, 0, 1, 960, 500);
    f.Put(144, 0, 1, 1440, 760, 1);   // another voice: not a start
    f.Put(144, 0, 3, 0, 0);
    f.Put(144, 0, 3, 960, 520);
    ASSERT_TRUE(f.score->ApplyOttava(1, 400, 3, 510, 0, 30, 1, false, true, true, false, 0));
    std::vector<COttava*> chain;
    for (int b = 1; b <= 3; ++b) {
        const auto pieces = f.Pieces(0, b);
        ASSERT_EQ(pieces.size(), 1u) << b;
        chain.push_back(pieces[0]);
    }
    const std::uint8_t common = std::uint8_t((1 << COttava::kKindShift) | 0x01 | 0x04);
    EXPECT_EQ(chain[0]->GetFlags(), common | COttava::kStartPieceBit);
    EXPECT_EQ(chain[0]->TimeField(), 960);
    EXPECT_EQ(chain[0]->PositionField(), 400);
    EXPECT_EQ(chain[0]->GetEndTime(), 1920);
    EXPECT_EQ(chain[1]->GetFlags(), common) << "the middle piece has neither end";
    EXPECT_EQ(chain[1]->TimeField(), 0);
    EXPECT_EQ(chain[1]->PositionField(), 0);
    EXPECT_EQ(chain[1]->GetEndTime(), 1920) << "the bar's meter length";
    EXPECT_EQ(chain[2]->GetFlags(), common | COttava::kEndPieceBit);
    EXPECT_EQ(chain[2]->GetEndTime(), 960);
    for (COttava* p : chain) {
        EXPECT_EQ(p->GetShift(), -12);
        EXPECT_EQ(p->GetEndPosition(), 510);
        EXPECT_EQ(p->GetIdentifier(), chain[0]->GetIdentifier());
    }
    // The finders follow the chain from bar to bar.
    EXPECT_EQ(f.score->GetTrkBar(0, 2)->FindOttava(chain[0]), chain[1]);
    EXPECT_EQ(f.score->GetTrkBar(0, 2)->GetOttavaShiftAt(f.Pieces(0, 2)[0]), -12);
}

TEST(OttavaChainTest, ShiftOfEachKind) {
    const struct {
        int kind, shift;
    } cases[] = {{0, 12}, {1, -12}, {2, 24}, {3, 24}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        Fixture f;
        ASSERT_TRUE(f.score->ApplyOttava(0, 0, 1, 1023, 0, 0, c.kind, false, false, false, false, 0));
        for (int b = 0; b <= 1; ++b) {
            EXPECT_EQ(f.Pieces(0, b)[0]->GetShift(), c.shift);
            EXPECT_EQ(f.Pieces(0, b)[0]->GetKind(), c.kind);
        }
    }
}

int g_draws[8];
int g_drawAt = 0;
int Scripted() { return g_draws[g_drawAt++ % 8]; }
int AlwaysZero() { return 0x300; }

TEST(OttavaChainTest, TwoLinesInOneBarNeverShareAnIdentifier) {
    Fixture f;
    const int draws[8] = {0x107, 0x207, 0x307, 9, 9, 9, 9, 9};
    std::copy(draws, draws + 8, g_draws);
    g_drawAt = 0;
    g_model.randomSource = Scripted;
    ASSERT_TRUE(f.score->ApplyOttava(2, 0, 3, 500, 0, 0, 0, false, false, false, false, 0));
    ASSERT_TRUE(f.score->ApplyOttava(2, 600, 2, 900, 0, 0, 0, false, false, false, false, 0));
    const auto pieces = f.Pieces(0, 2);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0]->GetIdentifier(), 7) << "the low byte of the draw";
    EXPECT_EQ(pieces[1]->GetIdentifier(), 9) << "drawn again past the taken 7";
    EXPECT_EQ(g_drawAt, 4);
}

TEST(OttavaChainTest, EveryIdentifierTakenMakesNothing) {
    Fixture f;
    g_model.randomSource = AlwaysZero;
    for (int id = 0; id < 256; ++id) {
        CBarItem* r = f.score->GetTrkBar(0, 0)->NewItem(COttava::kTypeCode, 0);
        ASSERT_NE(r, nullptr);
        rec::Put<std::uint8_t>(r, COttava::kIdentifier, std::uint8_t(id));
        if (id == 200) r->SetFlagsB(std::uint8_t(r->FlagsB() | CBarItem::kRemovedBit));
    }
    // A removed line's identifier is free again, even when the draws never hit it.
    ASSERT_TRUE(f.score->ApplyOttava(0, 0, 1, 100, 0, 0, 0, false, false, false, false, 0));
    EXPECT_EQ(f.Pieces(0, 1).at(0)->GetIdentifier(), 200);
    // Now all 256 are taken: no piece is made anywhere.
    EXPECT_FALSE(f.score->ApplyOttava(0, 0, 2, 100, 0, 0, 0, false, false, false, false, 0));
    EXPECT_EQ(f.Pieces(0, 0).size(), 256u);
    EXPECT_EQ(f.Pieces(0, 1).size(), 1u);
    EXPECT_TRUE(f.Pieces(0, 2).empty());
}

TEST(OttavaChainTest, APieceThatCannotBeInsertedStopsTheLine) {
    int failures = 0;
    for (int allowed = 0; allowed < 32; ++allowed) {
        SCOPED_TRACE(allowed);
        Fixture f;
        fw::memtest::FailAfter(allowed);
        const bool ok = f.score->ApplyOttava(1, 0, 4, 100, 0, 0, 0, false, false, false, false, 0);
        fw::memtest::Reset();
        int made = 0;
        while (made < 4 && f.Pieces(0, 1 + made).size() == 1) ++made;
        for (int b = 1 + made; b <= 4; ++b) EXPECT_TRUE(f.Pieces(0, b).empty()) << "pieces follow one another";
        if (ok) {
            EXPECT_EQ(made, 4);
            break;
        }
        ++failures;
        EXPECT_LT(made, 4);
    }
    EXPECT_GE(failures, 2);
}

}  // namespace
