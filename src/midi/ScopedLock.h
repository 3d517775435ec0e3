// The critical section of the containers the clock, input and user-interface threads share,
// and the lock that holds it for a scope.
#pragma once
#include <mutex>

// Re-entrant on its own thread, as the chord collection's clear needs.
using CriticalSection = std::recursive_mutex;

class ScopedLock {
public:
    explicit ScopedLock(CriticalSection* section) : section_(section) { section_->lock(); }
    ~ScopedLock() { section_->unlock(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CriticalSection* section_;
};
