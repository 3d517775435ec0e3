// The multiple-document area: a press or the focus activates the child frame it reaches (the
// frame left is told first, and before the press is handled), the next frame comes active when
// the active one goes, maximised frames follow their area, and the main frame's commands reach
// the active frame's view first.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Mdi.h"
#include "framework/UiTest.h"
#include "framework/View.h"
#include "framework/Window.h"

namespace {

namespace ui = fw::uitest;

std::vector<std::string> g_log;

// A frame that writes down its activations.
class Child : public CMDIChildWnd {
public:
    explicit Child(std::string n) : name(std::move(n)) {}
    std::string name;

protected:
    void OnMDIActivate(BOOL activate, CWnd* activated, CWnd* deactivated) override {
        g_log.push_back(name + (activate ? " on" : " off"));
        CMDIChildWnd::OnMDIActivate(activate, activated, deactivated);
        (void)deactivated;
    }
};

// A view inside a frame that writes down presses, activation and one command.
class Inner : public CView {
public:
    explicit Inner(std::string n) : name(std::move(n)) {
        AddCommand(kCommand, [this] { g_log.push_back(name + " command"); });
    }
    static constexpr UINT kCommand = 40001;
    std::string name;
    void OnActivateView(BOOL activate, CView* a, CView* d) override {
        g_log.push_back(name + " view " + (activate ? "on" : "off"));
        CView::OnActivateView(activate, a, d);
    }

protected:
    void OnLButtonDown(UINT, POINT) override { g_log.push_back(name + " press"); }
};

class MdiTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        session = std::make_unique<ui::Session>();
        ASSERT_TRUE(frame.Create(nullptr, "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 640, 480}, nullptr, 0));
        ASSERT_TRUE(area.Create(nullptr, "", WS_CHILD | WS_VISIBLE, RECT{0, 0, 600, 440}, &frame, 0xE900));
        for (int i = 0; i < 3; ++i) {
            const std::string name(1, char('A' + i));
            children.push_back(std::make_unique<Child>(name));
            views.push_back(std::make_unique<Inner>(name));
            Child& c = *children.back();
            // Side by side, so that a press reaches the frame it is meant for.
            ASSERT_TRUE(c.CreateFrame(&area, RECT{200 * i, 20, 200 * i + 190, 220}, name.c_str()));
            ASSERT_TRUE(views.back()->Create(nullptr, "", WS_CHILD | WS_VISIBLE, RECT{0, 0, 190, 200}, &c, 1));
            c.SetActiveView(views.back().get());
        }
        ui::RunUntilIdle();
        g_log.clear();
    }
    void TearDown() override {
        children.clear();
        views.clear();
        area.DestroyWindow();
        frame.DestroyWindow();
        session.reset();
    }

    std::unique_ptr<ui::Session> session;
    CFrameWnd frame;
    CWnd area;
    std::vector<std::unique_ptr<Child>> children;
    std::vector<std::unique_ptr<Inner>> views;
};

TEST_F(MdiTest, APressActivatesItsFrameBeforeThePressIsHandled) {
    children[0]->MDIActivate();
    EXPECT_EQ(g_log, (std::vector<std::string>{"A on", "A view on"}));
    EXPECT_EQ(CMDIChildWnd::MDIGetActive(&area), children[0].get());
    g_log.clear();
    ui::Press(views[1].get(), 10, 10);
    ui::Release(views[1].get(), 10, 10);
    ui::RunUntilIdle();
    EXPECT_EQ(g_log, (std::vector<std::string>{"A off", "A view off", "B on", "B view on", "B press"}));
    EXPECT_TRUE(children[1]->IsActive());
    EXPECT_FALSE(children[0]->IsActive());
    g_log.clear();
    ui::Click(views[1].get(), 12, 12);
    ui::RunUntilIdle();
    EXPECT_EQ(g_log, (std::vector<std::string>{"B press"})) << "a press in the active frame activates nothing";
}

TEST_F(MdiTest, TheFocusActivatesItsFrame) {
    children[0]->MDIActivate();
    g_log.clear();
    views[2]->SetFocus();
    ui::RunUntilIdle();
    EXPECT_TRUE(children[2]->IsActive());
    ASSERT_GE(g_log.size(), 2u);
    EXPECT_EQ(g_log[0], "A off");
    EXPECT_EQ(g_log[2], "C on");
}

TEST_F(MdiTest, WhenTheActiveFrameGoesTheNextComesActive) {
    children[1]->MDIActivate();
    g_log.clear();
    children[1]->DestroyWindow();
    EXPECT_EQ(g_log.front(), "B off");
    ASSERT_NE(CMDIChildWnd::MDIGetActive(&area), nullptr);
    EXPECT_EQ(CMDIChildWnd::MDIGetActive(&area), children[0].get()) << "the first frame left in the area";
    // Frames that go while inactive change nothing; the last one leaves no active frame.
    children[2]->DestroyWindow();
    EXPECT_EQ(CMDIChildWnd::MDIGetActive(&area), children[0].get());
    children[0].reset();
    EXPECT_EQ(CMDIChildWnd::MDIGetActive(&area), nullptr);
}

TEST_F(MdiTest, AMaximisedFrameFollowsItsAreaAndRestoresItsNormalRectangle) {
    Child& c = *children[1];
    c.MDIMaximize();
    RECT r;
    c.GetWindowRect(&r);
    area.ScreenToClient(&r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 600);
    EXPECT_EQ(r.bottom, 440);
    area.MoveWindow(0, 0, 500, 300);
    ui::RunUntilIdle();
    c.GetWindowRect(&r);
    area.ScreenToClient(&r);
    EXPECT_EQ(r.right, 500);
    EXPECT_EQ(r.bottom, 300);
    const RECT normal = c.GetNormalRect();
    EXPECT_EQ(normal.left, 200);
    EXPECT_EQ(normal.right, 390);
    c.MDIRestore();
    c.GetWindowRect(&r);
    area.ScreenToClient(&r);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.bottom, 220);
    EXPECT_FALSE(c.IsMaximized());
}

TEST_F(MdiTest, TheMainFramesCommandsReachTheActiveFramesViewFirst) {
    EXPECT_FALSE(frame.OnCmdMsg(Inner::kCommand, 0)) << "no active frame";
    children[2]->MDIActivate();
    g_log.clear();
    EXPECT_TRUE(frame.OnCmdMsg(Inner::kCommand, 0));
    EXPECT_EQ(g_log, (std::vector<std::string>{"C command"}));
}

}  // namespace
