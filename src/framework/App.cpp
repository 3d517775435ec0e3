#include "framework/App.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <memory>
#include <csignal>

#include "framework/Window.h"
#include "framework/WindowImpl.h"

namespace {

CWinApp* g_app = nullptr;
std::atomic<bool> g_stopRequested{false};

extern "C" void onStopSignal(int) { g_stopRequested.store(true); }

}  // namespace

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName) { g_app = this; }

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

int CWinApp::Run() {
    if (!QApplication::instance()) return -1;
    return QApplication::exec();
}

void CWinApp::Quit(int code) {
    if (QApplication::instance()) QApplication::exit(code);
}

int AfxWinMain(CWinApp& app, int argc, char** argv) {
    static int s_argc;
    s_argc = argc;
    // One application object per process: one made earlier (fw::EnsureGraphics) is used.
    std::unique_ptr<QApplication> own;
    if (!QCoreApplication::instance()) own = std::make_unique<QApplication>(s_argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(app.m_pszAppName));
    QApplication::setOrganizationName(QStringLiteral("Harrowick"));

    g_stopRequested.store(false);
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, [] {
        if (g_stopRequested.load()) QApplication::exit(0);
    });
    stopWatch.start(50);

    int code = 0;
    if (app.InitInstance()) {
        code = app.Run();
    }
    int exitCode = app.ExitInstance();
    stopWatch.stop();
    return code != 0 ? code : exitCode;
}
