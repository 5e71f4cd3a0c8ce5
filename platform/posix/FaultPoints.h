#pragma once

#include <sys/types.h>

#include <cstddef>

#include "platform/FaultInjection.h"

namespace ostrel::platform::posix {

// True when an injected fault makes this call of `call` fail; errno is then set to the
// injected value. Call it right before the real system call.
bool FaultFires(SysCall call);

// pwrite(2), through the faults injected for SysCall::Write: a failing call, and short writes
// that put fewer bytes in the file than asked for (InjectShortWrites).
ssize_t FaultyPwrite(int fd, const void* data, std::size_t size, off_t offset);

}  // namespace ostrel::platform::posix
