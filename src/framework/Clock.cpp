#include "framework/Clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

namespace fw {
namespace {

std::atomic<bool> g_manual{false};
std::atomic<DWORD> g_manualNow{0};

}  // namespace

DWORD GetTickCount() {
    if (g_manual.load()) return g_manualNow.load();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return DWORD(static_cast<unsigned long long>(ms.count()));
}

void SleepMs(DWORD ms) {
    if (g_manual.load()) {
        g_manualNow.fetch_add(ms);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void WaitRunningEvents(DWORD ms) {
    QCoreApplication* app = QCoreApplication::instance();
    const bool uiThread = app && QThread::currentThread() == app->thread();
    if (g_manual.load()) {
        if (uiThread) QCoreApplication::processEvents(QEventLoop::AllEvents);
        g_manualNow.fetch_add(ms);
        return;
    }
    if (!uiThread) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    // The loop sleeps in the event wait until the time is up or something happens.
    QEventLoop loop;
    QTimer::singleShot(int(ms), &loop, &QEventLoop::quit);
    loop.exec();
}

namespace clocktest {

void SetManual(DWORD start) {
    g_manualNow.store(start);
    g_manual.store(true);
}

void Advance(DWORD ms) { g_manualNow.fetch_add(ms); }

void Reset() { g_manual.store(false); }

}  // namespace clocktest

}  // namespace fw
