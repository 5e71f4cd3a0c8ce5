#pragma once

#include "platform/FaultInjection.h"

namespace ostrel::platform::posix {

// True when an injected fault makes this call of `call` fail; errno is then set to the
// injected value. Call it right before the real system call.
bool FaultFires(SysCall call);

}  // namespace ostrel::platform::posix
