#include "platform/Pane.h"

#include "platform/Numeric.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/StdDlgGlobals.h"

namespace {

// The window text every pane is created with.
constexpr const char* kPaneText = "Pane";
// How long one turn of the mouse loop waits for the pointer before the task is called again
// (so that tasks that scroll while the pointer rests outside keep going).
constexpr UINT kTrackPollMs = 20;

}  // namespace

CPane::CPane() = default;
CPane::~CPane() = default;

BOOL CPane::Create(CWnd* parent, std::intptr_t ownerValue, const RECT& rect, int h, int v) {
    hAnchor = std::int16_t(h);
    vAnchor = std::int16_t(v);
    owner = ownerValue;
    createParent = parent;
    x = rect.left;
    y = rect.top;
    width = std::int16_t(rect.right - rect.left);
    height = std::int16_t(rect.bottom - rect.top);
    SetClassStyle(CS_DBLCLKS | CS_OWNDC | CS_BYTEALIGNWINDOW | CS_GLOBALCLASS);
    if (!CWnd::Create(nullptr, kPaneText, WS_CHILD | WS_VISIBLE, rect, parent, 0)) return FALSE;
    SetEnabled(true);
    return TRUE;
}

void CPane::Paint(const RECT&) {}
void CPane::MouseDown(POINT, UINT) {}
void CPane::RightMouseDown(POINT, UINT) {}
bool CPane::WantsFocus() { return false; }
void CPane::MouseMove(POINT, UINT) {}
void CPane::PaneHook() {}
void CPane::PaneReserved() {}

void CPane::MoveTo(int nx, int ny, bool redraw) {
    x = nx;
    y = ny;
    SetWindowPos(nullptr, nx, ny, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
    if (redraw) Invalidate();
}

void CPane::SetRect(int nx, int ny, int w, int h) {
    x = nx;
    y = ny;
    width = std::int16_t(w);
    height = std::int16_t(h);
    MoveWindow(nx, ny, w, h, TRUE);
    Invalidate();
}

void CPane::ForEachChildPane(const RECT& change) {
    RECT client;
    GetClientRect(&client);
    for (CWnd* child : GetChildren())
        if (auto* pane = dynamic_cast<CPane*>(child)) pane->FollowParent(client, change);
}

void CPane::Offset(const RECT& change, bool redraw) {
    SetRect(x + change.left, y + change.top, width + change.right, height + change.bottom);
    ForEachChildPane(change);
    if (redraw) UpdateWindow();
}

void CPane::Stretch(bool horizontal, bool vertical) {
    RECT parent{};
    if (CWnd* p = GetParent()) p->GetClientRect(&parent);
    int nx = x, ny = y, w = width;
    if (horizontal) {
        nx = 0;
        w = parent.right - parent.left;
    }
    if (vertical) ny = 0;
    SetRect(nx, ny, w, height);
}

void CPane::FollowParent(const RECT& parent, const RECT& change) {
    // The change holds the parent's move (left, top) and its growth (right, bottom). A pane
    // that sticks to an edge keeps its distance to that edge: to the left or top edge it stays
    // where it is in the parent, to the right or bottom edge it moves by the parent's growth.
    int nx = x, ny = y, w = width, h = height;
    switch (hAnchor) {
    case kAnchorEnd: nx += change.right; break;
    case kAnchorStretch:
        nx += change.left;
        w += change.right;
        break;
    default: break;
    }
    switch (vAnchor) {
    case kAnchorEnd: ny += change.bottom; break;
    case kAnchorStretch: ny += change.top; break;
    default: break;
    }
    SetRect(nx, ny, w, h);
    ForEachChildPane(change);
}

void CPane::SetEnabled(bool on) {
    enabled = on ? 1 : 0;
    EnableWindow(on ? TRUE : FALSE);
}

bool CPane::IsPaneAt(POINT pt) const {
    CWnd* parent = GetParent();
    return parent && parent->ChildWindowFromPoint(pt) == this;
}

void CPane::OnPaint() {
    CPaintDC dc(this);
    PushPort(&dc);
    RECT client;
    GetClientRect(&client);
    Paint(client);
    PopPort();
}

void CPane::Press(UINT flags, POINT pt, int clicks, bool right) {
    ReadModifierKeys();
    // A press on a pane ends a numeric entry under way.
    if (g_ui.currentNumeric) g_ui.currentNumeric->EndEdit();
    CClientDC dc(this);
    PushPort(&dc);
    g_ui.clickCount = std::int16_t(clicks);
    SetCapture();
    if (right)
        RightMouseDown(pt, flags);
    else
        MouseDown(pt, flags);
    ReleaseCapture();
    PopPort();
}

void CPane::OnLButtonDown(UINT flags, POINT pt) { Press(flags, pt, 1, false); }
void CPane::OnLButtonDblClk(UINT flags, POINT pt) { Press(flags, pt, 2, false); }
void CPane::OnRButtonDown(UINT flags, POINT pt) { Press(flags, pt, 1, true); }
void CPane::OnMouseMove(UINT flags, POINT pt) { MouseMove(pt, flags); }

BOOL CPane::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) {
    // Over the client area the tools choose the pointer.
    if (hitTest == HTCLIENT) return TRUE;
    return CWnd::OnSetCursor(wnd, hitTest, message);
}

BOOL CPane::OnEraseBkgnd(CDC* dc) {
    if (!eraseBackground) return TRUE;
    return CWnd::OnEraseBkgnd(dc);
}

void CPane::TrackMouse(CMouseTask* task, POINT& start, const RECT& limits) {
    if (!task) return;
    CClientDC dc(this);
    PushPort(&dc);
    task->MouseDown(start);
    PopPort();
    POINT previous = start, current = start;
    while (fw::MouseLoopStep(kTrackPollMs)) {
        PushPort(&dc);
        GetPortMousePos(&current);
        ClipPointToRect(limits, &current);
        task->MouseMove(current, previous, start);
        previous = current;
        PopPort();
    }
    PushPort(&dc);
    GetPortMousePos(&current);
    ClipPointToRect(limits, &current);
    task->MouseUp(current, previous, start);
    PopPort();
}
