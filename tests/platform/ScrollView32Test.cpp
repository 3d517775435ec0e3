// The scroll view with 32-bit ranges: thumb tracking beyond 32767, the wheel, the page after a
// resize and positions pulled back into a smaller range.
#include <gtest/gtest.h>

#include <algorithm>

#include "UiBaseFixture.h"
#include "platform/ScrollView32.h"

namespace {

class ScrollView32Test : public UiBaseTest {
protected:
    void SetUp() override {
        UiBaseTest::SetUp();
        ASSERT_TRUE(view.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL,
                                RECT{0, 0, 500, 400}, &host, 1));
        fw::uitest::RunUntilIdle();
    }
    // Sends a thumb drag with the pointer at client x.
    void ThumbAt(int x, UINT code = SB_THUMBTRACK, int pos16 = 0) {
        POINT p{x, 10};
        view.ClientToScreen(&p);
        fw::SetCursorPos(p.x, p.y);
        view.SendMessage(WM_HSCROLL, MAKEWPARAM(code, pos16), 0);
    }
    CScrollView32 view;
};

}  // namespace

TEST_F(ScrollView32Test, ThumbDragsOverLargeRangesFollowThePointer) {
    view.SetScrollSizes(MM_TEXT, SIZE{100000, 200});
    SCROLLINFO info;
    view.GetScrollInfo(SB_HORZ, &info, SIF_ALL);
    ASSERT_EQ(info.nMax, 99999);
    RECT client;
    view.GetClientRect(&client);
    const long long width = client.right - 32;
    auto at = [&](int x) { return int((x - 16) * 99999LL / width); };
    ThumbAt(20);  // the grab: the thumb stays where it was
    EXPECT_EQ(view.GetScrollPos(SB_HORZ), 0);
    EXPECT_EQ(view.thumbOffsetX, -at(20));
    const int middle = client.right / 2;
    ThumbAt(middle, SB_THUMBTRACK, 1234);  // the message's 16-bit position is not used
    EXPECT_EQ(view.GetScrollPos(SB_HORZ), at(middle) - at(20));
    EXPECT_GT(view.GetScrollPos(SB_HORZ), 40000);
    ThumbAt(middle, SB_ENDSCROLL);
    EXPECT_EQ(view.thumbOffsetX, CScrollView32::kNoThumbOffset);
    // A new drag grabs the thumb where it is; past the right arrow the pointer stands for the
    // maximum.
    const int start = view.GetScrollPos(SB_HORZ);
    ThumbAt(middle);
    EXPECT_EQ(view.GetScrollPos(SB_HORZ), start);
    ThumbAt(client.right - 5);
    EXPECT_EQ(view.GetScrollPos(SB_HORZ), std::min(view.GetScrollLimit(SB_HORZ), start + 99999 - at(middle)));
}

TEST_F(ScrollView32Test, SmallRangesUseTheMessagePosition) {
    view.SetScrollSizes(MM_TEXT, SIZE{30000, 200});
    ThumbAt(300, SB_THUMBTRACK, 1234);
    EXPECT_EQ(view.GetScrollPos(SB_HORZ), 1234);
    EXPECT_EQ(view.thumbOffsetX, CScrollView32::kNoThumbOffset);
}

TEST_F(ScrollView32Test, AWheelNotchScrollsThreeLinesAtMostAPage) {
    view.SetScrollSizes(MM_TEXT, SIZE{1000, 5000}, SIZE{}, SIZE{10, 10});
    ASSERT_EQ(CScrollView32::GetWheelLines(true), 3);
    fw::uitest::Wheel(&view, 100, 100, -120);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(view.GetScrollPos(SB_VERT), 30);
    fw::uitest::Wheel(&view, 100, 100, 120);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(view.GetScrollPos(SB_VERT), 0);
    view.lineDev.cy = 1000;
    fw::uitest::Wheel(&view, 100, 100, -120);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(view.GetScrollPos(SB_VERT), view.pageDev.cy);
    fw::uitest::Wheel(&view, 100, 100, -120, fw::uitest::kCtrl);  // Ctrl: not for scrolling
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(view.GetScrollPos(SB_VERT), view.pageDev.cy);
}

TEST_F(ScrollView32Test, APageIsTheClientAreaBesideTheBars) {
    view.SetScrollSizes(MM_TEXT, SIZE{2000, 2000}, SIZE{50, 50}, SIZE{5, 5});
    SIZE bars;
    view.GetScrollBarSizes(&bars);
    SIZE trueClient, trueBars;
    ASSERT_TRUE(view.GetTrueClientSize(&trueClient, &trueBars));
    EXPECT_EQ(trueClient.cx, 500);
    EXPECT_EQ(trueClient.cy, 400);
    EXPECT_EQ(view.pageDev.cx, 500 - bars.cx);
    EXPECT_EQ(view.pageDev.cy, 400 - bars.cy);
    view.SendMessage(WM_HSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    view.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    EXPECT_EQ(view.GetScrollPos(SB_HORZ), 500 - bars.cx);
    EXPECT_EQ(view.GetScrollPos(SB_VERT), 400 - bars.cy);
}

TEST_F(ScrollView32Test, ASmallerRangePullsThePositionBack) {
    view.SetScrollSizes(MM_TEXT, SIZE{2000, 2000});
    view.ScrollToDevicePosition(POINT{1400, 1500});
    view.SetScrollSizes(MM_TEXT, SIZE{1000, 300});
    EXPECT_EQ(view.GetScrollPos(SB_HORZ), 500);  // the new range: 1000 - 500
    EXPECT_EQ(view.GetScrollPos(SB_VERT), 0);    // no need to scroll: back to the top

    // A nested update does nothing.
    const SIZE page = view.pageDev;
    view.insideUpdate = 1;
    view.totalDev = SIZE{5000, 5000};
    view.UpdateBars();
    EXPECT_EQ(view.pageDev.cx, page.cx);
    SCROLLINFO info;
    view.GetScrollInfo(SB_HORZ, &info, SIF_ALL);
    EXPECT_EQ(info.nMax, 999);
    view.insideUpdate = 0;
}
