#include "framework/Clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace fw {

struct MillisecondClock::Impl {
    std::mutex control;  // Start and Stop
    std::atomic<bool> running{false};
    std::atomic<bool> stopping{false};
    std::atomic<bool> realtime{false};
    std::atomic<bool> isVirtual{false};
    std::atomic<std::int64_t> startNs{0};
    TickFn fn = nullptr;
    void* user = nullptr;
    std::uint32_t counter = 0;  // the clock thread's (or the virtual clock's) own
    std::thread thread;

    void Run();
};

namespace {

std::atomic<bool> g_manual{false};
std::atomic<DWORD> g_manualNow{0};
std::atomic<bool> g_failNextStart{false};

// The millisecond clocks started under the virtual clock.
std::mutex g_virtualMutex;
std::vector<MillisecondClock::Impl*> g_virtualClocks;

constexpr std::int64_t kNsPerMs = 1000000;

timespec ToTimespec(std::int64_t ns) {
    timespec t;
    t.tv_sec = time_t(ns / 1000000000);
    t.tv_nsec = long(ns % 1000000000);
    return t;
}

// Real-time round-robin scheduling at a middle priority, where the system grants it.
bool AskRealtime() {
    for (int priority : {20, 10, 1}) {
        sched_param param{};
        param.sched_priority = priority;
        if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) return true;
    }
    return false;
}

void AdvanceVirtual(DWORD ms) {
    for (DWORD i = 0; i < ms; ++i) {
        g_manualNow.fetch_add(1);
        std::vector<MillisecondClock::Impl*> clocks;
        {
            std::lock_guard<std::mutex> lock(g_virtualMutex);
            clocks = g_virtualClocks;
        }
        for (MillisecondClock::Impl* c : clocks) {
            std::lock_guard<std::mutex> lock(c->control);
            if (!c->running.load()) continue;
            c->fn(c->user, c->counter++);
        }
    }
}

}  // namespace

DWORD GetTickCount() {
    if (g_manual.load()) return g_manualNow.load();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return DWORD(static_cast<unsigned long long>(ms.count()));
}

void SleepMs(DWORD ms) {
    if (g_manual.load()) {
        AdvanceVirtual(ms);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void WaitRunningEvents(DWORD ms) {
    QCoreApplication* app = QCoreApplication::instance();
    const bool uiThread = app && QThread::currentThread() == app->thread();
    if (g_manual.load()) {
        if (uiThread) QCoreApplication::processEvents(QEventLoop::AllEvents);
        AdvanceVirtual(ms);
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

std::int64_t MonotonicNs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void MillisecondClock::Impl::Run() {
    realtime.store(AskRealtime());
    std::int64_t next = startNs.load();
    while (!stopping.load(std::memory_order_relaxed)) {
        timespec deadline = ToTimespec(next);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
        }
        std::int64_t now = MonotonicNs();
        // Every millisecond that has fallen due runs, the missed ones included.
        while (next <= now && !stopping.load(std::memory_order_relaxed)) {
            fn(user, counter++);
            next += kNsPerMs;
        }
    }
}

MillisecondClock::MillisecondClock() : impl_(std::make_unique<Impl>()) {}

MillisecondClock::~MillisecondClock() { Stop(); }

bool MillisecondClock::Start(TickFn fn, void* user) {
    if (!fn) return false;
    std::lock_guard<std::mutex> lock(impl_->control);
    if (impl_->running.load()) return false;
    if (g_failNextStart.exchange(false)) return false;
    impl_->fn = fn;
    impl_->user = user;
    impl_->counter = 0;
    impl_->stopping.store(false);
    impl_->realtime.store(false);
    if (g_manual.load()) {
        impl_->isVirtual.store(true);
        impl_->startNs.store(0);
        impl_->running.store(true);
        std::lock_guard<std::mutex> reg(g_virtualMutex);
        g_virtualClocks.push_back(impl_.get());
        return true;
    }
    impl_->isVirtual.store(false);
    impl_->startNs.store(MonotonicNs() + kNsPerMs);
    try {
        impl_->thread = std::thread([impl = impl_.get()] { impl->Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    impl_->running.store(true);
    return true;
}

void MillisecondClock::Stop() {
    std::thread thread;
    {
        std::lock_guard<std::mutex> lock(impl_->control);
        if (!impl_->running.load()) return;
        impl_->running.store(false);
        impl_->stopping.store(true);
        if (impl_->isVirtual.load()) {
            std::lock_guard<std::mutex> reg(g_virtualMutex);
            auto& v = g_virtualClocks;
            v.erase(std::remove(v.begin(), v.end(), impl_.get()), v.end());
            return;
        }
        thread = std::move(impl_->thread);
    }
    // Joined outside the control lock: a tick may itself ask whether the clock runs.
    if (thread.joinable()) thread.join();
}

bool MillisecondClock::IsRunning() const { return impl_->running.load(); }

bool MillisecondClock::RealtimeGranted() const { return impl_->realtime.load(); }

std::int64_t MillisecondClock::StartNs() const { return impl_->startNs.load(); }

std::int64_t MillisecondClock::ThreadCpuNs() const {
    std::lock_guard<std::mutex> lock(impl_->control);
    if (!impl_->thread.joinable()) return 0;
    clockid_t id;
    if (pthread_getcpuclockid(impl_->thread.native_handle(), &id) != 0) return 0;
    timespec t;
    if (clock_gettime(id, &t) != 0) return 0;
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

namespace clocktest {

void SetManual(DWORD start) {
    g_manualNow.store(start);
    g_manual.store(true);
}

void Advance(DWORD ms) { AdvanceVirtual(ms); }

void Reset() { g_manual.store(false); }

void FailNextStart() { g_failNextStart.store(true); }

}  // namespace clocktest

}  // namespace fw
