#include "framework/Window.h"
#include "framework/StringTable.h"

#include "framework/ToolBar.h"

#include "framework/CmdUI.h"
#include "framework/Mdi.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QVariant>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "framework/App.h"
#include "framework/CodePage.h"
#include "framework/Controls.h"
#include "framework/Cursor.h"
#include "framework/GdiImpl.h"
#include "framework/Menu.h"
#include "framework/Screen.h"
#include "framework/WindowImpl.h"

// ---- command targets ------------------------------------------------------------------------

CCmdTarget::CCmdTarget() = default;
CCmdTarget::~CCmdTarget() { fw::ForgetUpdateHandlers(this); }

BOOL CCmdTarget::OnCmdMsg(UINT id, int code) {
    // Later entries take precedence: walk from the back.
    for (auto it = commands_.rbegin(); it != commands_.rend(); ++it) {
        if (it->code != code || id < it->first || id > it->last) continue;
        auto handler = it->handler;  // the handler may change the table
        handler(id);
        return TRUE;
    }
    return FALSE;
}

void CCmdTarget::AddCommand(UINT id, std::function<void()> handler) {
    commands_.push_back({id, id, 0, [h = std::move(handler)](UINT) { h(); }});
}

void CCmdTarget::AddCommandRange(UINT first, UINT last, std::function<void(UINT)> handler) {
    commands_.push_back({std::min(first, last), std::max(first, last), 0, std::move(handler)});
}

void CCmdTarget::AddNotify(UINT id, int code, std::function<void()> handler) {
    commands_.push_back({id, id, code, [h = std::move(handler)](UINT) { h(); }});
}

// ---- window basics --------------------------------------------------------------------------

namespace {

QWidget* parentSurface(CWnd* parent) {
    if (!parent || !parent->impl()) return nullptr;
    return parent->impl()->surface();
}

QString toQ(const char* text) { return QString::fromStdString(fw::ToUtf8(text ? text : "")); }
std::string fromQ(const QString& s) { return fw::FromUtf8(s.toStdString()); }

std::map<std::string, UINT>& registeredMessages() {
    static std::map<std::string, UINT> m;
    return m;
}

}  // namespace

CWnd::CWnd() : impl_(std::make_unique<Impl>()) { impl_->self = this; }

namespace {
std::map<const CWnd*, DWORD>& HelpIds() {
    static std::map<const CWnd*, DWORD> ids;
    return ids;
}
}  // namespace

void CWnd::SetWindowContextHelpId(DWORD id) {
    if (id)
        HelpIds()[this] = id;
    else
        HelpIds().erase(this);
}

DWORD CWnd::GetWindowContextHelpId() const {
    const auto it = HelpIds().find(this);
    return it == HelpIds().end() ? 0 : it->second;
}

CWnd::~CWnd() {
    HelpIds().erase(this);
    DestroyWindow();
    fw::ForgetWindow(this);
    fw::UiTestForget(this);
}

BOOL CWnd::Create(const char* className, const char* windowName, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id, void* createParams) {
    return CreateEx(0, className, windowName, style, rect, parent, id, createParams);
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id, void* createParams) {
    fw::EnsureGraphics();
    if (impl_->widget) return FALSE;
    bool child = (style & WS_CHILD) != 0;
    if (child && (!parent || !parent->impl()->surface())) return FALSE;
    QWidget* qparent = child ? parentSurface(parent) : nullptr;
    QWidget* w = nullptr;
    if (className && *className) {
        w = fw::CreateControlWidget(this, className, style, qparent);
        if (!w) return FALSE;
    } else {
        w = fw::NewWndWidget(this, qparent, !child);
        if (impl_->kind != fw::WndKind::Dialog && impl_->kind != fw::WndKind::Frame) impl_->kind = fw::WndKind::Window;
    }
    if (!child) {
        // A top-level window stays above its owner.
        if (QWidget* ownerTop = parent && parent->impl()->widget ? parent->impl()->widget->window() : nullptr) {
            Qt::WindowFlags flags = w->windowFlags();
            w->setParent(ownerTop, flags | Qt::Window);
        }
        if (exStyle & WS_EX_TOOLWINDOW) w->setWindowFlag(Qt::Tool, true);
        if (exStyle & WS_EX_TOPMOST) w->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if ((style & WS_POPUP) && !(style & WS_CAPTION)) w->setWindowFlag(Qt::FramelessWindowHint, true);
    }
    impl_->widget = w;
    impl_->busy = 0;
    impl_->lastSize = QSize(-1, -1);
    if (!impl_->client) impl_->client = w;
    impl_->style = style & ~WS_VISIBLE;
    impl_->exStyle = exStyle;
    if (exStyle & WS_EX_ACCEPTFILES) impl_->surface()->setAcceptDrops(true);
    impl_->id = int(id);
    impl_->parent = parent;
    fw::BindWidget(w, this);
    if (child && parent) parent->impl()->children.push_back(this);
    if (impl_->kind == fw::WndKind::Spin) fw::ControlMoved(this);
    int width = std::max<LONG>(0, rect.right - rect.left);
    int height = std::max<LONG>(0, rect.bottom - rect.top);
    int shownHeight = impl_->kind == fw::WndKind::Combo ? fw::ComboGeometryHeight(this, height) : height;
    if (child || width > 0 || height > 0) w->setGeometry(rect.left, rect.top, width, shownHeight);
    if (windowName) SetWindowText(windowName);
    if (style & WS_DISABLED) w->setEnabled(false);
    if (style & WS_HSCROLL) impl_->hs.shown = true;
    if (style & WS_VSCROLL) impl_->vs.shown = true;
    fw::LayoutScrollBars(this);
    if (parent && parent->impl()->font && !impl_->font) impl_->font = parent->impl()->font;

    CREATESTRUCT cs;
    cs.lpCreateParams = createParams;
    cs.hwndParent = parent;
    cs.id = id;
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = width;
    cs.cy = height;
    cs.style = style;
    cs.dwExStyle = exStyle;
    cs.lpszName = windowName;
    cs.lpszClass = className;
    if (SendMessage(WM_CREATE, 0, LPARAM(&cs)) == -1) {
        DestroyWindow();
        return FALSE;
    }
    if (!impl_->widget) return FALSE;
    fw::SendSizeIfChanged(this);
    if (style & WS_VISIBLE) ShowWindow(SW_SHOW);
    Invalidate(TRUE);
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    Impl& d = *impl_;
    if (!d.widget || d.destroying) return FALSE;
    d.destroying = true;
    SendMessage(WM_DESTROY);
    // Children go first (their own WM_DESTROY), the ones the framework made with them.
    std::vector<CWnd*> kids = d.children;
    for (CWnd* c : kids) {
        if (!c->impl()->widget) continue;
        bool owned = c->impl()->frameworkOwned;
        c->DestroyWindow();
        if (owned) delete c;
    }
    d.children.clear();
    // Windows it owns (modeless dialogs and floating bars standing over it) end before it, each
    // with its own WM_DESTROY and its controls; the widget's end would otherwise take them unseen.
    std::vector<QPointer<QWidget>> owned;
    for (QWidget* o : d.widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (o->isWindow()) owned.emplace_back(o);
    for (const QPointer<QWidget>& o : owned)
        if (CWnd* ow = o ? fw::WndOf(o) : nullptr; ow && ow != this && ow->IsWindow()) ow->DestroyWindow();
    std::vector<CWnd*> orphans;
    orphans.swap(d.orphans);
    for (CWnd* o : orphans) delete o;
    for (auto& [id, t] : d.timers) delete t;
    d.timers.clear();
    if (GetCapture() == this) ReleaseCapture();
    fw::DestroyControlData(this);
    if (d.parent && d.parent->impl()) {
        auto& sib = d.parent->impl()->children;
        sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
        // A control the framework made, destroyed on its own, is freed with its parent.
        if (d.frameworkOwned && !d.parent->impl()->destroying) d.parent->impl()->orphans.push_back(this);
    }
    fw::ForgetWindow(this);
    QWidget* w = d.widget;
    QWidget* client = d.client;
    if (client && client != w) fw::UnbindWidget(client);
    fw::UnbindWidget(w);
    d.widget = nullptr;
    d.client = nullptr;
    d.backingPainter = nullptr;
    d.backing.reset();
    d.hbar = nullptr;
    d.vbar = nullptr;
    d.update = QRegion();
    d.destroying = false;
    if (w) {
        w->hide();
        // A widget whose events are being handled further up the stack goes later.
        if (d.busy > 0 || fw::InMessage())
            w->deleteLater();
        else
            delete w;
    }
    PostNcDestroy();
    return TRUE;
}

bool CWnd::IsWindow() const { return impl_->widget != nullptr; }

CWnd* CWnd::GetSafeHwnd() const { return impl_->widget ? const_cast<CWnd*>(this) : nullptr; }

void CWnd::PostNcDestroy() {}

UINT CWnd::GetClassStyle() const { return impl_->classStyle; }
void CWnd::SetClassStyle(UINT style) { impl_->classStyle = style; }
void CWnd::SetClassCursor(UINT cursorId) { impl_->classCursor = cursorId; }

// ---- text -----------------------------------------------------------------------------------

void CWnd::SetWindowText(const char* text) {
    if (!impl_->widget) return;
    QString q = toQ(text);
    if (fw::ControlSetText(this, q)) return;
    impl_->widget->setWindowTitle(q);
}

std::string CWnd::GetWindowText() const {
    if (!impl_->widget) return {};
    QString q;
    if (fw::ControlGetText(this, &q)) return fromQ(q);
    return fromQ(impl_->widget->windowTitle());
}

int CWnd::GetWindowText(char* buffer, int size) const {
    if (!buffer || size <= 0) return 0;
    return int(fw::CopyText(buffer, std::size_t(size), GetWindowText()));
}

void CWnd::GetWindowText(CString& text) const { text = GetWindowText(); }

int CWnd::GetWindowTextLength() const { return int(GetWindowText().size()); }

void CWnd::SetFont(CFont* font, BOOL redraw) {
    impl_->font = font;
    if (!impl_->widget || !font || !font->data()) return;
    LOGFONT lf;
    if (font->GetLogFont(&lf)) impl_->widget->setFont(ResolveFont(lf).qfont);
    if (redraw) Invalidate();
}

CFont* CWnd::GetFont() const { return impl_->font; }

// ---- visibility and state -------------------------------------------------------------------

bool CWnd::IsWindowVisible() const { return impl_->widget && impl_->widget->isVisible(); }

BOOL CWnd::ShowWindow(int cmd) {
    QWidget* w = impl_->widget;
    if (!w) return FALSE;
    bool was = !w->isHidden();
    switch (cmd) {
    case SW_HIDE: w->hide(); break;
    case SW_SHOWMAXIMIZED: w->showMaximized(); break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED: w->showMinimized(); break;
    case SW_RESTORE: w->showNormal(); break;
    default:
        if (w->isWindow() && (cmd == SW_SHOWNA || cmd == SW_SHOWNOACTIVATE)) w->setAttribute(Qt::WA_ShowWithoutActivating);
        w->show();
        break;
    }
    bool now = !w->isHidden();
    if (now != was) SendMessage(WM_SHOWWINDOW, now ? 1 : 0, 0);
    if (now && !was) {
        Invalidate(TRUE);
        if (impl_->kind == fw::WndKind::OwnerDraw) fw::ControlMoved(this);
    }
    return was;
}

BOOL CWnd::EnableWindow(BOOL enable) {
    QWidget* w = impl_->widget;
    if (!w) return FALSE;
    bool wasDisabled = !w->isEnabled();
    w->setEnabled(enable != FALSE);
    if (enable)
        impl_->style &= ~WS_DISABLED;
    else
        impl_->style |= WS_DISABLED;
    if (wasDisabled == (enable != FALSE)) SendMessage(WM_ENABLE, enable ? 1 : 0, 0);
    if (impl_->kind == fw::WndKind::OwnerDraw) fw::ControlMoved(this);
    return wasDisabled;
}

bool CWnd::IsWindowEnabled() const { return impl_->widget && impl_->widget->isEnabled(); }

CWnd* CWnd::SetFocus() {
    CWnd* old = GetFocus();
    if (QWidget* w = impl_->widget) {
        QWidget* target = w->focusProxy() ? w->focusProxy() : w;
        if (impl_->kind == fw::WndKind::Frame && impl_->client) target = impl_->client;
        target->setFocus(Qt::OtherFocusReason);
    }
    return old;
}

CWnd* CWnd::GetFocus() {
    QWidget* f = QApplication::focusWidget();
    for (QWidget* w = f; w; w = w->parentWidget())
        if (CWnd* wnd = fw::WndOf(w)) return wnd;
    return nullptr;
}

void CWnd::BringWindowToTop() {
    if (QWidget* w = impl_->widget) {
        w->raise();
        if (w->isWindow()) w->activateWindow();
    }
}

void CWnd::SetForegroundWindow() {
    if (QWidget* w = impl_->widget) w->window()->activateWindow();
}

DWORD CWnd::GetStyle() const {
    DWORD s = impl_->style & ~(WS_VISIBLE | WS_DISABLED | WS_HSCROLL | WS_VSCROLL);
    if (QWidget* w = impl_->widget) {
        if (!w->isHidden()) s |= WS_VISIBLE;
        if (!w->isEnabled()) s |= WS_DISABLED;
    }
    if (impl_->hs.shown) s |= WS_HSCROLL;
    if (impl_->vs.shown) s |= WS_VSCROLL;
    return s;
}

DWORD CWnd::GetExStyle() const { return impl_->exStyle; }

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT) {
    DWORD old = GetStyle();
    DWORD now = (old & ~remove) | add;
    if (now == old) return FALSE;
    impl_->style = now & ~WS_VISIBLE;
    if ((now ^ old) & WS_VISIBLE) ShowWindow((now & WS_VISIBLE) ? SW_SHOW : SW_HIDE);
    if ((now ^ old) & WS_DISABLED) EnableWindow(!(now & WS_DISABLED));
    if ((now ^ old) & WS_HSCROLL) impl_->hs.shown = (now & WS_HSCROLL) != 0;
    if ((now ^ old) & WS_VSCROLL) impl_->vs.shown = (now & WS_VSCROLL) != 0;
    fw::LayoutScrollBars(this);
    return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT) {
    DWORD old = impl_->exStyle;
    impl_->exStyle = (old & ~remove) | add;
    // The platform hands drags only to widgets that take drops.
    if (((old ^ impl_->exStyle) & WS_EX_ACCEPTFILES) && impl_->surface())
        impl_->surface()->setAcceptDrops((impl_->exStyle & WS_EX_ACCEPTFILES) != 0);
    return impl_->exStyle != old;
}

void CWnd::DragAcceptFiles(BOOL accept) {
    if (accept) ModifyStyleEx(0, WS_EX_ACCEPTFILES);
    else ModifyStyleEx(WS_EX_ACCEPTFILES, 0);
}

void CWnd::HideCaret() {}
void CWnd::ShowCaret() {}

// ---- geometry -------------------------------------------------------------------------------

void CWnd::GetClientRect(RECT* rect) const {
    if (!rect) return;
    *rect = RECT{};
    QWidget* s = impl_->surface();
    if (!s) return;
    rect->right = s->width();
    rect->bottom = s->height();
    if (impl_->vs.shown && impl_->vbar) rect->right = std::max<LONG>(0, rect->right - fw::GetWindowMetric(SM_CXVSCROLL));
    if (impl_->hs.shown && impl_->hbar) rect->bottom = std::max<LONG>(0, rect->bottom - fw::GetWindowMetric(SM_CYHSCROLL));
}

void CWnd::GetWindowRect(RECT* rect) const {
    if (!rect) return;
    *rect = RECT{};
    QWidget* w = impl_->widget;
    if (!w) return;
    QRect r = w->isWindow() ? w->frameGeometry() : QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    if (w->isWindow() && !w->isVisible()) r = w->geometry();
    rect->left = r.x();
    rect->top = r.y();
    rect->right = r.x() + r.width();
    rect->bottom = r.y() + r.height();
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    QWidget* w = impl_->widget;
    if (!w) return;
    width = std::max(0, width);
    height = std::max(0, height);
    QRect old = w->geometry();
    if (impl_->kind == fw::WndKind::Combo) height = fw::ComboGeometryHeight(this, height);
    w->setGeometry(x, y, width, height);
    fw::LayoutScrollBars(this);
    fw::SendSizeIfChanged(this);
    if (old.topLeft() != QPoint(x, y)) SendMessage(WM_MOVE, 0, MAKELPARAM(x, y));
    if (impl_->kind == fw::WndKind::OwnerDraw) fw::ControlMoved(this);
    if (repaint) {
        Invalidate(TRUE);
        if (CWnd* p = GetParent(); p && !w->isWindow()) {
            RECT r{old.left(), old.top(), old.right() + 1, old.bottom() + 1};
            p->InvalidateRect(&r, TRUE);
        }
    }
}

void CWnd::MoveWindow(const RECT& rect, BOOL repaint) {
    MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
}

BOOL CWnd::GetWindowPlacement(WINDOWPLACEMENT* placement) const {
    QWidget* w = impl_->widget;
    if (!w || !placement) return FALSE;
    *placement = WINDOWPLACEMENT{};
    placement->showCmd = w->isMinimized() ? SW_SHOWMINIMIZED : w->isMaximized() ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    const QRect r = w->isWindow() ? w->normalGeometry().isValid() ? w->normalGeometry() : w->geometry() : w->geometry();
    placement->rcNormalPosition = RECT{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
    return TRUE;
}

BOOL CWnd::SetWindowPlacement(const WINDOWPLACEMENT* placement) {
    QWidget* w = impl_->widget;
    if (!w || !placement) return FALSE;
    const RECT& r = placement->rcNormalPosition;
    if (w->isMaximized() || w->isMinimized()) w->showNormal();
    w->setGeometry(r.left, r.top, std::max<LONG>(0, r.right - r.left), std::max<LONG>(0, r.bottom - r.top));
    ShowWindow(int(placement->showCmd));
    return TRUE;
}

BOOL CWnd::SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags) {
    QWidget* w = impl_->widget;
    if (!w) return FALSE;
    QRect g = w->geometry();
    if (flags & SWP_NOMOVE) {
        x = g.x();
        y = g.y();
    }
    if (flags & SWP_NOSIZE) {
        cx = g.width();
        cy = g.height();
    }
    if (!(flags & (SWP_NOMOVE | SWP_NOSIZE)) || QRect(x, y, cx, cy) != g) MoveWindow(x, y, cx, cy, !(flags & SWP_NOREDRAW));
    if (!(flags & SWP_NOZORDER)) {
        if (after && after->impl()->widget && after->impl()->widget->parentWidget() == w->parentWidget())
            w->stackUnder(after->impl()->widget);
        else
            w->raise();
    }
    if (flags & SWP_SHOWWINDOW) ShowWindow(SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowWindow(SW_HIDE);
    return TRUE;
}

void CWnd::CenterWindow(CWnd* alternate) {
    QWidget* w = impl_->widget;
    if (!w) return;
    QRect area;
    CWnd* around = alternate ? alternate : impl_->parent;
    if (around && around->impl()->widget) {
        QWidget* a = around->impl()->widget;
        area = QRect(a->mapToGlobal(QPoint(0, 0)), a->size());
    } else if (QScreen* s = QGuiApplication::primaryScreen()) {
        area = s->availableGeometry();
    } else {
        area = QRect(0, 0, 1024, 768);
    }
    QSize size = w->size();
    QPoint topLeft(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
    if (w->isWindow())
        w->move(topLeft);
    else
        w->move(w->parentWidget()->mapFromGlobal(topLeft));
}

void CWnd::ClientToScreen(POINT* pt) const {
    if (!pt) return;
    QWidget* s = impl_->surface();
    if (!s) return;
    QPoint p = s->mapToGlobal(QPoint(pt->x, pt->y));
    pt->x = p.x();
    pt->y = p.y();
}

void CWnd::ClientToScreen(RECT* rect) const {
    if (!rect) return;
    POINT a{rect->left, rect->top}, b{rect->right, rect->bottom};
    ClientToScreen(&a);
    ClientToScreen(&b);
    *rect = RECT{a.x, a.y, b.x, b.y};
}

void CWnd::ScreenToClient(POINT* pt) const {
    if (!pt) return;
    QWidget* s = impl_->surface();
    if (!s) return;
    QPoint p = s->mapFromGlobal(QPoint(pt->x, pt->y));
    pt->x = p.x();
    pt->y = p.y();
}

void CWnd::ScreenToClient(RECT* rect) const {
    if (!rect) return;
    POINT a{rect->left, rect->top}, b{rect->right, rect->bottom};
    ScreenToClient(&a);
    ScreenToClient(&b);
    *rect = RECT{a.x, a.y, b.x, b.y};
}

void CWnd::MapWindowPoints(CWnd* to, POINT* pts, int count) const {
    for (int i = 0; i < count; ++i) {
        ClientToScreen(&pts[i]);
        if (to) to->ScreenToClient(&pts[i]);
    }
}

void CWnd::MapWindowPoints(CWnd* to, RECT* rect) const {
    if (!rect) return;
    POINT p[2] = {{rect->left, rect->top}, {rect->right, rect->bottom}};
    MapWindowPoints(to, p, 2);
    *rect = RECT{p[0].x, p[0].y, p[1].x, p[1].y};
}

// ---- relations ------------------------------------------------------------------------------

CWnd* CWnd::GetParent() const { return impl_->widget ? impl_->parent : nullptr; }

CWnd* CWnd::SetParent(CWnd* parent) {
    CWnd* old = impl_->parent;
    QWidget* w = impl_->widget;
    if (!w || parent == old) return old;
    bool child = (impl_->style & WS_CHILD) != 0;
    if (child && (!parent || !parent->impl()->surface())) return nullptr;
    if (old && old->impl()) {
        auto& sib = old->impl()->children;
        sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
    }
    bool visible = !w->isHidden();
    QPoint pos = w->pos();
    if (child) {
        w->setParent(parent->impl()->surface());
        parent->impl()->children.push_back(this);
    } else {
        Qt::WindowFlags flags = w->windowFlags();
        w->setParent(parent && parent->impl()->widget ? parent->impl()->widget->window() : nullptr, flags | Qt::Window);
    }
    w->move(pos);
    if (visible) w->show();
    impl_->parent = parent;
    return old;
}

CWnd* CWnd::GetTopLevelParent() const {
    const CWnd* w = this;
    while (w->impl()->widget && (w->impl()->style & WS_CHILD) && w->impl()->parent) w = w->impl()->parent;
    return const_cast<CWnd*>(w);
}

CWnd* CWnd::GetOwner() const { return (impl_->style & WS_CHILD) ? nullptr : impl_->parent; }

CWnd* CWnd::GetDlgItem(int id) const {
    for (CWnd* c : impl_->children)
        if (c->impl()->id == id && c->impl()->widget) return c;
    return nullptr;
}

int CWnd::GetDlgCtrlID() const { return impl_->id; }

int CWnd::SetDlgCtrlID(int id) {
    int old = impl_->id;
    impl_->id = id;
    return old;
}

CWnd* CWnd::GetWindow(UINT relation) const {
    switch (relation) {
    case GW_CHILD: return impl_->children.empty() ? nullptr : impl_->children.front();
    case GW_OWNER: return GetOwner();
    default: break;
    }
    CWnd* p = impl_->parent;
    if (!p || !(impl_->style & WS_CHILD)) return nullptr;
    auto& sib = p->impl()->children;
    auto it = std::find(sib.begin(), sib.end(), this);
    if (it == sib.end()) return nullptr;
    switch (relation) {
    case GW_HWNDFIRST: return sib.front();
    case GW_HWNDLAST: return sib.back();
    case GW_HWNDNEXT: return (it + 1) == sib.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == sib.begin() ? nullptr : *(it - 1);
    default: return nullptr;
    }
}

CWnd* CWnd::ChildWindowFromPoint(POINT pt, UINT flags) const {
    QWidget* s = impl_->surface();
    if (!s || !QRect(QPoint(0, 0), s->size()).contains(pt.x, pt.y)) return nullptr;
    // The topmost child first: the last one made.
    for (auto it = impl_->children.rbegin(); it != impl_->children.rend(); ++it) {
        CWnd* c = *it;
        QWidget* w = c->impl()->widget;
        if (!w || !w->geometry().contains(pt.x, pt.y)) continue;
        if ((flags & CWP_SKIPINVISIBLE) && w->isHidden()) continue;
        if ((flags & CWP_SKIPDISABLED) && !w->isEnabled()) continue;
        if ((flags & CWP_SKIPTRANSPARENT) &&
            ((c->impl()->exStyle & WS_EX_TRANSPARENT) || w->testAttribute(Qt::WA_TransparentForMouseEvents)))
            continue;
        return c;
    }
    return const_cast<CWnd*>(this);
}

CWnd* CWnd::WindowFromPoint(POINT screenPt) {
    QWidget* w = QApplication::widgetAt(screenPt.x, screenPt.y);
    for (; w; w = w->parentWidget())
        if (CWnd* wnd = fw::WndOf(w)) return wnd;
    return nullptr;
}

CWnd* CWnd::FindWindow(const char* className, const char* title) {
    if (className || !QCoreApplication::instance()) return nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        CWnd* wnd = fw::WndOf(w);
        if (wnd && (!title || wnd->GetWindowText() == title)) return wnd;
    }
    return nullptr;
}

std::vector<CWnd*> CWnd::GetChildren() const { return impl_->children; }

// ---- painting -------------------------------------------------------------------------------

void CWnd::Invalidate(BOOL erase) { InvalidateRect(nullptr, erase); }

void CWnd::InvalidateRect(const RECT* rect, BOOL erase) {
    QWidget* s = impl_->surface();
    if (!s) return;
    if (impl_->kind == fw::WndKind::OwnerDraw) {
        fw::ControlMoved(this);
        return;
    }
    if (impl_->kind != fw::WndKind::Window && impl_->kind != fw::WndKind::Dialog && impl_->kind != fw::WndKind::Frame) {
        s->update();  // native controls paint themselves
        return;
    }
    QRect all(QPoint(0, 0), s->size().expandedTo(QSize(1, 1)));
    QRect r = rect ? QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1)).intersected(all) : all;
    if (r.isEmpty()) return;
    impl_->update += r;
    if (erase) impl_->erase = true;
    fw::SchedulePaint(this);
}

void CWnd::ValidateRect(const RECT* rect) {
    if (!rect) {
        impl_->update = QRegion();
        return;
    }
    impl_->update -= QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1));
}

void CWnd::UpdateWindow() { fw::RunPaint(this); }

BOOL CWnd::RedrawWindow(const RECT* rect, const void*, UINT flags) {
    if (!impl_->widget) return FALSE;
    if (flags & RDW_INVALIDATE) InvalidateRect(rect, (flags & RDW_ERASE) != 0);
    if (flags & RDW_VALIDATE) ValidateRect(rect);
    if (flags & RDW_ALLCHILDREN)
        for (CWnd* c : impl_->children) c->RedrawWindow(nullptr, nullptr, flags & ~RDW_UPDATENOW);
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow();
    return TRUE;
}

BOOL CWnd::GetUpdateRect(RECT* rect, BOOL) {
    QRect b = impl_->update.boundingRect();
    if (rect) *rect = b.isEmpty() ? RECT{} : RECT{b.left(), b.top(), b.right() + 1, b.bottom() + 1};
    return !b.isEmpty();
}

void CWnd::SetRedraw(BOOL redraw) {
    impl_->redrawOff = !redraw;
    if (redraw && !impl_->update.isEmpty()) fw::SchedulePaint(this);
}

void CWnd::ScrollWindow(int dx, int dy, const RECT* rect, const RECT* clip) {
    QWidget* s = impl_->surface();
    if (!s || (dx == 0 && dy == 0)) return;
    RECT client;
    GetClientRect(&client);
    QRect area = rect ? QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1))
                      : QRect(0, 0, client.right, client.bottom);
    if (clip) area &= QRect(QPoint(clip->left, clip->top), QPoint(clip->right - 1, clip->bottom - 1));
    if (area.isEmpty()) return;
    if (auto img = impl_->backing) {
        QImage copy = img->copy(area);
        QPainter p(img.get());
        p.setClipRect(area);
        p.drawImage(area.topLeft() + QPoint(dx, dy), copy);
        p.end();
        s->update();
    }
    // Pending invalid parts move along; what the move uncovered becomes invalid.
    QRegion moved = impl_->update.intersected(area).translated(dx, dy).intersected(area);
    impl_->update = impl_->update.subtracted(area) + moved;
    QRegion uncovered = QRegion(area).subtracted(QRegion(area.translated(dx, dy)));
    impl_->update += uncovered;
    impl_->erase = true;
    if (!rect) {
        for (CWnd* c : impl_->children) {
            QWidget* w = c->impl()->widget;
            if (w && !w->isWindow()) {
                w->move(w->pos() + QPoint(dx, dy));
                if (c->impl()->kind == fw::WndKind::OwnerDraw) fw::ControlMoved(c);
            }
        }
    }
    fw::SchedulePaint(this);
}

// ---- messages -------------------------------------------------------------------------------

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    MSG m;
    m.hwnd = this;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    fw::PushCurrentMessage(m);
    ++impl_->busy;
    LRESULT r = WindowProc(message, wParam, lParam);
    // The window may be gone (and the object with it) when the handler returns.
    if (fw::PopCurrentMessage()) --impl_->busy;
    return r;
}

LRESULT CWnd::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* c = GetDlgItem(id);
    return c ? c->SendMessage(message, wParam, lParam) : 0;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::Default() {
    const MSG* m = GetCurrentMessage();
    if (!m) return 0;
    return DefWindowProc(m->message, m->wParam, m->lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT id = LOWORD(DWORD(wParam));
    int code = HIWORD(DWORD(wParam));
    // A notification from a control this window does not handle goes nowhere further.
    if (OnCmdMsg(id, code)) return TRUE;
    return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    auto pt = [lParam] { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; };
    UINT flags = UINT(wParam);
    switch (message) {
    case WM_CREATE: return OnCreate(reinterpret_cast<CREATESTRUCT*>(lParam));
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return OnEraseBkgnd(reinterpret_cast<CDC*>(wParam));
    case WM_SIZE: OnSize(UINT(wParam), LOWORD(DWORD(lParam)), HIWORD(DWORD(lParam))); return 0;
    case WM_MOVE: OnMove(SHORT(LOWORD(DWORD(lParam))), SHORT(HIWORD(DWORD(lParam)))); return 0;
    case WM_SHOWWINDOW: OnShowWindow(BOOL(wParam), UINT(lParam)); return 0;
    case WM_TIMER: OnTimer(UINT_PTR(wParam)); return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_LBUTTONDOWN: OnLButtonDown(flags, pt()); return 0;
    case WM_LBUTTONUP: OnLButtonUp(flags, pt()); return 0;
    case WM_LBUTTONDBLCLK: OnLButtonDblClk(flags, pt()); return 0;
    case WM_RBUTTONDOWN: OnRButtonDown(flags, pt()); return 0;
    case WM_RBUTTONUP: OnRButtonUp(flags, pt()); return 0;
    case WM_RBUTTONDBLCLK: OnRButtonDblClk(flags, pt()); return 0;
    case WM_MBUTTONDOWN: OnMButtonDown(flags, pt()); return 0;
    case WM_MBUTTONUP: OnMButtonUp(flags, pt()); return 0;
    case WM_MOUSEMOVE: OnMouseMove(flags, pt()); return 0;
    case WM_MOUSEWHEEL:
        return OnMouseWheel(LOWORD(DWORD(wParam)), SHORT(HIWORD(DWORD(wParam))), pt());
    case WM_KEYDOWN: OnKeyDown(UINT(wParam), LOWORD(DWORD(lParam)), HIWORD(DWORD(lParam))); return 0;
    case WM_KEYUP: OnKeyUp(UINT(wParam), LOWORD(DWORD(lParam)), HIWORD(DWORD(lParam))); return 0;
    case WM_CHAR: OnChar(UINT(wParam), LOWORD(DWORD(lParam)), HIWORD(DWORD(lParam))); return 0;
    case WM_SETFOCUS: OnSetFocus(reinterpret_cast<CWnd*>(wParam)); return 0;
    case WM_KILLFOCUS: OnKillFocus(reinterpret_cast<CWnd*>(wParam)); return 0;
    case WM_HSCROLL: OnHScroll(LOWORD(DWORD(wParam)), HIWORD(DWORD(wParam)), reinterpret_cast<CScrollBar*>(lParam)); return 0;
    case WM_VSCROLL: OnVScroll(LOWORD(DWORD(wParam)), HIWORD(DWORD(wParam)), reinterpret_cast<CScrollBar*>(lParam)); return 0;
    case WM_SETCURSOR:
        return OnSetCursor(reinterpret_cast<CWnd*>(wParam), LOWORD(DWORD(lParam)), HIWORD(DWORD(lParam)));
    case WM_DRAWITEM: OnDrawItem(int(wParam), reinterpret_cast<DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
    case WM_CAPTURECHANGED: OnCaptureChanged(reinterpret_cast<CWnd*>(lParam)); return 0;
    case WM_CANCELMODE: OnCancelMode(); return 0;
    case WM_ENABLE: OnEnable(BOOL(wParam)); return 0;
    case WM_CONTEXTMENU: OnContextMenu(reinterpret_cast<CWnd*>(wParam), pt()); return 0;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_INITMENUPOPUP: OnInitMenuPopup(reinterpret_cast<CMenu*>(wParam), LOWORD(DWORD(lParam)), HIWORD(DWORD(lParam))); return 0;
    case WM_MENUSELECT: OnMenuSelect(LOWORD(DWORD(wParam)), HIWORD(DWORD(wParam))); return 0;
    case WM_COMMAND:
        if (OnCommand(wParam, lParam)) return 0;
        return DefWindowProc(message, wParam, lParam);
    default: return DefWindowProc(message, wParam, lParam);
    }
}

int CWnd::OnCreate(CREATESTRUCT*) { return int(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return BOOL(Default()); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnLButtonDown(UINT, POINT) { Default(); }
void CWnd::OnLButtonUp(UINT, POINT) { Default(); }
void CWnd::OnLButtonDblClk(UINT, POINT) { Default(); }
void CWnd::OnRButtonDown(UINT, POINT) { Default(); }
void CWnd::OnRButtonUp(UINT, POINT) { Default(); }
void CWnd::OnRButtonDblClk(UINT, POINT) { Default(); }
void CWnd::OnMButtonDown(UINT, POINT) { Default(); }
void CWnd::OnMButtonUp(UINT, POINT) { Default(); }
void CWnd::OnMouseMove(UINT, POINT) { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, POINT) { return BOOL(Default()); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnHScroll(UINT, UINT, CScrollBar*) { Default(); }
void CWnd::OnVScroll(UINT, UINT, CScrollBar*) { Default(); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return BOOL(Default()); }
void CWnd::OnDrawItem(int, DRAWITEMSTRUCT*) { Default(); }
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
void CWnd::OnCancelMode() { Default(); }
void CWnd::OnEnable(BOOL) { Default(); }
void CWnd::OnContextMenu(CWnd*, POINT) { Default(); }
void CWnd::OnDropFiles(HDROP) { Default(); }
void CWnd::OnInitMenuPopup(CMenu*, UINT, BOOL) { Default(); }
void CWnd::OnMenuSelect(UINT, UINT) { Default(); }

CMenu* CWnd::GetMenu() const { return nullptr; }

// ---- timers ---------------------------------------------------------------------------------

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT ms, void*) {
    QWidget* w = impl_->widget;
    if (!w) return 0;
    QTimer*& t = impl_->timers[id];
    if (!t) {
        t = new QTimer(w);
        QObject::connect(t, &QTimer::timeout, w, [this, id] {
            // Under a test script timers run only when the script fires them.
            if (fw::UiTestActive()) return;
            if (impl_->widget) SendMessage(WM_TIMER, id, 0);
        });
    }
    t->setInterval(int(std::max<UINT>(ms, 1)));
    t->start();
    return id;
}

BOOL CWnd::KillTimer(UINT_PTR id) {
    auto it = impl_->timers.find(id);
    if (it == impl_->timers.end()) return FALSE;
    delete it->second;
    impl_->timers.erase(it);
    return TRUE;
}

// ---- dialog-item helpers --------------------------------------------------------------------

void CWnd::SetDlgItemText(int id, const char* text) {
    if (CWnd* c = GetDlgItem(id)) c->SetWindowText(text);
}

int CWnd::GetDlgItemText(int id, char* buffer, int size) const {
    CWnd* c = GetDlgItem(id);
    if (!c) {
        if (buffer && size > 0) buffer[0] = 0;
        return 0;
    }
    return c->GetWindowText(buffer, size);
}

int CWnd::GetDlgItemText(int id, CString& text) const {
    CWnd* c = GetDlgItem(id);
    text = c ? c->GetWindowText() : std::string();
    return text.GetLength();
}

void CWnd::SetDlgItemInt(int id, UINT value, BOOL isSigned) {
    std::string s = isSigned ? std::to_string(int(value)) : std::to_string(value);
    SetDlgItemText(id, s.c_str());
}

UINT CWnd::GetDlgItemInt(int id, BOOL* ok, BOOL isSigned) const {
    if (ok) *ok = FALSE;
    CWnd* c = GetDlgItem(id);
    if (!c) return 0;
    std::string s = c->GetWindowText();
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool neg = false;
    if (isSigned && i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return 0;
    long long v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        v = v * 10 + (s[i++] - '0');
        if (v > 0xFFFFFFFFLL) return 0;
    }
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i != s.size()) return 0;
    if (isSigned && (neg ? v > 0x80000000LL : v > 0x7FFFFFFFLL)) return 0;
    if (ok) *ok = TRUE;
    return UINT(neg ? -v : v);
}

void CWnd::CheckDlgButton(int id, UINT check) { SendDlgItemMessage(id, BM_SETCHECK, check, 0); }

UINT CWnd::IsDlgButtonChecked(int id) const {
    CWnd* c = GetDlgItem(id);
    return c ? UINT(c->SendMessage(BM_GETCHECK)) : 0;
}

void CWnd::CheckRadioButton(int first, int last, int check) {
    for (CWnd* c : impl_->children) {
        int id = c->impl()->id;
        if (id >= first && id <= last) c->SendMessage(BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

int CWnd::GetCheckedRadioButton(int first, int last) const {
    for (CWnd* c : impl_->children) {
        int id = c->impl()->id;
        if (id >= first && id <= last && c->SendMessage(BM_GETCHECK) == BST_CHECKED) return id;
    }
    return 0;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    if (!parent || impl_->widget) return FALSE;
    CWnd* old = parent->GetDlgItem(int(id));
    if (!old) return FALSE;
    return fw::SubclassControl(old, this);
}

bool CWnd::SaveImage(const std::string& utf8Path) {
    QWidget* w = impl_->widget;
    if (!w) return false;
    fw::RunPaint(this, true);
    std::vector<CWnd*> stack{this};
    while (!stack.empty()) {
        CWnd* c = stack.back();
        stack.pop_back();
        fw::RunPaint(c, true);
        fw::RunDrawItems(c, true);
        for (CWnd* k : c->impl()->children) stack.push_back(k);
    }
    if (!w->testAttribute(Qt::WA_WState_Polished)) w->ensurePolished();
    QPixmap pm = w->grab();
    return !pm.isNull() && pm.save(QString::fromStdString(utf8Path), "PNG");
}

// ---- capture --------------------------------------------------------------------------------

namespace {
QPointer<QWidget> g_captureWidget;
CWnd* g_capture = nullptr;
}  // namespace

namespace fw {
CWnd* CaptureWnd() { return g_capture; }
void ForgetCapture(CWnd* wnd) {
    if (g_capture == wnd) {
        g_capture = nullptr;
        if (g_captureWidget && !fw::Headless()) g_captureWidget->releaseMouse();
        g_captureWidget = nullptr;
    }
}
}  // namespace fw

CWnd* CWnd::SetCapture() {
    CWnd* old = g_capture;
    if (old == this) return old;
    if (g_captureWidget && !fw::Headless()) g_captureWidget->releaseMouse();
    g_capture = this;
    g_captureWidget = impl_->surface();
    // Headless platforms have no pointer to grab; the router sends captured input along itself.
    if (g_captureWidget && g_captureWidget->isVisible() && !fw::Headless()) g_captureWidget->grabMouse();
    if (old && old->impl()->widget) old->SendMessage(WM_CAPTURECHANGED, 0, LPARAM(this));
    return old;
}

CWnd* CWnd::GetCapture() { return g_capture; }

BOOL ReleaseCapture() {
    CWnd* old = g_capture;
    if (!old) return TRUE;
    if (g_captureWidget && !fw::Headless()) g_captureWidget->releaseMouse();
    g_capture = nullptr;
    g_captureWidget = nullptr;
    if (old->impl()->widget) old->SendMessage(WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

// ---- free functions -------------------------------------------------------------------------

UINT RegisterWindowMessage(const char* name) {
    if (!name || !*name) return 0;
    auto& m = registeredMessages();
    auto it = m.find(name);
    if (it != m.end()) return it->second;
    UINT id = 0xC000 + UINT(m.size());
    m.emplace(name, id);
    return id;
}

CWnd* AfxGetMainWnd() {
    CWinApp* app = AfxGetApp();
    return app ? app->m_pMainWnd : nullptr;
}

// ---- frames ---------------------------------------------------------------------------------

CFrameWnd::CFrameWnd() { impl_->kind = fw::WndKind::Frame; }
CFrameWnd::~CFrameWnd() {
    DestroyWindow();
    fw::DropFrameMenu(this);
}

bool CFrameWnd::Create(const char* title) {
    RECT r{0, 0, 1024, 720};
    return Create(nullptr, title, WS_OVERLAPPEDWINDOW, r, nullptr, 0) != FALSE;
}

BOOL CFrameWnd::Create(const char* className, const char* windowName, DWORD style, const RECT& rect, CWnd* parent,
                       UINT id, void* createParams) {
    if (impl_->widget) return FALSE;
    impl_->kind = fw::WndKind::Frame;
    // A new main frame counts its tool bars' ids from the first again.
    if (!parent) fw::ResetControlBarIds();
    return CWnd::CreateEx(0, className, windowName, style & ~WS_CHILD, rect, parent, id, createParams);
}

BOOL CFrameWnd::LoadMenuBar(UINT menuId) { return fw::AttachMenuBar(this, menuId); }

CMenu* CFrameWnd::GetMenu() const { return fw::FrameMenu(this); }

BOOL CFrameWnd::OnCmdMsg(UINT id, int code) {
    // The active child frame of the frame's area (and its view) comes first.
    if (CMDIChildWnd* child = fw::ActiveChildOfFrame(this); child && child->OnCmdMsg(id, code)) return TRUE;
    if (CWnd::OnCmdMsg(id, code)) return TRUE;
    CWinApp* app = AfxGetApp();
    return app && app->m_pMainWnd == this && app->OnCmdMsg(id, code);
}

void CFrameWnd::OnInitMenuPopup(CMenu* popup, UINT, BOOL sysMenu) {
    if (!sysMenu) fw::UpdateMenuPopup(this, popup);
}

void CFrameWnd::OnMenuSelect(UINT id, UINT flags) {
    if (flags == 0xFFFF && id == 0) {
        SetMessageText(kIdleMessageId);
        return;
    }
    if (flags & (MF_POPUP | MF_SEPARATOR)) return;
    SetMessageText(id);
}

void CFrameWnd::SetMessageText(const char* text) {
    if (CWnd* bar = GetDlgItem(kStatusBarId)) bar->SendMessage(WM_SETTEXT, 0, LPARAM(text ? text : ""));
}

void CFrameWnd::SetMessageText(UINT id) {
    std::string text;
    if (id == 0 || !fw::LoadStringResource(id, text)) return;
    if (const std::size_t lf = text.find('\n'); lf != std::string::npos) text.resize(lf);
    SetMessageText(text.c_str());
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) || accelerators_.empty()) return FALSE;
    UINT mods = 0;
    if (fw::GetKeyState(VK_SHIFT) < 0) mods |= 1;
    if (fw::GetKeyState(VK_CONTROL) < 0) mods |= 2;
    if (fw::GetKeyState(VK_MENU) < 0) mods |= 4;
    const UINT key = (mods << 16) | UINT(msg->wParam & 0xFFFF);
    for (const auto& [keys, id] : accelerators_) {
        if (keys != key) continue;
        CCmdUI ui(id);
        fw::RouteCommandUpdate(this, &ui);
        if (ui.enabled) SendMessage(WM_COMMAND, id, 0);
        return TRUE;
    }
    return FALSE;
}

void CFrameWnd::RecalcLayout() { fw::FrameLayout(this); }

void CFrameWnd::OnSize(UINT type, int cx, int cy) {
    CWnd::OnSize(type, cx, cy);
    RecalcLayout();
}

// ---- window device contexts -----------------------------------------------------------------

CClientDC::CClientDC(CWnd* wnd) {
    if (!wnd || !AttachWindow(wnd)) CreateIC();
}

CClientDC::~CClientDC() = default;

CPaintDC::CPaintDC(CWnd* wnd) {
    m_ps.hdc = this;
    if (!wnd || !AttachWindow(wnd)) {
        CreateIC();
        return;
    }
    CWnd::Impl& d = *wnd->impl();
    QRect r = d.paintRect.isEmpty() ? d.update.boundingRect() : d.paintRect;
    if (!r.isEmpty()) m_ps.rcPaint = RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
    m_ps.fErase = d.erase;
    d.update = QRegion();
}

CPaintDC::~CPaintDC() = default;

// ---- backing picture ------------------------------------------------------------------------

namespace {

// Paints the window's backing picture whenever the widget paints.
class BackingPainter : public QObject {
public:
    BackingPainter(QObject* parent, std::weak_ptr<QImage> image) : QObject(parent), image_(std::move(image)) {}
    bool eventFilter(QObject* obj, QEvent* ev) override {
        if (ev->type() == QEvent::Paint) {
            auto img = image_.lock();
            auto* w = qobject_cast<QWidget*>(obj);
            if (img && w) {
                QPainter p(w);
                p.drawImage(0, 0, *img);
                return true;
            }
        }
        return false;
    }

private:
    std::weak_ptr<QImage> image_;
};

}  // namespace

namespace fw {

std::shared_ptr<QImage> WindowBacking(CWnd::Impl& impl) {
    QWidget* w = impl.surface();
    if (!w) return nullptr;
    QSize want = w->size().expandedTo(QSize(1, 1));
    QColor fill = (impl.kind == WndKind::Dialog || impl.kind == WndKind::Frame)
                      ? w->palette().color(QPalette::Window)
                      : QColor(Qt::white);
    if (!impl.backing) {
        impl.backing = std::make_shared<QImage>(want, QImage::Format_RGB32);
        impl.backing->fill(fill);
    } else if (impl.backing->width() < want.width() || impl.backing->height() < want.height()) {
        QImage grown(want.expandedTo(impl.backing->size()), QImage::Format_RGB32);
        grown.fill(fill);
        QPainter p(&grown);
        p.drawImage(0, 0, *impl.backing);
        p.end();
        *impl.backing = std::move(grown);
    }
    if (!impl.backingPainter) {
        impl.backingPainter = new BackingPainter(w, impl.backing);
        w->installEventFilter(impl.backingPainter);
    }
    return impl.backing;
}

CWnd* WndOf(const QObject* widget) {
    if (!widget) return nullptr;
    QVariant v = widget->property("zelwnd");
    return v.isValid() ? reinterpret_cast<CWnd*>(v.value<quintptr>()) : nullptr;
}

void BindWidget(QWidget* widget, CWnd* wnd) {
    if (widget) widget->setProperty("zelwnd", QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(wnd)));
}

void UnbindWidget(QWidget* widget) {
    if (widget) widget->setProperty("zelwnd", QVariant());
}

COLORREF ColorOf(int sysColor) { return GetSysColor(sysColor); }

// ---- pointer and metrics --------------------------------------------------------------------

void GetCursorPos(POINT* pt) {
    if (!pt) return;
    if (UiTestCursor(pt)) return;
    if (!QCoreApplication::instance()) {
        *pt = POINT{};
        return;
    }
    QPoint p = QCursor::pos();
    pt->x = p.x();
    pt->y = p.y();
}

void SetCursorPos(int x, int y) {
    if (UiTestActive()) {
        UiTestWarpCursor(x, y);
        return;
    }
    if (!QGuiApplication::instance()) return;
    // Wayland does not let a program move the pointer: nothing happens there.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
    QCursor::setPos(x, y);
}

int GetWindowMetric(int index) {
    switch (index) {
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 16;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    default: return GetSystemMetrics(index);
    }
}

int GetWheelScrollLines() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        int n = QApplication::wheelScrollLines();
        if (n > 0) return n;
    }
    return 3;
}

}  // namespace fw
