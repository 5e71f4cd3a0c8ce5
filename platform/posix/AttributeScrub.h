#pragma once

#include "platform/Result.h"

namespace ostrel::platform::posix {

// Overwrites the value of every extended attribute of the open file `fd` with as many zero
// bytes, flushes the file so the zeros reach the disk, then removes each attribute, so the old
// values are not left in a freed block. The system's own attributes (security labels, access
// lists) may refuse; only a user attribute that could not be overwritten or removed, or a failed
// flush, fails. The first error number on failure; a file system without extended attributes
// has none to scrub.
Status ScrubAttributes(int fd);

}  // namespace ostrel::platform::posix
