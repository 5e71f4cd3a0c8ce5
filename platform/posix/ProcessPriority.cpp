#include "platform/ProcessPriority.h"

#include <sys/resource.h>

#include <cerrno>

namespace ostrel::platform {

bool RaiseProcessPriority() {
    constexpr int kHighPriorityNice = -10;
    errno = 0;
    int current = ::getpriority(PRIO_PROCESS, 0);
    if (errno == 0 && current <= kHighPriorityNice) {
        return true;
    }
    return ::setpriority(PRIO_PROCESS, 0, kHighPriorityNice) == 0;
}

}  // namespace ostrel::platform
