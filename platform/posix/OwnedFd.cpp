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

bool WriteAll(int fd, const std::string& bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, std::string& out) {
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return true;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
}

}  // namespace ostrel::platform::posix
