#include "framework/Help.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

namespace fw {
namespace {
struct CaptureState {
    bool on = false;
    std::vector<std::string> shown;
};
CaptureState& capture() {
    static CaptureState s;
    return s;
}
}  // namespace

bool ShowHelpFile(const std::string& path, const std::string& anchor) {
    const QFileInfo info(QString::fromLocal8Bit(path.c_str()));
    if (path.empty() || !info.isFile()) return false;
    QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    if (!anchor.empty()) url.setFragment(QString::fromStdString(anchor));
    if (capture().on) {
        capture().shown.push_back(url.toString().toStdString());
        return true;
    }
    // Offscreen (tests, tools) nothing is opened.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return true;
    QDesktopServices::openUrl(url);
    return true;
}

namespace helptest {
Capture::Capture() {
    capture() = CaptureState{};
    capture().on = true;
}
Capture::~Capture() { capture() = CaptureState{}; }
const std::vector<std::string>& Capture::shown() const { return capture().shown; }
}  // namespace helptest

}  // namespace fw
