// The print preview: the score window's sides as the print run lays them out, one at a time, the
// keys that move through them, and the score window as it was afterwards.
#include <gtest/gtest.h>

#include "ViewFixture.h"
#include "platform/Artist.h"
#include "view/ViewGlobals.h"
#include "view/ViewPreview.h"

namespace {

namespace ui = fw::uitest;

class PrintPreviewTest : public ViewTest {};

TEST_F(PrintPreviewTest, ThePreviewShowsOneSideAtATimeAndLeavesTheWindowAsItWas) {
    Open(3, 1, 150);
    view->ShowRulers(true);
    ASSERT_TRUE(view->OnCmdMsg(ID_FILE_PRINT_PREVIEW, 0));
    CPreviewWnd* preview = view->GetPreview();
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(preview->IsWindowVisible());
    EXPECT_EQ(g_view.printPreview, 1);
    EXPECT_EQ(view->rulersShown, 0);
    EXPECT_EQ(doc->GetZoom(), 100) << "sides are laid out at 100 %";
    EXPECT_EQ(preview->GetSideCount(), 3);
    EXPECT_EQ(preview->GetSide(), 1);
    ui::RunUntilIdle();

    // The sheet shows on the gap colour, with the page's drawing on it.
    const RECT sheet = preview->SheetRect();
    ASSERT_GT(sheet.right - sheet.left, 100);
    CClientDC dc(preview);
    EXPECT_EQ(dc.GetPixel(2, 2), ColorTable[CZelView::kGapColor]);
    EXPECT_EQ(dc.GetPixel(sheet.left + 3, sheet.top + 3), RGB(255, 255, 255)) << "the sheet's corner";
    int dark = 0;
    for (int y = sheet.top; y < sheet.bottom; y += 2)
        for (int x = sheet.left; x < sheet.right; x += 2) dark += GetRValue(dc.GetPixel(x, y)) < 128;
    EXPECT_GT(dark, 50) << "the staves are drawn";

    struct Row {
        int vk;
        int side;
    } rows[] = {{VK_NEXT, 2}, {VK_END, 3}, {VK_RIGHT, 3}, {VK_HOME, 1}, {VK_PRIOR, 1}, {VK_SPACE, 2}};
    for (const Row& r : rows) {
        ui::Key(preview, r.vk);
        ui::RunUntilIdle();
        EXPECT_EQ(preview->GetSide(), r.side) << r.vk;
    }
    ui::Key(preview, VK_ESCAPE);
    ui::RunUntilIdle();
    EXPECT_FALSE(preview->IsWindow());
    EXPECT_EQ(g_view.printPreview, 0);
    EXPECT_EQ(view->rulersShown, 1) << "the rulers come back";
    EXPECT_EQ(doc->GetZoom(), 150);
}

TEST_F(PrintPreviewTest, ABookletPreviewCountsSheetSides) {
    Open(3, 1);
    g_view.print.booklet = 1;
    ASSERT_TRUE(view->PrintPreview());
    EXPECT_EQ(view->GetPreview()->GetSideCount(), 2);
    ui::RunUntilIdle();
    const RECT sheet = view->GetPreview()->SheetRect();
    EXPECT_GT(sheet.right - sheet.left, sheet.bottom - sheet.top) << "the sheet lies sideways";
    view->GetPreview()->End();
    EXPECT_EQ(g_view.print.booklet, 1) << "the options stay for the next run";
}

}  // namespace
