#include "platform/posix/Descriptor.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace ostrel::platform {

Status Handle::Close() {
    // Linux closes the descriptor even when close reports EINTR: never retry.
    if (::close(static_cast<int>(std::exchange(m_value, kNone))) != 0) {
        return Failure{errno};
    }
    return {};
}

namespace posix {

Status ReadToEnd(int fd, std::string& out) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return Failure{errno};
        }
        if (n == 0) {
            return {};
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace posix
}  // namespace ostrel::platform
