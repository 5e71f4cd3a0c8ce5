#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>

#include "platform/FaultInjection.h"

namespace ostrel::platform::posix {

// The points where a test can make a system call fail. Only the test executables' build of the
// platform (OSTREL_FAULT_INJECTION=1) has them; in the program's (=0) they are the plain calls
// and cost nothing. A source without either is built once for both and cannot hold them.
#ifndef OSTREL_FAULT_INJECTION
#error "a source with fault points is built twice: list it in platform/CMakeLists.txt"
#elif OSTREL_FAULT_INJECTION

// True when an injected fault makes this call of `call` fail; errno is then set to the
// injected value. Call it right before the real system call.
bool FaultFires(SysCall call);

// pwrite(2), through the faults injected for SysCall::Write: a failing call, and short writes
// that put fewer bytes in the file than asked for (InjectShortWrites).
ssize_t FaultyPwrite(int fd, const void* data, std::size_t size, off_t offset);

#else

constexpr bool FaultFires(SysCall) {
    return false;
}

inline ssize_t FaultyPwrite(int fd, const void* data, std::size_t size, off_t offset) {
    return ::pwrite(fd, data, size, offset);
}

#endif

}  // namespace ostrel::platform::posix
