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

}  // namespace fw
