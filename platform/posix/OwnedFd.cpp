#include "platform/posix/OwnedFd.h"

#include <unistd.h>

#include <cerrno>

namespace ostrel::platform::posix {

OwnedFd& OwnedFd::operator=(OwnedFd&& other) noexcept {
    if (this != &other) {
        Reset();
        m_fd = other.Release();
    }
    return *this;
}

int OwnedFd::Release() {
    int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool OwnedFd::Reset() {
    if (m_fd < 0) {
        return true;
    }
    // Linux closes the descriptor even when close reports EINTR: never retry.
    int result = ::close(m_fd);
    m_fd = -1;
    return result == 0;
}

bool ReadToEnd(int fd, std::string& out) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace ostrel::platform::posix
