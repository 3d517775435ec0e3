// The page passes for systems that run past the page: respacing a page whose staves run more
// than 12 units past the printable bottom, moving systems on to later pages without ever
// leaving a page empty, and the light path after an edit inside one bar.
#include "framework/CodePage.h"
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "framework/MessageBox.h"
#include "model/Bar.h"
#include "model/Page.h"
#include "model/PageSetup.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/ZelDoc.h"

namespace {

struct PagePassesTest : ::testing::Test {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    void SetUp() override {
        RegisterTrackClass();
        doc.SetScoreSize(100);  // the page in use is the printer's letter page
        score = std::make_unique<CScore>(&doc);
    }
    std::vector<int> Tops() {
        std::vector<int> tops;
        for (int k = 0; k < score->GetLineCount(); ++k) tops.push_back(score->GetLine(k)->GetTopOffset());
        return tops;
    }
};

TEST_F(PagePassesTest, StavesRunning13PastThePrintableBottomAreRespacedAnd12AreNot) {
    ASSERT_TRUE(score->BuildSkeleton(8, 2));
    CPage* page = score->GetPage(0);
    const int content = page->GetContentBottom();
    CPageSetup& ps = doc.pageSetup;
    for (int excess : {12, 13}) {
        // The printable bottom lies `excess` units above the staves' bottom.
        const RECT margins = ps.GetMarginRectTwips();
        ps.SetMarginsPoints(36, 36, 36, ps.GetPaperHeight() - (content - excess));
        ASSERT_EQ(ps.GetMarginRect().bottom, content - excess) << margins.bottom;
        fw::msgboxtest::Capture boxes;
        score->FitPagesToHeight(true);
        ASSERT_EQ(boxes.shown().size(), excess > 12 ? 1u : 0u) << excess;
        if (excess > 12) EXPECT_EQ(fw::ToUtf8(boxes.shown()[0].text).rfind("有些谱表超出了页面底部。", 0), 0u);
    }
}

TEST_F(PagePassesTest, MovingSystemsOnNeverLeavesATargetPageEmpty) {
    ASSERT_TRUE(score->BuildSkeleton(24, 2));
    const int pages = score->GetPageCount();
    // The last system of page 0 moves on; every page still holds a system, and each page after
    // the first starts no lower than 1,440.
    const int first = score->GetPage(0)->GetSystemCount();
    ASSERT_GT(first, 1);
    ASSERT_TRUE(score->ShiftSystemAcrossPages(0, false));
    EXPECT_EQ(score->GetPage(0)->GetSystemCount(), first - 1);
    int systems = 0;
    for (int p = 0; p < score->GetPageCount(); ++p) {
        CPage* page = score->GetPage(p);
        EXPECT_GE(page->GetSystemCount(), 1) << "page " << p;
        EXPECT_EQ(page->GetFirstSystem(), systems) << "page " << p;
        if (p > 0 && page->GetSystemCount() >= 1)
            EXPECT_LE(score->GetLine(page->GetFirstSystem())->GetTopOffset(), 1440) << "page " << p;
        systems += page->GetSystemCount();
    }
    EXPECT_EQ(systems, score->GetLineCount());
    EXPECT_GE(score->GetPageCount(), pages);
    // Pulling it back restores the count of page 0.
    ASSERT_TRUE(score->ShiftSystemAcrossPages(0, true));
    EXPECT_EQ(score->GetPage(0)->GetSystemCount(), first);
}

TEST_F(PagePassesTest, ASystemTallerThanThePageStaysAloneOnItsPage) {
    ASSERT_TRUE(score->BuildSkeleton(8, 2));
    // The second system stands far below the page's bottom: it moves on to a page of its own,
    // which keeps it whatever its height.
    ASSERT_EQ(score->GetLineCount(), 2);
    ASSERT_EQ(score->GetPageCount(), 1);
    CLine* second = score->GetLine(1);
    second->SetTopOffset(30000);
    second->Relayout();
    g_preferences.SetByte(Preferences::kWrap, 1);
    ASSERT_TRUE(score->MoveOverflowSystems(0));
    for (int p = 0; p < score->GetPageCount(); ++p)
        EXPECT_EQ(score->GetPage(p)->GetSystemCount(), 1) << "page " << p;
    EXPECT_EQ(score->GetPageCount(), score->GetLineCount());
}

TEST_F(PagePassesTest, RepaginatingSystemsTallerThanTwoPagesKeepsOneSystemAPage) {
    // Forty staves make every system taller than twice the printable page. The systems after
    // the first on a page still stand where the last layout squeezed them onto pages of their
    // own; none of them may join the first system's page on those old places.
    ASSERT_TRUE(score->BuildSkeleton(12, 40));
    ASSERT_GT(score->GetLineCount(), 2);
    score->FitPagesToHeight(false);
    ASSERT_TRUE(score->Repaginate());
    EXPECT_EQ(score->GetPageCount(), score->GetLineCount());
    for (int p = 0; p < score->GetPageCount(); ++p) {
        EXPECT_EQ(score->GetPage(p)->GetSystemCount(), 1) << "page " << p;
        EXPECT_EQ(score->GetPage(p)->GetFirstSystem(), p) << "page " << p;
    }
}

}  // namespace
