#include "platform/GridList.h"

#include <algorithm>

#include "framework/Gdi.h"
#include "framework/Window.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/StdDlg.h"
#include "platform/StdDlgGlobals.h"

namespace {
// How long the row drag waits for the pointer before it scrolls another row.
constexpr UINT kTrackPollMs = 50;
}  // namespace

void CDlgGrid::Init(CStdDlg* dlg, int control, int scrollBar, int columns, int rows, int defaultWidth, int height,
                    int lines, int header) {
    dialog = dlg;
    controlId = std::int16_t(control);
    scrollBarId = std::int16_t(scrollBar);
    columnCount = std::int16_t(std::clamp(columns, 0, kMaxColumns));
    rowCount = std::int16_t(rows);
    rowHeight = std::int16_t(height);
    rowLines = std::int16_t(lines);
    topRow = 0;
    RECT placeholder{};
    if (dialog) dialog->GetControlRect(controlId, &placeholder);
    rect.left = placeholder.left;
    rect.top = placeholder.top;
    visibleRows = std::int16_t(rowHeight > 0 ? (placeholder.bottom - placeholder.top) / rowHeight : 0);
    rect.bottom = rect.top + visibleRows * rowHeight;
    showHeader = std::int16_t(header);
    headerHeight = std::int16_t(header);
    headerGroupsOnly = 0;
    headerStyle = 1;
    scrollBarWidth = std::int16_t(scrollBarId ? fw::GetWindowMetric(SM_CXVSCROLL) + 1 : 0);
    int right = rect.left;
    for (int c = 0; c < kMaxColumns; ++c) {
        const bool used = c < columnCount;
        columnWidths[c] = std::int16_t(used ? defaultWidth : 0);
        headerAligns[c] = -1;
        headerBitmaps[c] = 0;
        headerTitles[c] = 0;
        separatorKinds[c] = kSeparatorGrey;
        if (used) right += defaultWidth;
    }
    rect.right = right;
}

void CDlgGrid::SetColumn(int column, int align, int title, std::int32_t bitmap) {
    if (column < 0 || column >= kMaxColumns) return;
    headerAligns[column] = std::int16_t(align);
    headerTitles[column] = std::int16_t(title);
    headerBitmaps[column] = bitmap;
}

std::int16_t CDlgGrid::GetMinColumnWidth(int column) {
    if (column < 0 || column >= kMaxColumns || headerTitles[column] == 0) return 0;
    CArtist* a = GetArtist();
    if (!a || !dialog) return 4;
    CClientDC dc(dialog);
    PushPort(&dc);
    a->PushFont();
    a->SetFont(g_draw.standardFontRefs[0].face, g_ui.interfaceTextSize, FontRef::kBold);
    char text[256];
    LoadResString(UINT(headerTitles[column]), text);
    const int w = a->TextWidth(text) + 4;
    a->PopFont();
    PopPort();
    return std::int16_t(w);
}

void CDlgGrid::SetColumnWidths(const std::int16_t* widths) {
    if (!widths) return;
    int right = rect.left;
    for (int c = 0; c < columnCount; ++c) {
        const std::int16_t minimum = GetMinColumnWidth(c);
        columnWidths[c] = widths[c] > minimum ? widths[c] : minimum;
        right += columnWidths[c];
    }
    rect.right = right;
    if (dialog) dialog->MoveControl(controlId, rect);
}

int CDlgGrid::GetColumnLeft(int column) const {
    int x = rect.left;
    for (int c = 0; c < column && c < kMaxColumns; ++c) x += columnWidths[c];
    return x;
}

int CDlgGrid::GetCellRect(int row, int column, RECT* out) const {
    RECT r;
    r.top = rect.top + (row - topRow) * rowHeight;
    r.bottom = r.top + rowHeight;
    r.left = GetColumnLeft(column);
    r.right = r.left + (column >= 0 && column < kMaxColumns ? columnWidths[column] : 0);
    r.left += 1;
    r.top += 1;
    r.right -= 1;
    r.bottom -= 1;
    if (out) *out = r;
    return (r.left + r.right) / 2;
}

int CDlgGrid::HitTest(int x, int y, int* row, int* column, RECT* out) const {
    const int r = topRow + (rowHeight > 0 ? (y - rect.top) / rowHeight : 0);
    int c = 0;
    RECT cell{};
    for (; c < columnCount; ++c) {
        GetCellRect(r, c, &cell);
        if (x >= cell.left - 1 && x < cell.right + 1 && y >= cell.top - 1 && y < cell.bottom + 1) break;
    }
    const int centre = GetCellRect(r, c, &cell);
    if (row) *row = r;
    if (column) *column = c;
    if (out) *out = cell;
    return centre;
}

void CDlgGrid::Draw(int drawCells) {
    CArtist* a = GetArtist();
    if (!a) return;
    a->DrawFieldFrame(RECT{rect.left, rect.top - headerHeight, rect.right + scrollBarWidth, rect.bottom}, false);
    if (showHeader > 0) DrawHeader();
    int x = rect.left;
    for (int c = 0; c < columnCount; ++c) {
        if (separatorKinds[c] == kSeparatorLine)
            a->Line(x, rect.top, x, rect.bottom);
        else if (separatorKinds[c] == kSeparatorGrey)
            a->LineInColor(x, rect.top, x, rect.bottom);
        x += columnWidths[c];
    }
    int y = rect.top + rowHeight;
    for (int row = topRow; row < rowCount && row < topRow + visibleRows; ++row) {
        if (drawCells && dialog) dialog->DrawGridCell(row, -1);
        if (rowLines && y < rect.bottom) a->LineInColor(rect.left + 1, y, rect.right - 1, y);
        y += rowHeight;
    }
}

void CDlgGrid::DrawHeader() {
    CArtist* a = GetArtist();
    if (!a) return;
    a->PushFont();
    const FontRef& ui = g_draw.standardFontRefs[0];
    a->SetFont(ui.face, ui.size, headerStyle);
    const RECT band{rect.left, rect.top - headerHeight, rect.right, rect.top};
    a->DrawTabEdge(band);
    const int baseline = rect.top - 4;
    int x = rect.left;
    for (int c = 0; c < columnCount; ++c) {
        const int right = x + columnWidths[c];
        const int mid = x + (right - x) / 2;
        if (separatorKinds[c] == kSeparatorLine || (separatorKinds[c] == kSeparatorGrey && !headerGroupsOnly))
            a->Line(x, band.top, x, band.bottom);
        if (headerBitmaps[c]) {
            a->DrawStripImage(x + headerAligns[c], rect.top - 18, headerBitmaps[c], headerTitles[c], 13);
        } else if (headerTitles[c]) {
            char text[256];
            LoadResString(UINT(headerTitles[c]), text);
            if (headerAligns[c] == -1)
                a->DrawText(x + 3, baseline, text);
            else if (headerAligns[c] == 0)
                a->DrawTextCentered(mid, baseline, text);
            else
                a->DrawTextRight(right, baseline, text);
        }
        x = right;
    }
    a->PopFont();
}

std::int16_t CDlgGrid::ScrollTo(int newTop) {
    CArtist* a = GetArtist();
    const RECT r{rect.left + 1, rect.top + 1, rect.right, rect.bottom};
    int first, n, shift;
    if (newTop > topRow) {
        first = topRow + visibleRows;
        n = newTop - topRow;
        shift = -n * rowHeight;
    } else {
        first = newTop;
        n = topRow - newTop;
        shift = n * rowHeight;
    }
    if (!a) {
        topRow = std::int16_t(newTop);
        return std::int16_t(shift);
    }
    RECT uncovered{};
    a->ScrollRect(r, 0, shift, &uncovered);
    a->PushClip();
    a->SetClipRect(uncovered);
    // The new top row first, so that the row lines are those of the rows now shown.
    topRow = std::int16_t(newTop);
    Draw(0);
    for (int row = first; row < first + n; ++row)
        if (row >= topRow && row < topRow + visibleRows && row < rowCount && dialog) dialog->DrawGridCell(row, -1);
    a->PopClip();
    return std::int16_t(shift);
}

std::int16_t CDlgGrid::TrackPress(int row) {
    CArtist* a = GetArtist();
    if (!a) return std::int16_t(row);
    RECT frame;
    GetCellRect(row, 0, &frame);
    frame.left += 1;
    frame.top += 1;
    frame.bottom -= 1;
    frame.right = rect.right - 1;
    a->SetROP2(R2_NOT);
    bool shown = false;
    POINT p;
    GetPortMousePos(&p);
    POINT q = p;
    while (fw::MouseLoopStep(kTrackPollMs)) {
        GetPortMousePos(&q);
        if (q.y == p.y && Contains(q)) continue;
        if (shown) {
            a->FrameRect(frame);
            shown = false;
        }
        if (Contains(q)) {
            frame.top += q.y - p.y;
            frame.bottom = frame.top + rowHeight;
            a->FrameRect(frame);
            p = q;
            shown = true;
        } else if (scrollBarId && dialog) {
            a->SetROP2(R2_COPYPEN);
            const int pos = dialog->GetScrollPos(scrollBarId);
            if (q.y >= rect.bottom && pos < dialog->GetScrollMax(scrollBarId))
                dialog->SetScrollPos(scrollBarId, pos + 1);
            else if (q.y < rect.top && pos > dialog->GetScrollMin(scrollBarId))
                dialog->SetScrollPos(scrollBarId, pos - 1);
            a->SetROP2(R2_NOT);
        }
    }
    GetPortMousePos(&q);
    if (shown) a->FrameRect(frame);
    a->SetROP2(R2_COPYPEN);
    if (Contains(q)) return std::int16_t(topRow + (q.y - rect.top) / rowHeight);
    return std::int16_t(row);
}
