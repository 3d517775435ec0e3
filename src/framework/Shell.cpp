// The desktop's handlers for documents and web addresses.
#include "framework/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

#include <cstring>

#include "framework/CodePage.h"

namespace {

struct CaptureState {
    bool on = false;
    std::vector<std::string> opened;
};

CaptureState& capture() {
    static CaptureState s;
    return s;
}

}  // namespace

int ShellExecute(CWnd*, const char* verb, const char* file, const char*, const char*, int) {
    if (!file || !*file || (verb && *verb && std::strcmp(verb, "open") != 0)) return SE_ERR_NOASSOC;
    const QString text = QString::fromStdString(fw::ToUtf8(file)).trimmed();
    QUrl url;
    if (QFileInfo(text).isAbsolute()) {
        if (!QFileInfo::exists(text)) return SE_ERR_FNF;
        url = QUrl::fromLocalFile(text);
    } else {
        url = QUrl::fromUserInput(text);
    }
    if (!url.isValid() || url.isEmpty()) return SE_ERR_NOASSOC;
    if (capture().on) {
        capture().opened.push_back(url.toString(QUrl::FullyEncoded).toStdString());
        return 42;
    }
    // Offscreen (tests, tools) nothing is opened.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return 42;
    return QDesktopServices::openUrl(url) ? 42 : SE_ERR_NOASSOC;
}

namespace fw::shelltest {
Capture::Capture() {
    capture() = CaptureState{};
    capture().on = true;
}
Capture::~Capture() { capture() = CaptureState{}; }
const std::vector<std::string>& Capture::opened() const { return capture().opened; }
}  // namespace fw::shelltest
