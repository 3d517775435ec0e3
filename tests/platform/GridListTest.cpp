// Grid lists in dialogs: geometry, drawing, scrolling, dragging a row, in-place edit boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "UiBaseFixture.h"
#include "framework/StringTable.h"
#include "platform/DlgEdit.h"
#include "platform/GridList.h"
#include "platform/StdDlg.h"

namespace {

constexpr UINT kGridTemplate = 9010;
constexpr int kList = 50, kBar = 51;

class GridDlg : public CStdDlg {
public:
    CDlgGrid grid;
    std::vector<int> drawnRows;
    std::vector<int> pressed;  // what each press on the list dragged its row to

    void DrawGridCell(int row, int column) override { drawnRows.push_back(row); }
    void SetScrollPos(int id, int pos) override {
        if (id == kBar) grid.ScrollTo(pos);
        CStdDlg::SetScrollPos(id, pos);
    }
    void OnControl(int id) override {
        if (id == kList) {
            POINT pt;
            GetPortMousePos(&pt);
            int row = 0, column = 0;
            grid.HitTest(pt.x, pt.y, &row, &column, nullptr);
            pressed.push_back(grid.TrackPress(row));
        }
        CStdDlg::OnControl(id);
    }
};

class GridListTest : public UiBaseTest {
protected:
    void SetUp() override {
        UiBaseTest::SetUp();
        SetTemplate(kGridTemplate, "dialog 9010 220 200\nownerstatic 50 10 10 120 80\nvscroll 51 150 10 10 80\n");
        ASSERT_TRUE(dlg.Create(kGridTemplate, &host));
        dlg.ShowWindow(SW_SHOW);
        fw::uitest::RunUntilIdle();
    }
    void TearDown() override {
        dlg.DestroyWindow();
        UiBaseTest::TearDown();
    }
    // The placeholder at exact pixels, then the grid over it.
    void MakeGrid(int rows, int rowHeight, int header = 0, int placeholderHeight = 100) {
        dlg.MoveControl(kList, RECT{10, 30, 130, 30 + placeholderHeight});
        dlg.grid.Init(&dlg, kList, kBar, 3, rows, 40, rowHeight, 1, header);
        dlg.AttachGrid(&dlg.grid, 0);
        fw::uitest::RunUntilIdle();
        dlg.drawnRows.clear();
    }
    int RowY(int row) const { return dlg.grid.rect.top + row * dlg.grid.rowHeight + dlg.grid.rowHeight / 2; }
    GridDlg dlg;
};

}  // namespace

TEST_F(GridListTest, RowsFitThePlaceholderAndCellsAreFound) {
    MakeGrid(10, 16);
    const CDlgGrid& g = dlg.grid;
    EXPECT_EQ(g.visibleRows, 6);
    EXPECT_EQ(g.rect.bottom - g.rect.top, 96);
    EXPECT_EQ(g.rect.right - g.rect.left, 120);
    RECT cell;
    EXPECT_EQ(g.GetCellRect(2, 1, &cell), 10 + 40 + 20);
    EXPECT_EQ(cell.top, 30 + 32 + 1);
    EXPECT_EQ(cell.left, 51);
    int row = -1, column = -1;
    g.HitTest(55, 30 + 33, &row, &column, nullptr);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(column, 1);
    g.HitTest(140, 30 + 33, &row, &column, nullptr);
    EXPECT_EQ(column, 3);  // right of the last column
    EXPECT_EQ(dlg.GetScrollMax(kBar), 4);
}

TEST_F(GridListTest, DrawingAndScrollingDrawOnlyTheRowsThatShow) {
    MakeGrid(10, 18);
    ASSERT_EQ(dlg.grid.visibleRows, 5);
    CClientDC dc(&dlg);
    PushPort(&dc);
    dlg.grid.Draw(1);
    EXPECT_EQ(dlg.drawnRows, (std::vector<int>{0, 1, 2, 3, 4}));
    dlg.drawnRows.clear();
    EXPECT_EQ(dlg.grid.ScrollTo(2), -36);
    EXPECT_EQ(dlg.drawnRows, (std::vector<int>{5, 6}));
    EXPECT_EQ(dlg.grid.topRow, 2);
    dlg.drawnRows.clear();
    EXPECT_EQ(dlg.grid.ScrollTo(0), 36);
    EXPECT_EQ(dlg.drawnRows, (std::vector<int>{0, 1}));
    PopPort();

    // The scroll bar moves the list a row at a time.
    dlg.drawnRows.clear();
    dlg.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), LPARAM(dlg.GetDlgItem(kBar)));
    EXPECT_EQ(dlg.grid.topRow, 1);
    EXPECT_EQ(dlg.drawnRows, std::vector<int>{5});
}

TEST_F(GridListTest, AShortListDrawsItsRowsOnly) {
    MakeGrid(3, 16);
    CClientDC dc(&dlg);
    PushPort(&dc);
    dlg.grid.Draw(1);
    PopPort();
    EXPECT_EQ(dlg.drawnRows, (std::vector<int>{0, 1, 2}));
}

TEST_F(GridListTest, TheHeaderBandLiesAboveTheRows) {
    MakeGrid(10, 16, 20);
    dlg.grid.SetColumn(0, -1, 10028, 0);  // a text heading
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bmp;
    bmp.CreateBitmap(300, 300);
    dc.SelectObject(&bmp);
    dc.StartRecording();
    PushPort(&dc);
    dlg.grid.Draw(0);
    PopPort();
    const auto log = dc.TakeRecording();
    const int top = dlg.grid.rect.top;
    const std::string band = "DrawEdge 10 " + std::to_string(top - 20) + " 130 " + std::to_string(top);
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(band, 0) == 0; }));
    std::string heading;  // string 10028, as the program's code page holds it
    ASSERT_TRUE(fw::LoadStringResource(10028, heading));
    const std::string text = "TextOut 13 " + std::to_string(top - 4) + " \"" + heading + "\"";
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(text, 0) == 0; }));
}

TEST_F(GridListTest, ColumnWidthsKeepTheirHeadingsMinimum) {
    MakeGrid(10, 16);
    dlg.grid.SetColumn(0, 0, 10028, 0);
    const std::int16_t minimum = dlg.grid.GetMinColumnWidth(0);
    EXPECT_GT(minimum, 4);
    const std::int16_t widths[3] = {minimum, 0, 25};
    dlg.grid.SetColumnWidths(widths);
    EXPECT_EQ(dlg.grid.columnWidths[0], minimum);
    EXPECT_EQ(dlg.grid.columnWidths[1], 0);  // no heading: any width
    EXPECT_EQ(dlg.grid.columnWidths[2], 25);
    EXPECT_EQ(dlg.grid.rect.right, 10 + minimum + 25);
    RECT placeholder;
    dlg.GetControlRect(kList, &placeholder);
    EXPECT_EQ(placeholder.right, dlg.grid.rect.right);
}

TEST_F(GridListTest, DraggingARowReturnsTheRowUnderTheRelease) {
    MakeGrid(10, 16);
    fw::uitest::Drag(&dlg, {{40, RowY(1)}, {41, RowY(2)}, {40, RowY(3)}});
    fw::uitest::RunUntilIdle();
    // Released outside the list: the row it started from.
    fw::uitest::Drag(&dlg, {{40, RowY(1)}, {40, RowY(2)}, {180, RowY(2)}});
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(dlg.pressed, (std::vector<int>{3, 1}));
    EXPECT_EQ(dlg.grid.topRow, 0);
}

TEST_F(GridListTest, HoldingARowBelowTheListScrollsItARowAtATime) {
    MakeGrid(10, 16);
    const int below = dlg.grid.rect.bottom + 10;
    fw::uitest::Press(&dlg, 40, RowY(1));
    fw::uitest::Move(&dlg, 40, below);
    fw::uitest::Tick();
    fw::uitest::Tick();
    fw::uitest::Release(&dlg, 40, below);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(dlg.GetScrollPos(kBar), 3);
    EXPECT_EQ(dlg.grid.topRow, 3);
    EXPECT_EQ(dlg.pressed, std::vector<int>{1});
}

TEST_F(GridListTest, AnEditBoxTypesOverARowAndMovesWithTheList) {
    MakeGrid(10, 16);
    RECT cell;
    dlg.grid.GetCellRect(1, 0, &cell);
    CEditBox box;
    ASSERT_TRUE(box.Create(&dlg, 60, cell, &dlg.grid.rect));
    dlg.activeEditBox = &box;
    fw::uitest::Type(&box, "abc");
    fw::uitest::RunUntilIdle();
    char text[64];
    box.GetText(text, sizeof text);
    EXPECT_STREQ(text, "abc");
    box.SetText(std::string(40, 'x').c_str());
    box.GetText(text, sizeof text);
    EXPECT_EQ(std::string(text), std::string(32, 'x'));

    box.ScrollBy(-32);  // the row leaves the list: out of sight
    RECT r;
    box.GetWindowRect(&r);
    dlg.ScreenToClient(&r);
    EXPECT_TRUE(box.hidden);
    EXPECT_LT(r.left, -8000);
    box.ScrollBy(32);
    box.GetWindowRect(&r);
    dlg.ScreenToClient(&r);
    EXPECT_FALSE(box.hidden);
    EXPECT_EQ(r.left, cell.left);
    EXPECT_EQ(r.top, cell.top);
    dlg.activeEditBox = nullptr;
}
