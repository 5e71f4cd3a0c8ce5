#include "platform/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/SpecialFolders.h"

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

NamedMutex::~NamedMutex() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

NamedMutex::NamedMutex(NamedMutex&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_alreadyExisted(other.m_alreadyExisted),
      m_path(std::move(other.m_path)) {}

NamedMutex& NamedMutex::operator=(NamedMutex&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
        m_alreadyExisted = other.m_alreadyExisted;
        m_path = std::move(other.m_path);
    }
    return *this;
}

NamedMutex NamedMutex::Create(const std::string& name) {
    NamedMutex mutex;
    std::string folder = XdgRuntimeDir();
    if (folder.empty() || name.empty() || name.find('/') != std::string::npos) {
        return mutex;
    }
    std::string path = folder + "/" + name + ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return mutex;
    }
    // An exclusive lock is free only when no other instance holds the file: that tells whether
    // one existed. Every instance then keeps a shared lock, so none ever waits for another.
    bool first = FlockRetrying(fd, LOCK_EX | LOCK_NB) == 0;
    if (FlockRetrying(fd, LOCK_SH) != 0) {
        ::close(fd);
        return mutex;
    }
    mutex.m_fd = fd;
    mutex.m_alreadyExisted = !first;
    mutex.m_path = path;
    return mutex;
}

}  // namespace ostrel::platform
