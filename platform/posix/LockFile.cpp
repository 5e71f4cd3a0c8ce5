#include "platform/LockFile.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace ostrel::platform {
namespace {

bool FlockRetrying(const posix::OwnedFd& fd, int operation) {
    if (!fd.Valid()) {
        return false;
    }
    int result;
    do {
        result = ::flock(fd.Get(), operation);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

}  // namespace

LockFile LockFile::Open(const std::string& path) {
    LockFile lock;
    lock.m_fd =
        posix::OwnedFd(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (lock.m_fd.Valid()) {
        lock.m_path = path;
    }
    return lock;
}

bool LockFile::TryExclusive() {
    return FlockRetrying(m_fd, LOCK_EX | LOCK_NB);
}

bool LockFile::HoldExclusive() {
    return FlockRetrying(m_fd, LOCK_EX);
}

bool LockFile::HoldShared() {
    return FlockRetrying(m_fd, LOCK_SH);
}

}  // namespace ostrel::platform
