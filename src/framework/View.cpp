// Views and scrolling views.
#include "framework/View.h"

#include "framework/Document.h"

#include <algorithm>
#include <cstdlib>

#include "framework/Arith.h"
#include "framework/Controls.h"
#include "framework/WindowImpl.h"

namespace fw {

namespace {
int unitsPerInch(int mapMode) {
    switch (mapMode) {
    case MM_LOMETRIC: return 254;
    case MM_HIMETRIC: return 2540;
    case MM_LOENGLISH: return 100;
    case MM_HIENGLISH: return 1000;
    case MM_TWIPS: return 1440;
    default: return 0;
    }
}
}  // namespace

SIZE MapModeToDevice(int mapMode, SIZE logical) {
    int u = unitsPerInch(mapMode);
    if (!u) return SIZE{logical.cx, std::abs(logical.cy)};
    return SIZE{MulDiv(logical.cx, 96, u), std::abs(MulDiv(logical.cy, 96, u))};
}

SIZE DeviceToMapMode(int mapMode, SIZE device) {
    int u = unitsPerInch(mapMode);
    if (!u) return device;
    return SIZE{MulDiv(device.cx, u, 96), MulDiv(device.cy, u, 96)};
}

}  // namespace fw

// ---- CView ----------------------------------------------------------------------------------

CView::CView() = default;
CView::~CView() = default;

BOOL CView::OnCmdMsg(UINT id, int code) {
    if (CWnd::OnCmdMsg(id, code)) return TRUE;
    CDocument* doc = GetDocument();
    return doc && doc->OnCmdMsg(id, code);
}

void CView::OnDraw(CDC*) {}
void CView::OnPrepareDC(CDC*, void*) {}
void CView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }
void CView::OnUpdate(CView*, LPARAM, void*) { Invalidate(TRUE); }

void CView::OnActivateView(BOOL activate, CView*, CView*) {
    if (activate && IsWindow() && IsWindowVisible() && GetFocus() != this) SetFocus();
}

void CView::OnPaint() {
    CPaintDC dc(this);
    OnPrepareDC(&dc);
    OnDraw(&dc);
}

// ---- CScrollView ----------------------------------------------------------------------------

CScrollView::CScrollView() = default;
CScrollView::~CScrollView() = default;

void CScrollView::SetScrollSizes(int mapMode, SIZE total, SIZE page, SIZE line) {
    m_nMapMode = mapMode;
    m_totalLog = total;
    m_totalDev = fw::MapModeToDevice(mapMode, total);
    m_pageDev = fw::MapModeToDevice(mapMode, page);
    m_lineDev = fw::MapModeToDevice(mapMode, line);
    if (m_pageDev.cx == 0) m_pageDev.cx = m_totalDev.cx / 10;
    if (m_pageDev.cy == 0) m_pageDev.cy = m_totalDev.cy / 10;
    if (m_lineDev.cx == 0) m_lineDev.cx = m_pageDev.cx / 10;
    if (m_lineDev.cy == 0) m_lineDev.cy = m_pageDev.cy / 10;
    if (IsWindow()) UpdateBars();
}

SIZE CScrollView::GetTotalSize() const { return m_totalLog; }
int CScrollView::GetMapMode() const { return m_nMapMode; }

POINT CScrollView::GetDeviceScrollPosition() const { return POINT{GetScrollPos(SB_HORZ), GetScrollPos(SB_VERT)}; }

POINT CScrollView::GetScrollPosition() const {
    POINT d = GetDeviceScrollPosition();
    SIZE l = fw::DeviceToMapMode(m_nMapMode, SIZE{d.x, d.y});
    return POINT{l.cx, l.cy};
}

void CScrollView::ScrollToPosition(POINT pt) {
    SIZE d = fw::MapModeToDevice(m_nMapMode, SIZE{pt.x, pt.y});
    int x = std::clamp<LONG>(d.cx, 0, std::max(0, GetScrollLimit(SB_HORZ)));
    int y = std::clamp<LONG>(d.cy, 0, std::max(0, GetScrollLimit(SB_VERT)));
    if (!(GetStyle() & WS_HSCROLL)) x = 0;
    if (!(GetStyle() & WS_VSCROLL)) y = 0;
    int ox = GetScrollPos(SB_HORZ), oy = GetScrollPos(SB_VERT);
    SetScrollPos(SB_HORZ, x);
    SetScrollPos(SB_VERT, y);
    ScrollWindow(ox - x, oy - y);
}

void CScrollView::UpdateBars() {
    if (m_insideUpdate || !IsWindow()) return;
    m_insideUpdate = true;
    QWidget* s = impl_->surface();
    int bar = fw::GetWindowMetric(SM_CXVSCROLL);
    SIZE client{s->width(), s->height()};
    bool needH = m_totalDev.cx > client.cx;
    bool needV = m_totalDev.cy > client.cy;
    if (needH) client.cy -= bar;
    if (needV) client.cx -= bar;
    if (!needH && m_totalDev.cx > client.cx) {
        needH = true;
        client.cy -= bar;
    }
    if (!needV && m_totalDev.cy > client.cy) {
        needV = true;
        client.cx -= bar;
    }
    POINT old = GetDeviceScrollPosition();
    auto set = [this](int which, bool need, int total, int page) {
        if (!need) {
            SetScrollPos(which, 0);
            ShowScrollBar(which, FALSE);
            return;
        }
        ShowScrollBar(which, TRUE);
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE;
        si.nMin = 0;
        si.nMax = total - 1;
        si.nPage = UINT(std::max(0, page));
        SetScrollInfo(which, &si);
    };
    set(SB_HORZ, needH, m_totalDev.cx, client.cx);
    set(SB_VERT, needV, m_totalDev.cy, client.cy);
    POINT now = GetDeviceScrollPosition();
    if (now.x != old.x || now.y != old.y) ScrollWindow(old.x - now.x, old.y - now.y);
    m_insideUpdate = false;
}

BOOL CScrollView::OnScroll(UINT scrollCode, UINT pos, BOOL doScroll) {
    auto amount = [&](UINT code, int current, int line, int page, int limit) {
        switch (code) {
        case SB_TOP: return -current;
        case SB_BOTTOM: return limit - current;
        case SB_LINEUP: return -line;
        case SB_LINEDOWN: return line;
        case SB_PAGEUP: return -page;
        case SB_PAGEDOWN: return page;
        case SB_THUMBTRACK: return int(pos) - current;
        default: return 0;
        }
    };
    UINT h = scrollCode & 0xFF, v = (scrollCode >> 8) & 0xFF;
    SIZE by{};
    if (h != 0xFF)
        by.cx = amount(h, GetScrollPos(SB_HORZ), m_lineDev.cx, std::max<LONG>(1, m_pageDev.cx), GetScrollLimit(SB_HORZ));
    if (v != 0xFF)
        by.cy = amount(v, GetScrollPos(SB_VERT), m_lineDev.cy, std::max<LONG>(1, m_pageDev.cy), GetScrollLimit(SB_VERT));
    BOOL r = OnScrollBy(by, doScroll);
    if (r && doScroll) UpdateWindow();
    return r;
}

BOOL CScrollView::OnScrollBy(SIZE by, BOOL doScroll) {
    DWORD style = GetStyle();
    if (!(style & WS_HSCROLL)) by.cx = 0;
    if (!(style & WS_VSCROLL)) by.cy = 0;
    int ox = GetScrollPos(SB_HORZ), oy = GetScrollPos(SB_VERT);
    int x = std::clamp(ox + int(by.cx), 0, std::max(0, GetScrollLimit(SB_HORZ)));
    int y = std::clamp(oy + int(by.cy), 0, std::max(0, GetScrollLimit(SB_VERT)));
    if (x == ox && y == oy) return FALSE;
    if (doScroll) {
        ScrollWindow(ox - x, oy - y);
        if (x != ox) SetScrollPos(SB_HORZ, x);
        if (y != oy) SetScrollPos(SB_VERT, y);
    }
    return TRUE;
}

void CScrollView::OnPrepareDC(CDC* dc, void* printInfo) {
    CView::OnPrepareDC(dc, printInfo);
    if (dc && !dc->IsPrinting()) {
        POINT p = GetDeviceScrollPosition();
        dc->SetWindowOrg(p.x, p.y);
    }
}

void CScrollView::OnSize(UINT type, int cx, int cy) {
    CView::OnSize(type, cx, cy);
    UpdateBars();
}

void CScrollView::OnHScroll(UINT code, UINT pos, CScrollBar* bar) {
    if (bar && bar != GetScrollBarCtrl(SB_HORZ)) return;
    OnScroll((code & 0xFF) | 0xFF00, pos, TRUE);
}

void CScrollView::OnVScroll(UINT code, UINT pos, CScrollBar* bar) {
    if (bar && bar != GetScrollBarCtrl(SB_VERT)) return;
    OnScroll(0xFF | ((code & 0xFF) << 8), pos, TRUE);
}

BOOL CScrollView::OnMouseWheel(UINT flags, short delta, POINT) {
    if (flags & (MK_SHIFT | MK_CONTROL)) return FALSE;
    DWORD style = GetStyle();
    bool vertical = (style & WS_VSCROLL) != 0;
    if (!vertical && !(style & WS_HSCROLL)) return FALSE;
    int lines = fw::GetWheelScrollLines();
    int line = vertical ? m_lineDev.cy : m_lineDev.cx;
    int page = vertical ? m_pageDev.cy : m_pageDev.cx;
    int d = -MulDiv(delta, lines, 120) * std::max(1, line);
    d = std::clamp(d, -std::max(1, page), std::max(1, page));
    BOOL r = OnScrollBy(vertical ? SIZE{0, d} : SIZE{d, 0}, TRUE);
    if (r) UpdateWindow();
    return r;
}
