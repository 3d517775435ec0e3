// Control bars docked along the top of a frame or floating in tool windows of their own, and
// the layout of a frame's client area.
#include "framework/ControlBar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <vector>

#include "framework/CodePage.h"
#include "framework/Input.h"
#include "framework/WindowImpl.h"

struct CControlBar::BarImpl {
    CFrameWnd* frame = nullptr;
    DWORD barStyle = 0;
    DWORD dockAlign = 0;
    bool floating = false;
    bool shown = false;
    SIZE size{};
    QPointer<QWidget> floatWin;
    // The drag by the pointer: where it started and the bar's window rectangle then (screen).
    bool dragging = false;
    POINT dragStart{};
    RECT dragRect{};
    // The frame sizing of the floating tool window: the hit code (0: none) and the window's
    // geometry when it started.
    int sizingCode = 0;
    QRect sizingStart;
};

namespace {

std::map<const CFrameWnd*, std::vector<CControlBar*>>& frameBars() {
    static std::map<const CFrameWnd*, std::vector<CControlBar*>> m;
    return m;
}

// A frame's docking: the edges it allows and its four dock bars (top, left, right, bottom).
struct FrameDock {
    DWORD align = 0;
    DockBarList lists[4] = {{nullptr}, {nullptr}, {nullptr}, {nullptr}};
    RECT rects[4]{};
    bool relayoutPending = false;
};

std::map<const CFrameWnd*, FrameDock>& frameDocks() {
    static std::map<const CFrameWnd*, FrameDock> m;
    return m;
}

int DockIndex(UINT id) { return id >= AFX_IDW_DOCKBAR_TOP && id <= AFX_IDW_DOCKBAR_BOTTOM ? int(id - AFX_IDW_DOCKBAR_TOP) : -1; }

// Takes the bar out of every dock bar of the frame; a row left empty goes with it.
void Undock(const CFrameWnd* frame, CControlBar* bar) {
    auto it = frameDocks().find(frame);
    if (it == frameDocks().end()) return;
    for (DockBarList& list : it->second.lists) {
        list.erase(std::remove(list.begin(), list.end(), bar), list.end());
        for (std::size_t i = 1; i < list.size();)
            if (!list[i] && !list[i - 1]) list.erase(list.begin() + std::ptrdiff_t(i));
            else ++i;
        if (list.empty() || list.front()) list.insert(list.begin(), nullptr);
    }
}

QSize screenMax() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry().size() : QSize(1024, 768);
}

// The floating tool window around a bar: passes its size to the bar and asks the bar for its
// limits.
class FloatWindow : public QWidget {
public:
    FloatWindow(QWidget* owner, CControlBar* bar) : QWidget(owner, Qt::Tool), bar_(bar) {}
    void limits() {
        MINMAXINFO mmi{};
        QSize max = screenMax();
        mmi.ptMaxSize = POINT{max.width(), max.height()};
        mmi.ptMaxTrackSize = POINT{max.width(), max.height()};
        if (bar_ && bar_->IsWindow()) bar_->SendMessage(WM_GETMINMAXINFO, 0, LPARAM(&mmi));
        setMinimumSize(std::max<LONG>(0, mmi.ptMinTrackSize.x), std::max<LONG>(0, mmi.ptMinTrackSize.y));
        if (mmi.ptMaxTrackSize.x > 0 && mmi.ptMaxTrackSize.y > 0)
            setMaximumSize(std::min<LONG>(QWIDGETSIZE_MAX, mmi.ptMaxTrackSize.x), std::min<LONG>(QWIDGETSIZE_MAX, mmi.ptMaxTrackSize.y));
    }

protected:
    void resizeEvent(QResizeEvent*) override {
        if (bar_ && bar_->IsWindow()) bar_->MoveWindow(0, 0, width(), height(), TRUE);
    }
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        if (bar_ && bar_->GetDockingFrame()) bar_->GetDockingFrame()->ShowControlBar(bar_, FALSE);
    }

private:
    CControlBar* bar_;
};

}  // namespace

CControlBar::CControlBar() : bar_(std::make_unique<BarImpl>()) {}

CControlBar::~CControlBar() {
    if (bar_->frame) {
        auto& v = frameBars()[bar_->frame];
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        Undock(bar_->frame, this);
    }
    QWidget* fw_ = bar_->floatWin;
    DestroyWindow();
    delete fw_;
}

BOOL CControlBar::Create(const char* title, CFrameWnd* frame, UINT id, DWORD barStyle, SIZE size) {
    if (!frame || !frame->IsWindow()) return FALSE;
    RECT r{0, 0, size.cx, size.cy};
    if (!CWnd::CreateEx(WS_EX_TOOLWINDOW, nullptr, title, WS_CHILD | WS_CLIPSIBLINGS, r, frame, id)) return FALSE;
    bar_->frame = frame;
    bar_->barStyle = barStyle;
    bar_->size = size;
    frameBars()[frame].push_back(this);
    return TRUE;
}

DWORD CControlBar::GetBarStyle() const { return bar_->barStyle; }
void CControlBar::SetBarStyle(DWORD style) { bar_->barStyle = style; }
void CControlBar::EnableDocking(DWORD alignMask) { bar_->dockAlign = alignMask & CBRS_ALIGN_ANY; }
DWORD CControlBar::GetDockingAlign() const { return bar_->dockAlign; }
bool CControlBar::IsFloating() const { return bar_->floating; }
bool CControlBar::IsVisible() const { return bar_->shown && IsWindowVisible(); }
CFrameWnd* CControlBar::GetDockingFrame() const { return bar_->frame; }

void CControlBar::ApplySizeLimits() {
    if (auto* f = static_cast<FloatWindow*>(bar_->floatWin.data())) f->limits();
}

bool CControlBar::SpansRow() const { return true; }

SIZE CControlBar::CalcFixedLayout(BOOL stretch, BOOL horz) {
    const SIZE own = bar_->size;
    if (stretch) return horz ? SIZE{32767, own.cy} : SIZE{own.cx, 32767};
    return own;
}

SIZE CControlBar::CalcDynamicLayout(int, DWORD mode) {
    return CalcFixedLayout((mode & LM_STRETCH) != 0, (mode & LM_HORZ) != 0);
}

UINT CControlBar::GetDockBarId() const {
    if (bar_->floating) return AFX_IDW_DOCKBAR_FLOAT;
    auto it = frameDocks().find(bar_->frame);
    if (it == frameDocks().end()) return 0;
    for (int i = 0; i < 4; ++i) {
        const DockBarList& list = it->second.lists[i];
        if (std::find(list.begin(), list.end(), this) != list.end()) return AFX_IDW_DOCKBAR_TOP + UINT(i);
    }
    return 0;
}

DockBarList* CControlBar::GetDockBarList() const {
    const int index = DockIndex(GetDockBarId());
    return index < 0 ? nullptr : &frameDocks()[bar_->frame].lists[index];
}

RECT CControlBar::GetDockBarRect() const {
    const int index = DockIndex(GetDockBarId());
    return index < 0 ? RECT{} : frameDocks()[bar_->frame].rects[index];
}

// ---- the frame's side -----------------------------------------------------------------------

void CFrameWnd::EnableDocking(DWORD alignMask) { frameDocks()[this].align = alignMask & CBRS_ALIGN_ANY; }

CControlBar* CFrameWnd::GetControlBar(UINT id) const {
    for (CControlBar* bar : frameBars()[this])
        if (UINT(bar->GetDlgCtrlID()) == id) return bar;
    return nullptr;
}

std::vector<CControlBar*> CFrameWnd::GetControlBars() const { return frameBars()[this]; }

DockBarList* CFrameWnd::GetDockBarList(UINT dockBarId) const {
    const int index = DockIndex(dockBarId);
    return index < 0 ? nullptr : &frameDocks()[this].lists[index];
}

void CFrameWnd::DockControlBar(CControlBar* bar) {
    if (!bar || !bar->IsWindow()) return;
    const DWORD allowed = bar->bar_->dockAlign & frameDocks()[this].align;
    if (!allowed) {
        // A bar that may not dock floats where it is.
        RECT r;
        bar->GetWindowRect(&r);
        FloatControlBar(bar, POINT{r.left, r.top});
        return;
    }
    // The first allowed edge in the order top, bottom, left, right.
    UINT id = AFX_IDW_DOCKBAR_TOP;
    if (!(allowed & CBRS_ALIGN_TOP)) {
        if (allowed & CBRS_ALIGN_BOTTOM) id = AFX_IDW_DOCKBAR_BOTTOM;
        else if (allowed & CBRS_ALIGN_LEFT) id = AFX_IDW_DOCKBAR_LEFT;
        else id = AFX_IDW_DOCKBAR_RIGHT;
    }
    DockControlBarAt(bar, id);
}

void CFrameWnd::DockControlBarAt(CControlBar* bar, UINT dockBarId, int row) {
    DockBarList* list = GetDockBarList(dockBarId);
    if (!bar || !bar->IsWindow() || !list) return;
    Undock(this, bar);
    // The end of row `row`: the null entry that closes it.
    std::size_t at = list->size();
    int seen = -1;
    for (std::size_t i = 0; i < list->size() && row >= 0; ++i) {
        if ((*list)[i]) continue;
        if (seen == row) {
            at = i;
            break;
        }
        ++seen;
    }
    if (at == list->size()) {
        list->push_back(bar);
        list->push_back(nullptr);
    } else {
        list->insert(list->begin() + std::ptrdiff_t(at), bar);
    }
    QWidget* w = bar->impl()->widget;
    if (bar->bar_->floating) {
        w->setParent(impl_->surface());
        if (bar->bar_->floatWin) bar->bar_->floatWin->hide();
        bar->bar_->floating = false;
    }
    w->show();
    bar->bar_->shown = true;
    DelayRecalcLayout();
}

void CFrameWnd::FloatControlBar(CControlBar* bar, POINT pt, DWORD) {
    if (!bar || !bar->IsWindow()) return;
    auto& b = *bar->bar_;
    Undock(this, bar);
    if (!b.floatWin) {
        auto* f = new FloatWindow(impl_->widget, bar);
        f->setWindowTitle(QString::fromStdString(fw::ToUtf8(bar->GetWindowText())));
        b.floatWin = f;
    }
    QWidget* w = bar->impl()->widget;
    b.floating = true;
    const SIZE want = bar->CalcDynamicLayout(0, LM_MRUWIDTH);
    QSize size = want.cx > 0 && want.cy > 0 ? QSize(want.cx, want.cy)
                 : w->size().isEmpty()      ? QSize(b.size.cx, b.size.cy)
                                            : w->size();
    w->setParent(b.floatWin);
    w->move(0, 0);
    w->show();
    b.shown = true;
    auto* f = static_cast<FloatWindow*>(b.floatWin.data());
    f->limits();
    f->resize(size.expandedTo(f->minimumSize()).boundedTo(f->maximumSize()));
    // A window floated again at its old size gets no resize event: the bar takes its size here.
    bar->MoveWindow(0, 0, f->width(), f->height(), TRUE);
    f->move(pt.x, pt.y);
    f->show();
    RecalcLayout();
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL) {
    if (!bar || !bar->IsWindow()) return;
    auto& b = *bar->bar_;
    b.shown = show != FALSE;
    if (b.floating && b.floatWin) {
        b.floatWin->setVisible(b.shown);
        bar->impl()->widget->setVisible(true);
    } else {
        bar->ShowWindow(b.shown ? SW_SHOW : SW_HIDE);
    }
    RecalcLayout();
}

// --- the drag to another dock bar or out to float -----------------------------------------------

void CControlBar::StartDrag(POINT screenPt) {
    if (bar_->dragging || !bar_->frame) return;
    bar_->dragging = true;
    bar_->dragStart = screenPt;
    if (bar_->floating && bar_->floatWin) {
        const QRect g = bar_->floatWin->frameGeometry();
        bar_->dragRect = RECT{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    } else {
        GetWindowRect(&bar_->dragRect);
    }
    SetCapture();
}

bool CControlBar::IsDragging() const { return bar_->dragging; }

void CControlBar::StartFrameSizing(int hitCode, POINT screenPt) {
    if (bar_->sizingCode || !bar_->floating || !bar_->floatWin || hitCode < 10 || hitCode > 17) return;
    bar_->sizingCode = hitCode;
    bar_->sizingStart = bar_->floatWin->geometry();
    bar_->dragStart = screenPt;
    SetCapture();
}

bool CControlBar::IsFrameSizing() const { return bar_->sizingCode != 0; }

namespace {

// The edges a hit code moves: left, top, right, bottom.
struct SizingEdges {
    bool left, top, right, bottom;
};
SizingEdges EdgesOf(int code) {
    switch (code) {
    case 10: return {true, false, false, false};
    case 11: return {false, false, true, false};
    case 12: return {false, true, false, false};
    case 13: return {true, true, false, false};
    case 14: return {false, true, true, false};
    case 15: return {false, false, false, true};
    case 16: return {true, false, false, true};
    case 17: return {false, false, true, true};
    default: return {false, false, false, false};
    }
}

}  // namespace

// The tool window's new geometry for a sizing by the hit code moved by (dx, dy): the bar's own
// floating layout decides the width and height it takes, then the window's limits.
static QRect SizedFloatingFrame(CControlBar* bar, QWidget* win, const QRect& start, int code, int dx, int dy) {
    const SizingEdges e = EdgesOf(code);
    int width = start.width(), height = start.height();
    if (e.right) width = start.width() + dx;
    if (e.left) width = start.width() - dx;
    if (e.bottom) height = start.height() + dy;
    if (e.top) height = start.height() - dy;
    SIZE s{width, height};
    if (e.left || e.right) s = bar->CalcDynamicLayout(width, LM_HORZ);
    if (e.top || e.bottom) s = bar->CalcDynamicLayout(height, LM_LENGTHY);
    if (e.left || e.right) width = s.cx;
    if (e.top || e.bottom) height = s.cy;
    const QSize minSize = win->minimumSize(), maxSize = win->maximumSize();
    width = std::clamp(width, std::max(1, minSize.width()), std::max(1, maxSize.width()));
    height = std::clamp(height, std::max(1, minSize.height()), std::max(1, maxSize.height()));
    // A moved left or top edge keeps the opposite edge where it was.
    const int left = e.left ? start.left() + start.width() - width : start.left();
    const int top = e.top ? start.top() + start.height() - height : start.top();
    return QRect(left, top, width, height);
}

namespace {

bool Meets(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

void CControlBar::EndDrag(POINT pt, bool drop) {
    if (!bar_->dragging) return;
    bar_->dragging = false;
    if (GetCapture() == this) ReleaseCapture();
    CFrameWnd* frame = bar_->frame;
    const int dx = pt.x - bar_->dragStart.x, dy = pt.y - bar_->dragStart.y;
    if (!drop || !frame || (dx == 0 && dy == 0)) return;
    const RECT moved{bar_->dragRect.left + dx, bar_->dragRect.top + dy, bar_->dragRect.right + dx,
                     bar_->dragRect.bottom + dy};
    FrameDock& dock = frameDocks()[frame];
    const DWORD allowed = bar_->dockAlign & dock.align;
    // The dock bars in the order top, bottom, left, right; an empty one is a line along its
    // edge of the client area, one pixel thick.
    static const struct {
        int index;
        DWORD align;
        UINT id;
    } kDocks[] = {{0, CBRS_ALIGN_TOP, AFX_IDW_DOCKBAR_TOP},
                  {3, CBRS_ALIGN_BOTTOM, AFX_IDW_DOCKBAR_BOTTOM},
                  {1, CBRS_ALIGN_LEFT, AFX_IDW_DOCKBAR_LEFT},
                  {2, CBRS_ALIGN_RIGHT, AFX_IDW_DOCKBAR_RIGHT}};
    for (const auto& d : kDocks) {
        if (!(allowed & d.align)) continue;
        RECT site = dock.rects[d.index];
        frame->ClientToScreen(&site);
        const bool horz = d.index == 0 || d.index == 3;
        if (horz && site.bottom <= site.top) {
            if (d.index == 3) site.top = site.bottom - 1;
            else site.bottom = site.top + 1;
        }
        if (!horz && site.right <= site.left) {
            if (d.index == 2) site.left = site.right - 1;
            else site.right = site.left + 1;
        }
        if (!Meets(site, moved)) continue;
        // The row under the pointer, from the other bars' places as the last layout left them.
        Undock(frame, this);
        DockBarList& list = dock.lists[d.index];
        const int across = horz ? pt.y : pt.x, along = horz ? pt.x : pt.y;
        std::size_t insertAt = list.size();  // a new last row
        bool newRow = true;
        int rowFirstEdge = INT_MAX;
        for (std::size_t i = 0; i < list.size();) {
            // The row from i (a null) to the next null.
            std::size_t end = i + 1;
            while (end < list.size() && list[end]) ++end;
            int lo = INT_MAX, hi = INT_MIN;
            for (std::size_t k = i + 1; k < end; ++k) {
                RECT r;
                list[k]->GetWindowRect(&r);
                lo = std::min<int>(lo, horz ? r.top : r.left);
                hi = std::max<int>(hi, horz ? r.bottom : r.right);
            }
            if (end > i + 1) {
                rowFirstEdge = std::min(rowFirstEdge, lo);
                if (across >= lo && across < hi) {
                    newRow = false;
                    insertAt = end;
                    for (std::size_t k = i + 1; k < end; ++k) {
                        RECT r;
                        list[k]->GetWindowRect(&r);
                        const int mid = horz ? (r.left + r.right) / 2 : (r.top + r.bottom) / 2;
                        if (mid > along) {
                            insertAt = k;
                            break;
                        }
                    }
                    break;
                }
            }
            if (end >= list.size()) break;
            i = end;
        }
        if (newRow && across < rowFirstEdge) insertAt = 0;  // a new first row
        QWidget* w = impl()->widget;
        if (bar_->floating) {
            w->setParent(frame->impl()->surface());
            if (bar_->floatWin) bar_->floatWin->hide();
            bar_->floating = false;
        }
        if (newRow) {
            if (insertAt == 0) list.insert(list.begin() + 1, {this, nullptr});
            else {
                if (list.empty() || list.back()) list.push_back(nullptr);
                list.push_back(this);
                list.push_back(nullptr);
            }
        } else {
            list.insert(list.begin() + std::ptrdiff_t(insertAt), this);
        }
        w->show();
        bar_->shown = true;
        frame->DelayRecalcLayout();
        return;
    }
    frame->FloatControlBar(this, POINT{moved.left, moved.top});
}

LRESULT CControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (bar_->sizingCode) {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        switch (message) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
            ClientToScreen(&p);
            if (bar_->floatWin)
                bar_->floatWin->setGeometry(SizedFloatingFrame(this, bar_->floatWin, bar_->sizingStart, bar_->sizingCode,
                                                               p.x - bar_->dragStart.x, p.y - bar_->dragStart.y));
            if (message == WM_LBUTTONUP) {
                bar_->sizingCode = 0;
                if (GetCapture() == this) ReleaseCapture();
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<CWnd*>(lParam) != this) bar_->sizingCode = 0;
            break;
        default: break;
        }
    }
    if (bar_->dragging) {
        switch (message) {
        case WM_MOUSEMOVE: return 0;
        case WM_LBUTTONUP: {
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ClientToScreen(&p);
            EndDrag(p, true);
            return 0;
        }
        case WM_RBUTTONDOWN: EndDrag(bar_->dragStart, false); return 0;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                EndDrag(bar_->dragStart, false);
                return 0;
            }
            break;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<CWnd*>(lParam) != this) bar_->dragging = false;
            break;
        default: break;
        }
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CFrameWnd::DelayRecalcLayout() {
    FrameDock& dock = frameDocks()[this];
    if (dock.relayoutPending || !impl_ || !impl_->widget) return;
    dock.relayoutPending = true;
    QTimer::singleShot(0, impl_->widget, [this] {
        frameDocks()[this].relayoutPending = false;
        RecalcLayout();
    });
}

namespace {

// Lays the dock bars of a frame out in its client area (w x h); moves the bars unless only
// asked, and answers the free rectangle left for the pane.
RECT LayoutDocks(CFrameWnd* frame, int w, int h, bool move) {
    FrameDock& dock = frameDocks()[frame];
    RECT free{0, 0, w, h};
    // Top, bottom, left, right, as the dock bars take the frame's area.
    for (const int index : {0, 3, 1, 2}) {
        const bool horz = index == 0 || index == 3;
        DockBarList& list = dock.lists[index];
        // The rows, each the visible docked bars between two null entries.
        auto makeRows = [&list] {
            std::vector<std::vector<CControlBar*>> rows(1);
            for (CControlBar* bar : list) {
                if (!bar) {
                    if (!rows.back().empty()) rows.emplace_back();
                    continue;
                }
                if (bar->IsWindow() && !bar->impl()->widget->isHidden()) rows.back().push_back(bar);
            }
            if (rows.back().empty()) rows.pop_back();
            return rows;
        };
        std::vector<std::vector<CControlBar*>> rows = makeRows();
        const int length = horz ? int(free.right - free.left) : int(free.bottom - free.top);
        RECT& rect = dock.rects[index];
        rect = horz ? RECT{free.left, 0, free.right, 0} : RECT{0, free.top, 0, free.bottom};
        if (move) {
            // Each bar's own answer first (the first sizing bar of a row shares the row out,
            // and may split the row when its bars do not fit: then the rows are asked again).
            for (int pass = 0; pass < 8; ++pass) {
                const std::size_t entries = list.size();
                for (const auto& row : rows)
                    for (CControlBar* bar : row)
                        bar->CalcDynamicLayout(-1, horz ? (LM_HORZ | LM_HORZDOCK) : LM_VERTDOCK);
                rows = makeRows();
                if (list.size() == entries) break;
            }
        }
        int across = 0;
        std::vector<std::vector<RECT>> placed;
        for (const auto& row : rows) {
            std::vector<RECT> rects;
            // A bar alone in its row that spans it (a tool bar, the status bar) takes the whole
            // length; other bars lie end to end, overlapping by 2 pixels (from -2 along a
            // horizontal row, 0 down a vertical one).
            const bool span = row.size() == 1 && row.front()->SpansRow();
            int along = span ? 0 : (horz ? -2 : 0), thick = 0;
            for (CControlBar* bar : row) {
                SIZE sz = bar->CalcFixedLayout(FALSE, horz);
                if (span) {
                    if (horz) sz.cx = length;
                    else sz.cy = length;
                }
                RECT r = horz ? RECT{along, across, along + sz.cx, across + sz.cy}
                              : RECT{across, along, across + sz.cx, along + sz.cy};
                rects.push_back(r);
                along += (horz ? sz.cx : sz.cy) - (span ? 0 : 2);
                thick = std::max<int>(thick, horz ? sz.cy : sz.cx);
            }
            across += thick;
            placed.push_back(rects);
        }
        // The dock bar's place in the frame.
        if (index == 0) {
            rect.top = free.top;
            rect.bottom = free.top + across;
            free.top = rect.bottom;
        } else if (index == 3) {
            rect.bottom = free.bottom;
            rect.top = free.bottom - across;
            free.bottom = rect.top;
        } else if (index == 1) {
            rect.left = free.left;
            rect.right = free.left + across;
            free.left = rect.right;
        } else {
            rect.right = free.right;
            rect.left = free.right - across;
            free.right = rect.left;
        }
        if (!move) continue;
        for (std::size_t i = 0; i < rows.size(); ++i)
            for (std::size_t j = 0; j < rows[i].size(); ++j) {
                const RECT& r = placed[i][j];
                const RECT want{r.left + rect.left, r.top + rect.top, r.right + rect.left, r.bottom + rect.top};
                RECT now;
                rows[i][j]->GetWindowRect(&now);
                frame->ScreenToClient(&now);
                if (std::memcmp(&now, &want, sizeof now) != 0)
                    rows[i][j]->MoveWindow(want.left, want.top, want.right - want.left, want.bottom - want.top, TRUE);
            }
    }
    return free;
}

}  // namespace

RECT CFrameWnd::QueryFreeClientRect() {
    QWidget* client = impl_->surface();
    if (!client) return RECT{};
    return LayoutDocks(this, client->width(), client->height(), false);
}

namespace fw {

void FrameLayout(CFrameWnd* frame) {
    QWidget* client = frame->impl()->surface();
    if (!client) return;
    const RECT free = LayoutDocks(frame, client->width(), client->height(), true);
    if (CWnd* pane = frame->GetDlgItem(0xE900))
        pane->MoveWindow(free.left, free.top, std::max<LONG>(0, free.right - free.left),
                         std::max<LONG>(0, free.bottom - free.top), TRUE);
}

void FrameLayoutOuter(CWnd* frame) {
    QWidget* outer = frame->impl()->widget;
    QWidget* client = frame->impl()->client;
    if (!outer || !client || outer == client) return;
    int top = 0;
    if (QMenuBar* bar = outer->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly)) {
        int h = bar->sizeHint().height();
        bar->setGeometry(0, 0, outer->width(), h);
        top = h;
    }
    client->setGeometry(0, top, outer->width(), std::max(0, outer->height() - top));
}

}  // namespace fw
