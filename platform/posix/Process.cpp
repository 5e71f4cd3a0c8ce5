#include "platform/Process.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>

namespace ostrel::platform {
namespace {

constexpr int kHighPriorityNice = -10;

}  // namespace

int ProcessNiceValue() {
    errno = 0;
    return ::getpriority(PRIO_PROCESS, 0);
}

bool RaiseProcessPriority() {
    int current = ProcessNiceValue();
    if (current <= kHighPriorityNice) {
        return true;
    }
    return ::setpriority(PRIO_PROCESS, 0, kHighPriorityNice) == 0;
}

void ExitProcess(int exitCode) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    ::_exit(exitCode);
}

bool StandardInputIsTerminal() {
    return ::isatty(STDIN_FILENO) == 1;
}

int LastOsError() {
    return errno;
}

}  // namespace ostrel::platform
