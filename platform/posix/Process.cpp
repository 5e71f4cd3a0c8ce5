#include "platform/Process.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace ostrel::platform {

void ExitProcess(int exitCode) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    ::_exit(exitCode);
}

}  // namespace ostrel::platform
