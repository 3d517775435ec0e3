// Floating tool windows and the scrolling views inside them.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "UiBaseFixture.h"
#include "framework/App.h"
#include "framework/CodePage.h"
#include "framework/Input.h"
#include "platform/FloatWnd.h"
#include "platform/Numeric.h"
#include "platform/StdView.h"

namespace {

class ProbeBar : public CFloatWnd {
public:
    std::vector<UINT> keys;
    std::vector<UINT> notes;
    bool KeyDown(UINT key, UINT, UINT) override {
        keys.push_back(key);
        return true;
    }
    void OnNotify(UINT code) override { notes.push_back(code); }
};

class ProbeView : public CStdView {
public:
    std::vector<POINT> presses;
    std::vector<bool> typingAtPress;  // whether a numeric entry was still under way
    void OnMouseDown(int x, int y, UINT) override {
        presses.push_back(POINT{x, y});
        typingAtPress.push_back(g_ui.currentNumeric != nullptr);
    }
};

class ToolWindowTest : public UiBaseTest {
protected:
    void SetUp() override {
        UiBaseTest::SetUp();
        ASSERT_TRUE(frame.Create("Main"));
        frame.ShowWindow(SW_SHOW);
        app.m_pMainWnd = &frame;
        frame.EnableDocking(CBRS_ALIGN_ANY);
        fw::uitest::RunUntilIdle();
    }
    void TearDown() override {
        bar.reset();
        app.m_pMainWnd = nullptr;
        frame.DestroyWindow();
        UiBaseTest::TearDown();
    }
    ProbeBar& MakeBar(bool dockable, RECT rect = RECT{100, 100, 300, 260}) {
        bar = std::make_unique<ProbeBar>();
        EXPECT_TRUE(bar->SetupDocking(10028, 0, rect, dockable));
        fw::uitest::RunUntilIdle();
        return *bar;
    }

    CWinApp app{"test"};
    CFrameWnd frame;
    std::unique_ptr<ProbeBar> bar;
};

}  // namespace

TEST_F(ToolWindowTest, AWindowThatMayNotDockFloats) {
    ProbeBar& b = MakeBar(false);
    EXPECT_TRUE(b.IsFloating());
    EXPECT_EQ(b.GetDockingAlign(), 0u);
    frame.DockControlBar(&b);
    EXPECT_TRUE(b.IsFloating());
    EXPECT_TRUE(b.GetBarStyle() & CBRS_TOOLTIPS);
    EXPECT_EQ(fw::ToUtf8(b.GetWindowText()), "提示");
    b.HideBar();
    EXPECT_FALSE(b.IsVisible());
    b.ShowBar();
    EXPECT_TRUE(b.IsVisible());

    ProbeBar& d = MakeBar(true);
    EXPECT_EQ(d.GetDockingAlign(), DWORD(CBRS_ALIGN_TOP));
    EXPECT_TRUE(d.IsFloating());
}

TEST_F(ToolWindowTest, FloatingWindowsAreNeverSmallerThanTheMinimum) {
    ProbeBar& b = MakeBar(false, RECT{100, 100, 160, 140});
    RECT r;
    b.GetClientRect(&r);
    EXPECT_GE(r.right, 100);
    EXPECT_GE(r.bottom, 100);
    MINMAXINFO mmi{};
    b.SendMessage(WM_GETMINMAXINFO, 0, LPARAM(&mmi));
    EXPECT_EQ(mmi.ptMinTrackSize.x, 100);
    EXPECT_EQ(mmi.ptMinTrackSize.y, 100);
    EXPECT_GT(mmi.ptMaxTrackSize.x, 100);
}

TEST_F(ToolWindowTest, NavigationKeysBecomeProgramKeyCodes) {
    ProbeBar& b = MakeBar(false);
    for (int vk : {VK_HOME, VK_END, VK_PRIOR, VK_NEXT, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_DELETE})
        b.SendMessage(WM_KEYDOWN, WPARAM(vk), 1);
    EXPECT_EQ(b.keys, (std::vector<UINT>{1, 4, 11, 12, 28, 30, 29, 31, 8}));

    // While a numeric field takes typed keys, they go to it.
    b.keys.clear();
    CNumeric field;
    field.Init(5, 0, 10, RECT{}, nullptr);
    g_ui.currentNumeric = &field;
    b.SendMessage(WM_KEYDOWN, VK_UP, 1);
    EXPECT_EQ(field.value, 6);
    EXPECT_TRUE(b.keys.empty());
    g_ui.currentNumeric = nullptr;

    b.SendMessage(WM_COMMAND, 21200, 0);
    EXPECT_EQ(b.notes, std::vector<UINT>{21200});
}

TEST_F(ToolWindowTest, AViewFollowsItsWindowUnlessItsSizeIsFixed) {
    ProbeBar& b = MakeBar(false);
    RECT client;
    b.GetClientRect(&client);
    ProbeView follows, fixed;
    ASSERT_TRUE(follows.CreateView(&b, 0, 18, 0, 0));
    ASSERT_TRUE(fixed.CreateView(&b, 0, 18, 100, 50));
    RECT r;
    follows.GetWindowRect(&r);
    EXPECT_EQ(r.right - r.left, client.right);
    EXPECT_EQ(r.bottom - r.top, client.bottom - 18);
    EXPECT_TRUE(follows.GetExStyle() & WS_EX_CLIENTEDGE);
    b.MoveWindow(0, 0, 400, 300);
    follows.FitToParent();
    fixed.FitToParent();
    follows.GetWindowRect(&r);
    EXPECT_EQ(r.right - r.left, 400);
    EXPECT_EQ(r.bottom - r.top, 300 - 18);
    fixed.GetWindowRect(&r);
    EXPECT_EQ(r.right - r.left, 100);
    EXPECT_EQ(r.bottom - r.top, 50);
}

TEST_F(ToolWindowTest, ViewKeysGoToTheToolWindow) {
    ProbeBar& b = MakeBar(false);
    ProbeView view;
    ASSERT_TRUE(view.CreateView(&b, 0, 0, 0, 0));
    fw::uitest::RunUntilIdle();
    fw::uitest::Key(&view, VK_DELETE);
    fw::uitest::Key(&view, VK_LEFT);
    fw::uitest::Type(&view, "a");
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(b.keys, (std::vector<UINT>{8, 28, 'a'}));
}

TEST_F(ToolWindowTest, ViewPressesArriveInContentCoordinatesAfterNumericEntryEnds) {
    ProbeBar& b = MakeBar(false);
    ProbeView view;
    ASSERT_TRUE(view.CreateView(&b, 0, 0, 150, 100));
    view.SetScrollRect(RECT{0, 0, 150, 1000});
    view.ScrollToPosition(POINT{0, 40});
    fw::uitest::RunUntilIdle();
    CNumeric typing;
    typing.Init(3, 0, 10, RECT{}, nullptr);
    typing.active = 1;
    g_ui.currentNumeric = &typing;
    fw::uitest::Click(&view, 10, 10);
    fw::uitest::RunUntilIdle();
    ASSERT_EQ(view.presses.size(), 1u);
    EXPECT_EQ(view.presses[0].x, 10);
    EXPECT_EQ(view.presses[0].y, 50);
    EXPECT_FALSE(view.typingAtPress[0]);
    EXPECT_EQ(typing.active, 0);
    EXPECT_EQ(g_ui.clickCount, 1);

    // Page Down and Home scroll the view itself.
    fw::uitest::Key(&view, VK_NEXT);
    fw::uitest::RunUntilIdle();
    POINT pos;
    view.GetScrollPosition(&pos);
    EXPECT_GT(pos.y, 40);
    fw::uitest::Key(&view, VK_HOME);
    fw::uitest::RunUntilIdle();
    view.GetScrollPosition(&pos);
    EXPECT_EQ(pos.y, 0);
    EXPECT_TRUE(b.keys.empty());
}
