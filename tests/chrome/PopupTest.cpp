// Popup grids: their geometry, their place inside the work area, tracking with the mouse held,
// tear-off, the number chooser and the clef and quantise pickers.
#include <gtest/gtest.h>

#include <string>

#include "ChromeFixture.h"
#include "framework/DC.h"
#include "platform/Popup.h"
#include "platform/Port.h"

namespace {

using fw::uitest::Call;
using fw::uitest::Move;
using fw::uitest::Press;
using fw::uitest::Release;
using fw::uitest::RunUntilIdle;

// The popup now open (set when it is placed), so the script can aim at its cells.
CPopup* g_open = nullptr;

template <typename Base>
class Probe : public Base {
public:
    int placedSelection = -2;
    void Place(int x, int y) override {
        Base::Place(x, y);
        placedSelection = this->selection;
        g_open = this;
    }
};

class PopupTest : public ChromeTest {
protected:
    void SetUp() override {
        ChromeTest::SetUp();
        g_open = nullptr;
        ASSERT_TRUE(opener.Create(nullptr, "opener", WS_OVERLAPPED | WS_VISIBLE, RECT{100, 100, 500, 400}, nullptr, 0));
        RunUntilIdle();
    }
    void TearDown() override {
        opener.DestroyWindow();
        ChromeTest::TearDown();
    }
    // The screen point of the opener's client point.
    POINT Screen(POINT pt) {
        opener.ClientToScreen(&pt);
        return pt;
    }
    // Presses on the opener at `at`, which runs `open` with the screen point; then, in the
    // popup, moves through `cells` (each the centre of a cell; -1 a point 60 pixels right of
    // and below the popup) and releases at the last point.
    void Script(POINT at, const std::vector<int>& cells) {
        Press(&opener, at.x, at.y);
        Call([this, cells] {
            ASSERT_NE(g_open, nullptr);
            for (int cell : cells) {
                POINT pt;
                if (cell >= 0) {
                    RECT r;
                    g_open->GetCellRect(cell, &r);
                    pt = POINT{(r.left + r.right) / 2 + CPopup::kInset, (r.top + r.bottom) / 2 + CPopup::kInset};
                } else {
                    RECT c;
                    g_open->GetClientRect(&c);
                    pt = POINT{c.right + 60, c.bottom + 60};
                }
                POINT in = Between(g_open, pt, &opener);
                Move(&opener, in.x, in.y);
            }
            Call([this] {
                POINT p;
                ::fw::GetCursorPos(&p);
                opener.ScreenToClient(&p);
                Release(&opener, p.x, p.y);
            });
        });
    }
    PressHost opener;
};

}  // namespace

TEST_F(PopupTest, CellsLieDownTheColumnsOrAlongTheRows) {
    Probe<CPopup> p;
    ASSERT_TRUE(p.Init(2, 5, 20, 10, 0, 16));
    EXPECT_EQ(p.columns, 3);
    const struct {
        bool rowOrder;
        int cell, column, row;
    } cases[] = {{false, 0, 0, 0}, {false, 1, 0, 1}, {false, 2, 1, 0}, {false, 4, 2, 0},
                 {true, 1, 1, 0},  {true, 3, 0, 1},  {true, 4, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell);
        p.SetRowOrder(c.rowOrder);
        RECT r;
        p.GetCellRect(c.cell, &r);
        EXPECT_EQ(r.left, c.column * 20);
        EXPECT_EQ(r.top, c.row * 10);
        EXPECT_EQ(r.right - r.left, 20);
        EXPECT_EQ(p.HitTest(r.left + 3, r.top + 3), c.cell);
    }
    EXPECT_EQ(p.HitTest(-1, 0), -1);
    EXPECT_EQ(p.HitTest(60, 0), -1);
}

TEST_F(PopupTest, APopupIsPlacedWhollyInsideTheWorkArea) {
    // Work area 0,0 - 1000,700, less 2 on each side.
    const struct {
        int x, y, left, top;
    } cases[] = {{100, 100, 100, 100}, {990, 100, 998 - 44, 100}, {100, 690, 100, 698 - 36},
                 {-50, -50, 2, 2},     {995, 695, 998 - 44, 698 - 36}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        CPopup p;
        ASSERT_TRUE(p.Init(2, 4, 20, 16, 1000, 16));  // 2 columns of 2: 40 + 4 by 32 + 4
        p.Place(c.x, c.y);
        EXPECT_EQ(p.Origin().x, c.left);
        EXPECT_EQ(p.Origin().y, c.top);
        RECT w;
        p.GetWindowRect(&w);
        EXPECT_EQ(w.left, c.left);
        EXPECT_EQ(w.right - w.left, 44);
        EXPECT_TRUE(p.IsWindowVisible());
    }
}

TEST_F(PopupTest, TrackingChoosesTheCellUnderTheReleaseOrNothingWithoutAMove) {
    const struct {
        const char* what;
        std::vector<int> path;
        int before;
        bool chosen;
        int after;
    } cases[] = {
        {"released without moving", {}, 2, false, 2},
        {"moved to cell 4", {3, 4}, 2, true, 4},
        {"moved back out", {3, -1}, 2, false, 2},
        {"no selection before, moved to 0", {0}, -1, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool result = !c.chosen;
        int sel = c.before;
        opener.onPress = [&](POINT at) {
            Probe<CPopup> p;
            ASSERT_TRUE(p.Init(3, 6, 30, 16, 1000, 16));
            POINT s = Screen(at);
            result = p.Track(s.x, s.y, &sel, false);
        };
        Script(POINT{20, 20}, c.path);
        RunUntilIdle();
        EXPECT_EQ(result, c.chosen);
        EXPECT_EQ(sel, c.after);
        EXPECT_EQ(CWnd::GetCapture(), nullptr);
    }
}

TEST_F(PopupTest, ATearOffDraggedAwayReturnsFalseWithTheDropPoint) {
    bool result = true;
    POINT drop{0, 0}, released{0, 0};
    int sel = 1;
    opener.onPress = [&](POINT at) {
        Probe<CPopup> p;
        ASSERT_TRUE(p.Init(2, 4, 20, 16, 1000, 16));
        p.SetTearOff(true);
        POINT s = Screen(at);
        result = p.Track(s.x, s.y, &sel, false);
        drop = p.dropPoint;
        ::fw::GetCursorPos(&released);
    };
    Script(POINT{20, 20}, {0, -1});
    RunUntilIdle();
    EXPECT_FALSE(result);
    EXPECT_EQ(drop.x, released.x);
    EXPECT_EQ(drop.y, released.y);
    EXPECT_NE(drop.x, 0);
    EXPECT_EQ(sel, 1);
}

TEST_F(PopupTest, NumberPopupsHaveTheirColumnsAndTexts) {
    const struct {
        int minimum, maximum;
        bool none;
        int perColumn, columns, lastColumn;
        const char* first;
        const char* last;
    } cases[] = {
        {-64, 63, false, 16, 8, 16, "-64", "63"}, {1, 16, false, 16, 1, 16, "1", "16"},
        {0, 127, false, 20, 7, 8, "0", "127"},    {-36, 36, false, 12, 7, 1, "-36", "36"},
        {0, 3, true, 5, 1, 5, "-", "3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.minimum);
        CNumMenu m;
        m.none = c.none;
        m.minimum = std::int16_t(c.minimum);
        const int n = c.maximum - c.minimum + 1 + c.none;
        const int per = NumberPopupCellsPerColumn(c.minimum, c.maximum, c.none);
        EXPECT_EQ(per, c.perColumn);
        ASSERT_TRUE(m.Init(per, n, 32, 16, 0, 16));
        EXPECT_EQ(m.columns, c.columns);
        EXPECT_EQ(n - (m.columns - 1) * per, c.lastColumn);
        char text[16];
        m.GetItemText(0, text, sizeof text);
        EXPECT_STREQ(text, c.first);
        m.GetItemText(n - 1, text, sizeof text);
        EXPECT_STREQ(text, c.last);
    }
}

TEST_F(PopupTest, PickNumberPopupGivesTheOffsetAndNoneAsMinusOne) {
    const struct {
        bool none;
        std::vector<int> path;
        int before, after;
        bool chosen;
    } cases[] = {
        {true, {1, 0}, 3, -1, true},   // "-": no value
        {true, {4}, -1, 3, true},      // cell 4 is the offset 3
        {false, {5}, 0, 5, true},
        {false, {}, 2, 2, false},
    };
    for (const auto& c : cases) {
        int value = c.before;
        bool result = !c.chosen;
        opener.onPress = [&](POINT at) {
            POINT s = Screen(at);
            result = PickNumberPopup(s.x, s.y, 10, 20, &value, c.none);
        };
        // PickNumberPopup's own popup: aim through a popup of the same shape.
        Press(&opener, 20, 20);
        Call([&, path = c.path] {
            CWnd* popup = CWnd::GetCapture();
            ASSERT_NE(popup, nullptr);
            for (int cell : path) {
                POINT in = Between(popup, POINT{CPopup::kInset + 10, CPopup::kInset + cell * 16 + 8}, &opener);
                Move(&opener, in.x, in.y);
            }
            Call([this] {
                POINT p;
                ::fw::GetCursorPos(&p);
                opener.ScreenToClient(&p);
                Release(&opener, p.x, p.y);
            });
        });
        RunUntilIdle();
        EXPECT_EQ(result, c.chosen);
        EXPECT_EQ(value, c.after);
    }
}

TEST_F(PopupTest, ManyCellsGrowTheMapAndTooManyAreRefused) {
    CPopup big;
    ASSERT_TRUE(big.Init(20, 300, 16, 16, 1000, 16));
    EXPECT_EQ(big.cellMap.size(), 300u);
    EXPECT_EQ(big.GetCellItem(299), 299);
    CPopup huge;
    EXPECT_FALSE(huge.Init(20, CPopup::kMaxCells + 1, 16, 16, 1000, 16));
    CPopup none;
    EXPECT_FALSE(none.Init(20, 0, 16, 16, 0, 16));
}

TEST_F(PopupTest, TheClefPickerRefusesThePercussionAndTablatureClefsUnlessAllowed) {
    const struct {
        int cell;
        bool all, chosen;
        int after;
    } cases[] = {{12, false, false, 0}, {11, false, false, 0}, {13, false, false, 0},
                 {12, true, true, 12},  {10, false, true, 10}, {1, false, true, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell);
        int clef = 0;
        bool result = !c.chosen;
        opener.onPress = [&](POINT at) {
            Probe<CClefMenu> m;
            POINT s = Screen(at);
            result = m.Run(s.x, s.y, &clef, c.all);
        };
        Script(POINT{10, 10}, {c.cell});
        RunUntilIdle();
        EXPECT_EQ(result, c.chosen);
        EXPECT_EQ(clef, c.after);
    }
}

TEST_F(PopupTest, TheQuantisePickerOpensOnTheValuesCellAndGivesCellPlusTwo) {
    const struct {
        int before;
        std::vector<int> path;
        int marked, after;
        bool chosen;
    } cases[] = {{3, {}, 1, 3, false}, {3, {0}, 1, 2, true}, {7, {5, 2}, 5, 4, true}, {2, {5}, 0, 7, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        int value = c.before, marked = -2;
        bool result = !c.chosen;
        opener.onPress = [&](POINT at) {
            Probe<CQuantizeMenu> m;
            POINT s = Screen(at);
            result = m.Run(s.x, s.y, &value);
            marked = m.placedSelection;
            EXPECT_EQ(m.GetCellItem(0), 2) << "cell 0 shows the half note of the notes strip";
        };
        Script(POINT{10, 10}, c.path);
        RunUntilIdle();
        EXPECT_EQ(marked, c.marked);
        EXPECT_EQ(result, c.chosen);
        EXPECT_EQ(value, c.after);
    }
}

TEST_F(PopupTest, PickImagePopupOffersTheSevenLineShapesUnderAPointOfThePort) {
    int shape = 0;
    bool result = false;
    POINT origin{0, 0};
    opener.onPress = [&](POINT at) {
        CClientDC dc(&opener);
        PushPort(&dc);
        result = PickImagePopup(at.x, at.y, &shape);
        PopPort();
    };
    Press(&opener, 30, 40);
    Call([&] {
        auto* popup = dynamic_cast<CPopup*>(CWnd::GetCapture());
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(popup->count, 7);
        EXPECT_EQ(popup->columns, 1);
        EXPECT_EQ(popup->bitmapId, 121);
        EXPECT_EQ(popup->cellWidth, 32);
        origin = popup->Origin();
        POINT in = Between(popup, POINT{CPopup::kInset + 16, CPopup::kInset + 4 * 16 + 8}, &opener);
        Move(&opener, in.x, in.y);
        Call([this, in] { Release(&opener, in.x, in.y); });
    });
    RunUntilIdle();
    EXPECT_TRUE(result);
    EXPECT_EQ(shape, 4);
    // The popup opened at the port's point on the screen.
    EXPECT_EQ(origin.x, Screen(POINT{30, 40}).x);
    EXPECT_EQ(origin.y, Screen(POINT{30, 40}).y);
}
