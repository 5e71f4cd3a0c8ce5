#include "platform/posix/OpenAt.h"

#include <fcntl.h>
#include <sys/resource.h>

#include <cerrno>

namespace ostrel::platform::posix {
namespace {

// Raises the soft open-file limit to the hard one; false when it is there already or may not
// be raised.
bool RaiseOpenFileLimit() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) {
        return false;
    }
    limit.rlim_cur = limit.rlim_max;
    return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

}  // namespace

int OpenAtRetrying(int dirfd, const char* name, int flags) {
    for (;;) {
        const int fd = ::openat(dirfd, name, flags);
        if (fd >= 0 || (errno != EINTR && (errno != EMFILE || !RaiseOpenFileLimit()))) {
            return fd;
        }
    }
}

}  // namespace ostrel::platform::posix
