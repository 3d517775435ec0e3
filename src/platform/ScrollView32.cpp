#include "platform/ScrollView32.h"

#include <algorithm>
#include <climits>
#include <cstdlib>


namespace {

// Asks the parent for the rectangle the view may use (lParam: RECT*); non-zero when given.
constexpr UINT kMsgRecalcParent = 0x0368;
constexpr int kWheelDelta = 120;
constexpr int kArrowWidth = 16;

constexpr UINT MakeScrollCode(UINT horizontal, UINT vertical) { return (horizontal & 0xFF) | ((vertical & 0xFF) << 8); }

int g_wheelLines = 0;
bool g_wheelLinesKnown = false;

}  // namespace

CScrollView32::CScrollView32() = default;
CScrollView32::~CScrollView32() = default;

void CScrollView32::SetScrollSizes(int mode, SIZE total, SIZE page, SIZE line) {
    const int oldMode = mapMode;
    mapMode = mode;
    totalLog = total;
    totalDev = fw::MapModeToDevice(mode, total);
    pageDev = fw::MapModeToDevice(mode, page);
    lineDev = fw::MapModeToDevice(mode, line);
    totalDev.cx = std::abs(totalDev.cx);
    totalDev.cy = std::abs(totalDev.cy);
    pageDev.cx = std::abs(pageDev.cx);
    pageDev.cy = std::abs(pageDev.cy);
    lineDev.cx = std::abs(lineDev.cx);
    lineDev.cy = std::abs(lineDev.cy);
    if (pageDev.cx == 0) pageDev.cx = totalDev.cx / 10;
    if (pageDev.cy == 0) pageDev.cy = totalDev.cy / 10;
    if (lineDev.cx == 0) lineDev.cx = pageDev.cx / 10;
    if (lineDev.cy == 0) lineDev.cy = pageDev.cy / 10;
    if (IsWindow()) {
        UpdateBars();
        if (oldMode != mapMode) Invalidate(TRUE);
    }
}

void CScrollView32::SetScaleToFitSize(SIZE total) {
    mapMode = kScaleToFit;
    totalLog = total;
    if (!IsWindow()) return;
    SetScrollPos(SB_HORZ, 0);
    SetScrollPos(SB_VERT, 0);
    EnableScrollBarCtrl(SB_BOTH, FALSE);
    RECT client;
    GetClientRect(&client);
    totalDev = SIZE{client.right - client.left, client.bottom - client.top};
    UpdateWindow();
    Invalidate(TRUE);
}

POINT CScrollView32::GetDeviceScrollPosition() const {
    POINT pt{GetScrollPos(SB_HORZ), GetScrollPos(SB_VERT)};
    if (center) {
        RECT client;
        GetClientRect(&client);
        const int w = client.right - client.left, h = client.bottom - client.top;
        if (w > totalDev.cx) pt.x = -((w - totalDev.cx) / 2);
        if (h > totalDev.cy) pt.y = -((h - totalDev.cy) / 2);
    }
    return pt;
}

POINT CScrollView32::GetScrollPosition() const {
    if (mapMode == kScaleToFit) return POINT{0, 0};
    POINT pt = GetDeviceScrollPosition();
    if (mapMode != MM_TEXT) {
        const SIZE s = fw::DeviceToMapMode(mapMode, SIZE{pt.x, pt.y});
        pt = POINT{s.cx, s.cy};
    }
    return pt;
}

void CScrollView32::ScrollToPosition(POINT pt) {
    SIZE s{pt.x, pt.y};
    if (mapMode != MM_TEXT) s = fw::MapModeToDevice(mapMode, s);
    const int xMax = GetScrollLimit(SB_HORZ), yMax = GetScrollLimit(SB_VERT);
    POINT dev{std::clamp(s.cx, LONG(0), LONG(std::max(0, xMax))), std::clamp(s.cy, LONG(0), LONG(std::max(0, yMax)))};
    ScrollToDevicePosition(dev);
}

void CScrollView32::ScrollToDevicePosition(POINT pt) {
    const int xOrig = GetScrollPos(SB_HORZ), yOrig = GetScrollPos(SB_VERT);
    SetScrollPos(SB_HORZ, pt.x);
    SetScrollPos(SB_VERT, pt.y);
    const int dx = xOrig - GetScrollPos(SB_HORZ), dy = yOrig - GetScrollPos(SB_VERT);
    if (dx || dy) ScrollWindow(dx, dy);
}

void CScrollView32::OnPrepareDC(CDC* dc, void* printInfo) {
    // The drawing of the score views works in pixels and offsets itself by the scroll
    // position; the origin is not moved here.
    CView::OnPrepareDC(dc, printInfo);
}

BOOL CScrollView32::OnScroll(UINT scrollCode, UINT pos, BOOL doScroll) {
    const long long xOrig = GetScrollPos(SB_HORZ), yOrig = GetScrollPos(SB_VERT);
    long long x = xOrig, y = yOrig;
    switch (scrollCode & 0xFF) {
    case SB_TOP: x = 0; break;
    case SB_BOTTOM: x = INT_MAX; break;
    case SB_LINEUP: x -= lineDev.cx; break;
    case SB_LINEDOWN: x += lineDev.cx; break;
    case SB_PAGEUP: x -= pageDev.cx; break;
    case SB_PAGEDOWN: x += pageDev.cx; break;
    case SB_THUMBTRACK: x = int(pos); break;
    default: break;
    }
    switch ((scrollCode >> 8) & 0xFF) {
    case SB_TOP: y = 0; break;
    case SB_BOTTOM: y = INT_MAX; break;
    case SB_LINEUP: y -= lineDev.cy; break;
    case SB_LINEDOWN: y += lineDev.cy; break;
    case SB_PAGEUP: y -= pageDev.cy; break;
    case SB_PAGEDOWN: y += pageDev.cy; break;
    case SB_THUMBTRACK: y = int(pos); break;
    default: break;
    }
    const SIZE by{LONG(std::clamp(x - xOrig, (long long)INT_MIN, (long long)INT_MAX)),
                  LONG(std::clamp(y - yOrig, (long long)INT_MIN, (long long)INT_MAX))};
    const BOOL result = OnScrollBy(by, doScroll);
    if (result && doScroll) UpdateWindow();
    return result;
}

BOOL CScrollView32::OnScrollBy(SIZE size, BOOL doScroll) {
    const DWORD style = GetStyle();
    if (!(style & WS_VSCROLL)) size.cy = 0;
    if (!(style & WS_HSCROLL)) size.cx = 0;
    const long long xOrig = GetScrollPos(SB_HORZ), yOrig = GetScrollPos(SB_VERT);
    const long long x = std::clamp(xOrig + size.cx, 0LL, (long long)std::max(0, GetScrollLimit(SB_HORZ)));
    const long long y = std::clamp(yOrig + size.cy, 0LL, (long long)std::max(0, GetScrollLimit(SB_VERT)));
    if (x == xOrig && y == yOrig) return FALSE;
    if (doScroll) {
        ScrollWindow(int(xOrig - x), int(yOrig - y));
        if (x != xOrig) SetScrollPos(SB_HORZ, int(x));
        if (y != yOrig) SetScrollPos(SB_VERT, int(y));
    }
    return TRUE;
}

void CScrollView32::GetScrollBarSizes(SIZE* size) {
    if (!size) return;
    size->cx = GetScrollBarCtrl(SB_VERT) ? 0 : fw::GetWindowMetric(SM_CXVSCROLL);
    size->cy = GetScrollBarCtrl(SB_HORZ) ? 0 : fw::GetWindowMetric(SM_CXHSCROLL);
    if (GetStyle() & WS_BORDER) {
        if (size->cx) size->cx -= 1;
        if (size->cy) size->cy -= 1;
    }
}

bool CScrollView32::GetTrueClientSize(SIZE* size, SIZE* barSizes) {
    RECT client;
    GetClientRect(&client);
    size->cx = client.right - client.left;
    size->cy = client.bottom - client.top;
    GetScrollBarSizes(barSizes);
    const DWORD style = GetStyle();
    if (barSizes->cx && (style & WS_VSCROLL)) size->cx += barSizes->cx;
    if (barSizes->cy && (style & WS_HSCROLL)) size->cy += barSizes->cy;
    return size->cx > barSizes->cx && size->cy > barSizes->cy;
}

void CScrollView32::GetScrollBarState(SIZE client, SIZE* need, SIZE* range, POINT* moveTo, bool insideClient) {
    SIZE bar;
    GetScrollBarSizes(&bar);
    range->cx = totalDev.cx - client.cx;
    range->cy = totalDev.cy - client.cy;
    *moveTo = GetDeviceScrollPosition();
    bool horizontal = range->cx > 0;
    if (!horizontal)
        moveTo->x = 0;
    else if (insideClient)
        range->cy += bar.cy;
    const bool vertical = range->cy > 0;
    if (!vertical)
        moveTo->y = 0;
    else if (insideClient)
        range->cx += bar.cx;
    if (vertical && !horizontal && range->cx > 0) {
        horizontal = true;
        range->cy += bar.cy;
    }
    if (range->cx > 0 && moveTo->x >= range->cx) moveTo->x = range->cx;
    if (range->cy > 0 && moveTo->y >= range->cy) moveTo->y = range->cy;
    need->cx = horizontal ? 1 : 0;
    need->cy = vertical ? 1 : 0;
}

void CScrollView32::UpdateBars() {
    if (insideUpdate) return;
    insideUpdate = 1;
    RECT given{};
    const bool insideClient = !(GetParent() && GetParent()->SendMessage(kMsgRecalcParent, 0, LPARAM(&given)));
    SIZE client, bar;
    if (insideClient) {
        if (!GetTrueClientSize(&client, &bar)) {
            RECT r;
            GetClientRect(&r);
            if (r.right > r.left && r.bottom > r.top) EnableScrollBarCtrl(SB_BOTH, FALSE);
            insideUpdate = 0;
            return;
        }
    } else {
        GetScrollBarSizes(&bar);
        client = SIZE{given.right - given.left, given.bottom - given.top};
    }
    SIZE need, range;
    POINT moveTo;
    GetScrollBarState(client, &need, &range, &moveTo, insideClient);
    // Both bars are kept: the client area is what is left beside them.
    client.cy -= bar.cy;
    client.cx -= bar.cx;
    ScrollToDevicePosition(moveTo);

    SCROLLINFO info;
    EnableScrollBarCtrl(SB_HORZ, TRUE);
    pageDev.cx = client.cx;
    info.fMask = SIF_RANGE | SIF_PAGE;
    info.nMin = 0;
    info.nMax = totalDev.cx - 1;
    info.nPage = UINT(std::max(0, int(client.cx)));
    // The framework always takes scroll information (it answers with the position, not with
    // success), so the range fallback of older systems is not needed.
    SetScrollInfo(SB_HORZ, &info, TRUE);
    EnableScrollBarCtrl(SB_VERT, TRUE);
    pageDev.cy = client.cy;
    info.nMax = totalDev.cy - 1;
    info.nPage = UINT(std::max(0, int(client.cy)));
    SetScrollInfo(SB_VERT, &info, TRUE);
    insideUpdate = 0;
}

void CScrollView32::CalcWindowRect(RECT* rect, bool adjustOutside) {
    if (!rect) return;
    const DWORD exStyle = GetExStyle();
    const int edge = (exStyle & WS_EX_CLIENTEDGE) ? 2 : 0;
    const int border = (GetStyle() & WS_BORDER) ? 1 : 0;
    if (adjustOutside) {
        rect->left -= edge + border;
        rect->top -= edge + border;
        rect->right += edge + border;
        rect->bottom += edge + border;
        if (mapMode != kScaleToFit) {
            SIZE bar;
            GetScrollBarSizes(&bar);
            if (totalDev.cy > rect->bottom - rect->top) rect->right += bar.cx;
            if (totalDev.cx > rect->right - rect->left) rect->bottom += bar.cy;
        }
    } else {
        rect->left -= border;
        rect->top -= border;
        rect->right += border;
        rect->bottom += border;
    }
}

void CScrollView32::OnSize(UINT type, int cx, int cy) {
    CView::OnSize(type, cx, cy);
    if (mapMode == kScaleToFit)
        SetScaleToFitSize(totalLog);
    else
        UpdateBars();
}

void CScrollView32::ThumbScroll(int barId, UINT code, UINT pos, CScrollBar* ctrl) {
    if (ctrl && ctrl != GetScrollBarCtrl(barId)) return;
    SCROLLINFO info;
    GetScrollInfo(barId, &info, SIF_ALL);
    const long long range = (long long)info.nMax - info.nMin;
    std::int32_t& offset = barId == SB_HORZ ? thumbOffsetX : thumbOffsetY;
    long long p = int(pos);
    if (code == SB_THUMBTRACK && range > 0x7FFF) {
        POINT cursor;
        fw::GetCursorPos(&cursor);
        ScreenToClient(&cursor);
        RECT client;
        GetClientRect(&client);
        const long long c = barId == SB_HORZ ? cursor.x : cursor.y;
        const long long lo = (barId == SB_HORZ ? client.left : client.top) + kArrowWidth;
        const long long hi = (barId == SB_HORZ ? client.right : client.bottom) - kArrowWidth;
        if (c <= lo)
            p = info.nMin;
        else if (c >= hi)
            p = info.nMax;
        else
            p = (c - kArrowWidth) * range / std::max(1LL, hi - lo);
        if (offset == kNoThumbOffset) offset = std::int32_t(info.nPos - p);
        p += offset;
    } else {
        offset = kNoThumbOffset;
    }
    const UINT scrollCode = barId == SB_HORZ ? MakeScrollCode(code, 0xFF) : MakeScrollCode(0xFF, code);
    OnScroll(scrollCode, UINT(std::int32_t(p)), TRUE);
}

void CScrollView32::OnHScroll(UINT code, UINT pos, CScrollBar* bar) { ThumbScroll(SB_HORZ, code, pos, bar); }
void CScrollView32::OnVScroll(UINT code, UINT pos, CScrollBar* bar) { ThumbScroll(SB_VERT, code, pos, bar); }

int CScrollView32::GetWheelLines(bool forceLookup) {
    if (!g_wheelLinesKnown || forceLookup) {
        g_wheelLines = fw::GetWheelScrollLines();
        g_wheelLinesKnown = true;
    }
    return g_wheelLines;
}

BOOL CScrollView32::OnMouseWheel(UINT flags, short delta, POINT) {
    if (flags & (MK_SHIFT | MK_CONTROL)) return FALSE;
    const DWORD style = GetStyle();
    const bool vertical = (style & WS_VSCROLL) != 0;
    const bool horizontal = (style & WS_HSCROLL) != 0;
    if (!vertical && !horizontal) return FALSE;
    const int lines = GetWheelLines();
    const int line = vertical ? lineDev.cy : lineDev.cx;
    const int page = vertical ? pageDev.cy : pageDev.cx;
    int displacement;
    if (lines == -1) {
        displacement = delta > 0 ? -page : page;
    } else {
        displacement = (-int(delta) * lines) / kWheelDelta * line;
        displacement = std::clamp(displacement, -page, page);
    }
    const BOOL result = OnScrollBy(vertical ? SIZE{0, displacement} : SIZE{displacement, 0}, TRUE);
    if (result) UpdateWindow();
    return result;
}
