// Waiting for another process: for a state it reaches (its socket answers, it has ended), never
// for a fixed time. The deadline is generous, so a loaded machine or a sanitizer build only makes
// a test slower, never wrong.
#pragma once
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace testsupport {

inline constexpr std::chrono::seconds kProcessDeadline{120};

// Polls until ready() holds or the deadline passes; returns ready()'s last answer.
template <typename Ready>
bool WaitUntil(Ready ready, std::chrono::milliseconds deadline = kProcessDeadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        if (ready()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// True when a process listens on the local socket at path (a socket file left by a process that
// died does not answer).
inline bool SocketAnswers(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::strcpy(addr.sun_path, path.c_str());
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    const bool answered = ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(s);
    return answered;
}

enum class ChildState { Running, Ended, Answering };

// Waits until the child answers on the socket at path, or ends (its status in *status).
inline ChildState WaitUntilAnswering(pid_t child, const std::string& socketPath, int* status) {
    ChildState state = ChildState::Running;
    WaitUntil([&] {
        if (::waitpid(child, status, WNOHANG) == child) {
            state = ChildState::Ended;
            return true;
        }
        if (SocketAnswers(socketPath)) {
            state = ChildState::Answering;
            return true;
        }
        return false;
    });
    return state;
}

}  // namespace testsupport
