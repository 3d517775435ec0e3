// The score view's page panes: one per page in the three arrangements, blocks of pages that
// keep every pane inside window coordinates, the gaps between pages, keys and the title.
#include <gtest/gtest.h>

#include "ViewFixture.h"
#include "framework/CodePage.h"
#include "framework/Input.h"
#include "model/ApplicationOps.h"
#include "model/Page.h"
#include "model/System.h"
#include "platform/Artist.h"
#include "support/TestData.h"

TEST(ViewBlocks, PagesPerBlockKeepABlockWithinThirtyThousandPixels) {
    struct Row {
        int mode, w, h, pages;
        const char* why;
    } rows[] = {
        {0, 612, 792, 1, "one page at a time: one page per block"},
        {1, 612, 792, 30000 / 618 - 2, "letter at 100 %, side by side"},
        {2, 612, 792, 30000 / 798 - 2, "letter at 100 %, one below another"},
        {1, 4896, 6336, 30000 / 4902 - 2, "at 800 %"}, {1, 14000, 18000, 1, "a block holds at least one page"},
        {1, 61, 79, 30000 / 67 - 2, "at 10 %"},
    };
    for (const Row& r : rows) {
        const int n = CZelView::PagesPerBlock(r.mode, r.w, r.h);
        EXPECT_EQ(n, r.pages) << r.why;
        if (r.mode != 0) {
            const int step = (r.mode == 1 ? r.w : r.h) + CZelView::kPageGap;
            // The block's panes and one on either side stay inside window coordinates.
            if (n > 1) EXPECT_LE(CZelView::kPageGap + (n + 1) * step, CZelView::kMaxBlock) << r.why;
        }
    }
}

TEST_F(ViewTest, EachArrangementPlacesOnePanePerPageSixPixelsApart) {
    for (int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        Open(3, mode);
        ASSERT_EQ(view->GetPaneCount(), 3);
        const int w = view->pageWidth, h = view->pageHeight;
        EXPECT_EQ(w, doc->viewPageSetup.GetPaperWidth());
        for (int i = 0; i < 3; ++i) {
            CPagePane* pane = view->GetPane(i);
            EXPECT_EQ(pane->GetPageNumber(), i);
            EXPECT_EQ(pane->IsWindowVisible(), mode != 0 || i == 0) << "page " << i;
            if (mode == 0 && i > 0) continue;
            const RECT r = PlaceOf(pane);
            EXPECT_EQ(r.left, 6 + (mode == 1 ? i * (w + 6) : 0)) << "page " << i;
            EXPECT_EQ(r.top, 6 + (mode == 2 ? i * (h + 6) : 0)) << "page " << i;
            EXPECT_EQ(r.right - r.left, w);
            EXPECT_EQ(r.bottom - r.top, h);
        }
        const RECT total = view->GetTotalRect();
        EXPECT_EQ(total.right, mode == 1 ? 6 + 3 * (w + 6) - 1 : w + 12 - 1);
        EXPECT_EQ(total.bottom, mode == 2 ? 6 + 3 * (h + 6) - 1 : h + 12 - 1);
        wnd.reset();
        doc.reset();
    }
}

TEST_F(ViewTest, AScoreWithoutPagesStillGetsOnePane) {
    Open(0, 1);
    ASSERT_EQ(doc->GetScore()->GetPageCount(), 0);
    EXPECT_EQ(view->GetPaneCount(), 1);
    EXPECT_EQ(view->pageCount, 1);
    EXPECT_TRUE(view->GetPane(0)->IsWindowVisible());
}

TEST_F(ViewTest, AThousandPagesScrolledToTheFarRightShowTheLastPagesAndParkTheRest) {
    Open(1000, 1);
    ASSERT_EQ(view->GetPaneCount(), 1000);
    view->ScrollToPosition(POINT{view->GetTotalRect().right, 0});
    const POINT s = view->GetScrollPosition();
    EXPECT_EQ(s.x, view->GetScrollLimit(SB_HORZ));
    const RECT client = view->GetVisibleRect();
    int shown = 0, parked = 0;
    for (int i = 0; i < 1000; ++i) {
        CPagePane* pane = view->GetPane(i);
        const RECT r = PlaceOf(pane);
        if (pane->IsWindowVisible()) {
            ++shown;
            EXPECT_LE(r.right, CZelView::kMaxBlock) << "page " << i;
            EXPECT_GE(r.left, -CZelView::kMaxBlock) << "page " << i;
            // Where the view lays it out, less the scroll position.
            EXPECT_EQ(r.left, 6 + i * (view->pageWidth + 6) - s.x) << "page " << i;
        } else {
            ++parked;
            EXPECT_EQ(r.left, CZelView::kParked) << "page " << i;
            EXPECT_EQ(r.top, CZelView::kParked) << "page " << i;
            EXPECT_EQ(r.right - r.left, 1);
        }
    }
    EXPECT_GT(parked, 900);
    EXPECT_LE(shown, view->pagesPerBlock + 3);
    EXPECT_TRUE(view->GetPane(999)->IsWindowVisible());
    EXPECT_TRUE(view->GetPane(999)->IsVisible()) << "the last page lies in the client area";
    EXPECT_FALSE(view->GetPane(0)->IsWindowVisible());
    (void)client;
    // The scroll bar's way there changes blocks too.
    view->ScrollToPosition(POINT{0, 0});
    view->OnScroll(0xFF00u | SB_BOTTOM, 0);
    EXPECT_EQ(view->GetScrollPosition().x, view->GetScrollLimit(SB_HORZ));
    EXPECT_TRUE(view->GetPane(999)->IsVisible());
    EXPECT_EQ(PlaceOf(view->GetPane(0)).left, CZelView::kParked);
    view->OnScroll(0xFF00u | SB_LINEUP, 0);
    EXPECT_TRUE(view->GetPane(999)->IsVisible());
    EXPECT_EQ(PlaceOf(view->GetPane(999)).left, 6 + 999 * (view->pageWidth + 6) - view->GetScrollPosition().x);
    // Back to the start: the first block again.
    view->ScrollToPosition(POINT{0, 0});
    EXPECT_TRUE(view->GetPane(0)->IsWindowVisible());
    EXPECT_EQ(PlaceOf(view->GetPane(0)).left, 6);
    EXPECT_FALSE(view->GetPane(999)->IsWindowVisible());
}

TEST_F(ViewTest, KeysGoToTheDocumentAsItsCharactersWithTheirScanCodes) {
    Open(2, 2);
    // The support windows read the document's keys first: this one takes each and keeps it.
    std::vector<std::pair<int, int>> typed;
    AppOps().supportWindowKey = [&typed](int ch, int scanCode) {
        typed.emplace_back(ch, scanCode);
        return true;
    };
    struct Row {
        int vk;
        bool keypad;
        int ch, scanCode;
    } rows[] = {{VK_LEFT, false, 28, 75},     {VK_UP, false, 30, 72},    {VK_RIGHT, false, 29, 77},
                {VK_DOWN, false, 31, 80},     {VK_DELETE, false, 127, 83}, {VK_RETURN, true, 3, 28},
                {VK_BACK, false, 8, 14}};
    for (const Row& r : rows) {
        typed.clear();
        fw::uitest::Key(view, r.vk, fw::uitest::kNone, r.keypad);
        fw::uitest::RunUntilIdle();
        ASSERT_FALSE(typed.empty()) << r.vk;
        EXPECT_EQ(typed.back(), std::make_pair(r.ch, r.scanCode)) << r.vk << " (the Delete key acts as 127)";
    }
    typed.clear();
    fw::uitest::Key(view, VK_NEXT);
    fw::uitest::RunUntilIdle();
    EXPECT_GT(view->GetScrollPosition().y, 0) << "Page Down scrolls";
    fw::uitest::Key(view, VK_END);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(view->GetScrollPosition().y, view->GetScrollLimit(SB_VERT)) << "End goes to the bottom";
    fw::uitest::Key(view, VK_PRIOR);
    fw::uitest::RunUntilIdle();
    EXPECT_LT(view->GetScrollPosition().y, view->GetScrollLimit(SB_VERT)) << "Page Up scrolls";
    fw::uitest::Key(view, VK_HOME);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(view->GetScrollPosition().y, 0) << "Home goes to the top";
    EXPECT_EQ(doc->location.barIndex, 0);
    EXPECT_TRUE(typed.empty()) << "scrolling keys do not reach the document";
    AppOps() = {};
}

TEST_F(ViewTest, TheTitleNamesTheScoreAndItsChange) {
    Open(1, 0);
    EXPECT_EQ(fw::ToUtf8(wnd->FrameTitle(true).c_str()), "琴谱 : Song");
    doc->SetModified(true);
    EXPECT_EQ(fw::ToUtf8(wnd->FrameTitle(true).c_str()), "琴谱 : Song*");
    EXPECT_EQ(wnd->FrameTitle(false), "");
    // The window's own title follows the document.
    EXPECT_EQ(fw::ToUtf8(wnd->GetWindowText().c_str()), "琴谱 : Song*");
    doc->SetModified(false);
    EXPECT_EQ(fw::ToUtf8(wnd->GetWindowText().c_str()), "琴谱 : Song");
}

TEST_F(ViewTest, TheClickThatActivatesTheWindowIsIgnored) {
    Open(1, 0);
    RECT client;
    wnd->GetClientRect(&client);
    wnd->ClientToScreen(&client);
    const POINT inside{client.left + 50, client.top + 50}, outside{client.left - 5, client.top - 5};
    wnd->OnMDIActivate(true, true, inside);
    EXPECT_EQ(wnd->ignoreNextClick, 1);
    wnd->OnMDIActivate(true, true, outside);
    EXPECT_EQ(wnd->ignoreNextClick, 0) << "a click on the frame's edge";
    wnd->OnMDIActivate(true, false, inside);
    EXPECT_EQ(wnd->ignoreNextClick, 0) << "activated without a click";
}

TEST_F(ViewTest, TheEightPageScoreShowsPagesSixPixelsApartOnTheGapColourWithRulers) {
    for (int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        OpenFile(testsupport::TestDataPath("view/eight-pages.zel"), mode);
        ASSERT_EQ(view->GetPaneCount(), 8);
        ASSERT_TRUE(wnd->hRuler.IsWindowVisible());
        RECT viewRect;
        view->GetWindowRect(&viewRect);
        wnd->ScreenToClient(&viewRect);
        EXPECT_EQ(viewRect.left, CZelView::kRulerSize);
        EXPECT_EQ(viewRect.top, CZelView::kRulerSize);
        view->Invalidate();
        view->UpdateWindow();
        const COLORREF gap = ColorTable[CZelView::kGapColor];
        CClientDC dc(view);
        const int w = view->pageWidth, h = view->pageHeight;
        EXPECT_EQ(dc.GetPixel(3, 100), gap) << "left of the first page";
        EXPECT_EQ(dc.GetPixel(100, 3), gap) << "above it";
        if (mode == 1) {
            EXPECT_EQ(dc.GetPixel(6 + w + 3, 100), gap) << "between pages 1 and 2";
            EXPECT_EQ(PlaceOf(view->GetPane(1)).left - PlaceOf(view->GetPane(0)).right, 6);
        }
        if (mode == 2) {
            view->ScrollToPosition(POINT{0, h - 200});
            view->UpdateWindow();
            EXPECT_EQ(dc.GetPixel(100, 6 + h + 3 - int(view->GetScrollPosition().y)), gap) << "between pages 1 and 2";
            EXPECT_EQ(PlaceOf(view->GetPane(1)).top - PlaceOf(view->GetPane(0)).bottom, 6);
        }
        CClientDC ruler(&wnd->hRuler);
        EXPECT_EQ(ruler.GetPixel(3, 8), ColorTable[CRuler::kColor]);
        std::string shot = home.root() + "/shot" + std::to_string(mode) + ".png";
        EXPECT_TRUE(wnd->SaveImage(shot));
        wnd.reset();
        doc.reset();
    }
}

TEST_F(ViewTest, DragsNearTheEdgeScrollInStepsAndShowPageScrollsToAPage) {
    Open(4, 1);
    view->ScrollToPosition(POINT{300, 0});
    const RECT visible = view->GetVisibleRect();
    struct Row {
        POINT at;
        int dx, dy;
        const char* why;
    } rows[] = {
        {{visible.left - 20, visible.top + 50}, -6, 0, "left of the window"},
        {{visible.right + 20, visible.top + 50}, 6, 0, "right of it"},
        {{visible.left + 50, visible.bottom + 20}, 0, 4, "below it"},
        {{visible.left + 50, visible.top + 50}, 0, 0, "inside: no step"},
    };
    for (const Row& r : rows) {
        view->ScrollToPosition(POINT{300, 0});
        const POINT before = view->GetScrollPosition();
        const bool stepped = view->AutoScroll(r.at);
        const POINT after = view->GetScrollPosition();
        EXPECT_EQ(stepped, r.dx != 0 || r.dy != 0) << r.why;
        EXPECT_EQ(after.x - before.x, r.dx) << r.why;
        EXPECT_EQ(after.y - before.y, std::min<LONG>(r.dy, view->GetScrollLimit(SB_VERT))) << r.why;
    }
    view->ShowPage(2);
    EXPECT_EQ(view->GetScrollPosition().x, 2 * (view->pageWidth + 6));
    EXPECT_NE(view->GetVisiblePane(2), nullptr);
    EXPECT_EQ(view->GetVisiblePane(0), nullptr) << "page 1 lies left of the window";
    EXPECT_EQ(view->GetVisiblePane(4), nullptr) << "no such page";
    EXPECT_EQ(view->GetPane(4), nullptr);
}

TEST_F(ViewTest, TheRulerMarksFollowThePointerAndGoBeforeScrolling) {
    Open(2, 1);
    view->ShowRulers(true);
    fw::uitest::RunUntilIdle();
    view->ScrollToPosition(POINT{100, 0});
    view->UpdateRulerMarks(true, POINT{250, 80});
    EXPECT_EQ(wnd->hRuler.mark, 250 - 100 + 2) << "the x mark two pixels right of the pointer";
    EXPECT_EQ(wnd->vRuler.mark, 80);
    fw::uitest::Key(view, VK_NEXT);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(wnd->hRuler.mark, -1);
    EXPECT_EQ(wnd->vRuler.mark, -1);
}

TEST_F(ViewTest, TheOnePageArrangementShowsTheCurrentPageInItsOnePane) {
    Open(3, 0);
    view->ShowPage(2);
    CPagePane* pane = view->GetPane(0);
    EXPECT_EQ(pane->GetPageNumber(), 2);
    EXPECT_EQ(view->GetShownPane(2), pane);
    EXPECT_EQ(view->GetShownPane(1), nullptr);
    doc->location.pageIndex = 2;
    EXPECT_TRUE(pane->IsVisible());
    doc->location.pageIndex = 1;
    EXPECT_FALSE(pane->IsVisible());
}

// In the one-page arrangement the vertical bar holds every page's own range one after another:
// End, the thumb, the arrows and the insertion point all reach every page, and the thumb
// stands where the page shown lies.
TEST_F(ViewTest, InTheOnePageArrangementTheBarAndEndReachEveryPage) {
    OpenFile(testsupport::TestDataPath("view/eight-pages.zel"), 0);
    ASSERT_EQ(doc->GetScore()->GetPageCount(), 8);
    CPagePane* pane = view->GetPane(0);
    SCROLLINFO info{};
    view->GetScrollInfo(SB_VERT, &info, SIF_ALL);
    const int visible = int(info.nPage);  // the client area less the horizontal bar
    auto bar = [&] { return view->GetScrollPos(SB_VERT); };
    auto send = [&](UINT code, int pos = 0) {
        view->SendMessage(WM_VSCROLL, MAKEWPARAM(code, pos), 0);
        fw::uitest::RunUntilIdle();
    };
    // What a page scrolls through by itself: its paper and gaps past the visible height.
    const int within = view->pageHeight + 12 - 1 - visible;
    ASSERT_GT(within, 0);
    const int step = within + 1;
    EXPECT_EQ(view->GetScrollLimit(SB_VERT), 8 * step - 1);

    // End: the last page's bottom, the thumb at the end of the bar.
    fw::uitest::Key(view, VK_END);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(pane->GetPageNumber(), 7);
    EXPECT_EQ(doc->location.pageIndex, 7);
    EXPECT_EQ(bar(), view->GetScrollLimit(SB_VERT));
    EXPECT_EQ(PlaceOf(pane).top, 6 - within);
    EXPECT_LE(PlaceOf(pane).bottom, visible) << "the page's bottom shows";

    // Home: the first page's top, the thumb at the start.
    fw::uitest::Key(view, VK_HOME);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(pane->GetPageNumber(), 0);
    EXPECT_EQ(bar(), 0);
    EXPECT_EQ(PlaceOf(pane).top, 6);

    // The thumb dragged to any place shows the page of that place, scrolled as far into it.
    struct Row {
        int pos, page, into;
    } rows[] = {{step + 10, 1, 10}, {2 * step - 1, 1, within}, {2 * step, 2, 0}, {5 * step + within / 2, 5, within / 2},
                {8 * step - 1, 7, within}, {3, 0, 3}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.pos);
        send(SB_THUMBTRACK, r.pos);
        EXPECT_EQ(pane->GetPageNumber(), r.page);
        EXPECT_EQ(doc->location.pageIndex, r.page);
        EXPECT_EQ(bar(), r.pos);
        EXPECT_EQ(view->GetScrollPosition().y, r.into);
        EXPECT_EQ(PlaceOf(pane).top, 6 - r.into);
    }

    // The arrow past a page's bottom goes on to the next page's top; back up returns.
    send(SB_THUMBTRACK, step - 1);
    send(SB_LINEDOWN);
    EXPECT_EQ(pane->GetPageNumber(), 1);
    EXPECT_GT(bar(), step - 1);
    send(SB_TOP);
    EXPECT_EQ(pane->GetPageNumber(), 0);

    // The insertion point moving to a bar of a later page moves the thumb into that page's range.
    const int barOnPage4 = doc->GetScore()->GetPage(4)->GetLine(0)->GetFirstBarIndex();
    doc->ShowInsertionPoint(barOnPage4, true);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(pane->GetPageNumber(), 4);
    EXPECT_GE(bar(), 4 * step);
    EXPECT_LT(bar(), 5 * step);
    EXPECT_EQ(bar() - 4 * step, view->GetScrollPosition().y);
}
