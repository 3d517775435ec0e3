// Ties, slurs and tuplets in the score window: a score that holds them, opened as the program
// opens it, shows them in its page pane, and hiding them takes their ink away again.
#include <gtest/gtest.h>

#include <vector>

#include "ViewFixture.h"
#include "model/Score.h"
#include "model/TrkBar.h"
#include "support/TestData.h"

TEST_F(ViewTest, TiesSlursAndTupletsShowInThePagePane) {
    // The two-ended gallery: zelscript tests/data/notation/twoended/gallery.zs -o tests/data/view/twoended.zel
    OpenFile(testsupport::TestDataPath("view/twoended.zel"), 1);
    CPagePane* pane = view->GetPane(0);
    RECT client;
    pane->GetClientRect(&client);
    pane->Invalidate();
    pane->UpdateWindow();
    const std::vector<COLORREF> with = Pixels(pane, client);
    CScore* score = doc->GetScore();
    int items = 0;
    for (int t = 0; t < score->GetTrackCount(); ++t)
        for (int b = 0; b < score->GetBarCount(); ++b)
            for (CBarItem* r = score->GetTrkBar(t, b)->GetItems(); r && r->TypeCode() != 255; r = r->NextItem())
                if (!r->IsRemoved() && (r->IsTie() || r->IsSlur() || r->IsTuplet())) {
                    r->SetFlagsB(std::uint8_t(r->FlagsB() | CBarItem::kRemovedBit));
                    ++items;
                }
    EXPECT_EQ(items, 14) << "the gallery's six ties, four slurs and four tuplets";
    pane->Invalidate();
    pane->UpdateWindow();
    EXPECT_GT(Differ(Pixels(pane, client), with), 300) << "their curves, brackets and numbers were drawn";
}
