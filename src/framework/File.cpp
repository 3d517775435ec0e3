#include "framework/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "framework/CodePage.h"
#include "framework/Exceptions.h"

namespace {

[[noreturn]] void throwErrno(const std::string& name) {
    int e = errno;
    AfxThrowFileException(CFileException::OsErrorToCause(e), e, name.c_str());
}

}  // namespace

CFile::CFile() = default;

CFile::CFile(const char* fileName, UINT flags) {
    CFileException err;
    if (!Open(fileName, flags, &err)) throw err;
}

namespace {
constexpr std::uint32_t kReadBufferSize = 64 * 1024;
}  // namespace

CFile::~CFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool CFile::Open(const char* fileName, UINT flags, CFileException* error) {
    if (fd_ >= 0) Abort();
    path_ = fileName ? fileName : "";
    int oflags = O_CLOEXEC;
    switch (flags & 3) {
    case modeWrite: oflags |= O_WRONLY; break;
    case modeReadWrite: oflags |= O_RDWR; break;
    default: oflags |= O_RDONLY; break;
    }
    if (flags & modeCreate) {
        oflags |= O_CREAT;
        if (!(flags & modeNoTruncate)) oflags |= O_TRUNC;
    }
    std::string utf8 = fw::ToUtf8(path_);
    int fd = ::open(utf8.c_str(), oflags, 0666);
    if (fd < 0) {
        if (error) *error = CFileException(CFileException::OsErrorToCause(errno), errno, path_);
        return false;
    }
    struct stat st{};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        if (error) *error = CFileException(CFileException::accessDenied, EISDIR, path_);
        return false;
    }
    fd_ = fd;
    readOnly_ = (flags & 3) == modeRead;
    DropReadBuffer();
    bufferStart_ = 0;
    length_ = std::uint64_t(st.st_size);
    return true;
}

void CFile::DropReadBuffer() {
    bufferStart_ += bufferAt_;
    bufferFill_ = 0;
    bufferAt_ = 0;
}

UINT CFile::Read(void* buffer, UINT count) {
    if (fd_ < 0) AfxThrowFileException(CFileException::invalidFile, EBADF, path_.c_str());
    UINT done = 0;
    auto* p = static_cast<char*>(buffer);
    if (Buffered()) {
        while (done < count) {
            if (bufferAt_ == bufferFill_) {
                DropReadBuffer();
                if (count - done >= kReadBufferSize) {
                    // A large read goes straight to its destination.
                    ssize_t n = ::read(fd_, p + done, count - done);
                    if (n < 0) {
                        if (errno == EINTR) continue;
                        throwErrno(path_);
                    }
                    if (n == 0) break;
                    done += UINT(n);
                    bufferStart_ += std::uint64_t(n);
                    continue;
                }
                if (readBuffer_.size() < kReadBufferSize) readBuffer_.resize(kReadBufferSize);
                ssize_t n = ::read(fd_, readBuffer_.data(), kReadBufferSize);
                if (n < 0) {
                    if (errno == EINTR) continue;
                    throwErrno(path_);
                }
                if (n == 0) break;
                bufferFill_ = std::uint32_t(n);
            }
            const UINT take = std::min<UINT>(count - done, bufferFill_ - bufferAt_);
            std::memcpy(p + done, readBuffer_.data() + bufferAt_, take);
            bufferAt_ += take;
            done += take;
        }
        return done;
    }
    while (done < count) {
        ssize_t n = ::read(fd_, p + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throwErrno(path_);
        }
        if (n == 0) break;
        done += UINT(n);
    }
    return done;
}

void CFile::Write(const void* buffer, UINT count) {
    if (fd_ < 0) AfxThrowFileException(CFileException::invalidFile, EBADF, path_.c_str());
    UINT done = 0;
    auto* p = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t n = ::write(fd_, p + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throwErrno(path_);
        }
        done += UINT(n);
    }
}

std::int64_t CFile::Seek(std::int64_t offset, UINT from) {
    if (fd_ < 0) AfxThrowFileException(CFileException::invalidFile, EBADF, path_.c_str());
    if (Buffered()) {
        const std::int64_t base = from == current ? std::int64_t(bufferStart_ + bufferAt_)
                                  : from == end   ? std::int64_t(length_)
                                                  : 0;
        const std::int64_t target = base + offset;
        if (target < 0) AfxThrowFileException(CFileException::badSeek, EINVAL, path_.c_str());
        // Inside what the buffer holds: no system call.
        if (std::uint64_t(target) >= bufferStart_ && std::uint64_t(target) <= bufferStart_ + bufferFill_) {
            bufferAt_ = std::uint32_t(std::uint64_t(target) - bufferStart_);
            return target;
        }
        off_t r = ::lseek(fd_, off_t(target), SEEK_SET);
        if (r < 0) AfxThrowFileException(CFileException::badSeek, errno, path_.c_str());
        bufferFill_ = 0;
        bufferAt_ = 0;
        bufferStart_ = std::uint64_t(r);
        return r;
    }
    int whence = from == current ? SEEK_CUR : from == end ? SEEK_END : SEEK_SET;
    off_t r = ::lseek(fd_, off_t(offset), whence);
    if (r < 0) AfxThrowFileException(CFileException::badSeek, errno, path_.c_str());
    return r;
}

std::uint64_t CFile::GetLength() const {
    if (Buffered() && fd_ >= 0) return length_;
    struct stat st{};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
    return std::uint64_t(st.st_size);
}

std::uint64_t CFile::GetPosition() const {
    if (fd_ < 0) return 0;
    if (Buffered()) return bufferStart_ + bufferAt_;
    off_t r = ::lseek(fd_, 0, SEEK_CUR);
    return r < 0 ? 0 : std::uint64_t(r);
}

void CFile::SetLength(std::uint64_t length) {
    if (fd_ < 0 || ::ftruncate(fd_, off_t(length)) != 0) throwErrno(path_);
}

void CFile::Flush() {
    if (fd_ >= 0 && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) throwErrno(path_);
}

void CFile::Close() {
    if (fd_ < 0) return;
    readOnly_ = false;
    bufferFill_ = bufferAt_ = 0;
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) throwErrno(path_);
}

void CFile::Abort() {
    readOnly_ = false;
    bufferFill_ = bufferAt_ = 0;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::string CFile::GetFileName() const {
    std::size_t slash = path_.find_last_of('/');
    return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

void CFile::Remove(const char* fileName) {
    std::string utf8 = fw::ToUtf8(fileName ? fileName : "");
    if (::unlink(utf8.c_str()) != 0) throwErrno(fileName ? fileName : "");
}

void CFile::Rename(const char* oldName, const char* newName) {
    std::string a = fw::ToUtf8(oldName ? oldName : "");
    std::string b = fw::ToUtf8(newName ? newName : "");
    if (::rename(a.c_str(), b.c_str()) != 0) throwErrno(oldName ? oldName : "");
}

UINT CMemFile::Read(void* buffer, UINT count) {
    if (pos_ >= data_.size()) return 0;
    std::uint64_t n = std::min<std::uint64_t>(count, data_.size() - pos_);
    if (n == 0) return 0;   // a caller may pass no buffer for no bytes
    std::memcpy(buffer, data_.data() + pos_, std::size_t(n));
    pos_ += n;
    return UINT(n);
}

void CMemFile::Write(const void* buffer, UINT count) {
    if (count == 0) return;
    if (pos_ + count > data_.size()) data_.resize(std::size_t(pos_ + count));
    std::memcpy(data_.data() + pos_, buffer, count);
    pos_ += count;
}

std::int64_t CMemFile::Seek(std::int64_t offset, UINT from) {
    std::int64_t base = from == current ? std::int64_t(pos_) : from == end ? std::int64_t(data_.size()) : 0;
    std::int64_t p = base + offset;
    if (p < 0) AfxThrowFileException(CFileException::badSeek, EINVAL, "");
    pos_ = std::uint64_t(p);
    return p;
}

void CMemFile::SetLength(std::uint64_t length) {
    data_.resize(std::size_t(length));
    if (pos_ > length) pos_ = length;
}

namespace fw {

namespace {

// The file a path names: a symbolic link is followed (also a chain of them, and one whose
// target does not exist yet), so that saving through it writes the file it points to and
// leaves the link itself in place.
std::filesystem::path LinkTarget(const std::filesystem::path& path) {
    namespace fs = std::filesystem;
    fs::path p = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(p, ec))) return p;
        fs::path next = fs::read_symlink(p, ec);
        if (ec) return p;
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return p;
}

// The mode a new file gets from the process's file-creation mask.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        p += n;
        left -= std::size_t(n);
    }
    return true;
}

}  // namespace

bool WriteFileAtomic(const std::string& path, std::string_view bytes, int* osError) {
    if (osError) *osError = 0;
    const std::filesystem::path target = LinkTarget(std::filesystem::path(path));
    std::string tmp = target.string() + ".tmp-XXXXXX";
    const auto fail = [&](int fd) {
        const int e = errno ? errno : EIO;
        if (fd >= 0) ::close(fd);
        ::unlink(tmp.c_str());
        if (osError) *osError = e;
        errno = e;
        return false;
    };
    errno = 0;
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        const int e = errno ? errno : EIO;
        if (osError) *osError = e;
        return false;
    }
    // The new file keeps the old one's permissions (and owner, where allowed); a new file gets
    // what the creation mask gives.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        if (::fchmod(fd, old.st_mode & 07777) != 0) return fail(fd);
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) { /* another owner cannot be kept */ }
    } else if (::fchmod(fd, NewFileMode()) != 0) {
        return fail(fd);
    }
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) return fail(fd);
    if (::close(fd) != 0) return fail(-1);
    if (::rename(tmp.c_str(), target.c_str()) != 0) return fail(-1);
    // The rename lasts only once the folder that holds it is on the disk.
    std::string folder = target.parent_path().string();
    if (folder.empty()) folder = ".";
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        if (osError) *osError = errno;
        return false;
    }
    const bool synced = ::fsync(dirFd) == 0 || errno == EINVAL;  // some file systems cannot sync folders
    const int e = errno;
    ::close(dirFd);
    if (!synced && osError) *osError = e;
    return synced;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        out.append(buf, std::size_t(n));
    }
    ::close(fd);
    return true;
}

bool MakeFolders(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

}  // namespace fw
