// Control bars docked along the top of a frame or floating in tool windows of their own, and
// the layout of a frame's client area.
#include "framework/ControlBar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <map>
#include <vector>

#include "framework/CodePage.h"
#include "framework/WindowImpl.h"

struct CControlBar::BarImpl {
    CFrameWnd* frame = nullptr;
    DWORD barStyle = 0;
    DWORD dockAlign = 0;
    bool floating = false;
    bool shown = false;
    SIZE size{};
    QPointer<QWidget> floatWin;
};

namespace {

std::map<const CFrameWnd*, std::vector<CControlBar*>>& frameBars() {
    static std::map<const CFrameWnd*, std::vector<CControlBar*>> m;
    return m;
}

std::map<const CFrameWnd*, DWORD>& frameDocking() {
    static std::map<const CFrameWnd*, DWORD> m;
    return m;
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

// ---- the frame's side -----------------------------------------------------------------------

void CFrameWnd::EnableDocking(DWORD alignMask) { frameDocking()[this] = alignMask & CBRS_ALIGN_ANY; }

CControlBar* CFrameWnd::GetControlBar(UINT id) const {
    for (CControlBar* bar : frameBars()[this])
        if (UINT(bar->GetDlgCtrlID()) == id) return bar;
    return nullptr;
}

std::vector<CControlBar*> CFrameWnd::GetControlBars() const { return frameBars()[this]; }

void CFrameWnd::DockControlBar(CControlBar* bar) {
    if (!bar || !bar->IsWindow()) return;
    DWORD allowed = bar->bar_->dockAlign & frameDocking()[this];
    if (!allowed) {
        // A bar that may not dock floats where it is.
        RECT r;
        bar->GetWindowRect(&r);
        FloatControlBar(bar, POINT{r.left, r.top});
        return;
    }
    QWidget* w = bar->impl()->widget;
    if (bar->bar_->floating) {
        w->setParent(impl_->surface());
        if (bar->bar_->floatWin) bar->bar_->floatWin->hide();
        bar->bar_->floating = false;
    }
    w->show();
    bar->bar_->shown = true;
    RecalcLayout();
}

void CFrameWnd::FloatControlBar(CControlBar* bar, POINT pt, DWORD) {
    if (!bar || !bar->IsWindow()) return;
    auto& b = *bar->bar_;
    if (!b.floatWin) {
        auto* f = new FloatWindow(impl_->widget, bar);
        f->setWindowTitle(QString::fromStdString(fw::ToUtf8(bar->GetWindowText())));
        b.floatWin = f;
    }
    QWidget* w = bar->impl()->widget;
    QSize size = w->size().isEmpty() ? QSize(b.size.cx, b.size.cy) : w->size();
    w->setParent(b.floatWin);
    w->move(0, 0);
    w->show();
    b.floating = true;
    b.shown = true;
    auto* f = static_cast<FloatWindow*>(b.floatWin.data());
    f->limits();
    f->resize(size.expandedTo(f->minimumSize()).boundedTo(f->maximumSize()));
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

namespace fw {

void FrameLayout(CFrameWnd* frame) {
    QWidget* client = frame->impl()->surface();
    if (!client) return;
    int w = client->width(), h = client->height(), y = 0, bottom = h;
    for (CControlBar* bar : frameBars()[frame]) {
        if (bar->IsFloating() || !bar->IsWindow() || bar->impl()->widget->isHidden()) continue;
        int bh = bar->impl()->widget->height();
        if (bar->GetBarStyle() & CBRS_ALIGN_BOTTOM) {
            bottom -= bh;
            bar->MoveWindow(0, bottom, w, bh, TRUE);
            continue;
        }
        bar->MoveWindow(0, y, w, bh, TRUE);
        y += bh;
    }
    if (CWnd* pane = frame->GetDlgItem(0xE900)) pane->MoveWindow(0, y, w, std::max(0, bottom - y), TRUE);
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
