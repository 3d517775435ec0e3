// Light panes: anchors, presses and click counts, the mouse loop of a task; and the window
// helpers beside the settings helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "UiBaseFixture.h"
#include "framework/Input.h"
#include "platform/Numeric.h"
#include "platform/Pane.h"
#include "platform/RvqUtil.h"

namespace {

// A task that keeps every point it is handed.
class RecordingTask : public CMouseTask {
public:
    std::vector<POINT> points;
    int downs = 0, ups = 0;
    void MouseDown(POINT start) override {
        ++downs;
        points.push_back(start);
    }
    void MouseMove(POINT current, POINT, POINT) override { points.push_back(current); }
    void MouseUp(POINT current, POINT, POINT) override {
        ++ups;
        points.push_back(current);
    }
};

class ProbePane : public CPane {
public:
    std::vector<int> clicks;  // click count at each left press, -1 for a right press
    bool track = false;
    RECT limits{10, 10, 50, 50};
    RecordingTask task;
    int paints = 0;

    void MouseDown(POINT pt, UINT) override {
        clicks.push_back(g_ui.clickCount);
        if (track) TrackMouse(&task, pt, limits);
    }
    void RightMouseDown(POINT, UINT) override { clicks.push_back(-1); }
    void Paint(const RECT&) override { ++paints; }
};

using PaneTest = UiBaseTest;

}  // namespace

TEST_F(PaneTest, ChildPanesFollowTheirParentByTheirAnchors) {
    ProbePane parent, right, stretch, fixed;
    ASSERT_TRUE(parent.Create(&host, 0, RECT{0, 0, 300, 200}, CPane::kAnchorFixed, CPane::kAnchorFixed));
    ASSERT_TRUE(right.Create(&parent, 0, RECT{250, 10, 290, 30}, CPane::kAnchorEnd, CPane::kAnchorFixed));
    ASSERT_TRUE(stretch.Create(&parent, 0, RECT{10, 50, 110, 70}, CPane::kAnchorStretch, CPane::kAnchorEnd));
    ASSERT_TRUE(fixed.Create(&parent, 0, RECT{20, 100, 60, 120}, CPane::kAnchorFixed, CPane::kAnchorStart));
    parent.Offset(RECT{0, 0, 100, 50}, true);
    EXPECT_EQ(parent.width, 400);
    EXPECT_EQ(parent.height, 250);
    // Each pane keeps its distance to the edges it sticks to.
    EXPECT_EQ(right.x, 350);  // still 10 from the right edge
    EXPECT_EQ(right.y, 10);
    EXPECT_EQ(stretch.x, 10);
    EXPECT_EQ(stretch.width, 200);
    EXPECT_EQ(stretch.y, 100);  // still 130 from the bottom edge
    EXPECT_EQ(fixed.x, 20);
    EXPECT_EQ(fixed.y, 100);  // still 100 from the top edge
    RECT r;
    right.GetWindowRect(&r);
    parent.ScreenToClient(&r);
    EXPECT_EQ(r.left, 350);
    EXPECT_EQ(r.right, 390);
    // Shrinking brings them back.
    parent.Offset(RECT{0, 0, -100, -50}, true);
    EXPECT_EQ(right.x, 250);
    EXPECT_EQ(stretch.y, 50);
    EXPECT_EQ(stretch.width, 100);

    fixed.Stretch(true, false);
    EXPECT_EQ(fixed.x, 0);
    EXPECT_EQ(fixed.width, 300);
    fixed.MoveTo(5, 6, false);
    EXPECT_EQ(fixed.x, 5);
    EXPECT_FALSE(right.IsPaneAt(POINT{7, 8}));
    EXPECT_TRUE(fixed.IsPaneAt(POINT{7, 8}));
}

TEST_F(PaneTest, PressesCountClicksAndEndANumericEntry) {
    ProbePane pane;
    ASSERT_TRUE(pane.Create(&host, 0, RECT{20, 20, 120, 80}, 0, 0));
    CNumeric typing;
    typing.Init(3, 0, 10, RECT{}, nullptr);
    typing.active = 1;
    g_ui.currentNumeric = &typing;
    fw::uitest::Click(&pane, 30, 30, fw::uitest::kLeft, fw::uitest::kNone, 2);
    fw::uitest::Click(&pane, 30, 30, fw::uitest::kRight);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(pane.clicks, (std::vector<int>{1, 2, -1}));
    EXPECT_EQ(g_ui.currentNumeric, nullptr);
    EXPECT_EQ(typing.active, 0);
    EXPECT_GT(pane.paints, 0);
    pane.SetEnabled(false);
    EXPECT_EQ(pane.enabled, 0);
    EXPECT_FALSE(pane.IsWindowEnabled());
}

TEST_F(PaneTest, TheTaskLoopKeepsEveryPointInsideTheLimits) {
    ProbePane pane;
    ASSERT_TRUE(pane.Create(&host, 0, RECT{20, 20, 220, 220}, 0, 0));
    pane.track = true;
    fw::uitest::Drag(&pane, {{20, 20}, {100, 5}, {0, 80}, {30, 30}, {150, 150}});
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(pane.task.downs, 1);
    EXPECT_EQ(pane.task.ups, 1);
    ASSERT_GE(pane.task.points.size(), 5u);
    for (const POINT& p : pane.task.points) {
        EXPECT_GE(p.x, 10);
        EXPECT_LE(p.x, 50);
        EXPECT_GE(p.y, 10);
        EXPECT_LE(p.y, 50);
    }
    EXPECT_EQ(pane.task.points[1].x, 50);  // (100, 5) clamped
    EXPECT_EQ(pane.task.points[1].y, 10);
    EXPECT_EQ(pane.task.points.back().x, 50);  // released at (150, 150)
    EXPECT_EQ(pane.task.points.back().y, 50);
}

TEST_F(PaneTest, ModulePathsReplaceTheFileNameOrRefuse) {
    char path[512];
    ASSERT_TRUE(GetModulePath(nullptr, path, sizeof path, nullptr));
    const std::string folder = path;
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    ASSERT_TRUE(GetModulePath(nullptr, path, sizeof path, "data.ins"));
    EXPECT_EQ(std::string(path), folder + "data.ins");
    char small[8];
    EXPECT_FALSE(GetModulePath(nullptr, small, sizeof small, "a-name-that-does-not-fit.ins"));
    EXPECT_LT(std::strlen(small), sizeof small);
}

TEST_F(PaneTest, GradientFillsRowByRow) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bmp;
    bmp.CreateBitmap(10, 11);
    dc.SelectObject(&bmp);
    ASSERT_TRUE(IsHighColor());
    GradientFill(&dc, RECT{0, 0, 10, 11}, RGB(0, 0, 0), RGB(200, 100, 0), COLORREF(-1));
    EXPECT_EQ(dc.GetPixel(5, 0) & 0xFFFFFF, RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(5, 5) & 0xFFFFFF, RGB(91, 45, 0));  // MulDiv(5, 200, 11), MulDiv(5, 100, 11)
    EXPECT_EQ(dc.GetPixel(5, 10) & 0xFFFFFF, RGB(182, 91, 0));
    g_ui.gradientFill = false;
    GradientFill(&dc, RECT{0, 0, 10, 11}, RGB(10, 20, 30), RGB(200, 100, 0), COLORREF(-1));
    EXPECT_EQ(dc.GetPixel(5, 10) & 0xFFFFFF, RGB(10, 20, 30));
    GradientFill(&dc, RECT{0, 0, 10, 11}, RGB(10, 20, 30), RGB(200, 100, 0), RGB(1, 2, 3));
    EXPECT_EQ(dc.GetPixel(5, 10) & 0xFFFFFF, RGB(1, 2, 3));
}

TEST_F(PaneTest, AHeldButtonBecomesAMoveAfterTheDelay) {
    ProbePane pane;
    ASSERT_TRUE(pane.Create(&host, 0, RECT{20, 20, 120, 80}, 0, 0));
    // Pressed and held: the mouse move arrives at the pointer's place.
    fw::uitest::Press(&pane, 30, 40);
    fw::uitest::RunUntilIdle();
    fw::uitest::Call([] { fw::clocktest::Advance(150); });
    fw::uitest::Tick();
    DetectMouseHold(&pane, nullptr, 100);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, &pane, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
    EXPECT_EQ(msg.wParam, WPARAM(MK_LBUTTON));
    EXPECT_EQ(GET_X_LPARAM(msg.lParam), 30);
    EXPECT_EQ(GET_Y_LPARAM(msg.lParam), 40);
    // Released in time: nothing.
    fw::uitest::Release(&pane, 30, 40);
    DetectMouseHold(&pane, nullptr, 100);
    EXPECT_FALSE(PeekMessage(&msg, &pane, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
}
