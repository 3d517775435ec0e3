#include "framework/Screen.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QStyleHints>

namespace fw {
namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr int kCaption = 22;
constexpr int kBorder = 1;
constexpr int kMenu = 20;

int captionHeight() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        int h = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
        if (h > 0) return h;
    }
    return kCaption;
}

int menuHeight() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QFontMetrics fm(QApplication::font("QMenuBar"));
        int h = fm.height() + 8;
        return h > kMenu ? h : kMenu;
    }
    return kMenu;
}

struct WorkAreaOverride {
    bool set = false;
    int left = 0, top = 0, right = 0, bottom = 0;
};
WorkAreaOverride& workOverride() {
    static WorkAreaOverride w;
    return w;
}

QScreen* primary() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
    return QGuiApplication::primaryScreen();
}

}  // namespace

int GetSystemMetrics(int index) {
    QScreen* screen = primary();
    QRect full = screen ? screen->geometry() : QRect(0, 0, kScreenWidth, kScreenHeight);
    QRect work = screen ? screen->availableGeometry() : full;
    switch (index) {
    case SM_CXSCREEN: return full.width();
    case SM_CYSCREEN: return full.height();
    case SM_CYCAPTION: return captionHeight();
    case SM_CXBORDER:
    case SM_CYBORDER: return kBorder;
    case SM_CYMENU: return menuHeight();
    case SM_CXFULLSCREEN: return work.width();
    case SM_CYFULLSCREEN: return work.height() - captionHeight();
    default: return 0;
    }
}

unsigned GetCaretBlinkTime() {
    constexpr unsigned kDefault = 530;
    if (!QGuiApplication::instance()) return kDefault;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    return flash > 0 ? unsigned(flash) / 2 : kDefault;
}

void GetWorkArea(int* left, int* top, int* right, int* bottom) {
    const WorkAreaOverride& o = workOverride();
    QRect work(0, 0, kScreenWidth, kScreenHeight);
    if (o.set) {
        work = QRect(QPoint(o.left, o.top), QPoint(o.right - 1, o.bottom - 1));
    } else if (QScreen* screen = primary()) {
        work = screen->availableGeometry();
    }
    if (left) *left = work.left();
    if (top) *top = work.top();
    if (right) *right = work.left() + work.width();
    if (bottom) *bottom = work.top() + work.height();
}

namespace {
bool& dragFullWindows() {
    static bool on = true;
    return on;
}
}  // namespace

bool GetDragFullWindows() { return dragFullWindows(); }

namespace screentest {
void SetDragFullWindows(bool on) { dragFullWindows() = on; }
void SetWorkArea(int left, int top, int right, int bottom) {
    workOverride() = WorkAreaOverride{true, left, top, right, bottom};
}
void Reset() {
    workOverride() = WorkAreaOverride{};
    dragFullWindows() = true;
}
}  // namespace screentest

}  // namespace fw
