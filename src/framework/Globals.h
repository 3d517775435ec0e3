// Support for the program's global state: each subsystem defines its globals in one place
// (one struct per subsystem), registers a reset for tests, and callers that change a global
// for a while hold a ScopedGlobal that puts the old value back.
#pragma once
#include <utility>

namespace fw {

template <typename T>
class ScopedGlobal {
public:
    ScopedGlobal(T& slot, T value) : slot_(slot), saved_(std::move(slot)) { slot_ = std::move(value); }
    explicit ScopedGlobal(T& slot) : slot_(slot), saved_(slot) {}
    ~ScopedGlobal() { slot_ = std::move(saved_); }
    ScopedGlobal(const ScopedGlobal&) = delete;
    ScopedGlobal& operator=(const ScopedGlobal&) = delete;

private:
    T& slot_;
    T saved_;
};

using ResetFn = void (*)();

// Registers a subsystem's reset; returns true so it can initialise a static.
bool RegisterGlobalsReset(ResetFn fn);
// Puts every registered subsystem's globals back to their start-up values (tests).
void ResetAllGlobals();

}  // namespace fw
