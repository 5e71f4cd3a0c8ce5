#include "platform/LockFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace ostrel::platform {
namespace {

int FlockRetrying(int fd, int operation) {
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

}  // namespace

LockFile::~LockFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

LockFile::LockFile(LockFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path)) {}

LockFile& LockFile::operator=(LockFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
    }
    return *this;
}

LockFile LockFile::Open(const std::string& path) {
    LockFile lock;
    lock.m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lock.m_fd >= 0) {
        lock.m_path = path;
    }
    return lock;
}

bool LockFile::TryExclusive() {
    return m_fd >= 0 && FlockRetrying(m_fd, LOCK_EX | LOCK_NB) == 0;
}

bool LockFile::HoldShared() {
    return m_fd >= 0 && FlockRetrying(m_fd, LOCK_SH) == 0;
}

}  // namespace ostrel::platform
