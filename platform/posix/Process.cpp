#include "platform/Process.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>

namespace ostrel::platform {

void ExitProcess(int exitCode) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    ::_exit(exitCode);
}

int LastOsError() {
    return errno;
}

}  // namespace ostrel::platform
