#include "framework/UiHost.h"

#include <QApplication>
#include <QThread>

namespace fw {

bool CanShowBlockingUi() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) return false;
    QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

}  // namespace fw
