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

Result<Handle> OpenAtRetrying(int dirfd, const char* name, int flags) {
    for (;;) {
        const int fd = ::openat(dirfd, name, flags);
        if (fd >= 0) {
            return Handle(fd);
        }
        // Kept before the limit is raised: the calls for that set errno of their own.
        const int error = errno;
        if (error != EINTR && (error != EMFILE || !RaiseOpenFileLimit())) {
            return Failure{error};
        }
    }
}

}  // namespace ostrel::platform::posix
