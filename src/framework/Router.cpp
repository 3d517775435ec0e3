// The message router: platform events of the program's windows become messages (mouse with
// double clicks, keys and characters, wheel, focus, size, close), posted messages wait in the
// program's own queue, paints are collected and sent, and modal mouse loops run here.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QEventLoop>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <deque>
#include <set>
#include <vector>

#include <string>

#include "framework/App.h"
#include "framework/Clock.h"
#include "framework/CodePage.h"
#include "framework/Controls.h"
#include "framework/Cursor.h"
#include "framework/Input.h"
#include "framework/KeyMap.h"
#include "framework/WindowImpl.h"

namespace fw {

int VirtualKeyOf(const QKeyEvent* e) {
    int key = e->key();
    bool keypad = e->modifiers() & Qt::KeypadModifier;
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return keypad ? VK_NUMPAD0 + (key - Qt::Key_0) : key;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return VK_F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Asterisk: return keypad ? VK_MULTIPLY : 0;
    case Qt::Key_Plus: return keypad ? VK_ADD : 0xBB;
    case Qt::Key_Minus: return keypad ? VK_SUBTRACT : 0xBD;
    case Qt::Key_Period: return keypad ? VK_DECIMAL : 0xBE;
    case Qt::Key_Slash: return keypad ? VK_DIVIDE : 0xBF;
    case Qt::Key_Comma: return 0xBC;
    case Qt::Key_Equal: return 0xBB;
    case Qt::Key_Semicolon: return 0xBA;
    case Qt::Key_BracketLeft: return 0xDB;
    case Qt::Key_BracketRight: return 0xDD;
    default: return 0;
    }
}


namespace {

// ---- the current message --------------------------------------------------------------------

struct Context {
    MSG msg;
    QEvent* event = nullptr;  // the platform event the message came from (null: sent by code)
    bool native = false;      // the handler asked for the platform's own handling
    bool nativeDone = false;  // a character whose key the platform already handled
};
std::vector<Context> g_contexts;

// ---- posted messages ------------------------------------------------------------------------

struct Posted {
    MSG msg;
    bool nativeDone = false;
};
std::deque<Posted> g_queue;

// Characters of the key being handled, made into WM_CHAR by TranslateMessage.
struct PendingKey {
    CWnd* wnd = nullptr;
    std::vector<UINT> chars;
    LPARAM lParam = 0;
    bool translated = false;
    std::size_t queuedFrom = 0;  // how many queued messages were there before the characters
    int queuedCount = 0;
};
PendingKey* g_pendingKey = nullptr;

// Windows with a paint or owner drawing on the way.
std::set<CWnd*> g_pending;

unsigned g_inputGeneration = 0;

// Double clicks: the last press.
struct LastPress {
    CWnd* wnd = nullptr;
    Qt::MouseButton button = Qt::NoButton;
    quint64 time = 0;
    QPoint global;
    bool wasDouble = false;
} g_lastPress;

class Pump : public QObject {
public:
    bool event(QEvent* e) override;
};

Pump* pump() {
    static QPointer<Pump> p;
    if (!p) {
        EnsureGraphics();
        p = new Pump;
        p->setParent(QCoreApplication::instance());
    }
    return p;
}

void wakePump() { QCoreApplication::postEvent(pump(), new QEvent(QEvent::Type(kPumpEvent))); }

bool isNativeKind(const CWnd* wnd) {
    switch (wnd->impl()->kind) {
    case WndKind::Window:
    case WndKind::Frame:
    case WndKind::Dialog: return false;
    default: return true;
    }
}

UINT mkFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
    UINT f = 0;
    if (buttons & Qt::LeftButton) f |= MK_LBUTTON;
    if (buttons & Qt::RightButton) f |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) f |= MK_MBUTTON;
    if (mods & Qt::ShiftModifier) f |= MK_SHIFT;
    if (mods & Qt::ControlModifier) f |= MK_CONTROL;
    if (mods & Qt::AltModifier) f |= MK_ALT;
    return f;
}


bool isExtendedKey(const QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Enter: return true;  // keypad Enter
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Insert:
    case Qt::Key_Delete: return !(e->modifiers() & Qt::KeypadModifier);
    default: return false;
    }
}

// The characters a key makes, in the code page (a double-byte character is two).
std::vector<UINT> charsOf(const QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return {13};
    case Qt::Key_Backspace: return {8};
    case Qt::Key_Tab: return {9};
    case Qt::Key_Escape: return {27};
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: return {};
    default: break;
    }
    QString t = e->text();
    if (t.isEmpty()) return {};
    if (e->modifiers() & Qt::ControlModifier) {
        int k = e->key();
        if (k >= Qt::Key_A && k <= Qt::Key_Z) return {UINT(k - Qt::Key_A + 1)};
    }
    std::vector<UINT> out;
    std::string cp = FromUtf8(t.toStdString());
    for (unsigned char c : cp) out.push_back(c);
    return out;
}

// The PC keyboard's scan code of the key (set 1, as the key data's bits 16-23 carry it). On X11
// and Wayland the event's native code is the XKB key code, the scan code plus 8; an event
// without one (offscreen, scripted) takes the scan code of its key from this table.
int pcScanCode(const QKeyEvent* e) {
    const QString platform = QGuiApplication::platformName();
    const quint32 native = e->nativeScanCode();
    if (native > 8 && native < 264 && (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"))))
        return int(native - 8);
    const int key = e->key();
    static const char kRow1[] = "1234567890";  // scan codes 2-11
    static const char kRow2[] = "QWERTYUIOP";  // 16-25
    static const char kRow3[] = "ASDFGHJKL";   // 30-38
    static const char kRow4[] = "ZXCVBNM";     // 44-50
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        for (const auto& [row, first] : {std::pair<const char*, int>{kRow2, 16}, {kRow3, 30}, {kRow4, 44}})
            for (int i = 0; row[i]; ++i)
                if (row[i] == char(key)) return first + i;
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9 && !(e->modifiers() & Qt::KeypadModifier))
        for (int i = 0; kRow1[i]; ++i)
            if (kRow1[i] == char(key)) return 2 + i;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F10) return 59 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Escape: return 1;
    case Qt::Key_Backspace: return 14;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 15;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 28;
    case Qt::Key_Control: return 29;
    case Qt::Key_Shift: return 42;
    case Qt::Key_Alt: return 56;
    case Qt::Key_Space: return 57;
    case Qt::Key_F11: return 87;
    case Qt::Key_F12: return 88;
    case Qt::Key_Home: return 71;
    case Qt::Key_Up: return 72;
    case Qt::Key_PageUp: return 73;
    case Qt::Key_Left: return 75;
    case Qt::Key_Right: return 77;
    case Qt::Key_End: return 79;
    case Qt::Key_Down: return 80;
    case Qt::Key_PageDown: return 81;
    case Qt::Key_Insert: return 82;
    case Qt::Key_Delete: return 83;
    case Qt::Key_Minus: return 12;
    case Qt::Key_Equal: return 13;
    case Qt::Key_BracketLeft: return 26;
    case Qt::Key_BracketRight: return 27;
    case Qt::Key_Semicolon: return 39;
    case Qt::Key_Comma: return 51;
    case Qt::Key_Period: return 52;
    case Qt::Key_Slash: return 53;
    default: return 0;
    }
}

LPARAM keyLParam(const QKeyEvent* e, bool release) {
    DWORD lp = 1;
    lp |= DWORD(pcScanCode(e) & 0xFF) << 16;
    if (isExtendedKey(e)) lp |= KF_EXTENDED_LPARAM;
    if (e->modifiers() & Qt::AltModifier) lp |= KF_ALTDOWN_LPARAM;
    if (e->isAutoRepeat() || release) lp |= KF_REPEAT_LPARAM;
    if (release) lp |= KF_UP_LPARAM;
    return LPARAM(lp);
}

// Hands a message made from a platform event to its window; returns whether the handler asked
// for the platform's own handling.
bool dispatchRouted(const MSG& m, QEvent* e) {
    CWnd* wnd = m.hwnd;
    if (!wnd || !wnd->impl()->widget) return false;
    g_contexts.push_back(Context{m, e, false, false});
    ++wnd->impl()->busy;
    CallWindowProc(wnd, m.message, m.wParam, m.lParam);
    bool alive = g_contexts.back().msg.hwnd != nullptr;
    if (alive) --wnd->impl()->busy;
    bool native = alive && g_contexts.back().native;
    g_contexts.pop_back();
    return native;
}

void sendSetCursor(CWnd* wnd, UINT mouseMessage) {
    if (CaptureWnd()) return;
    wnd->SendMessage(WM_SETCURSOR, WPARAM(wnd), MAKELPARAM(HTCLIENT, mouseMessage));
}

}  // namespace

// ---- routing --------------------------------------------------------------------------------

namespace {

bool routeMouse(CWnd* wnd, QWidget* target, QMouseEvent* e) {
    bool native = isNativeKind(wnd);
    // The platform may send the second press of a double click as a double click only: it is a
    // press to us, and our own detection decides. A double click that follows its press at the
    // same time is the same click.
    if (e->type() == QEvent::MouseButtonDblClick && g_lastPress.time == e->timestamp() && g_lastPress.wnd)
        return !native;
    NoteInput();
    CWnd* dest = wnd;
    if (CWnd* cap = CaptureWnd(); cap && cap != wnd && cap->impl()->surface()) dest = cap;
    QWidget* surface = dest->impl()->surface();
    if (!surface) return true;
    QPoint global = e->globalPosition().toPoint();
    QPoint local = surface->mapFromGlobal(global);
    MSG m;
    m.hwnd = dest;
    m.wParam = mkFlags(e->buttons(), e->modifiers());
    m.lParam = MAKELPARAM(local.x(), local.y());
    m.time = DWORD(e->timestamp());
    m.pt = POINT{global.x(), global.y()};
    UiTestSetCursorFromEvent(global.x(), global.y());
    switch (e->type()) {
    case QEvent::MouseMove: m.message = WM_MOUSEMOVE; break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        Qt::MouseButton b = e->button();
        bool dbl = false;
        if (g_lastPress.wnd == dest && g_lastPress.button == b && !g_lastPress.wasDouble &&
            e->timestamp() >= g_lastPress.time && e->timestamp() - g_lastPress.time <= GetDoubleClickTime() &&
            std::abs(global.x() - g_lastPress.global.x()) <= GetWindowMetric(SM_CXDOUBLECLK) / 2 &&
            std::abs(global.y() - g_lastPress.global.y()) <= GetWindowMetric(SM_CYDOUBLECLK) / 2)
            dbl = (dest->GetClassStyle() & CS_DBLCLKS) != 0;
        g_lastPress = LastPress{dest, b, e->timestamp(), global, dbl};
        if (b == Qt::LeftButton) m.message = dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
        else if (b == Qt::RightButton) m.message = dbl ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN;
        else if (b == Qt::MiddleButton) m.message = dbl ? WM_MBUTTONDBLCLK : WM_MBUTTONDOWN;
        else return true;
        break;
    }
    case QEvent::MouseButtonRelease:
        if (e->button() == Qt::LeftButton) m.message = WM_LBUTTONUP;
        else if (e->button() == Qt::RightButton) m.message = WM_RBUTTONUP;
        else if (e->button() == Qt::MiddleButton) m.message = WM_MBUTTONUP;
        else return true;
        break;
    default: return false;
    }
    // A press activates the child frame it lands in before the press is handled.
    if (m.message != WM_MOUSEMOVE && m.message != WM_LBUTTONUP && m.message != WM_RBUTTONUP &&
        m.message != WM_MBUTTONUP) {
        ActivateMdiChildOf(dest);
        if (!dest->impl()->widget) return true;
    }
    if (m.message == WM_MOUSEMOVE) sendSetCursor(dest, WM_MOUSEMOVE);
    else if (m.message != WM_LBUTTONUP && m.message != WM_RBUTTONUP && m.message != WM_MBUTTONUP) sendSetCursor(dest, m.message);
    if (!dest->impl()->widget) return true;
    if (WalkPreTranslate(&m)) return true;
    bool wantsNative = dispatchRouted(m, e);
    // The platform handles the event itself only for a native control that got it directly.
    (void)target;
    return !(wantsNative && dest == wnd && native);
}

bool routeWheel(CWnd* wnd, QWheelEvent* e) {
    NoteInput();
    QPoint global = e->globalPosition().toPoint();
    int delta = e->angleDelta().y();
    if (delta == 0) delta = e->angleDelta().x();
    MSG m;
    m.hwnd = wnd;
    m.message = WM_MOUSEWHEEL;
    m.wParam = MAKEWPARAM(mkFlags(e->buttons(), e->modifiers()), delta);
    m.lParam = MAKELPARAM(global.x(), global.y());
    m.time = DWORD(e->timestamp());
    m.pt = POINT{global.x(), global.y()};
    if (WalkPreTranslate(&m)) return true;
    bool wantsNative = dispatchRouted(m, e);
    return !(wantsNative && isNativeKind(wnd));
}

bool routeKey(CWnd* wnd, QKeyEvent* e) {
    NoteInput();
    bool release = e->type() == QEvent::KeyRelease;
    int vk = VirtualKeyOf(e);
    MSG m;
    m.hwnd = wnd;
    m.wParam = WPARAM(vk);
    m.lParam = keyLParam(e, release);
    m.time = DWORD(e->timestamp());
    GetCursorPos(&m.pt);
    if (release) {
        if (vk == 0) return false;
        m.message = WM_KEYUP;
        if (WalkPreTranslate(&m)) return true;
        return !(dispatchRouted(m, e) && isNativeKind(wnd));
    }
    PendingKey pk;
    pk.wnd = wnd;
    pk.chars = charsOf(e);
    pk.lParam = m.lParam;
    PendingKey* outer = g_pendingKey;
    g_pendingKey = &pk;
    bool eaten = false, native = false;
    if (vk != 0) {
        m.message = WM_KEYDOWN;
        eaten = WalkPreTranslate(&m);
        if (!eaten) {
            if (!pk.translated) TranslateMessage(&m);
            native = dispatchRouted(m, e) && isNativeKind(wnd);
        }
    } else if (!pk.chars.empty()) {
        // A character without a key of its own (typed text): straight to WM_CHAR.
        pk.translated = true;
        for (std::size_t i = 0; i < pk.chars.size(); ++i) {
            MSG c;
            c.hwnd = wnd;
            c.message = WM_CHAR;
            c.wParam = pk.chars[i];
            c.lParam = m.lParam;
            c.time = m.time;
            c.pt = m.pt;
            g_queue.insert(g_queue.begin() + long(i), Posted{c, false});
            wakePump();
        }
        pk.queuedCount = int(pk.chars.size());
        native = isNativeKind(wnd);
    }
    // Characters the platform's own handling already typed are not typed again.
    if (native && pk.queuedCount > 0) {
        for (auto& p : g_queue)
            if (p.msg.hwnd == wnd && p.msg.message == WM_CHAR) p.nativeDone = true;
    }
    g_pendingKey = outer;
    if (eaten) return true;
    return !native;
}

bool routeFocus(CWnd* wnd, QFocusEvent* e) {
    bool in = e->type() == QEvent::FocusIn;
    MSG m;
    m.hwnd = wnd;
    m.message = in ? WM_SETFOCUS : WM_KILLFOCUS;
    if (in) ActivateMdiChildOf(wnd);
    bool native = dispatchRouted(m, e);
    return isNativeKind(wnd) ? !native : false;
}

// Files dragged over a window go to the first window from it up through its parents that
// accepts them (WS_EX_ACCEPTFILES), also over a control that would take text itself; other
// drags are the control's own.
bool routeDrop(CWnd* wnd, QDropEvent* e) {
    CWnd* taker = wnd;
    while (taker && !(taker->GetExStyle() & WS_EX_ACCEPTFILES))
        taker = (taker->GetStyle() & WS_CHILD) ? taker->GetParent() : nullptr;
    if (!taker || !e->mimeData() || !e->mimeData()->hasUrls()) return false;
    DropFiles drop;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile()) drop.paths.push_back(FromUtf8(url.toLocalFile().toStdString()));
    if (drop.paths.empty()) return false;
    e->setDropAction(Qt::CopyAction);
    e->accept();
    if (e->type() == QEvent::Drop) taker->SendMessage(WM_DROPFILES, WPARAM(&drop));
    return true;
}

}  // namespace

bool RouteEvent(CWnd* wnd, QWidget* target, QEvent* event) {
    if (!wnd || !wnd->impl()->widget) return false;
    if (event->isInputEvent()) {
        // An input event that a control left to its parent widget was routed already: the
        // message went to the control (and up through PreTranslateMessage) once.
        static const QEvent* last = nullptr;
        static int lastType = 0;
        static quint64 lastTime = 0;
        auto* ie = static_cast<QInputEvent*>(event);
        if (ie == last && int(event->type()) == lastType && ie->timestamp() == lastTime) return false;
        last = event;
        lastType = int(event->type());
        lastTime = ie->timestamp();
    }
    switch (int(event->type())) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: return routeMouse(wnd, target, static_cast<QMouseEvent*>(event));
    case QEvent::Wheel: return routeWheel(wnd, static_cast<QWheelEvent*>(event));
    case QEvent::KeyPress:
    case QEvent::KeyRelease: return routeKey(wnd, static_cast<QKeyEvent*>(event));
    case QEvent::FocusIn:
    case QEvent::FocusOut: return routeFocus(wnd, static_cast<QFocusEvent*>(event));
    case QEvent::ShortcutOverride: return false;
    case QEvent::Resize:
        if (target == wnd->impl()->surface()) {
            LayoutScrollBars(wnd);
            SendSizeIfChanged(wnd);
            MdiAreaResized(wnd);
        }
        if (wnd->impl()->kind == WndKind::Frame && target == wnd->impl()->widget) FrameLayoutOuter(wnd);
        return false;
    case QEvent::Show:
        if (target == wnd->impl()->surface()) {
            if (isNativeKind(wnd)) {
                if (wnd->impl()->kind == WndKind::OwnerDraw) ControlMoved(wnd);
            } else {
                wnd->Invalidate(TRUE);
            }
        }
        return false;
    case QEvent::Close:
        if (target == wnd->impl()->widget) {
            event->ignore();
            wnd->PostMessage(WM_CLOSE);
            return true;
        }
        return false;
    case QEvent::ContextMenu:
        // Controls keep their own menus (an edit field's copy and paste). The program's windows
        // are asked for theirs after a right button's release (the default of WM_RBUTTONUP), or
        // here for the menu key.
        if (isNativeKind(wnd)) return false;
        if (static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard)
            wnd->SendMessage(WM_CONTEXTMENU, WPARAM(wnd), MAKELPARAM(-1, -1));
        return true;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: return routeDrop(wnd, static_cast<QDropEvent*>(event));
    case kPaintEvent: RunPaint(wnd); return true;
    case kDrawItemsEvent:
        wnd->impl()->drawItemsPosted = false;
        RunDrawItems(wnd);
        return true;
    default: return false;
    }
}

// ---- plain windows --------------------------------------------------------------------------

namespace {

class WndWidget : public QWidget {
public:
    WndWidget(QWidget* parent, bool topLevel) : QWidget(parent, topLevel ? Qt::Window : Qt::Widget) {
        setMouseTracking(true);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_InputMethodEnabled, false);
    }

protected:
    bool event(QEvent* e) override {
        // A window's own scroll bars lie over its children, as if outside its client area: a
        // child added or brought to the top goes under them.
        if (e->type() == QEvent::ChildAdded || e->type() == QEvent::ChildPolished) RaiseScrollBars(this);
        if (e->type() == QEvent::ZOrderChange && parentWidget()) RaiseScrollBars(parentWidget());
        CWnd* wnd = WndOf(this);
        if (wnd && RouteEvent(wnd, this, e)) return true;
        return QWidget::event(e);
    }
    bool focusNextPrevChild(bool next) override {
        // Tab moves between a dialog's controls; plain windows keep their Tab key.
        CWnd* wnd = WndOf(this);
        if (wnd && wnd->impl()->kind == WndKind::Dialog) return QWidget::focusNextPrevChild(next);
        return false;
    }
};

}  // namespace

QWidget* NewWndWidget(CWnd* wnd, QWidget* parent, bool topLevel) {
    auto* w = new WndWidget(parent, topLevel);
    CWnd::Impl& d = *wnd->impl();
    if (d.kind == WndKind::Dialog || d.kind == WndKind::Frame) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, QColor(GetRValue(ColorOf(COLOR_BTNFACE)), GetGValue(ColorOf(COLOR_BTNFACE)),
                                              GetBValue(ColorOf(COLOR_BTNFACE))));
        w->setPalette(pal);
        w->setAutoFillBackground(true);
    } else {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, Qt::white);
        w->setPalette(pal);
        w->setAutoFillBackground(!parent);
    }
    if (d.kind == WndKind::Frame) {
        auto* client = new WndWidget(w, false);
        client->setAutoFillBackground(false);
        BindWidget(client, wnd);
        d.client = client;
        client->setGeometry(0, 0, w->width(), w->height());
        client->show();
    }
    if (d.kind == WndKind::Dialog) w->setFocusPolicy(Qt::StrongFocus);
    return w;
}

void SendSizeIfChanged(CWnd* wnd) {
    CWnd::Impl& d = *wnd->impl();
    QWidget* s = d.surface();
    if (!s) return;
    RECT r;
    wnd->GetClientRect(&r);
    QSize now(r.right, r.bottom);
    if (now == d.lastSize) return;
    bool first = d.lastSize.width() < 0;
    d.lastSize = now;
    if (!isNativeKind(wnd)) {
        if (!first || d.backing) wnd->Invalidate(TRUE);
    }
    wnd->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(now.width(), now.height()));
}

// ---- pre-translation and dispatch -----------------------------------------------------------

bool WalkPreTranslate(MSG* msg) {
    CWnd* w = msg->hwnd;
    int guard = 0;
    while (w && w->impl()->widget && guard++ < 64) {
        if (w->PreTranslateMessage(msg)) return true;
        if (!(w->impl()->style & WS_CHILD)) break;
        w = w->impl()->parent;
    }
    return false;
}

const MSG* CurrentMessage() { return g_contexts.empty() ? nullptr : &g_contexts.back().msg; }

void PushCurrentMessage(const MSG& msg) { g_contexts.push_back(Context{msg, nullptr, false, false}); }
bool PopCurrentMessage() {
    if (g_contexts.empty()) return false;
    bool alive = g_contexts.back().msg.hwnd != nullptr;
    g_contexts.pop_back();
    return alive;
}
bool InMessage() { return !g_contexts.empty(); }

unsigned InputGeneration() { return g_inputGeneration; }
void NoteInput() { ++g_inputGeneration; }

// ---- paints ---------------------------------------------------------------------------------

void SchedulePaint(CWnd* wnd) {
    CWnd::Impl& d = *wnd->impl();
    if (!d.widget || d.paintPosted || d.update.isEmpty() || d.redrawOff) return;
    d.paintPosted = true;
    g_pending.insert(wnd);
    QCoreApplication::postEvent(d.surface(), new QEvent(QEvent::Type(kPaintEvent)), Qt::LowEventPriority);
}

void ScheduleDrawItems(CWnd* parent) {
    if (!parent) return;
    CWnd::Impl& d = *parent->impl();
    if (!d.widget || d.drawItemsPosted) return;
    d.drawItemsPosted = true;
    g_pending.insert(parent);
    QCoreApplication::postEvent(d.surface(), new QEvent(QEvent::Type(kDrawItemsEvent)), Qt::LowEventPriority);
}

void RunPaint(CWnd* wnd, bool evenHidden) {
    CWnd::Impl& d = *wnd->impl();
    d.paintPosted = false;
    if (!d.drawItemsPosted) g_pending.erase(wnd);
    QWidget* s = d.surface();
    if (!s || d.update.isEmpty() || d.redrawOff) return;
    if (!evenHidden && !s->isVisible()) return;
    QRect bounds = d.update.boundingRect();
    bool erase = d.erase;
    d.paintRect = bounds;
    d.erase = false;
    if (erase) {
        CClientDC dc(wnd);
        wnd->SendMessage(WM_ERASEBKGND, WPARAM(static_cast<CDC*>(&dc)), 0);
    }
    if (!d.widget) return;
    wnd->SendMessage(WM_PAINT);
    if (!d.widget) return;
    d.update = QRegion();
    d.paintRect = QRect();
    // Owner-drawn children over the painted part are drawn again on top of it.
    bool any = false;
    for (CWnd* c : d.children) {
        QWidget* cw = c->impl()->widget;
        if (c->impl()->kind == WndKind::OwnerDraw && cw && cw->geometry().intersects(bounds)) {
            c->impl()->ownerDirty = true;
            any = true;
        }
    }
    if (any) RunDrawItems(wnd, evenHidden);
}

void RunDrawItems(CWnd* parent, bool evenHidden) {
    CWnd::Impl& d = *parent->impl();
    d.drawItemsPosted = false;
    if (!d.paintPosted) g_pending.erase(parent);
    QWidget* s = d.surface();
    if (!s || (!evenHidden && !s->isVisible())) return;
    std::vector<CWnd*> kids = d.children;
    for (CWnd* c : kids) {
        CWnd::Impl& cd = *c->impl();
        QWidget* cw = cd.widget;
        if (cd.kind != WndKind::OwnerDraw || !cd.ownerDirty || !cw) continue;
        if (cw->isHidden() && !evenHidden) continue;
        if (cw->isHidden()) continue;
        cd.ownerDirty = false;
        CClientDC dc(parent);
        QRect g = cw->geometry();
        dc.SetWindowOrg(-g.x(), -g.y());
        DRAWITEMSTRUCT dis;
        dis.CtlType = (cd.style & 0x1F) == 0xD ? ODT_STATIC : ODT_BUTTON;
        dis.CtlID = UINT(cd.id);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = cw->isEnabled() ? 0u : UINT(ODS_DISABLED);
        dis.hwndItem = c;
        dis.hDC = &dc;
        dis.rcItem = RECT{0, 0, g.width(), g.height()};
        parent->SendMessage(WM_DRAWITEM, WPARAM(cd.id), LPARAM(&dis));
        if (!d.widget) return;
    }
}

bool FrameworkIdle() {
    if (!g_queue.empty()) return false;
    for (CWnd* w : g_pending) {
        QWidget* s = w->impl()->surface();
        if (s && s->isVisible()) return false;
    }
    return true;
}

void ForgetWindow(CWnd* wnd) {
    g_pending.erase(wnd);
    g_queue.erase(std::remove_if(g_queue.begin(), g_queue.end(), [wnd](const Posted& p) { return p.msg.hwnd == wnd; }),
                  g_queue.end());
    for (auto& c : g_contexts)
        if (c.msg.hwnd == wnd) c.msg.hwnd = nullptr;
    if (g_lastPress.wnd == wnd) g_lastPress = LastPress{};
    if (g_pendingKey && g_pendingKey->wnd == wnd) g_pendingKey->wnd = nullptr;
    ForgetCapture(wnd);
}

// ---- the queue ------------------------------------------------------------------------------

namespace {

void dispatchPosted(Posted p) {
    MSG m = p.msg;
    if (!m.hwnd || !m.hwnd->impl()->widget) return;
    if (WalkPreTranslate(&m)) return;
    if (!m.hwnd || !m.hwnd->impl()->widget) return;
    g_contexts.push_back(Context{m, nullptr, false, p.nativeDone});
    ++m.hwnd->impl()->busy;
    CallWindowProc(m.hwnd, m.message, m.wParam, m.lParam);
    if (g_contexts.back().msg.hwnd) --m.hwnd->impl()->busy;
    g_contexts.pop_back();
}

bool Pump::event(QEvent* e) {
    if (int(e->type()) != kPumpEvent) return QObject::event(e);
    if (g_queue.empty()) return true;
    Posted p = g_queue.front();
    g_queue.pop_front();
    dispatchPosted(p);
    return true;
}

}  // namespace

// ---- modal mouse loops ----------------------------------------------------------------------

namespace {

bool buttonsDown() {
    if (!QGuiApplication::instance()) return false;
    return QGuiApplication::mouseButtons() != Qt::NoButton;
}

}  // namespace

bool MouseLoopStep(UINT timeoutMs) {
    if (!buttonsDown()) return false;
    unsigned gen = g_inputGeneration;
    if (UiTestActive()) {
        for (int guard = 0; guard < 100000; ++guard) {
            RunUntilFrameworkIdle();
            if (g_inputGeneration != gen || !buttonsDown()) return buttonsDown();
            bool ticked = false;
            if (!UiTestFeedStep(timeoutMs != 0, &ticked)) {
                // The script ran dry with a button held: the buttons come up where they are.
                UiTestReleaseButtons();
                RunUntilFrameworkIdle();
                return false;
            }
            if (ticked) return buttonsDown();
        }
        return buttonsDown();
    }
    bool timedOut = false;
    QTimer timer;
    if (timeoutMs) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&timedOut] { timedOut = true; });
        timer.start(int(timeoutMs));
    }
    while (g_inputGeneration == gen && !timedOut && buttonsDown() && !StopRequested())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return buttonsDown() && !StopRequested();
}

void WaitMouseRelease() {
    while (MouseLoopStep(0)) {
    }
}

bool MouseButtonsDown() { return buttonsDown(); }

bool WaitMousePress() {
    if (buttonsDown()) return true;
    if (!QCoreApplication::instance()) return false;
    if (UiTestActive()) {
        for (int guard = 0; guard < 100000; ++guard) {
            RunUntilFrameworkIdle();
            if (buttonsDown()) return true;
            bool ticked = false;
            if (!UiTestFeedStep(false, &ticked)) return false;
        }
        return buttonsDown();
    }
    // Without a display no press can come.
    if (Headless()) return false;
    while (!buttonsDown() && !StopRequested()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return buttonsDown();
}

void PumpMessages() {
    if (!QCoreApplication::instance()) return;
    if (UiTestActive()) {
        // Long work that pumps (a progress dialog's Cancel) takes scripted input a step a pump.
        UiTestFeedStep(false, nullptr);
    } else {
        // Long work pumps at every step; the events are run at most every 50 ms of real time,
        // which keeps the window painted and Cancel answered without slowing the work.
        static std::chrono::steady_clock::time_point last{};
        const auto now = std::chrono::steady_clock::now();
        if (now - last < std::chrono::milliseconds(50)) return;
        last = now;
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void RunUntilFrameworkIdle() {
    if (!QCoreApplication::instance()) return;
    for (int i = 0; i < 2000; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (FrameworkIdle()) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (FrameworkIdle()) return;
        }
    }
}

UINT ToolboxKeyCode(UINT vk, LPARAM keyFlags) {
    switch (vk) {
    case VK_LEFT: return 28;
    case VK_RIGHT: return 29;
    case VK_UP: return 30;
    case VK_DOWN: return 31;
    case VK_DELETE: return 127;
    case VK_RETURN: return (DWORD(keyFlags) & KF_EXTENDED_LPARAM) ? 3 : 13;
    default: return 0;
    }
}

}  // namespace fw

// ---- CWnd members that live with the router -------------------------------------------------

const MSG* CWnd::GetCurrentMessage() { return fw::CurrentMessage(); }

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!impl_->widget) return FALSE;
    MSG m;
    m.hwnd = this;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = fw::GetTickCount();
    fw::GetCursorPos(&m.pt);
    fw::g_queue.push_back(fw::Posted{m, false});
    fw::wakePump();
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    using namespace fw;
    if (isNativeKind(this)) {
        bool fromEvent = false, nativeDone = false;
        if (!g_contexts.empty()) {
            Context& c = g_contexts.back();
            if (c.msg.hwnd == this && c.msg.message == message) {
                nativeDone = c.nativeDone;
                if (c.event) {
                    c.native = true;
                    fromEvent = true;
                }
            }
        }
        return ControlDefProc(this, message, wParam, lParam, fromEvent, nativeDone);
    }
    switch (message) {
    case WM_ERASEBKGND: {
        auto* dc = reinterpret_cast<CDC*>(wParam);
        if (!dc) return FALSE;
        RECT r;
        QRect pr = impl_->paintRect;
        if (pr.isEmpty()) GetClientRect(&r);
        else r = RECT{pr.left(), pr.top(), pr.right() + 1, pr.bottom() + 1};
        COLORREF bg = (impl_->kind == WndKind::Dialog || impl_->kind == WndKind::Frame) ? ColorOf(COLOR_BTNFACE)
                                                                                       : RGB(255, 255, 255);
        dc->FillSolidRect(&r, bg);
        return TRUE;
    }
    case WM_PAINT: {
        CPaintDC dc(this);
        return 0;
    }
    case WM_SETCURSOR: {
        if ((impl_->style & WS_CHILD) && impl_->parent && impl_->parent->impl()->widget) {
            if (impl_->parent->SendMessage(WM_SETCURSOR, wParam, lParam)) return TRUE;
        }
        if (LOWORD(DWORD(lParam)) == HTCLIENT && impl_->classCursor) {
            fw::SetCursor(impl_->classCursor);
            return TRUE;
        }
        return FALSE;
    }
    case WM_RBUTTONUP: {
        // A right click asks the window for its context menu, at the release's place.
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(&at);
        SendMessage(WM_CONTEXTMENU, WPARAM(this), MAKELPARAM(at.x, at.y));
        return 0;
    }
    case WM_MOUSEWHEEL:
    case WM_CONTEXTMENU:
        if ((impl_->style & WS_CHILD) && impl_->parent && impl_->parent->impl()->widget)
            return impl_->parent->SendMessage(message, wParam, lParam);
        return 0;
    case WM_CLOSE: {
        CWinApp* app = AfxGetApp();
        bool main = app && app->m_pMainWnd == this;
        DestroyWindow();
        if (main) app->Quit(0);
        return 0;
    }
    case WM_SETTEXT: SetWindowText(reinterpret_cast<const char*>(lParam)); return TRUE;
    case WM_GETTEXT: return GetWindowText(reinterpret_cast<char*>(lParam), int(wParam));
    case WM_GETTEXTLENGTH: return GetWindowTextLength();
    case WM_SETFONT: SetFont(reinterpret_cast<CFont*>(wParam), BOOL(lParam)); return 0;
    case WM_GETFONT: return LRESULT(impl_->font);
    default: return 0;
    }
}

namespace fw {
LRESULT CallWindowProc(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    struct Access : CWnd {
        static LRESULT call(CWnd* w, UINT m, WPARAM wp, LPARAM lp) { return (w->*(&Access::WindowProc))(m, wp, lp); }
    };
    return Access::call(wnd, message, wParam, lParam);
}
LRESULT CallDefWindowProc(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    struct Access : CWnd {
        static LRESULT def(CWnd* w, UINT m, WPARAM wp, LPARAM lp) { return (w->*(&Access::DefWindowProc))(m, wp, lp); }
    };
    return Access::def(wnd, message, wParam, lParam);
}
}  // namespace fw

BOOL PeekMessage(MSG* msg, CWnd* wnd, UINT first, UINT last, UINT remove) {
    using namespace fw;
    for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
        const MSG& m = it->msg;
        if (wnd && m.hwnd != wnd) continue;
        if ((first || last) && (m.message < first || m.message > last)) continue;
        if (msg) *msg = m;
        if (remove & PM_REMOVE) g_queue.erase(it);
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
    using namespace fw;
    if (!msg || msg->message != WM_KEYDOWN) return FALSE;
    std::vector<UINT> chars;
    PendingKey* pk = g_pendingKey;
    if (pk && pk->wnd == msg->hwnd && !pk->translated) {
        chars = pk->chars;
        pk->translated = true;
        pk->queuedCount = int(chars.size());
    } else if (!pk || pk->wnd != msg->hwnd) {
        UINT vk = UINT(msg->wParam);
        bool shift = GetKeyState(VK_SHIFT) & 0x8000;
        if (vk == VK_RETURN) chars = {13};
        else if (vk == VK_BACK) chars = {8};
        else if (vk == VK_TAB) chars = {9};
        else if (vk == VK_ESCAPE) chars = {27};
        else if (vk == VK_SPACE) chars = {32};
        else if (vk >= '0' && vk <= '9') chars = {vk};
        else if (vk >= 'A' && vk <= 'Z') chars = {shift ? vk : vk + 32};
    } else {
        return FALSE;  // this key's characters are queued already
    }
    for (std::size_t i = 0; i < chars.size(); ++i) {
        MSG c = *msg;
        c.message = WM_CHAR;
        c.wParam = chars[i];
        g_queue.insert(g_queue.begin() + long(i), Posted{c, false});
        wakePump();
    }
    return chars.empty() ? FALSE : TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
    if (!msg || !msg->hwnd || !msg->hwnd->impl()->widget) return 0;
    return msg->hwnd->SendMessage(msg->message, msg->wParam, msg->lParam);
}

UINT DragQueryFile(HDROP drop, UINT index, char* buffer, UINT size) {
    if (!drop) return 0;
    if (index == 0xFFFFFFFFu) return UINT(drop->paths.size());
    if (index >= drop->paths.size()) return 0;
    const std::string& path = drop->paths[index];
    if (!buffer) return UINT(path.size());
    if (size == 0) return 0;
    return UINT(fw::CopyText(buffer, size, path));
}

void DragFinish(HDROP) {}
