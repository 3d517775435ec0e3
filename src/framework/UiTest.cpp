// Scripted input for tests, delivered through the platform's own input path.
#include "framework/UiTest.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QPointer>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <deque>
#include <functional>
#include <vector>

#include "framework/CodePage.h"
#include "framework/Dialog.h"
#include "framework/Input.h"
#include "framework/WindowImpl.h"

// The input hooks the platform library exports for test drivers: they deliver one mouse or key
// event to a window as if the window system had sent it.
void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global, Qt::MouseButtons state,
                         Qt::MouseButton button, QEvent::Type type, Qt::KeyboardModifiers mods, int timestamp);
void qt_handleKeyEvent(QWindow* window, QEvent::Type type, int key, Qt::KeyboardModifiers mods, const QString& text,
                       bool autorep, ushort count);

namespace fw {
namespace {

enum class StepKind { Press, Release, Move, Wheel, KeyDown, KeyUp, Drop, Tick, Call };

struct Step {
    StepKind kind = StepKind::Tick;
    CWnd* wnd = nullptr;
    int x = 0, y = 0;
    uitest::Button button = uitest::kLeft;
    UINT mods = 0;
    int clickCount = 1;
    int delta = 0;
    int vk = 0;
    bool keypad = false;
    int key = 0;       // a typed character's own key (Type)
    QString text;      // its text
    bool typed = false;
    std::vector<std::string> files;  // a drop's paths (code page)
    std::function<void()> call;
};

struct State {
    bool active = false;
    std::deque<Step> script;
    // While a modal handler runs, its steps go in front of the rest.
    bool front = false;
    std::size_t frontPos = 0;
    Qt::MouseButtons buttons;
    CWnd* lastMouseWnd = nullptr;
    bool cursorSet = false;
    POINT cursor{};
    std::vector<POINT> warps;  // the program's own pointer moves
    int timestamp = 1000;
    std::deque<std::function<void(CDialog&)>> modalHandlers;
    int forcedEnds = 0;
    std::vector<UINT> modalsRun;
    std::deque<UINT> menuAnswers;
    std::vector<uitest::ShownMenu> menus;
};

State& st() {
    static State s;
    return s;
}

void add(Step s) {
    State& t = st();
    if (t.front) {
        t.script.insert(t.script.begin() + long(std::min(t.frontPos, t.script.size())), std::move(s));
        ++t.frontPos;
    } else {
        t.script.push_back(std::move(s));
    }
}

Qt::MouseButton qtButton(uitest::Button b) {
    switch (b) {
    case uitest::kRight: return Qt::RightButton;
    case uitest::kMiddle: return Qt::MiddleButton;
    default: return Qt::LeftButton;
    }
}

Qt::KeyboardModifiers qtMods(UINT mods) {
    Qt::KeyboardModifiers m;
    if (mods & uitest::kShift) m |= Qt::ShiftModifier;
    if (mods & uitest::kCtrl) m |= Qt::ControlModifier;
    if (mods & uitest::kAlt) m |= Qt::AltModifier;
    return m;
}

void deliverMouse(const Step& s) {
    State& t = st();
    CWnd* wnd = s.wnd;
    if (!wnd || !wnd->impl()->surface()) return;
    QWidget* surface = wnd->impl()->surface();
    QPoint global = surface->mapToGlobal(QPoint(s.x, s.y));
    t.cursorSet = true;
    t.cursor = POINT{global.x(), global.y()};
    t.lastMouseWnd = wnd;
    QEvent::Type type = QEvent::MouseMove;
    Qt::MouseButton button = Qt::NoButton;
    if (s.kind == StepKind::Press) {
        type = QEvent::MouseButtonPress;
        button = qtButton(s.button);
        // A fresh click lies far from the last one in time; a second click of a double click
        // follows at once.
        t.timestamp += s.clickCount >= 2 ? 1 : 100000;
        t.buttons |= button;
    } else if (s.kind == StepKind::Release) {
        type = QEvent::MouseButtonRelease;
        button = qtButton(s.button);
        t.timestamp += 1;
        t.buttons &= ~Qt::MouseButtons(button);
    } else {
        t.timestamp += 1;
    }
    QWidget* top = surface->window();
    QWindow* win = top ? top->windowHandle() : nullptr;
    // The platform drops a move to the point where the pointer already is. Across sessions that
    // point may lie over a window that never saw the pointer (a new window of the next test):
    // the move is its first and reaches it.
    static QPoint lastGlobal(-1000000, -1000000);
    static QPointer<QWindow> lastWindow;
    const bool dropped = type == QEvent::MouseMove && global == lastGlobal && win != lastWindow.data();
    lastGlobal = global;
    lastWindow = win;
    if (win && top->isVisible() && !dropped) {
        QPointF local = win->mapFromGlobal(QPointF(global));
        qt_handleMouseEvent(win, local, QPointF(global), t.buttons, button, type, qtMods(s.mods), t.timestamp);
    } else {
        QMouseEvent ev(type, QPointF(s.x, s.y), QPointF(global), button, t.buttons, qtMods(s.mods));
        ev.setTimestamp(quint64(t.timestamp));
        QCoreApplication::sendEvent(surface, &ev);
    }
}

void deliverWheel(const Step& s) {
    State& t = st();
    CWnd* wnd = s.wnd;
    if (!wnd || !wnd->impl()->surface()) return;
    QWidget* surface = wnd->impl()->surface();
    QPoint local(s.x, s.y);
    QPoint global = surface->mapToGlobal(local);
    t.cursorSet = true;
    t.cursor = POINT{global.x(), global.y()};
    QWidget* target = surface->childAt(local);
    if (!target) target = surface;
    t.timestamp += 1;
    QWheelEvent ev(QPointF(target->mapFromGlobal(global)), QPointF(global), QPoint(), QPoint(0, s.delta), t.buttons,
                   qtMods(s.mods), Qt::NoScrollPhase, false);
    ev.setTimestamp(quint64(t.timestamp));
    QCoreApplication::sendEvent(target, &ev);
}

// The platform key and text of a virtual key.
void keyOf(int vk, bool keypad, UINT mods, int* key, QString* text) {
    bool shift = mods & uitest::kShift;
    *text = QString();
    if (vk >= 'A' && vk <= 'Z') {
        *key = vk;
        if (mods & uitest::kCtrl) *text = QString(QChar(vk - 'A' + 1));
        else *text = QString(QChar(shift ? vk : vk + 32));
        return;
    }
    if (vk >= '0' && vk <= '9') {
        *key = vk;
        *text = QString(QChar(vk));
        return;
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) {
        *key = Qt::Key_0 + (vk - VK_NUMPAD0);
        *text = QString(QChar('0' + (vk - VK_NUMPAD0)));
        return;
    }
    if (vk >= VK_F1 && vk <= VK_F1 + 11) {
        *key = Qt::Key_F1 + (vk - VK_F1);
        return;
    }
    switch (vk) {
    case VK_RETURN:
        *key = keypad ? Qt::Key_Enter : Qt::Key_Return;
        *text = QStringLiteral("\r");
        return;
    case VK_BACK: *key = Qt::Key_Backspace; *text = QStringLiteral("\b"); return;
    case VK_TAB: *key = Qt::Key_Tab; *text = QStringLiteral("\t"); return;
    case VK_ESCAPE: *key = Qt::Key_Escape; *text = QString(QChar(27)); return;
    case VK_SPACE: *key = Qt::Key_Space; *text = QStringLiteral(" "); return;
    case VK_LEFT: *key = Qt::Key_Left; return;
    case VK_RIGHT: *key = Qt::Key_Right; return;
    case VK_UP: *key = Qt::Key_Up; return;
    case VK_DOWN: *key = Qt::Key_Down; return;
    case VK_HOME: *key = Qt::Key_Home; return;
    case VK_END: *key = Qt::Key_End; return;
    case VK_PRIOR: *key = Qt::Key_PageUp; return;
    case VK_NEXT: *key = Qt::Key_PageDown; return;
    case VK_INSERT: *key = Qt::Key_Insert; return;
    case VK_DELETE: *key = Qt::Key_Delete; return;
    case VK_SHIFT: *key = Qt::Key_Shift; return;
    case VK_CONTROL: *key = Qt::Key_Control; return;
    case VK_MENU: *key = Qt::Key_Alt; return;
    case VK_MULTIPLY: *key = Qt::Key_Asterisk; *text = QStringLiteral("*"); return;
    case VK_ADD: *key = Qt::Key_Plus; *text = QStringLiteral("+"); return;
    case VK_SUBTRACT: *key = Qt::Key_Minus; *text = QStringLiteral("-"); return;
    case VK_DECIMAL: *key = Qt::Key_Period; *text = QStringLiteral("."); return;
    case VK_DIVIDE: *key = Qt::Key_Slash; *text = QStringLiteral("/"); return;
    case 0xBA: *key = Qt::Key_Semicolon; *text = QStringLiteral(";"); return;
    case 0xDB: *key = Qt::Key_BracketLeft; *text = QStringLiteral("["); return;
    case 0xDD: *key = Qt::Key_BracketRight; *text = QStringLiteral("]"); return;
    case 0xBB: *key = Qt::Key_Equal; *text = QStringLiteral("="); return;
    case 0xBC: *key = Qt::Key_Comma; *text = QStringLiteral(","); return;
    case 0xBD: *key = Qt::Key_Minus; *text = QStringLiteral("-"); return;
    case 0xBE: *key = Qt::Key_Period; *text = QStringLiteral("."); return;
    case 0xBF: *key = Qt::Key_Slash; *text = QStringLiteral("/"); return;
    default: *key = 0; return;
    }
}

void deliverKey(const Step& s) {
    State& t = st();
    CWnd* wnd = s.wnd;
    if (!wnd || !wnd->impl()->widget) return;
    QWidget* w = wnd->impl()->surface();
    if (wnd->impl()->kind == WndKind::Frame) w = wnd->impl()->client;
    if (QWidget* proxy = w->focusProxy()) w = proxy;
    QWidget* top = w->window();
    if (top->isVisible() && QApplication::activeWindow() != top) {
        top->activateWindow();
        QApplication::setActiveWindow(top);
    }
    if (QApplication::focusWidget() != w) w->setFocus(Qt::OtherFocusReason);
    int key = 0;
    QString text;
    if (s.typed) {
        key = s.key;
        text = s.text;
    } else {
        keyOf(s.vk, s.keypad, s.mods, &key, &text);
    }
    Qt::KeyboardModifiers mods = qtMods(s.mods);
    if (s.keypad) mods |= Qt::KeypadModifier;
    QEvent::Type type = s.kind == StepKind::KeyDown ? QEvent::KeyPress : QEvent::KeyRelease;
    t.timestamp += 1;
    QWindow* win = top->windowHandle();
    if (win && top->isVisible() && QApplication::focusWidget() == w) {
        qt_handleKeyEvent(win, type, key, mods, text, false, 1);
    } else {
        QKeyEvent ev(type, key, mods, text);
        QCoreApplication::sendEvent(w, &ev);
    }
}

void deliverDrop(const Step& s) {
    CWnd* wnd = s.wnd;
    if (!wnd || !wnd->impl()->surface()) return;
    QWidget* surface = wnd->impl()->surface();
    const QPoint local(s.x, s.y);
    QWidget* target = surface->childAt(local);
    if (!target) target = surface;
    // As the platform does: the widget under the pointer, else the first parent that takes drops.
    while (target && !target->acceptDrops() && !target->isWindow()) target = target->parentWidget();
    if (!target || !target->acceptDrops()) return;
    QMimeData mime;
    QList<QUrl> urls;
    for (const std::string& path : s.files) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(ToUtf8(path))));
    mime.setUrls(urls);
    const QPoint at = target->mapFrom(surface, local);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(at, actions, &mime, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return;
    QDragMoveEvent move(at, actions, &mime, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    if (!move.isAccepted()) return;
    QDropEvent drop(QPointF(at), actions, &mime, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

void deliver(const Step& s) {
    switch (s.kind) {
    case StepKind::Press:
    case StepKind::Release:
    case StepKind::Move: deliverMouse(s); break;
    case StepKind::Wheel: deliverWheel(s); break;
    case StepKind::Drop: deliverDrop(s); break;
    case StepKind::KeyDown:
    case StepKind::KeyUp: deliverKey(s); break;
    case StepKind::Call:
        if (s.call) s.call();
        break;
    case StepKind::Tick: break;
    }
}

}  // namespace

// ---- the framework's side -------------------------------------------------------------------

bool UiTestActive() { return st().active; }

bool UiTestFeedStep(bool tickEndsWait, bool* ticked) {
    State& t = st();
    if (ticked) *ticked = false;
    if (!t.active || t.script.empty()) return false;
    Step s = std::move(t.script.front());
    t.script.pop_front();
    if (t.front && t.frontPos > 0) --t.frontPos;
    if (s.kind == StepKind::Tick) {
        if (ticked) *ticked = tickEndsWait;
        return true;
    }
    deliver(s);
    return true;
}

bool UiTestCursor(POINT* pt) {
    State& t = st();
    if (!t.active) return false;
    *pt = t.cursor;
    return true;
}

void UiTestSetCursor(int x, int y) {
    st().cursorSet = true;
    st().cursor = POINT{x, y};
}

void UiTestSetCursorFromEvent(int x, int y) {
    if (st().active) UiTestSetCursor(x, y);
}

void UiTestWarpCursor(int x, int y) {
    UiTestSetCursor(x, y);
    st().warps.push_back(POINT{x, y});
}

void UiTestReleaseButtons() {
    State& t = st();
    if (!t.buttons || !t.lastMouseWnd) return;
    POINT p = t.cursor;
    CWnd* wnd = t.lastMouseWnd;
    if (!wnd->impl()->surface()) {
        t.buttons = Qt::NoButton;
        return;
    }
    wnd->ScreenToClient(&p);
    for (uitest::Button b : {uitest::kLeft, uitest::kRight, uitest::kMiddle}) {
        if (!(t.buttons & qtButton(b))) continue;
        Step s;
        s.kind = StepKind::Release;
        s.wnd = wnd;
        s.x = p.x;
        s.y = p.y;
        s.button = b;
        deliver(s);
    }
}

bool UiTestRunModalHandler(CDialog& dlg) {
    State& t = st();
    if (t.modalHandlers.empty()) return false;
    auto handler = std::move(t.modalHandlers.front());
    t.modalHandlers.pop_front();
    bool oldFront = t.front;
    std::size_t oldPos = t.frontPos;
    t.front = true;
    t.frontPos = 0;
    handler(dlg);
    t.front = oldFront;
    t.frontPos = oldPos;
    return true;
}

void UiTestNoteModal(UINT templateId) {
    if (st().active) st().modalsRun.push_back(templateId);
}

void UiTestForcedEnd() { ++st().forcedEnds; }

bool UiTestTrackMenu(uitest::ShownMenu* shown) {
    State& t = st();
    if (!t.active) return false;
    shown->answer = 0;
    if (!t.menuAnswers.empty()) {
        shown->answer = t.menuAnswers.front();
        t.menuAnswers.pop_front();
    }
    t.menus.push_back(*shown);
    return true;
}

void UiTestForget(CWnd* wnd) {
    State& t = st();
    for (Step& s : t.script)
        if (s.wnd == wnd) s.wnd = nullptr;
    if (t.lastMouseWnd == wnd) t.lastMouseWnd = nullptr;
}

// ---- the tests' side ------------------------------------------------------------------------

namespace uitest {

Session::Session() {
    EnsureGraphics();
    st() = State{};
    st().active = true;
    POINT p{};
    if (QCoreApplication::instance()) {
        QPoint q = QCursor::pos();
        p = POINT{q.x(), q.y()};
    }
    st().cursor = p;
}

Session::~Session() {
    // Buttons the script left down come up, so the next session starts clean.
    if (st().buttons) UiTestReleaseButtons();
    st() = State{};
}

void Press(CWnd* wnd, int x, int y, Button button, UINT mods, int clickCount) {
    Step s;
    s.kind = StepKind::Press;
    s.wnd = wnd;
    s.x = x;
    s.y = y;
    s.button = button;
    s.mods = mods;
    s.clickCount = clickCount;
    add(std::move(s));
}

void Release(CWnd* wnd, int x, int y, Button button, UINT mods) {
    Step s;
    s.kind = StepKind::Release;
    s.wnd = wnd;
    s.x = x;
    s.y = y;
    s.button = button;
    s.mods = mods;
    add(std::move(s));
}

void Move(CWnd* wnd, int x, int y, UINT mods) {
    Step s;
    s.kind = StepKind::Move;
    s.wnd = wnd;
    s.x = x;
    s.y = y;
    s.mods = mods;
    add(std::move(s));
}

void Click(CWnd* wnd, int x, int y, Button button, UINT mods, int clickCount) {
    for (int i = 1; i <= std::max(1, clickCount); ++i) {
        Press(wnd, x, y, button, mods, i >= 2 ? 2 : 1);
        Release(wnd, x, y, button, mods);
    }
}

void Drag(CWnd* wnd, const std::vector<POINT>& points, Button button, UINT mods) {
    if (points.empty()) return;
    Press(wnd, points.front().x, points.front().y, button, mods);
    for (std::size_t i = 1; i < points.size(); ++i) Move(wnd, points[i].x, points[i].y, mods);
    Release(wnd, points.back().x, points.back().y, button, mods);
}

void Wheel(CWnd* wnd, int x, int y, int delta, UINT mods) {
    Step s;
    s.kind = StepKind::Wheel;
    s.wnd = wnd;
    s.x = x;
    s.y = y;
    s.delta = delta;
    s.mods = mods;
    add(std::move(s));
}

void DropFiles(CWnd* wnd, int x, int y, const std::vector<std::string>& paths) {
    Step s;
    s.kind = StepKind::Drop;
    s.wnd = wnd;
    s.x = x;
    s.y = y;
    s.files = paths;
    add(std::move(s));
}

static void addKey(StepKind kind, CWnd* wnd, int vk, UINT mods, bool keypad) {
    Step s;
    s.kind = kind;
    s.wnd = wnd;
    s.vk = vk;
    s.mods = mods;
    s.keypad = keypad;
    add(std::move(s));
}

void KeyDown(CWnd* wnd, int vk, UINT mods, bool keypad) { addKey(StepKind::KeyDown, wnd, vk, mods, keypad); }

void KeyUp(CWnd* wnd, int vk, UINT mods, bool keypad) { addKey(StepKind::KeyUp, wnd, vk, mods, keypad); }

void Key(CWnd* wnd, int vk, UINT mods, bool keypad) {
    KeyDown(wnd, vk, mods, keypad);
    KeyUp(wnd, vk, mods, keypad);
}

void Type(CWnd* wnd, const char* text) {
    QString all = QString::fromStdString(ToUtf8(text ? text : ""));
    for (QChar c : all) {
        for (StepKind k : {StepKind::KeyDown, StepKind::KeyUp}) {
            Step s;
            s.kind = k;
            s.wnd = wnd;
            s.typed = true;
            s.text = QString(c);
            ushort u = c.unicode();
            if (u >= 'a' && u <= 'z') s.key = Qt::Key_A + (u - 'a');
            else if (u >= 'A' && u <= 'Z') s.key = Qt::Key_A + (u - 'A');
            else if (u == '\r' || u == '\n') s.key = Qt::Key_Return;
            else if (u == '\t') s.key = Qt::Key_Tab;
            else if (u == '\b') s.key = Qt::Key_Backspace;
            else if (u >= 0x20 && u < 0x7F) s.key = u;  // the platform's keys of printable ASCII are their codes
            else s.key = 0;
            if (u >= 'A' && u <= 'Z') s.mods = kShift;
            add(std::move(s));
        }
    }
}

void Tick() {
    Step s;
    s.kind = StepKind::Tick;
    add(std::move(s));
}

void Call(std::function<void()> step) {
    Step s;
    s.kind = StepKind::Call;
    s.call = std::move(step);
    add(std::move(s));
}

void ClickControl(CWnd* dlg, int id, Button button, UINT mods, int clickCount) {
    if (!dlg) return;
    CWnd* c = dlg->GetDlgItem(id);
    if (!c) return;
    RECT r;
    c->GetClientRect(&r);
    Click(c, (r.left + r.right) / 2, (r.top + r.bottom) / 2, button, mods, clickCount);
}

void RunUntilIdle() {
    for (int guard = 0; guard < 100000; ++guard) {
        RunUntilFrameworkIdle();
        if (!UiTestFeedStep(false, nullptr)) break;
    }
    RunUntilFrameworkIdle();
}

int PendingSteps() { return int(st().script.size()); }

UINT TimerInterval(CWnd* wnd, UINT_PTR id) {
    if (!wnd) return 0;
    auto& timers = wnd->impl()->timers;
    auto it = timers.find(id);
    return it == timers.end() || !it->second ? 0 : UINT(it->second->interval());
}

bool FireTimer(CWnd* wnd, UINT_PTR id) {
    if (!TimerInterval(wnd, id)) return false;
    wnd->SendMessage(WM_TIMER, id, 0);
    return true;
}

void OnNextModal(std::function<void(CDialog&)> step) { st().modalHandlers.push_back(std::move(step)); }

int ForcedEnds() { return st().forcedEnds; }

std::vector<POINT> TakeWarps() {
    std::vector<POINT> out;
    out.swap(st().warps);
    return out;
}

const std::vector<UINT>& ModalsRun() { return st().modalsRun; }

void AnswerMenu(UINT commandId) { st().menuAnswers.push_back(commandId); }

const std::vector<ShownMenu>& Menus() { return st().menus; }

}  // namespace uitest

}  // namespace fw
