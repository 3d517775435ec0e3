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
#include <condition_variable>
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
    std::atomic<std::uint64_t> calls{0};
    TickFn fn = nullptr;
    void* user = nullptr;
    // The clock thread's (or the virtual clock's) own: the next millisecond to call at, and the
    // first one it may call at (the one after the last call).
    std::uint32_t next = 0, earliest = 0;
    std::uint32_t counter = 0;  // the virtual clock's millisecond
    // The thread making a call, whose own Wake changes nothing (it answers after all).
    std::atomic<std::thread::id> caller{};
    // Wake's flag, and the condition the thread sleeps on until its deadline.
    std::mutex wakeMutex;
    std::condition_variable wakeUp;
    bool woken = false;
    std::thread thread;

    void Run();
    // One call at millisecond ms; the next follows its answer.
    void Call(std::uint32_t ms) {
        caller.store(std::this_thread::get_id());
        calls.fetch_add(1, std::memory_order_relaxed);
        const std::uint32_t answer = fn(user, ms);
        caller.store(std::thread::id{});
        earliest = ms + 1;
        next = std::max(answer, earliest);
    }
    // Takes a Wake: the next call is at the millisecond `due` (the one now due), never before
    // the earliest. Under wakeMutex.
    void TakeWake(std::uint32_t due) {
        if (!woken) return;
        woken = false;
        next = std::max(earliest, std::min(next, due));
    }
};

namespace {

std::atomic<bool> g_manual{false};
std::atomic<DWORD> g_manualNow{0};
std::atomic<bool> g_failNextStart{false};
// The date and time a test has fixed.
std::mutex g_fixedTimeLock;
bool g_timeFixed = false;
SYSTEMTIME g_fixedTime;

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
            const std::uint32_t now = c->counter++;
            {
                std::lock_guard<std::mutex> wake(c->wakeMutex);
                c->TakeWake(now);
            }
            if (now >= c->next) c->Call(now);
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
    const std::int64_t start = startNs.load();
    while (!stopping.load(std::memory_order_relaxed)) {
        {
            std::unique_lock<std::mutex> lock(wakeMutex);
            const std::chrono::steady_clock::time_point deadline{
                std::chrono::nanoseconds(start + std::int64_t(next) * kNsPerMs)};
            // steady_clock is CLOCK_MONOTONIC: the wait ends at the absolute deadline.
            wakeUp.wait_until(lock, deadline, [this] { return woken || stopping.load(std::memory_order_relaxed); });
            const std::int64_t elapsed = MonotonicNs() - start;
            TakeWake(elapsed < 0 ? 0 : std::uint32_t(elapsed / kNsPerMs));
        }
        // Every call that has fallen due is made, a late one included.
        const std::int64_t now = MonotonicNs();
        while (start + std::int64_t(next) * kNsPerMs <= now && !stopping.load(std::memory_order_relaxed)) Call(next);
    }
    // The milliseconds passed since the last call are accounted for: one last call at the one now
    // due, so what the function keeps (a song position) is not left behind by the stop.
    const std::int64_t elapsed = MonotonicNs() - start;
    if (elapsed >= 0 && std::uint32_t(elapsed / kNsPerMs) >= earliest) Call(std::uint32_t(elapsed / kNsPerMs));
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
    impl_->next = impl_->earliest = 0;
    impl_->calls.store(0);
    {
        std::lock_guard<std::mutex> wake(impl_->wakeMutex);
        impl_->woken = false;
    }
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
        {
            std::lock_guard<std::mutex> wake(impl_->wakeMutex);
            impl_->stopping.store(true);
        }
        impl_->wakeUp.notify_all();
        if (impl_->isVirtual.load()) {
            // As the thread does: one last call at the millisecond run last, unless it had one.
            if (impl_->counter > impl_->earliest) impl_->Call(impl_->counter - 1);
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

void MillisecondClock::Wake() {
    Impl& c = *impl_;
    if (!c.running.load() || c.caller.load() == std::this_thread::get_id()) return;
    {
        std::lock_guard<std::mutex> lock(c.wakeMutex);
        c.woken = true;
    }
    c.wakeUp.notify_one();
}

std::uint64_t MillisecondClock::Calls() const { return impl_->calls.load(std::memory_order_relaxed); }

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

void GetLocalTime(SYSTEMTIME* time) {
    if (!time) return;
    {
        std::lock_guard<std::mutex> lock(g_fixedTimeLock);
        if (g_timeFixed) {
            *time = g_fixedTime;
            return;
        }
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const time_t seconds = now.tv_sec;
    tm local{};
    localtime_r(&seconds, &local);
    time->wYear = WORD(local.tm_year + 1900);
    time->wMonth = WORD(local.tm_mon + 1);
    time->wDayOfWeek = WORD(local.tm_wday);
    time->wDay = WORD(local.tm_mday);
    time->wHour = WORD(local.tm_hour);
    time->wMinute = WORD(local.tm_min);
    time->wSecond = WORD(local.tm_sec);
    time->wMilliseconds = WORD(now.tv_nsec / 1000000);
}

namespace clocktest {

void SetManual(DWORD start) {
    g_manualNow.store(start);
    g_manual.store(true);
}

void Advance(DWORD ms) { AdvanceVirtual(ms); }

void Reset() {
    g_manual.store(false);
    ReleaseLocalTime();
}

void FixLocalTime(const SYSTEMTIME& time) {
    std::lock_guard<std::mutex> lock(g_fixedTimeLock);
    g_fixedTime = time;
    g_timeFixed = true;
}

void ReleaseLocalTime() {
    std::lock_guard<std::mutex> lock(g_fixedTimeLock);
    g_timeFixed = false;
}

void FailNextStart() { g_failNextStart.store(true); }

}  // namespace clocktest

}  // namespace fw
