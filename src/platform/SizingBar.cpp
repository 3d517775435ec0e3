#include "platform/SizingBar.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "framework/Gdi.h"
#include "framework/Input.h"
#include "framework/Screen.h"
#include "platform/RvqUtil.h"

namespace {

// All bar-style bits.
constexpr DWORD kBarStyleMask = 0x0040FFFF;

bool PointIn(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// A raised (or sunken) 3-D frame: one colour at the top and left, another at the bottom and right.
void Frame3d(CDC* dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    RECT t{r.left, r.top, r.right - 1, r.top + 1}, l{r.left, r.top, r.left + 1, r.bottom - 1};
    RECT b{r.left, r.bottom - 1, r.right, r.bottom}, rr{r.right - 1, r.top, r.right, r.bottom};
    dc->FillSolidRect(&t, topLeft);
    dc->FillSolidRect(&l, topLeft);
    dc->FillSolidRect(&b, bottomRight);
    dc->FillSolidRect(&rr, bottomRight);
}

void Raised(CDC* dc, const RECT& r) { Frame3d(dc, r, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW)); }

int Length(const CSizingControlBar* b, bool horz) { return horz ? b->sizeHorz.cx : b->sizeVert.cy; }
int& LengthRef(CSizingControlBar* b, bool horz) { return horz ? b->sizeHorz.cx : b->sizeVert.cy; }
int MinLength(const CSizingControlBar* b, bool horz) { return horz ? b->minHorz.cx : b->minVert.cy; }

}  // namespace

CSizingControlBar::CSizingControlBar() = default;
CSizingControlBar::~CSizingControlBar() = default;

BOOL CSizingControlBar::Create(const char* title, CFrameWnd* frame, UINT id, DWORD style) {
    if (!CControlBar::Create(title, frame, id, style & kBarStyleMask, sizeFloat)) return FALSE;
    fullDrag = fw::GetDragFullWindows();
    return TRUE;
}

BOOL CSizingControlBar::Create(const char* title, CFrameWnd* frame, SIZE defaultSize, BOOL, UINT id, DWORD style) {
    sizeHorz = sizeVert = sizeFloat = defaultSize;
    return Create(title, frame, id, style);
}

// ---- state ----------------------------------------------------------------------------------

namespace {
std::string Section(const char* profile, int id) {
    char buf[300];
    std::snprintf(buf, sizeof buf, "%s-SCBar-%d", profile ? profile : "", id);
    return buf;
}
}  // namespace

void CSizingControlBar::LoadState(const char* profile) {
    const std::string section = Section(profile, GetDlgCtrlID());
    auto load = [&](const char* name, LONG& value, LONG least) {
        value = std::max<LONG>(LONG(std::int32_t(LoadRegDword(section.c_str(), name, DWORD(value)))), least);
    };
    load("sizeHorzCX", sizeHorz.cx, minHorz.cx);
    load("sizeHorzCY", sizeHorz.cy, minHorz.cy);
    load("sizeVertCX", sizeVert.cx, minVert.cx);
    load("sizeVertCY", sizeVert.cy, minVert.cy);
    load("sizeFloatCX", sizeFloat.cx, minFloat.cx);
    load("sizeFloatCY", sizeFloat.cy, minFloat.cy);
}

void CSizingControlBar::SaveState(const char* profile) {
    const std::string section = Section(profile, GetDlgCtrlID());
    SaveRegDword(section.c_str(), "sizeHorzCX", DWORD(sizeHorz.cx));
    SaveRegDword(section.c_str(), "sizeHorzCY", DWORD(sizeHorz.cy));
    SaveRegDword(section.c_str(), "sizeVertCX", DWORD(sizeVert.cx));
    SaveRegDword(section.c_str(), "sizeVertCY", DWORD(sizeVert.cy));
    SaveRegDword(section.c_str(), "sizeFloatCX", DWORD(sizeFloat.cx));
    SaveRegDword(section.c_str(), "sizeFloatCY", DWORD(sizeFloat.cy));
}

// ---- docking state --------------------------------------------------------------------------

bool CSizingControlBar::IsFloatingBar() const { return !IsDockedTopOrBottom() && !IsDockedLeftOrRight(); }
bool CSizingControlBar::IsDockedTopOrBottom() const {
    return dockBarId == AFX_IDW_DOCKBAR_TOP || dockBarId == AFX_IDW_DOCKBAR_BOTTOM;
}
bool CSizingControlBar::IsDockedLeftOrRight() const {
    return dockBarId == AFX_IDW_DOCKBAR_LEFT || dockBarId == AFX_IDW_DOCKBAR_RIGHT;
}

void CSizingControlBar::FollowDocking(bool showing) {
    dockBarId = GetDockBarId();
    if (showing && !IsFloatingBar()) keepSize = true;
}

int CSizingControlBar::EdgeHitCode(int index) {
    switch (index) {
    case 0: return HTLEFT;
    case 1: return HTTOP;
    case 2: return HTRIGHT;
    case 3: return HTBOTTOM;
    default: return 0;
    }
}

bool CSizingControlBar::EdgeRect(const RECT& window, int code, RECT* out) const {
    RECT r = window;
    if (edgeStyle & kShowEdges) r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    const bool horz = IsDockedTopOrBottom(), vert = IsDockedLeftOrRight();
    switch (code) {
    case HTLEFT:
        if (!(edgeStyle & kEdgeLeft)) return false;
        r.right = r.left + edgeWidth;
        if (horz) r.top += edgeWidth, r.bottom -= edgeWidth;
        break;
    case HTRIGHT:
        if (!(edgeStyle & kEdgeRight)) return false;
        r.left = r.right - edgeWidth;
        if (horz) r.top += edgeWidth, r.bottom -= edgeWidth;
        break;
    case HTTOP:
        if (!(edgeStyle & kEdgeTop)) return false;
        r.bottom = r.top + edgeWidth;
        if (vert) r.left += edgeWidth, r.right -= edgeWidth;
        break;
    case HTBOTTOM:
        if (!(edgeStyle & kEdgeBottom)) return false;
        r.top = r.bottom - edgeWidth;
        if (vert) r.left += edgeWidth, r.right -= edgeWidth;
        break;
    default: return false;
    }
    if (out) *out = r;
    return true;
}

bool CSizingControlBar::RowRange(int* first, int* last, int* own) const {
    const DockBarList* list = GetDockBarList();
    if (!list) return false;
    const auto it = std::find(list->begin(), list->end(), this);
    if (it == list->end()) return false;
    const int i = int(it - list->begin());
    int f = i, l = i;
    while (f > 0 && (*list)[std::size_t(f - 1)]) --f;
    while (l + 1 < int(list->size()) && (*list)[std::size_t(l + 1)]) ++l;
    if (first) *first = f;
    if (last) *last = l;
    if (own) *own = i;
    return true;
}

std::vector<CSizingControlBar*> CSizingControlBar::RowSizingBars(int* own) const {
    std::vector<CSizingControlBar*> bars;
    if (own) *own = -1;
    int first = 0, last = -1;
    if (!RowRange(&first, &last, nullptr)) return bars;
    const DockBarList& list = *GetDockBarList();
    for (int i = first; i <= last; ++i) {
        auto* bar = dynamic_cast<CSizingControlBar*>(list[std::size_t(i)]);
        if (!bar || !bar->IsWindow() || !bar->IsVisible()) continue;
        if (bar == this && own) *own = int(bars.size());
        bars.push_back(bar);
    }
    return bars;
}

// ---- layout ---------------------------------------------------------------------------------

bool CSizingControlBar::ShareRowLength(int total, bool horz) {
    DockBarList* list = GetDockBarList();
    int first = 0, last = -1, self = -1;
    if (!list || !RowRange(&first, &last, &self)) return true;
    int runningMin = 2, actual = 0, available = total, rowWidth = 0;
    for (int i = first; i <= last; ++i) {
        CControlBar* bar = (*list)[std::size_t(i)];
        if (!bar || !bar->IsWindow() || !bar->IsVisible()) continue;
        auto* sizing = dynamic_cast<CSizingControlBar*>(bar);
        int counted;
        if (sizing) {
            counted = MinLength(sizing, horz) - 2;
        } else {
            const SIZE own = bar->CalcFixedLayout(FALSE, horz);
            counted = (horz ? own.cx : own.cy) - 2;
        }
        runningMin += counted;
        if (runningMin > total) {
            if (i < self) {
                // An earlier bar overflows: the row is split after it and laid out again.
                list->insert(list->begin() + i + 1, nullptr);
                return false;
            }
            if (i == self) {
                LengthRef(this, horz) = MinLength(this, horz);
                return true;
            }
            list->insert(list->begin() + i, nullptr);
            last = i - 1;
            break;
        }
        if (sizing) {
            actual += Length(sizing, horz) - 2;
            rowWidth = std::max<int>(rowWidth, horz ? sizing->sizeHorz.cy : sizing->sizeVert.cx);
        } else {
            available -= counted;
        }
    }
    int delta = available - actual;
    const std::vector<CSizingControlBar*> bars = RowSizingBars();
    if (bars.size() == 1) {
        if (delta != 0) {
            keepSize = false;
            LengthRef(this, horz) += delta;
        }
        return true;
    }
    for (CSizingControlBar* bar : bars) (horz ? bar->sizeHorz.cy : bar->sizeVert.cx) = rowWidth;
    bool keepCleared = false;
    while (delta != 0) {
        bool changed = false;
        for (CSizingControlBar* bar : bars) {
            if (delta == 0) break;
            if (delta < 0 && Length(bar, horz) <= MinLength(bar, horz)) continue;
            if (bar->keepSize) continue;
            const int step = delta > 0 ? 1 : -1;
            LengthRef(bar, horz) += step;
            delta -= step;
            changed = true;
        }
        if (!changed || delta == 0) {
            for (CSizingControlBar* bar : bars) bar->keepSize = false;
            if (!changed && keepCleared) break;  // every bar is at its minimum
            keepCleared = true;
        }
    }
    return true;
}

void CSizingControlBar::AlignRowBars() {
    const DockBarList* list = GetDockBarList();
    int first = 0, last = -1;
    if (!list || !RowRange(&first, &last, nullptr)) return;
    const bool horz = IsDockedTopOrBottom();
    const RECT dock = GetDockBarRect();
    int position = horz ? -2 : 0;
    bool moved = false;
    for (int i = first; i <= last; ++i) {
        CControlBar* bar = (*list)[std::size_t(i)];
        if (!bar || !bar->IsWindow() || !bar->IsVisible()) continue;
        RECT r;
        bar->GetWindowRect(&r);
        GetDockingFrame()->ScreenToClient(&r);
        r = RECT{r.left - dock.left, r.top - dock.top, r.right - dock.left, r.bottom - dock.top};
        if (auto* sizing = dynamic_cast<CSizingControlBar*>(bar)) {
            const SIZE s = horz ? sizing->sizeHorz : sizing->sizeVert;
            r.right = r.left + s.cx;
            r.bottom = r.top + s.cy;
        }
        const int lead = horz ? r.left : r.top;
        const int w = r.right - r.left, h = r.bottom - r.top;
        if (lead != position) {
            if (horz) r.left = position;
            else r.top = position;
            bar->MoveWindow(r.left + dock.left, r.top + dock.top, w, h, TRUE);
            moved = true;
        }
        position += (horz ? w : h) - 2;
    }
    if (moved) GetDockingFrame()->DelayRecalcLayout();
}

SIZE CSizingControlBar::CalcFixedLayout(BOOL stretch, BOOL horz) {
    dockBarId = GetDockBarId();
    if (stretch) return horz ? SIZE{32767, sizeHorz.cy} : SIZE{sizeVert.cx, 32767};
    const bool docked = !IsFloatingBar();
    if (docked && parentSizing && IsVisible()) {
        int own = -1;
        RowSizingBars(&own);
        if (own == 0) {
            const RECT dock = GetDockBarRect();
            RECT client{};
            GetDockingFrame()->GetClientRect(&client);
            const bool h = IsDockedTopOrBottom();
            int length = h ? dock.right - dock.left : dock.bottom - dock.top;
            if (length <= 0) length = h ? client.right - client.left : client.bottom - client.top;
            length = h ? length + 2 : length - 2;
            if (ShareRowLength(length, h)) AlignRowBars();
        }
    }
    parentSizing = false;
    if (horz) return SIZE{std::max(sizeHorz.cx, minHorz.cx), std::max(sizeHorz.cy, minHorz.cy)};
    return SIZE{std::max(sizeVert.cx, minVert.cx), std::max(sizeVert.cy, minVert.cy)};
}

SIZE CSizingControlBar::CalcDynamicLayout(int length, DWORD mode) {
    if (mode & (LM_HORZDOCK | LM_VERTDOCK)) {
        if (length == -1) parentSizing = true;
        return CControlBar::CalcDynamicLayout(length, mode);
    }
    if (mode & (LM_MRUWIDTH | LM_COMMIT)) return sizeFloat;
    if (mode & LM_LENGTHY) sizeFloat.cy = length;
    else sizeFloat.cx = length;
    sizeFloat.cx = std::max(sizeFloat.cx, minFloat.cx);
    sizeFloat.cy = std::max(sizeFloat.cy, minFloat.cy);
    sizeFloat.cx = std::min(sizeFloat.cx, floatRange.right);
    sizeFloat.cy = std::min(sizeFloat.cy, floatRange.bottom);
    sizeFloat.cx = std::max(sizeFloat.cx, floatRange.left);
    sizeFloat.cy = std::max(sizeFloat.cy, floatRange.top);
    return sizeFloat;
}

void CSizingControlBar::OnUpdateCmdUI() {}

// ---- the frame around the client area --------------------------------------------------------

void CSizingControlBar::ComputeEdges() {
    edgeStyle &= ~DWORD(kEdgeLeft | kEdgeRight | kEdgeTop | kEdgeBottom);
    if (IsFloatingBar()) return;
    int own = -1;
    const std::vector<CSizingControlBar*> bars = RowSizingBars(&own);
    const bool horz = IsDockedTopOrBottom();
    if (own > 0) edgeStyle |= horz ? kEdgeLeft : kEdgeTop;
    if (own >= 0 && own + 1 < int(bars.size())) edgeStyle |= horz ? kEdgeRight : kEdgeBottom;
}

void CSizingControlBar::CalcClientArea(RECT* rect, UINT dock) {
    rect->left += 3, rect->top += 5, rect->right -= 3, rect->bottom -= 3;
    if (dock != AFX_IDW_DOCKBAR_FLOAT) rect->left += 2, rect->right -= 2, rect->bottom -= 2;
    switch (dock) {
    case AFX_IDW_DOCKBAR_TOP: edgeStyle |= kEdgeBottom; break;
    case AFX_IDW_DOCKBAR_LEFT: edgeStyle |= kEdgeRight; break;
    case AFX_IDW_DOCKBAR_RIGHT: edgeStyle |= kEdgeLeft; break;
    case AFX_IDW_DOCKBAR_BOTTOM: edgeStyle |= kEdgeTop; break;
    default: break;
    }
    if (edgeStyle & kShowEdges) {
        if (edgeStyle & kEdgeLeft) rect->left += edgeWidth;
        if (edgeStyle & kEdgeTop) rect->top += edgeWidth;
        if (edgeStyle & kEdgeRight) rect->right -= edgeWidth;
        if (edgeStyle & kEdgeBottom) rect->bottom -= edgeWidth;
    }
}

void CSizingControlBar::RecalcFrame() {
    if (!IsWindow()) return;
    dockBarId = GetDockBarId();
    ComputeEdges();
    RECT r;
    GetClientRect(&r);
    CalcClientArea(&r, IsFloatingBar() ? AFX_IDW_DOCKBAR_FLOAT : dockBarId);
    clientArea_ = r;
    Invalidate(FALSE);
}

int CSizingControlBar::NcHitTest(POINT screen) {
    dockBarId = GetDockBarId();
    if (IsFloatingBar()) return HTCLIENT;
    RECT window;
    GetWindowRect(&window);
    for (int i = 0; i < 4; ++i) {
        RECT edge;
        const int code = EdgeHitCode(i);
        if (EdgeRect(window, code, &edge) && PointIn(edge, screen)) return code;
    }
    return HTCLIENT;
}

void CSizingControlBar::OnPaint() {
    CPaintDC dc(this);
    RECT window;
    GetClientRect(&window);
    // The frame is drawn into a picture of the window's size and copied in one step.
    CDC mem;
    CBitmap picture;
    const bool buffered = mem.CreateCompatibleDC(&dc) && picture.CreateCompatibleBitmap(&dc, window.right, window.bottom);
    CDC* target = buffered ? &mem : &dc;
    CBitmap* old = buffered ? mem.SelectObject(&picture) : nullptr;
    target->FillSolidRect(&window, GetSysColor(COLOR_BTNFACE));
    if (edgeStyle & kShowEdges)
        for (int i = 0; i < 4; ++i) {
            RECT edge;
            if (EdgeRect(window, EdgeHitCode(i), &edge)) Raised(target, edge);
        }
    PaintGripper(target, clientArea_);
    if (buffered) {
        dc.BitBlt(0, 0, window.right, window.bottom, &mem, 0, 0, SRCCOPY);
        mem.SelectObject(old);
    }
}

void CSizingControlBar::PaintGripper(CDC*, const RECT&) {}

// ---- messages -------------------------------------------------------------------------------

LRESULT CSizingControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCHITTEST: return NcHitTest(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_NCLBUTTONDOWN:
        NcButtonDown(int(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_NCLBUTTONUP:
        NcButtonUp(int(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_NCCALCSIZE: RecalcFrame(); return 0;
    case WM_NCPAINT: Invalidate(FALSE); return 0;
    case WM_IDLEUPDATECMDUI: OnUpdateCmdUI(); break;
    default: break;
    }
    return CControlBar::WindowProc(message, wParam, lParam);
}

bool CSizingControlBar::NcButtonDown(int code, POINT screen) {
    if (tracking || IsFloatingBar()) return false;
    if (code < HTLEFT || code > HTBOTTOMRIGHT) return false;
    BeginEdgeDrag(code, screen);
    return true;
}

bool CSizingControlBar::NcButtonUp(int, POINT) { return false; }

void CSizingControlBar::OnSize(UINT type, int cx, int cy) {
    CControlBar::OnSize(type, cx, cy);
    dockBarId = GetDockBarId();
    if (IsFloatingBar() && GetDockBarId() == AFX_IDW_DOCKBAR_FLOAT && cx > 0 && cy > 0) sizeFloat = SIZE{cx, cy};
    RecalcFrame();
}

void CSizingControlBar::OnShowWindow(BOOL show, UINT status) {
    CControlBar::OnShowWindow(show, status);
    FollowDocking(show != FALSE);
    RecalcFrame();
}

void CSizingControlBar::OnMouseMove(UINT flags, POINT pt) {
    if (tracking) {
        ClientToScreen(&pt);
        TrackEdgeTo(pt);
    }
    CControlBar::OnMouseMove(flags, pt);
}

void CSizingControlBar::OnLButtonDown(UINT flags, POINT pt) {
    POINT screen = pt;
    ClientToScreen(&screen);
    const int code = NcHitTest(screen);
    if (code != HTCLIENT && NcButtonDown(code, screen)) return;
    // Floating, the outer pixels of the bar's frame are its tool window's sizing border: an
    // edge, or a corner where two meet.
    if (IsFloatingBar() && !tracking) {
        if (const int edge = FloatFrameHitCode(pt); edge != HTCLIENT) {
            StartFrameSizing(edge, screen);
            return;
        }
    }
    // A press elsewhere on a bar that belongs to a dock bar (docked or floating) starts its
    // drag to another dock bar or out to float.
    if (code == HTCLIENT && GetDockBarId() != 0 && !tracking) {
        StartDrag(screen);
        return;
    }
    CControlBar::OnLButtonDown(flags, pt);
}

int CSizingControlBar::FloatFrameHitCode(POINT client) const {
    RECT r;
    GetClientRect(&r);
    const bool left = client.x < kFloatSizingBorder, right = client.x >= r.right - kFloatSizingBorder;
    const bool top = client.y < kFloatSizingBorder, bottom = client.y >= r.bottom - kFloatSizingBorder;
    if (top && left) return HTTOPLEFT;
    if (top && right) return HTTOPRIGHT;
    if (bottom && left) return HTBOTTOMLEFT;
    if (bottom && right) return HTBOTTOMRIGHT;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
    return HTCLIENT;
}

void CSizingControlBar::OnLButtonUp(UINT flags, POINT pt) {
    if (tracking) {
        EndEdgeDrag();
    } else {
        POINT screen = pt;
        ClientToScreen(&screen);
        NcButtonUp(NcHitTest(screen), screen);
    }
    CControlBar::OnLButtonUp(flags, pt);
}

void CSizingControlBar::OnLButtonDblClk(UINT flags, POINT pt) {
    // A double click on a bar that may dock moves it between its dock bar and floating.
    CFrameWnd* frame = GetDockingFrame();
    if (!frame || !GetDockingAlign()) {
        CControlBar::OnLButtonDblClk(flags, pt);
        return;
    }
    if (IsFloating()) {
        frame->DockControlBar(this);
    } else {
        RECT r;
        GetWindowRect(&r);
        frame->FloatControlBar(this, POINT{r.left, r.top});
    }
}

void CSizingControlBar::OnRButtonDown(UINT flags, POINT pt) {
    if (tracking) EndEdgeDrag();
    CControlBar::OnRButtonDown(flags, pt);
}

void CSizingControlBar::OnCaptureChanged(CWnd* wnd) {
    if (tracking && wnd != this) EndEdgeDrag();
    CControlBar::OnCaptureChanged(wnd);
}

void CSizingControlBar::OnClose() {}

// ---- edge drags -----------------------------------------------------------------------------

void CSizingControlBar::BeginEdgeDrag(int code, POINT screen) {
    SetCapture();
    if (!fullDrag) RedrawWindow(nullptr, nullptr, RDW_ALLCHILDREN | RDW_UPDATENOW);
    dragEdge = code;
    tracking = true;
    const bool followsX = code == HTLEFT || code == HTRIGHT;
    trackPos = followsX ? screen.x : screen.y;
    RECT window, edge{};
    GetWindowRect(&window);
    EdgeRect(window, code, &edge);
    trackEdgeOffset = trackPos - (followsX ? (edge.left + edge.right) / 2 : (edge.top + edge.bottom) / 2);
    trackMin = trackMax = trackPos;

    const bool horz = IsDockedTopOrBottom();
    int own = -1;
    const std::vector<CSizingControlBar*> bars = RowSizingBars(&own);
    const bool across = horz ? !followsX : followsX;
    const bool leading = code == HTLEFT || code == HTTOP;
    if (across) {
        int rowMin = horz ? minHorz.cy : minVert.cx;
        for (CSizingControlBar* bar : bars) rowMin = std::max<int>(rowMin, horz ? bar->minHorz.cy : bar->minVert.cx);
        const int excess = (horz ? sizeHorz.cy : sizeVert.cx) - rowMin;
        const RECT free = GetDockingFrame()->QueryFreeClientRect();
        const int largest = (horz ? free.bottom - free.top : free.right - free.left) - 2;
        if (leading) trackMin -= largest, trackMax += excess;
        else trackMin -= excess, trackMax += largest;
    } else if (own >= 0) {
        const int growing = leading ? own : own + 1;
        for (int i = 0; i < int(bars.size()); ++i) {
            const int excess = Length(bars[std::size_t(i)], horz) - MinLength(bars[std::size_t(i)], horz);
            if (i < growing) trackMin -= excess;
            else trackMax += excess;
        }
    }
    InvertTrackLine();
}

void CSizingControlBar::TrackEdgeTo(POINT screen) {
    const bool followsX = dragEdge == HTLEFT || dragEdge == HTRIGHT;
    const int coord = std::clamp<int>(followsX ? screen.x : screen.y, trackMin, std::max(trackMin, trackMax));
    const int delta = coord - trackPos;
    if (delta == 0) return;
    InvertTrackLine();
    trackPos = coord;
    const bool horz = IsDockedTopOrBottom();
    SIZE size = horz ? sizeHorz : sizeVert;
    switch (dragEdge) {
    case HTLEFT: size.cx -= delta; break;
    case HTRIGHT: size.cx += delta; break;
    case HTTOP: size.cy -= delta; break;
    default: size.cy += delta; break;
    }
    int own = -1;
    const std::vector<CSizingControlBar*> bars = RowSizingBars(&own);
    const bool across = horz ? !followsX : followsX;
    if (across) {
        for (CSizingControlBar* bar : bars)
            if (horz) bar->sizeHorz.cy = size.cy;
            else bar->sizeVert.cx = size.cx;
        if (own < 0) (horz ? sizeHorz.cy : sizeVert.cx) = horz ? size.cy : size.cx;
    } else if (own >= 0) {
        // The edge lies between bars edge - 1 and edge; the bar on the side it moves away from
        // grows, the bars on the other side give the length up, nearest first.
        const int edge = (dragEdge == HTLEFT || dragEdge == HTTOP) ? own : own + 1;
        const int grower = delta > 0 ? edge - 1 : edge;
        const int step = delta > 0 ? 1 : -1;
        if (grower >= 0 && grower < int(bars.size())) {
            int need = std::abs(delta), given = 0;
            for (int i = delta > 0 ? edge : edge - 1; i >= 0 && i < int(bars.size()) && need > 0; i += step) {
                CSizingControlBar* bar = bars[std::size_t(i)];
                const int take = std::min(need, std::max(0, Length(bar, horz) - MinLength(bar, horz)));
                LengthRef(bar, horz) -= take;
                need -= take;
                given += take;
            }
            LengthRef(bars[std::size_t(grower)], horz) += given;
        }
    }
    InvertTrackLine();
    if (fullDrag) GetDockingFrame()->DelayRecalcLayout();
}

void CSizingControlBar::EndEdgeDrag() {
    InvertTrackLine();
    tracking = false;
    if (GetCapture() == this) ReleaseCapture();
    GetDockingFrame()->DelayRecalcLayout();
}

void CSizingControlBar::InvertTrackLine() {
    if (fullDrag) return;
    CFrameWnd* frame = GetDockingFrame();
    RECT window, r;
    GetWindowRect(&window);
    if (!frame || !EdgeRect(window, dragEdge, &r)) return;
    const bool followsX = dragEdge == HTLEFT || dragEdge == HTRIGHT;
    const bool horz = IsDockedTopOrBottom();
    if (horz ? !followsX : followsX) {
        RECT dock = GetDockBarRect();
        frame->ClientToScreen(&dock);
        if (horz) r.left = dock.left + 1, r.right = dock.right - 1;
        else r.top = dock.top + 1, r.bottom = dock.bottom - 1;
    }
    const int centre = trackPos - trackEdgeOffset;
    if (followsX) {
        const int w = r.right - r.left;
        r.left = centre - w / 2;
        r.right = r.left + w;
    } else {
        const int h = r.bottom - r.top;
        r.top = centre - h / 2;
        r.bottom = r.top + h;
    }
    frame->ScreenToClient(&r);
    CClientDC dc(frame);
    dc.InvertRect(&r);
    trackLineShown = !trackLineShown;
}

// ---- the gripper bar ------------------------------------------------------------------------

void CloseButton::PaintButton(CDC* dc) const {
    const RECT r = ButtonRect();
    if (pushed)
        Frame3d(dc, r, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    else
        Raised(dc, r);
    // The cross, drawn where the symbol font's glyph sits (origin + 2, 2).
    CPen pen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
    CPen* oldPen = dc->SelectObject(&pen);
    const int x = origin.x + 3, y = origin.y + 3;
    for (int d = 0; d < 2; ++d) {
        dc->MoveTo(x + d, y);
        dc->LineTo(x + d + 5, y + 5);
        dc->MoveTo(x + d + 4, y);
        dc->LineTo(x + d - 1, y + 5);
    }
    dc->SelectObject(oldPen);
}

BOOL CSizingControlBarG::Create(const char* title, CFrameWnd* frame, SIZE defaultSize, UINT id) {
    return CSizingControlBar::Create(title, frame, defaultSize, FALSE, id, CBRS_TOP | CBRS_SIZE_DYNAMIC);
}

bool CSizingControlBarG::ShowsGripper() const { return !IsFloatingBar(); }
void CSizingControlBarG::OnCloseBar() {}
void CSizingControlBarG::OnClose() { OnCloseBar(); }

void CSizingControlBarG::CalcClientArea(RECT* rect, UINT dock) {
    const RECT window = *rect;
    CSizingControlBar::CalcClientArea(rect, dock);
    if (!ShowsGripper()) return;
    POINT origin;
    if (IsDockedTopOrBottom()) {
        rect->left += gripperWidth;
        origin = POINT{rect->left - 13, rect->top};
    } else {
        rect->top += gripperWidth;
        origin = POINT{rect->right - 12, rect->top - 13};
    }
    closeButton.MoveButton(POINT{origin.x - window.left, origin.y - window.top});
}

void CSizingControlBarG::PaintGripper(CDC* dc, const RECT& client) {
    if (!ShowsGripper()) return;
    RECT grip{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1};
    const RECT button = closeButton.ButtonRect();
    const bool horz = IsDockedTopOrBottom();
    if (horz) {
        grip.left -= gripperWidth;
        grip.right = grip.left + 3;
        grip.top = button.bottom + 3;
    } else {
        grip.top -= gripperWidth;
        grip.bottom = grip.top + 3;
        grip.right = button.left - 3;
    }
    Raised(dc, grip);
    if (horz) grip.left += 3, grip.right += 3;
    else grip.top += 3, grip.bottom += 3;
    Raised(dc, grip);
    closeButton.PaintButton(dc);
}

int CSizingControlBarG::NcHitTest(POINT screen) {
    const int code = CSizingControlBar::NcHitTest(screen);
    if (code != HTCLIENT || !ShowsGripper()) return code;
    RECT window, button = closeButton.ButtonRect();
    GetWindowRect(&window);
    button = RECT{button.left + window.left, button.top + window.top, button.right + window.left, button.bottom + window.top};
    return PointIn(button, screen) ? HTCLOSE : code;
}

bool CSizingControlBarG::NcButtonDown(int code, POINT screen) {
    if (code == HTCLOSE) return true;
    return CSizingControlBar::NcButtonDown(code, screen);
}

bool CSizingControlBarG::NcButtonUp(int code, POINT screen) {
    if (code == HTCLOSE) {
        GetDockingFrame()->ShowControlBar(this, FALSE, FALSE);
        return true;
    }
    return CSizingControlBar::NcButtonUp(code, screen);
}

void CSizingControlBarG::OnUpdateCmdUI() {
    if (!ShowsGripper()) return;
    POINT cursor;
    fw::GetCursorPos(&cursor);
    const bool over = NcHitTest(cursor) == HTCLOSE;
    const bool down = fw::GetKeyState(VK_LBUTTON) < 0;
    const bool pushed = over && down, raised = over && !down;
    if (pushed != closeButton.pushed || raised != closeButton.raised) {
        closeButton.pushed = pushed;
        closeButton.raised = raised;
        SendMessage(WM_NCPAINT);
    }
}
