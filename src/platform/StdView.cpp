#include "platform/StdView.h"

#include <algorithm>

#include "framework/Input.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/FloatWnd.h"
#include "platform/Numeric.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/StdDlgGlobals.h"

namespace {

constexpr UINT MakeScrollCode(UINT horizontal, UINT vertical) { return (horizontal & 0xFF) | ((vertical & 0xFF) << 8); }

}  // namespace

CStdView::CStdView() = default;
CStdView::~CStdView() = default;

CStdView* CStdView::CreateObject() { return new CStdView; }

BOOL CStdView::CreateView(CWnd* parent, int x, int y, int width, int height) {
    placeX = x;
    placeY = y;
    placeWidth = width;
    placeHeight = height;
    RECT client{};
    if (parent) parent->GetClientRect(&client);
    RECT r{x, y, client.right, client.bottom};
    if (width) r.right = x + width;
    if (height) r.bottom = y + height;
    if (!Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, r, parent, kFirstPaneId)) return FALSE;
    SetPageSize(16, 16);
    SetScrollRect(RECT{0, 0, 300, 300});
    ModifyStyleEx(0, WS_EX_CLIENTEDGE);
    return TRUE;
}

void CStdView::DrawContent(const RECT&) {}
void CStdView::OnMouseDown(int, int, UINT) {}
void CStdView::ScrollWindowBy(int dx, int dy) { ScrollWindow(dx, dy); }
void CStdView::OnDraw(CDC*) {}

void CStdView::SetPageSize(int cx, int cy) {
    pageX = cx;
    pageY = cy;
}

void CStdView::SetScrollRect(const RECT& rect) {
    contentRect = rect;
    SetScrollSizes(MM_TEXT, SIZE{rect.right - rect.left, rect.bottom - rect.top}, SIZE{pageX, pageY}, SIZE{});
}

void CStdView::GetScrollPosition(POINT* pt) const {
    if (pt) *pt = CScrollView::GetScrollPosition();
}

void CStdView::RedrawAll() { Invalidate(TRUE); }

void CStdView::InvalidateContent(const RECT* rect) {
    if (!rect) {
        Invalidate(TRUE);
        return;
    }
    const POINT pos = CScrollView::GetScrollPosition();
    RECT r = *rect;
    r.left -= pos.x;
    r.right -= pos.x;
    r.top -= pos.y;
    r.bottom -= pos.y;
    InvalidateRect(&r, TRUE);
}

void CStdView::CalcWindowRect(RECT* rect) {
    if (!rect) return;
    rect->left = placeX;
    rect->top = placeY;
    if (placeWidth) rect->right = placeX + placeWidth;
    if (placeHeight) rect->bottom = placeY + placeHeight;
}

void CStdView::FitToParent() {
    CWnd* parent = GetParent();
    if (!parent) return;
    RECT r;
    parent->GetClientRect(&r);
    CalcWindowRect(&r);
    MoveWindow(r, TRUE);
}

void CStdView::OnSize(UINT type, int cx, int cy) { CScrollView::OnSize(type, cx, cy); }

void CStdView::OnPaint() {
    CPaintDC dc(this);
    OnPrepareDC(&dc);
    PushPort(&dc);
    const POINT pos = CScrollView::GetScrollPosition();
    RECT r = dc.m_ps.rcPaint;
    r.left += pos.x;
    r.right += pos.x;
    r.top += pos.y;
    r.bottom += pos.y;
    if (dc.m_ps.fErase) dc.FillSolidRect(&r, dc.GetBkColor());
    DrawContent(r);
    PopPort();
}

void CStdView::Press(UINT flags, POINT pt, int clicks) {
    g_ui.clickCount = std::int16_t(clicks);
    if (g_ui.currentNumeric) g_ui.currentNumeric->EndEdit();
    CClientDC dc(this);
    OnPrepareDC(&dc);
    PushPort(&dc);
    ReadModifierKeys();
    if (CArtist* a = GetArtist()) {
        a->SetFontRef(g_draw.standardFontRefs[0]);
        a->SetBkMode(13);
    }
    const POINT pos = CScrollView::GetScrollPosition();
    OnMouseDown(pt.x + pos.x, pt.y + pos.y, flags);
    PopPort();
}

void CStdView::OnLButtonDown(UINT flags, POINT pt) { Press(flags, pt, 1); }
void CStdView::OnLButtonDblClk(UINT flags, POINT pt) { Press(flags, pt, 2); }
void CStdView::OnRButtonDown(UINT, POINT) {}

void CStdView::SendKeyToToolWindow(UINT code, UINT repeat, UINT flags) {
    for (CWnd* w = GetParent(); w; w = w->GetParent()) {
        if (auto* bar = dynamic_cast<CFloatWnd*>(w)) {
            bar->KeyDown(code, repeat, flags);
            return;
        }
    }
}

void CStdView::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
    switch (vk) {
    case VK_PRIOR: OnScroll(MakeScrollCode(0xFF, SB_PAGEUP), 0); return;
    case VK_NEXT: OnScroll(MakeScrollCode(0xFF, SB_PAGEDOWN), 0); return;
    case VK_HOME: OnScroll(MakeScrollCode(0xFF, SB_TOP), 0); return;
    case VK_END: OnScroll(MakeScrollCode(0xFF, SB_BOTTOM), 0); return;
    case VK_LEFT: SendKeyToToolWindow(28, repeat, flags); return;
    case VK_UP: SendKeyToToolWindow(30, repeat, flags); return;
    case VK_RIGHT: SendKeyToToolWindow(29, repeat, flags); return;
    case VK_DOWN: SendKeyToToolWindow(31, repeat, flags); return;
    case VK_DELETE: SendKeyToToolWindow(8, repeat, flags); return;
    default: return;
    }
}

void CStdView::OnChar(UINT ch, UINT repeat, UINT flags) { SendKeyToToolWindow(ch, repeat, flags); }

BOOL CStdView::OnScrollBy(SIZE size, BOOL doScroll) {
    const DWORD style = GetStyle();
    POINT pos = CScrollView::GetDeviceScrollPosition();
    const POINT orig = pos;
    if (style & WS_HSCROLL) pos.x = std::clamp(pos.x + size.cx, LONG(0), LONG(std::max(0, GetScrollLimit(SB_HORZ))));
    if (style & WS_VSCROLL) pos.y = std::clamp(pos.y + size.cy, LONG(0), LONG(std::max(0, GetScrollLimit(SB_VERT))));
    if (pos.x == orig.x && pos.y == orig.y) return FALSE;
    if (doScroll) {
        if (pos.x != orig.x) SetScrollPos(SB_HORZ, pos.x);
        if (pos.y != orig.y) SetScrollPos(SB_VERT, pos.y);
        ScrollWindowBy(orig.x - pos.x, orig.y - pos.y);
        UpdateWindow();
    }
    return TRUE;
}
