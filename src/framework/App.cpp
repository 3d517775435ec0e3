#include "framework/App.h"

#include "framework/CmdUI.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>
#include <QWidget>

#include <atomic>
#include <memory>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

#include "framework/Window.h"
#include "framework/WindowImpl.h"

namespace {

CWinApp* g_app = nullptr;
std::atomic<bool> g_stopRequested{false};

// The signal handler's pipe to the event loop: a stop wakes the loop, nothing polls for it.
int g_stopPipe[2] = {-1, -1};

extern "C" void onStopSignal(int) {
    g_stopRequested.store(true);
    if (g_stopPipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_stopPipe[1], &byte, 1);
    }
}

void DrainStopPipe() {
    char bytes[64];
    while (g_stopPipe[0] >= 0 && ::read(g_stopPipe[0], bytes, sizeof bytes) > 0) {
    }
}

}  // namespace

bool fw::StopRequested() { return g_stopRequested.load(); }

bool fw::InstallStandardDialogTranslation() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return false;
    // One translator for the life of the process, installed into each application object once.
    static QTranslator* translator = nullptr;
    static QCoreApplication* installedInto = nullptr;
    if (!translator) {
        translator = new QTranslator;
        if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete translator;
            translator = nullptr;
            return false;
        }
    }
    if (installedInto != app) {
        QCoreApplication::installTranslator(translator);
        installedInto = app;
    }
    return true;
}

std::string fw::StandardDialogText(const char* context, const char* text) {
    return QCoreApplication::translate(context, text).toStdString();
}

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName) { g_app = this; }

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

bool CWinApp::OnIdle(long count) {
    // The first idle call brings the controls that stand for commands up to date.
    if (count == 0 && m_pMainWnd && m_pMainWnd->IsWindow())
        fw::SendMessageToDescendants(m_pMainWnd, WM_IDLEUPDATECMDUI, TRUE, 0);
    return false;
}
void CWinApp::OnActivateApp(bool) {}
void CWinApp::ActivateDocument(CDocument*) {}
void CWinApp::RemoveDocument(CDocument*) {}
void CWinApp::AddToRecentFileList(const char*) {}

int CWinApp::Run() {
    if (!QApplication::instance()) return -1;
    return QApplication::exec();
}

void CWinApp::Quit(int code) {
    if (QApplication::instance()) QApplication::exit(code);
}

int AfxWinMain(CWinApp& app, int argc, char** argv) {
    // A stop signal from here on ends the program cleanly, however far its start-up has come:
    // the loop ends at once when it starts.
    if (g_stopPipe[0] < 0 && ::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) g_stopPipe[0] = g_stopPipe[1] = -1;
    DrainStopPipe();
    g_stopRequested.store(false);
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    static int s_argc;
    s_argc = argc;
    // One application object per process: one made earlier (fw::EnsureGraphics) is used.
    std::unique_ptr<QApplication> own;
    if (!QCoreApplication::instance()) own = std::make_unique<QApplication>(s_argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(app.m_pszAppName));
    QApplication::setOrganizationName(QStringLiteral("Harrowick"));
    fw::InstallStandardDialogTranslation();

    std::unique_ptr<QSocketNotifier> stopWatch;
    if (g_stopPipe[0] >= 0) {
        stopWatch = std::make_unique<QSocketNotifier>(g_stopPipe[0], QSocketNotifier::Read);
        QObject::connect(stopWatch.get(), &QSocketNotifier::activated, [] {
            DrainStopPipe();
            if (g_stopRequested.load()) QApplication::exit(0);
        });
    }

    app.m_args.assign(argv + (argc > 0 ? 1 : 0), argv + argc);

    // Idle calls: once the queue has run empty, with a rising count while OnIdle asks for
    // more (a zero-length timer turns the loop again); never inside an idle call.
    bool inIdle = false;
    long idleCount = 0;
    QTimer idleAgain;
    idleAgain.setSingleShot(true);
    auto runIdle = [&] {
        if (inIdle) return;
        inIdle = true;
        const bool more = app.OnIdle(idleCount);
        inIdle = false;
        if (more) {
            ++idleCount;
            idleAgain.start(0);
        } else {
            idleCount = 0;
        }
    };
    QObject::connect(&idleAgain, &QTimer::timeout, runIdle);
    QMetaObject::Connection idleHook;
    QMetaObject::Connection activeHook = QObject::connect(
        qApp, &QGuiApplication::applicationStateChanged,
        [&app](Qt::ApplicationState state) { app.OnActivateApp(state == Qt::ApplicationActive); });

    int code = 0;
    if (app.InitInstance()) {
        if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance())
            idleHook = QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, runIdle);
        code = app.Run();
    }
    QObject::disconnect(idleHook);
    QObject::disconnect(activeHook);
    idleAgain.stop();
    int exitCode = app.ExitInstance();
    stopWatch.reset();
    // The signal was obeyed: what runs after (another program object in the same process) starts
    // afresh.
    g_stopRequested.store(false);
    return code != 0 ? code : exitCode;
}
