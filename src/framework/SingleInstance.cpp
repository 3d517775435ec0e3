#include "framework/SingleInstance.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace fw {

struct InstanceLock::Notifier {
    QSocketNotifier socket;
    Notifier(int fd, InstanceLock* owner) : socket(fd, QSocketNotifier::Read) {
        QObject::connect(&socket, &QSocketNotifier::activated, [owner] { owner->ServePending(); });
    }
};

std::string RuntimeFolder() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir && *dir) return dir;
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/zelmarin-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    return folder;
}

InstanceLock::InstanceLock(std::string name) {
    const std::string folder = RuntimeFolder();
    lockPath_ = folder + "/" + name + ".lock";
    socketPath_ = folder + "/" + name + ".sock";
}

InstanceLock::~InstanceLock() {
    delete notifier_;
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(socketPath_.c_str());
    }
    if (fd_ >= 0) ::close(fd_);  // closing lets go of the lock
}

bool InstanceLock::Acquire() {
    if (fd_ >= 0) return true;
    const int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;  // no lock to be had: nothing to say another instance runs
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return !held;
    }
    fd_ = fd;
    return true;
}

void InstanceLock::Listen(std::function<void()> onRaise) {
    onRaise_ = std::move(onRaise);
    if (listenFd_ >= 0 || fd_ < 0) return;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath_.size() >= sizeof addr.sun_path) return;
    std::strcpy(addr.sun_path, socketPath_.c_str());
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (s < 0) return;
    ::unlink(socketPath_.c_str());  // left by an instance that died; we hold the lock now
    if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(s, 8) != 0) {
        ::close(s);
        return;
    }
    listenFd_ = s;
    notifier_ = new Notifier(s, this);
}

int InstanceLock::ServePending() {
    if (listenFd_ < 0) return 0;
    int served = 0;
    for (;;) {
        const int c = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) break;
        ::close(c);
        ++served;
        if (onRaise_) onRaise_();
    }
    return served;
}

bool InstanceLock::AskFirstToRaise() const {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath_.size() >= sizeof addr.sun_path) return false;
    std::strcpy(addr.sun_path, socketPath_.c_str());
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    const bool sent = ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(s);
    return sent;
}

}  // namespace fw
