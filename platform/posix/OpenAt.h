#pragma once

#include "platform/Handle.h"
#include "platform/Result.h"

namespace ostrel::platform::posix {

// openat that goes on after EINTR and, when the process has run out of descriptors (EMFILE),
// raises its soft open-file limit as far as the hard limit allows and tries again: a walk holds
// one open folder per level of nesting, and the usual soft limit (1024) would otherwise end a
// walk about a thousand folders deep. The error number of the open on failure (EMFILE when the
// limit could not be raised).
Result<Handle> OpenAtRetrying(int dirfd, const char* name, int flags);

}  // namespace ostrel::platform::posix
