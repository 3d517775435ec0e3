// Resizable docking bars: rows shared out among the bars of a dock bar, edge drags with the
// mouse, the floating size limits, the sizes kept in the settings store, and the close button of
// the gripper bar.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "ChromeFixture.h"
#include "framework/App.h"
#include "framework/UiTest.h"
#include "platform/RvqUtil.h"
#include "platform/SizingBar.h"
#include "support/TempHome.h"

namespace {

// A bar of the tests: a sizing bar of a length and minimum length, or a fixed bar of a width.
struct BarShape {
    bool sizing;
    int length;
    int minLength;
};
BarShape Sizing(int length, int minLength = 33) { return BarShape{true, length, minLength}; }
BarShape Fixed(int width) { return BarShape{false, width, 0}; }

// A length: the frame's client width plus w, or (absolute) a number.
struct Len {
    bool fromWidth;
    int value;
};
Len W(int plus) { return Len{true, plus}; }
Len Abs(int value) { return Len{false, value}; }

class DockBarTest : public ChromeTest {
protected:
    void SetUp() override {
        ChromeTest::SetUp();
        ASSERT_TRUE(frame.Create("Dock site"));
        frame.MoveWindow(20, 20, 820, 600, TRUE);
        frame.ShowWindow(SW_SHOW);
        frame.EnableDocking(CBRS_ALIGN_ANY);
        app.m_pMainWnd = &frame;
        fw::uitest::RunUntilIdle();
        RECT r;
        frame.GetClientRect(&r);
        width = r.right - r.left;
    }
    void TearDown() override {
        bars.clear();
        app.m_pMainWnd = nullptr;
        frame.DestroyWindow();
        ChromeTest::TearDown();
    }
    CControlBar* Add(const BarShape& shape, UINT dockBar = AFX_IDW_DOCKBAR_TOP, int row = 0) {
        const UINT id = 100 + UINT(bars.size());
        if (shape.sizing) {
            auto bar = std::make_unique<CSizingControlBarG>();
            EXPECT_TRUE(bar->Create("bar", &frame, SIZE{shape.length, 60}, FALSE, id, CBRS_TOP));
            bar->minHorz.cx = shape.minLength;
            bar->minVert.cy = shape.minLength;
            bars.push_back(std::move(bar));
        } else {
            auto bar = std::make_unique<CControlBar>();
            EXPECT_TRUE(bar->Create("fixed", &frame, id, CBRS_TOP, SIZE{shape.length, 24}));
            bars.push_back(std::move(bar));
        }
        bars.back()->EnableDocking(CBRS_ALIGN_ANY);
        frame.DockControlBarAt(bars.back().get(), dockBar, row);
        return bars.back().get();
    }
    CSizingControlBarG* S(std::size_t i) { return dynamic_cast<CSizingControlBarG*>(bars[i].get()); }
    // The bar's window rectangle in the frame's client coordinates.
    RECT Place(CWnd* bar) {
        RECT r;
        bar->GetWindowRect(&r);
        frame.ScreenToClient(&r);
        return r;
    }
    // The rows of a dock bar as indexes into `bars`.
    std::vector<std::vector<int>> Rows(UINT dockBar = AFX_IDW_DOCKBAR_TOP) {
        std::vector<std::vector<int>> rows;
        for (CControlBar* bar : *frame.GetDockBarList(dockBar)) {
            if (!bar) {
                if (rows.empty() || !rows.back().empty()) rows.emplace_back();
                continue;
            }
            for (std::size_t i = 0; i < bars.size(); ++i)
                if (bars[i].get() == bar) rows.back().push_back(int(i));
        }
        if (!rows.empty() && rows.back().empty()) rows.pop_back();
        return rows;
    }
    void Layout() {
        frame.RecalcLayout();
        fw::uitest::RunUntilIdle();
    }

    CWinApp app{"dock"};
    CFrameWnd frame;
    std::vector<std::unique_ptr<CControlBar>> bars;
    int width = 0;
};

TEST_F(DockBarTest, RowsShareTheirLengthAmongTheirSizingBars) {
    struct Case {
        const char* what;
        std::vector<BarShape> bars;
        std::vector<std::vector<int>> rows;
        std::vector<Len> lengths;  // of the sizing bars in order; a fixed bar's entry is skipped
    };
    // A row of length L is shared as L + 2 (the dock bar's length) among bar lengths less 2
    // each, the bars overlapping by 2 pixels from x = -2: one bar alone is L + 4 long.
    const std::vector<Case> cases = {
        {"one bar takes the whole length", {Sizing(200)}, {{0}}, {W(4)}},
        {"an earlier fixed bar longer than the row splits it before the sizing bar",
         {Fixed(2000), Sizing(200)}, {{0}, {1}}, {Abs(0), W(4)}},
        {"a sizing bar that itself overflows is cut to its minimum",
         {Fixed(300), Sizing(200, 700)}, {{0, 1}}, {Abs(0), Abs(700)}},
        {"a later bar that overflows starts a row of its own",
         {Sizing(200, 300), Sizing(200, 700)}, {{0}, {1}}, {W(4), W(4)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const BarShape& shape : c.bars) Add(shape);
        Layout();
        EXPECT_EQ(Rows(), c.rows);
        for (std::size_t i = 0; i < c.bars.size(); ++i) {
            if (!c.bars[i].sizing) continue;
            const int want = c.lengths[i].fromWidth ? width + c.lengths[i].value : c.lengths[i].value;
            EXPECT_EQ(S(i)->sizeHorz.cx, want) << "bar " << i;
            EXPECT_EQ(Place(S(i)).right - Place(S(i)).left, want) << "bar " << i;
        }
        bars.clear();
    }
}

TEST_F(DockBarTest, ThreeBarsShareTheRowPixelByPixelAndLieEdgeToEdge) {
    for (int i = 0; i < 3; ++i) Add(Sizing(200));
    Layout();
    // 594 of the row's width + 2 are taken; the rest goes one pixel at a time, first bar first.
    const int delta = width + 2 - 3 * 198;
    int left = -2;
    for (int i = 0; i < 3; ++i) {
        const int want = 200 + delta / 3 + (i < delta % 3 ? 1 : 0);
        EXPECT_EQ(S(std::size_t(i))->sizeHorz.cx, want);
        EXPECT_EQ(Place(S(std::size_t(i))).left, left);
        left += want - 2;
    }
    EXPECT_EQ(Place(S(2)).right, width + 2);
    // Hiding one gives its length to the others; showing it again takes it back.
    frame.ShowControlBar(S(1), FALSE);
    Layout();
    EXPECT_EQ(Place(S(2)).right, width + 2);
    EXPECT_EQ(S(0)->sizeHorz.cx + S(2)->sizeHorz.cx, width + 6);
}

TEST_F(DockBarTest, VerticalRowsShareTheDockBarsHeight) {
    CControlBar* a = Add(Sizing(200), AFX_IDW_DOCKBAR_LEFT);
    CControlBar* b = Add(Sizing(200), AFX_IDW_DOCKBAR_LEFT);
    Layout();
    RECT client;
    frame.GetClientRect(&client);
    EXPECT_EQ(Rows(AFX_IDW_DOCKBAR_LEFT), (std::vector<std::vector<int>>{{0, 1}}));
    EXPECT_EQ(Place(a).top, 0);
    EXPECT_EQ(Place(b).top, Place(a).bottom - 2);
    EXPECT_EQ(S(0)->sizeVert.cy + S(1)->sizeVert.cy, client.bottom + 2);
    EXPECT_EQ(Place(b).bottom, client.bottom);
}

TEST_F(DockBarTest, FloatingSizeIsClampedAndTheLowerLimitWins) {
    CSizingControlBar bar;
    struct Case {
        RECT range;
        int length;
        DWORD mode;
        SIZE want;
    };
    const Case cases[] = {
        {{100, 80, 300, 250}, 50, 0, {100, 200}},              // raised to the range
        {{100, 80, 300, 250}, 400, 0, {300, 200}},             // lowered to the range
        {{300, 80, 200, 250}, 250, 0, {300, 200}},             // left above right: left wins
        {{100, 80, 300, 250}, 20, LM_LENGTHY, {200, 80}},      // height, raised past the minimum
        {{0, 0, 32767, 32767}, 10, LM_LENGTHY, {200, 32}},     // the floating minimum
        {{100, 80, 300, 250}, 999, LM_MRUWIDTH, {200, 200}},   // asked only
    };
    for (const Case& c : cases) {
        bar.sizeFloat = SIZE{200, 200};
        bar.floatRange = c.range;
        const SIZE got = bar.CalcDynamicLayout(c.length, c.mode);
        EXPECT_EQ(got.cx, c.want.cx) << c.length;
        EXPECT_EQ(got.cy, c.want.cy) << c.length;
    }
}

TEST_F(DockBarTest, EdgeRectanglesFollowTheEdgeAndTheStyle) {
    CSizingControlBar bar;
    const RECT window{100, 100, 300, 200};
    struct Case {
        UINT dock;
        DWORD style;
        int code;
        bool exists;
        RECT want;
    };
    using B = CSizingControlBar;
    const Case cases[] = {
        {AFX_IDW_DOCKBAR_TOP, B::kEdgeLeft | B::kEdgeRight, HTLEFT, true, {100, 105, 105, 195}},
        {AFX_IDW_DOCKBAR_TOP, B::kEdgeLeft | B::kEdgeRight, HTRIGHT, true, {295, 105, 300, 195}},
        {AFX_IDW_DOCKBAR_TOP, B::kEdgeLeft | B::kEdgeRight, HTTOP, false, {}},
        {AFX_IDW_DOCKBAR_TOP, B::kEdgeBottom, HTBOTTOM, true, {100, 195, 300, 200}},
        {AFX_IDW_DOCKBAR_TOP, B::kEdgeLeft | B::kShowEdges, HTLEFT, true, {101, 106, 106, 194}},
        {AFX_IDW_DOCKBAR_LEFT, B::kEdgeTop | B::kEdgeBottom, HTTOP, true, {105, 100, 295, 105}},
        {AFX_IDW_DOCKBAR_LEFT, B::kEdgeTop | B::kEdgeBottom, HTBOTTOM, true, {105, 195, 295, 200}},
        {AFX_IDW_DOCKBAR_LEFT, B::kEdgeRight, HTRIGHT, true, {295, 100, 300, 200}},
        {AFX_IDW_DOCKBAR_LEFT, B::kEdgeTop | B::kShowEdges, HTTOP, true, {106, 101, 294, 106}},
        {AFX_IDW_DOCKBAR_FLOAT, B::kEdgeBottom, HTBOTTOM, true, {100, 195, 300, 200}},
        {AFX_IDW_DOCKBAR_TOP, B::kEdgeLeft, HTCLIENT, false, {}},
    };
    for (const Case& c : cases) {
        bar.dockBarId = c.dock;
        bar.edgeStyle = c.style;
        RECT got{};
        ASSERT_EQ(bar.EdgeRect(window, c.code, &got), c.exists) << c.dock << " " << c.code;
        if (!c.exists) continue;
        EXPECT_EQ(got.left, c.want.left);
        EXPECT_EQ(got.top, c.want.top);
        EXPECT_EQ(got.right, c.want.right);
        EXPECT_EQ(got.bottom, c.want.bottom);
    }
    EXPECT_EQ(CSizingControlBar::EdgeHitCode(0), HTLEFT);
    EXPECT_EQ(CSizingControlBar::EdgeHitCode(1), HTTOP);
    EXPECT_EQ(CSizingControlBar::EdgeHitCode(2), HTRIGHT);
    EXPECT_EQ(CSizingControlBar::EdgeHitCode(3), HTBOTTOM);
    EXPECT_EQ(CSizingControlBar::EdgeHitCode(4), 0);
}

// Edge drags, with the bars following live and with only a tracking line.
class EdgeDragTest : public DockBarTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        DockBarTest::SetUp();
        fw::screentest::SetDragFullWindows(GetParam());
        for (int i = 0; i < 3; ++i) Add(Sizing(200));
        Layout();
        for (int i = 0; i < 3; ++i) before[i] = S(std::size_t(i))->sizeHorz.cx;
    }
    // Drags with the left button from a point of bar i (its client coordinates) to another.
    // The points are taken on the screen where they are at the start: with full-window
    // dragging the bar moves under the pointer.
    void DragBar(std::size_t i, POINT from, POINT to) {
        CWnd* bar = S(i);
        POINT a = from, b = to, mid{(from.x + to.x) / 2, (from.y + to.y) / 2};
        bar->ClientToScreen(&a);
        bar->ClientToScreen(&b);
        bar->ClientToScreen(&mid);
        auto step = [bar](POINT screen, auto action) {
            bar->ScreenToClient(&screen);
            action(bar, int(screen.x), int(screen.y));
            fw::uitest::RunUntilIdle();
        };
        step(a, [](CWnd* w, int x, int y) { fw::uitest::Press(w, x, y); });
        step(mid, [](CWnd* w, int x, int y) { fw::uitest::Move(w, x, y); });
        step(b, [](CWnd* w, int x, int y) { fw::uitest::Move(w, x, y); });
        step(b, [](CWnd* w, int x, int y) { fw::uitest::Release(w, x, y); });
    }
    int before[3]{};
};

TEST_P(EdgeDragTest, DraggingAnEdgeAlongTheRowMovesLengthBetweenNeighbours) {
    EXPECT_EQ(S(1)->edgeStyle & (CSizingControlBar::kEdgeLeft | CSizingControlBar::kEdgeRight),
              DWORD(CSizingControlBar::kEdgeLeft | CSizingControlBar::kEdgeRight));
    // Bar 1's left edge 30 pixels to the right: bar 0 grows, bar 1 shrinks.
    DragBar(1, POINT{2, 30}, POINT{32, 30});
    EXPECT_EQ(S(0)->sizeHorz.cx, before[0] + 30);
    EXPECT_EQ(S(1)->sizeHorz.cx, before[1] - 30);
    EXPECT_EQ(S(2)->sizeHorz.cx, before[2]);
    EXPECT_FALSE(S(1)->tracking);
    EXPECT_EQ(Place(S(1)).left, Place(S(0)).right - 2);
    // Bar 1's right edge far to the left: bar 2 grows; bar 1 and then bar 0 give the length up,
    // each down to its minimum, and no further.
    const int w1 = S(1)->sizeHorz.cx;
    DragBar(1, POINT{w1 - 2, 30}, POINT{w1 - 2 - 2000, 30});
    EXPECT_EQ(S(0)->sizeHorz.cx, 33);
    EXPECT_EQ(S(1)->sizeHorz.cx, 33);
    EXPECT_EQ(S(0)->sizeHorz.cx + S(1)->sizeHorz.cx + S(2)->sizeHorz.cx, before[0] + before[1] + before[2]);
    EXPECT_EQ(Place(S(2)).right, width + 2);
}

TEST_P(EdgeDragTest, DraggingTheEdgeTowardTheDocumentSetsTheRowsWidth) {
    // Docked at the top, each bar's bottom edge sizes the whole row.
    const int h = Place(S(0)).bottom - Place(S(0)).top;
    DragBar(0, POINT{50, h - 2}, POINT{50, h + 38});
    for (int i = 0; i < 3; ++i) EXPECT_EQ(S(std::size_t(i))->sizeHorz.cy, 100);
    EXPECT_EQ(Place(S(2)).bottom - Place(S(2)).top, 100);
    // Upward past every minimum: the row's largest width minimum.
    S(2)->minHorz.cy = 45;
    DragBar(0, POINT{50, 98}, POINT{50, -400});
    for (int i = 0; i < 3; ++i) EXPECT_EQ(S(std::size_t(i))->sizeHorz.cy, 45);
}

TEST_P(EdgeDragTest, ADragThatDoesNotMoveChangesNothing) {
    fw::uitest::Press(S(1), 2, 30);
    fw::uitest::RunUntilIdle();
    const bool line = S(1)->trackLineShown;
    EXPECT_EQ(line, !GetParam());  // only without full-window dragging is a line drawn
    fw::uitest::Move(S(1), 2, 30);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(S(1)->trackLineShown, line);
    fw::uitest::Release(S(1), 2, 30);
    fw::uitest::RunUntilIdle();
    EXPECT_FALSE(S(1)->trackLineShown);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(S(std::size_t(i))->sizeHorz.cx, before[i]);
}

INSTANTIATE_TEST_SUITE_P(FullWindowDrag, EdgeDragTest, ::testing::Bool());

TEST_F(DockBarTest, AFloatingBarAnswersClientEverywhere) {
    CSizingControlBarG* bar = static_cast<CSizingControlBarG*>(Add(Sizing(200)));
    CSizingControlBarG* other = static_cast<CSizingControlBarG*>(Add(Sizing(200)));
    Layout();
    RECT r;
    bar->GetWindowRect(&r);
    EXPECT_EQ(bar->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(r.left + 50, r.bottom - 2)), LRESULT(HTBOTTOM));
    frame.FloatControlBar(bar, POINT{300, 300});
    fw::uitest::RunUntilIdle();
    EXPECT_TRUE(bar->IsFloatingBar());
    bar->GetWindowRect(&r);
    for (const POINT p : {POINT{r.left + 1, r.top + 20}, POINT{r.right - 1, r.top + 20}, POINT{r.left + 20, r.bottom - 1},
                          POINT{r.left + 2, r.top + 2}})
        EXPECT_EQ(bar->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), LRESULT(HTCLIENT));
    // The bar left behind has the row to itself.
    EXPECT_EQ(other->sizeHorz.cx, width + 4);
}

TEST_F(DockBarTest, SizesRoundTripThroughTheSettingsStore) {
    testsupport::TempHome home;
    auto* bar = static_cast<CSizingControlBarG*>(Add(Sizing(200)));
    ASSERT_TRUE(bar);
    bar->sizeHorz = SIZE{300, 70};
    bar->sizeVert = SIZE{90, 400};
    bar->sizeFloat = SIZE{250, 180};
    bar->SaveState("Bars");
    const std::string section = "Bars-SCBar-" + std::to_string(bar->GetDlgCtrlID());
    EXPECT_EQ(LoadRegDword(section.c_str(), "sizeVertCY", 0), DWORD(400));
    bar->sizeHorz = bar->sizeVert = bar->sizeFloat = SIZE{50, 50};
    bar->LoadState("Bars");
    EXPECT_EQ(bar->sizeHorz.cx, 300);
    EXPECT_EQ(bar->sizeHorz.cy, 70);
    EXPECT_EQ(bar->sizeVert.cx, 90);
    EXPECT_EQ(bar->sizeVert.cy, 400);
    EXPECT_EQ(bar->sizeFloat.cx, 250);
    EXPECT_EQ(bar->sizeFloat.cy, 180);
    // A value below its minimum loads as the minimum; a missing one keeps the current size.
    SaveRegDword(section.c_str(), "sizeFloatCX", 5);
    SaveRegDword(section.c_str(), "sizeHorzCY", DWORD(-40));
    bar->LoadState("Bars");
    EXPECT_EQ(bar->sizeFloat.cx, 37);
    EXPECT_EQ(bar->sizeHorz.cy, 32);
    bar->sizeVert = SIZE{77, 88};
    bar->LoadState("Other");
    EXPECT_EQ(bar->sizeVert.cx, 77);
    EXPECT_EQ(bar->sizeVert.cy, 88);
}

TEST_F(DockBarTest, TheCloseButtonShowsPressedAndHidesTheBarOnReleaseOverIt) {
    CSizingControlBarG* bar = static_cast<CSizingControlBarG*>(Add(Sizing(200)));
    Layout();
    ASSERT_TRUE(bar->ShowsGripper());
    const RECT button = bar->closeButton.ButtonRect();
    // Docked at the top: the button sits at the top of the left strip.
    EXPECT_EQ(button.left, bar->GetClientArea().left - 13);
    EXPECT_EQ(button.top, bar->GetClientArea().top);
    const POINT mid{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    RECT w;
    bar->GetWindowRect(&w);
    EXPECT_EQ(bar->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(w.left + mid.x, w.top + mid.y)), LRESULT(HTCLOSE));

    // Released elsewhere: nothing hides.
    fw::uitest::Press(bar, mid.x, mid.y);
    fw::uitest::RunUntilIdle();
    app.OnIdle(0);
    EXPECT_TRUE(bar->closeButton.pushed);
    fw::uitest::Move(bar, mid.x + 60, mid.y + 20);
    fw::uitest::Release(bar, mid.x + 60, mid.y + 20);
    fw::uitest::RunUntilIdle();
    app.OnIdle(0);
    EXPECT_FALSE(bar->closeButton.pushed);
    EXPECT_TRUE(bar->IsVisible());

    // Over the button: raised while only hovered, then hidden on release.
    fw::uitest::Move(bar, mid.x, mid.y);
    fw::uitest::RunUntilIdle();
    app.OnIdle(0);
    EXPECT_TRUE(bar->closeButton.raised);
    EXPECT_FALSE(bar->closeButton.pushed);
    fw::uitest::Press(bar, mid.x, mid.y);
    fw::uitest::Release(bar, mid.x, mid.y);
    fw::uitest::RunUntilIdle();
    EXPECT_FALSE(bar->IsVisible());
}

TEST_F(DockBarTest, CloseMessagesLeaveTheBarAlone) {
    CSizingControlBarG* bar = static_cast<CSizingControlBarG*>(Add(Sizing(200)));
    CSizingControlBar plain;
    ASSERT_TRUE(plain.Create("plain", &frame, SIZE{120, 50}, FALSE, 300, CBRS_TOP));
    plain.EnableDocking(CBRS_ALIGN_ANY);
    frame.DockControlBar(&plain);
    Layout();
    bar->SendMessage(WM_CLOSE);
    plain.SendMessage(WM_CLOSE);
    fw::uitest::RunUntilIdle();
    EXPECT_TRUE(bar->IsVisible());
    EXPECT_TRUE(plain.IsVisible());
    EXPECT_TRUE(plain.IsWindow());
}

TEST_F(DockBarTest, AFloatingBarHasNoGripperAndNoCloseButton) {
    CSizingControlBarG* bar = static_cast<CSizingControlBarG*>(Add(Sizing(200)));
    Layout();
    frame.FloatControlBar(bar, POINT{200, 200});
    fw::uitest::RunUntilIdle();
    EXPECT_FALSE(bar->ShowsGripper());
    const RECT client = bar->GetClientArea();
    RECT all;
    bar->GetClientRect(&all);
    // Floating: 3 pixels of frame at the sides and bottom, 5 at the top, nothing for a gripper.
    EXPECT_EQ(client.left, 3);
    EXPECT_EQ(client.top, 5);
    EXPECT_EQ(client.right, all.right - 3);
    EXPECT_EQ(client.bottom, all.bottom - 3);
}

// Dragging a bar by its inside: out to float where the pointer takes it, back to a dock bar
// whose edge its rectangle meets, to another place in its row, or into a new row above or
// below; a press and release at one point changes nothing.
TEST_F(DockBarTest, DraggedBarsFloatDockAtTheEdgeTheyMeetAndTakeTheRowUnderThePointer) {
    CSizingControlBarG* a = static_cast<CSizingControlBarG*>(Add(Sizing(200)));
    CSizingControlBarG* b = static_cast<CSizingControlBarG*>(Add(Sizing(200)));
    Layout();
    ASSERT_EQ(Rows(), (std::vector<std::vector<int>>{{0, 1}}));
    const auto drag = [this](CWnd* bar, int dx, int dy) {
        RECT r;
        bar->GetClientRect(&r);
        const int x = r.right / 2, y = r.bottom / 2;
        fw::uitest::Press(bar, x, y);
        fw::uitest::Move(bar, x + dx / 2, y + dy / 2);
        fw::uitest::Move(bar, x + dx, y + dy);
        fw::uitest::Release(bar, x + dx, y + dy);
        fw::uitest::RunUntilIdle();
        Layout();
    };
    const auto screen = [](CWnd* bar) {
        RECT r;
        bar->GetWindowRect(&r);
        return r;
    };

    // A click changes nothing.
    drag(a, 0, 0);
    EXPECT_EQ(Rows(), (std::vector<std::vector<int>>{{0, 1}}));
    EXPECT_FALSE(a->IsDragging());

    // Within its row past the other bar's middle: after it.
    const RECT ra = screen(a), rb = screen(b);
    drag(a, (rb.left + rb.right) / 2 + 20 - (ra.left + ra.right) / 2, 0);
    EXPECT_EQ(Rows(), (std::vector<std::vector<int>>{{1, 0}}));

    // Down below the row, the rectangle still meeting the top dock bar: a new row under it.
    const int rowHeight = ra.bottom - ra.top;
    drag(a, 0, rowHeight * 3 / 4);
    EXPECT_EQ(Rows(), (std::vector<std::vector<int>>{{1}, {0}}));
    // Above every row: a new first row.
    drag(a, 0, -(screen(a).top - screen(b).top) - rowHeight * 3 / 4);
    EXPECT_EQ(Rows(), (std::vector<std::vector<int>>{{0}, {1}}));

    // Back into the other bar's row, past its middle: the two share the row again.
    {
        const RECT ra2 = screen(a), rb3 = screen(b);
        drag(a, (rb3.left + rb3.right) / 2 + 20 - (ra2.left + ra2.right) / 2,
             (rb3.top + rb3.bottom) / 2 - (ra2.top + ra2.bottom) / 2);
        EXPECT_EQ(Rows(), (std::vector<std::vector<int>>{{1, 0}}));
    }

    // Into the middle of the frame: floating, its top-left moved with the pointer.
    const RECT before = screen(a);
    drag(a, -200, 250);
    ASSERT_TRUE(a->IsFloating());
    EXPECT_EQ(a->GetDockBarId(), UINT(AFX_IDW_DOCKBAR_FLOAT));
    EXPECT_EQ(Rows(), (std::vector<std::vector<int>>{{1}}));
    const RECT floated = screen(a);
    // (The tool window's frame is its top-left; the bar lies inside it.)
    EXPECT_NEAR(floated.left, before.left - 200, 2);
    EXPECT_NEAR(floated.top, before.top + 250, 2);

    // Over the frame's left edge: docked at the left.
    POINT origin{0, 0};
    frame.ClientToScreen(&origin);
    drag(a, origin.x - floated.left - 10, 0);
    EXPECT_FALSE(a->IsFloating());
    EXPECT_EQ(a->GetDockBarId(), UINT(AFX_IDW_DOCKBAR_LEFT));
    EXPECT_EQ(Rows(AFX_IDW_DOCKBAR_LEFT), (std::vector<std::vector<int>>{{0}}));

    // A bar that may dock only at the top floats when dropped at the left edge.
    b->EnableDocking(CBRS_ALIGN_TOP);
    const RECT rb2 = screen(b);
    drag(b, origin.x - rb2.left - 10, 200);
    EXPECT_TRUE(b->IsFloating());
}

// A floating tool window is sized by its edges and corners (the outer pixels of the bar's
// frame): the edges named follow the pointer, the others stay, and the size stops at its limit.
TEST_F(DockBarTest, AFloatingWindowIsSizedByItsEdgesAndCorners) {
    auto* bar = static_cast<CSizingControlBarG*>(Add(Sizing(200)));
    bar->floatRange = RECT{80, 50, 1000, 800};
    Layout();
    frame.FloatControlBar(bar, POINT{300, 300});
    fw::uitest::RunUntilIdle();
    const auto rect = [bar] {
        RECT r;
        bar->GetWindowRect(&r);
        return r;
    };
    // A press at a point of the bar, then the pointer moved on the screen (each step given in
    // the bar's coordinates where it is then, as the pointer's events come).
    const auto size = [bar, &rect](int x, int y, int dx, int dy) {
        const RECT at = rect();
        const POINT screen{at.left + x, at.top + y};
        fw::uitest::Press(bar, x, y);
        for (int step = 1; step <= 2; ++step) {
            const RECT now = rect();
            const int sx = screen.x + dx * step / 2, sy = screen.y + dy * step / 2;
            if (step == 1) fw::uitest::Move(bar, sx - now.left, sy - now.top);
            else fw::uitest::Release(bar, sx - now.left, sy - now.top);
            fw::uitest::RunUntilIdle();
        }
    };
    const RECT r0 = rect();
    const int w = r0.right - r0.left, h = r0.bottom - r0.top;
    ASSERT_GT(w, 40);
    // The bottom-right corner: width and height grow, the top-left stays.
    size(w - 1, h - 1, 50, 40);
    const RECT r1 = rect();
    EXPECT_EQ(r1.left, r0.left);
    EXPECT_EQ(r1.top, r0.top);
    EXPECT_EQ(r1.right - r1.left, w + 50);
    EXPECT_EQ(r1.bottom - r1.top, h + 40);
    EXPECT_EQ(bar->sizeFloat.cx, w + 50) << "the floating size follows";
    EXPECT_FALSE(bar->IsFrameSizing());
    // The top-left corner: the bottom-right stays.
    size(0, 0, -30, -20);
    const RECT r2 = rect();
    EXPECT_EQ(r2.left, r1.left - 30);
    EXPECT_EQ(r2.top, r1.top - 20);
    EXPECT_EQ(r2.right, r1.right);
    EXPECT_EQ(r2.bottom, r1.bottom);
    // The left edge alone: the height and the top stay whatever the pointer does across.
    size(0, (r2.bottom - r2.top) / 2, 10, 25);
    const RECT r3 = rect();
    EXPECT_EQ(r3.left, r2.left + 10);
    EXPECT_EQ(r3.top, r2.top);
    EXPECT_EQ(r3.bottom, r2.bottom);
    EXPECT_EQ(r3.right, r2.right);
    // The right edge far past the left: the width stops at the floating range's least, the
    // left edge stays.
    size(r3.right - r3.left - 1, (r3.bottom - r3.top) / 2, -2000, 0);
    const RECT r4 = rect();
    EXPECT_EQ(r4.left, r3.left);
    EXPECT_EQ(r4.right - r4.left, 80);
    // The bottom edge far down: the height stops at the range's most.
    size((r4.right - r4.left) / 2, r4.bottom - r4.top - 1, 0, 3000);
    EXPECT_EQ(rect().bottom - rect().top, 800);
    const RECT r5 = rect();
    // Inside the frame a press starts the bar's drag, not a sizing.
    size((r5.right - r5.left) / 2, (r5.bottom - r5.top) / 2, 0, 0);
    EXPECT_EQ(rect().right - rect().left, r5.right - r5.left);
    EXPECT_EQ(rect().bottom - rect().top, r5.bottom - r5.top);
}

}  // namespace
