// An owner-drawn grid list inside a dialog: rows and columns drawn by the dialog
// (CStdDlg::DrawGridCell), a header band with column headings above the rows, column
// separators, row lines, scrolling by whole rows and dragging a row to a new place.
#pragma once
#include <cstdint>

#include "framework/Types.h"

class CStdDlg;

class CDlgGrid {
public:
    static constexpr int kMaxColumns = 32;
    // Separator kinds at the left edge of a column.
    enum Separator : int { kSeparatorGrey = 0, kSeparatorLine = 1, kSeparatorNone = 2 };

    // Takes the placeholder control's place; columns beyond 32 are refused.
    void Init(CStdDlg* dialog, int controlId, int scrollBarId, int columnCount, int rowCount, int defaultColumnWidth,
              int rowHeight, int rowLines, int headerHeight);
    // A text heading: (column, -1 left / 0 centred / other right, string id, 0); an image
    // heading: (column, x offset, image index, bitmap resource).
    void SetColumn(int column, int align, int title, std::int32_t bitmap);
    // Each column at least its minimum width; the placeholder is moved to the new rectangle.
    void SetColumnWidths(const std::int16_t* widths);
    std::int16_t GetMinColumnWidth(int column);
    int GetColumnLeft(int column) const;
    // The cell's rectangle (inset by 1); returns its horizontal centre.
    int GetCellRect(int row, int column, RECT* out) const;
    // The row and column under a point (columnCount when no column); returns the cell's
    // centre x.
    int HitTest(int x, int y, int* row, int* column, RECT* out) const;
    void Draw(int drawCells);
    void DrawHeader();
    // Scrolls the drawn rows to a new top row and draws what was uncovered; returns the pixel
    // shift.
    std::int16_t ScrollTo(int newTop);
    // Drags row to a new place; the row under the release point, or row when released outside.
    std::int16_t TrackPress(int row);

    RECT rect;
    std::int16_t rowHeight = 0;
    std::int16_t columnCount = 0;
    std::int16_t rowCount = 0;
    std::int16_t topRow = 0;
    std::int16_t visibleRows = 0;
    std::int16_t controlId = 0;
    std::int16_t scrollBarId = 0;
    std::int16_t showHeader = 0;
    std::int16_t rowLines = 0;
    std::int16_t headerGroupsOnly = 0;
    std::int16_t headerHeight = 0;
    std::int16_t scrollBarWidth = 0;
    std::int16_t headerStyle = 1;
    std::int16_t columnWidths[kMaxColumns] = {};
    std::int16_t separatorKinds[kMaxColumns] = {};
    std::int16_t headerAligns[kMaxColumns] = {};
    std::int32_t headerBitmaps[kMaxColumns] = {};
    std::int32_t headerTitles[kMaxColumns] = {};
    CStdDlg* dialog = nullptr;

private:
    bool Contains(POINT pt) const {
        return pt.x >= rect.left && pt.x < rect.right && pt.y >= rect.top && pt.y < rect.bottom;
    }
};
