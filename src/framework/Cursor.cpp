#include "framework/Cursor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QThread>

#include <optional>

namespace fw {
namespace {

// Drops the transient shape at the next mouse move, before the window under the pointer
// handles the move (and perhaps sets a shape of its own).
class MoveWatcher : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

struct CursorState {
    UINT current = 0;
    int displayCount = 0;
    std::optional<Qt::CursorShape> shape;  // the transient shape, until the mouse moves
    QPointer<QCoreApplication> app;         // the application our override entry belongs to
    bool pushed = false;
    MoveWatcher* watcher = nullptr;
};

CursorState& state() {
    static CursorState s;
    return s;
}

QGuiApplication* guiApp() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) return nullptr;
    return app;
}

Qt::CursorShape shapeOf(UINT id) {
    switch (id) {
    case IDC_IBEAM: return Qt::IBeamCursor;
    case IDC_WAIT: return Qt::WaitCursor;
    case IDC_CROSS: return Qt::CrossCursor;
    case IDC_UPARROW: return Qt::UpArrowCursor;
    case IDC_SIZENWSE: return Qt::SizeFDiagCursor;
    case IDC_SIZENESW: return Qt::SizeBDiagCursor;
    case IDC_SIZEWE: return Qt::SizeHorCursor;
    case IDC_SIZENS: return Qt::SizeVerCursor;
    case IDC_SIZEALL: return Qt::SizeAllCursor;
    case IDC_NO: return Qt::ForbiddenCursor;
    case IDC_HAND: return Qt::PointingHandCursor;
    case IDC_APPSTARTING: return Qt::BusyCursor;
    default: return Qt::ArrowCursor;
    }
}

// Puts the application's override cursor in step with the state: blank while hidden, else
// the transient shape, else none of ours.
void apply() {
    CursorState& s = state();
    QGuiApplication* app = guiApp();
    if (!app) return;
    if (s.app != app) {  // a new application object: nothing of ours is on its stack
        s.app = app;
        s.pushed = false;
        s.watcher = nullptr;
    }
    if (!s.watcher) {
        s.watcher = new MoveWatcher;
        s.watcher->setParent(app);
        app->installEventFilter(s.watcher);
    }
    std::optional<Qt::CursorShape> want = s.displayCount < 0 ? std::optional(Qt::BlankCursor) : s.shape;
    if (want) {
        if (s.pushed)
            QGuiApplication::changeOverrideCursor(QCursor(*want));
        else
            QGuiApplication::setOverrideCursor(QCursor(*want));
        s.pushed = true;
    } else if (s.pushed) {
        QGuiApplication::restoreOverrideCursor();
        s.pushed = false;
    }
}

bool MoveWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && state().shape) {
        state().shape.reset();
        apply();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace

void SetCursor(UINT id) {
    CursorState& s = state();
    s.current = id;
    s.shape = shapeOf(id);
    apply();
}

UINT CurrentCursor() { return state().current; }

int ShowCursor(bool show) {
    CursorState& s = state();
    s.displayCount += show ? 1 : -1;
    apply();
    return s.displayCount;
}

namespace cursortest {
void Reset() {
    CursorState& s = state();
    s.current = 0;
    s.displayCount = 0;
    s.shape.reset();
    apply();
}
}  // namespace cursortest

}  // namespace fw
