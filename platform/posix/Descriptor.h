#pragma once

#include <string>

#include "platform/Handle.h"
#include "platform/Result.h"

namespace ostrel::platform::posix {

// The file descriptor a Handle holds on this system (-1 for none).
inline int Fd(const Handle& handle) {
    return static_cast<int>(handle.Get());
}

// Reads `fd` from its current position to the end into `out`, going on after EINTR; the error
// number of a failed read.
Status ReadToEnd(int fd, std::string& out);

}  // namespace ostrel::platform::posix
