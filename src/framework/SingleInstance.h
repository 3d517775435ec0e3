// One running instance per user. The first instance holds an exclusive lock on a file in the
// user's runtime folder for its whole life; the kernel lets go of it when the process ends, by
// a crash or a kill too, so a dead instance never blocks the next start. Beside the lock the
// first instance listens on a local socket, through which a later instance asks it to bring its
// main window to the front before that later instance ends.
#pragma once
#include <functional>
#include <string>

namespace fw {

// $XDG_RUNTIME_DIR, else a folder of the user's own under the system's temporary folder.
std::string RuntimeFolder();

class InstanceLock {
public:
    // name: the file names in the runtime folder (name.lock, name.sock).
    explicit InstanceLock(std::string name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this process is the first: it holds the lock from now on. False when another
    // holds it (or the lock file cannot be made, which is reported as another instance only
    // when the file exists and is locked; any other failure lets this process run).
    bool Acquire();
    bool Held() const { return fd_ >= 0; }

    // In the first instance: opens the socket; onRaise runs on the user-interface thread for
    // every request that arrives while the event loop runs (and from ServePending).
    void Listen(std::function<void()> onRaise);
    // Serves the requests waiting on the socket now; returns how many there were.
    int ServePending();

    // In a later instance: asks the first to raise its window; true when the request was sent.
    bool AskFirstToRaise() const;

private:
    std::string lockPath_;
    std::string socketPath_;
    int fd_ = -1;
    int listenFd_ = -1;
    std::function<void()> onRaise_;
    struct Notifier;
    Notifier* notifier_ = nullptr;
};

}  // namespace fw
