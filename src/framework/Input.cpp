#include "framework/Input.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QStyleHints>
#include <QThread>

#include <bitset>

#include "framework/KeyMap.h"

namespace fw {
namespace {

constexpr UINT kDefaultDoubleClickMs = 500;

struct Keys {
    std::bitset<256> down;
    std::bitset<256> toggled;
};

struct ScriptState {
    bool on = false;
    Keys keys;
    UINT doubleClickMs = kDefaultDoubleClickMs;
};

ScriptState& script() {
    static ScriptState s;
    return s;
}


// Follows the key events the application processes.
class KeyWatcher : public QObject {
public:
    Keys keys;

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            // Each key event passes the window and then the widget: count it once.
            if (!watched->isWindowType()) break;
            auto* e = static_cast<QKeyEvent*>(event);
            int vk = VirtualKeyOf(e);
            if (vk <= 0 || vk > 255 || e->isAutoRepeat()) break;
            bool press = event->type() == QEvent::KeyPress;
            if (press && vk == VK_CAPITAL) keys.toggled.flip(VK_CAPITAL);
            keys.down.set(std::size_t(vk), press);
            break;
        }
        case QEvent::ApplicationDeactivate:
            keys.down.reset();  // releases while another program has the keyboard go unseen
            break;
        default: break;
        }
        return QObject::eventFilter(watched, event);
    }
};

QGuiApplication* guiApp() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) return nullptr;
    return app;
}

// The watcher of the running application, installed at the first question.
KeyWatcher* watcher(QGuiApplication* app) {
    static QPointer<KeyWatcher> w;
    if (!w) {
        w = new KeyWatcher;
        w->setParent(app);
        app->installEventFilter(w);
    }
    return w;
}

bool isDown(int vk) {
    if (vk <= 0 || vk > 255) return false;
    ScriptState& s = script();
    if (s.on) return s.keys.down.test(std::size_t(vk));
    QGuiApplication* app = guiApp();
    if (!app) return false;
    switch (vk) {
    case VK_LBUTTON: return QGuiApplication::mouseButtons() & Qt::LeftButton;
    case VK_RBUTTON: return QGuiApplication::mouseButtons() & Qt::RightButton;
    case VK_MBUTTON: return QGuiApplication::mouseButtons() & Qt::MiddleButton;
    case VK_SHIFT: return QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier;
    case VK_CONTROL: return QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
    case VK_MENU: return QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier;
    default: return watcher(app)->keys.down.test(std::size_t(vk));
    }
}

bool isToggled(int vk) {
    if (vk <= 0 || vk > 255) return false;
    ScriptState& s = script();
    if (s.on) return s.keys.toggled.test(std::size_t(vk));
    QGuiApplication* app = guiApp();
    return app && watcher(app)->keys.toggled.test(std::size_t(vk));
}

}  // namespace

SHORT GetAsyncKeyState(int vk) { return isDown(vk) ? SHORT(0x8000) : SHORT(0); }

SHORT GetKeyState(int vk) {
    int v = (isDown(vk) ? 0x8000 : 0) | (isToggled(vk) ? 1 : 0);
    return SHORT(v);
}

UINT GetDoubleClickTime() {
    ScriptState& s = script();
    if (s.on) return s.doubleClickMs;
    if (guiApp()) {
        int ms = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        if (ms > 0) return UINT(ms);
    }
    return kDefaultDoubleClickMs;
}

namespace inputtest {

Script::Script() {
    script() = ScriptState{};
    script().on = true;
}
Script::~Script() { script() = ScriptState{}; }

void Script::SetDown(int vk, bool down) {
    if (vk > 0 && vk <= 255) script().keys.down.set(std::size_t(vk), down);
}
void Script::SetToggled(int vk, bool on) {
    if (vk > 0 && vk <= 255) script().keys.toggled.set(std::size_t(vk), on);
}
void Script::SetDoubleClickTime(UINT ms) { script().doubleClickMs = ms; }

}  // namespace inputtest

}  // namespace fw
