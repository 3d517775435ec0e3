// The document's layout passes that the engraving operation runs: every bar of the document's
// score respaced, every system rejustified and the pages laid out again.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "RecordTestSupport.h"
#include "model/Bar.h"
#include "model/DocLayoutPasses.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/ZelDoc.h"

namespace {

struct Fixture {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    Fixture() {
        RegisterTrackClass();
        SetDocLayoutPasses(nullptr);
        score = std::make_unique<CScore>(&doc);
        EXPECT_TRUE(score->BuildSkeleton(8, 2));
        g_model.currentScore = score.get();
    }
    ~Fixture() { g_model.currentScore = nullptr; }
    std::vector<int> Widths() {
        std::vector<int> w;
        for (int b = 0; b < score->GetBarCount(); ++b) w.push_back(score->GetBar(b)->GetWidth());
        return w;
    }
};

}  // namespace

TEST(DocLayoutPassesTest, TheRealPassesSpaceAndJustifyTheDocumentsScoreAgain) {
    Fixture f;
    DocLayoutPasses* passes = GetDocLayoutPasses();
    ASSERT_TRUE(passes->RespaceAllBars(&f.doc));
    ASSERT_TRUE(passes->RejustifyAllSystems(&f.doc));
    const std::vector<int> laidOut = f.Widths();
    for (int b = 0; b < f.score->GetBarCount(); ++b) {
        f.score->GetBar(b)->SetNaturalSpace(1);
        f.score->GetBar(b)->SetNaturalWidth(1);
    }
    EXPECT_TRUE(passes->RespaceAllBars(&f.doc));
    EXPECT_TRUE(passes->RejustifyAllSystems(&f.doc));
    EXPECT_EQ(f.Widths(), laidOut);
    for (int b = 0; b < f.score->GetBarCount(); ++b) EXPECT_GT(f.score->GetBar(b)->GetNaturalSpace(), 1) << b;
}

TEST(DocLayoutPassesTest, LayingOutAllPagesPlacesEverySystemOfTheDocumentsOwnScoreAgain) {
    recordtest::CleanGlobals clean;
    RegisterTrackClass();
    CZelDoc doc;
    CScore& score = *doc.GetScore();
    ASSERT_TRUE(score.BuildSkeleton(16, 2));
    score.Reindex();
    for (int s = 0; s < score.GetLineCount(); ++s) score.GetLine(s)->Relayout();
    ASSERT_GE(score.GetLineCount(), 2);
    std::vector<RECT> placed;
    for (int s = 0; s < score.GetLineCount(); ++s) {
        placed.push_back(score.GetLine(s)->GetRect());
        RECT moved = placed.back();
        moved.left += 50;
        moved.right -= 70;
        score.GetLine(s)->SetRect(moved);
    }
    EXPECT_TRUE(GetDocLayoutPasses()->LayoutAllPages(&doc));
    for (int s = 0; s < score.GetLineCount(); ++s) {
        EXPECT_EQ(score.GetLine(s)->GetRect().left, placed[std::size_t(s)].left) << "system " << s;
        EXPECT_EQ(score.GetLine(s)->GetRect().right, placed[std::size_t(s)].right) << "system " << s;
    }
}

TEST(DocLayoutPassesTest, AnotherDocumentsScoreIsLeftAlone) {
    Fixture f;
    CZelDoc other;
    f.score->GetBar(0)->SetNaturalSpace(1);
    EXPECT_TRUE(GetDocLayoutPasses()->RespaceAllBars(&other));
    EXPECT_TRUE(GetDocLayoutPasses()->RejustifyAllSystems(&other));
    EXPECT_EQ(f.score->GetBar(0)->GetNaturalSpace(), 1);
}
