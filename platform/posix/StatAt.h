#pragma once

#include "platform/FileSystem.h"
#include "platform/Result.h"

namespace ostrel::platform::posix {

// statx of `name` relative to the folder descriptor `dirfd` (AT_FDCWD for the current folder),
// never following a link; with an empty name, of `dirfd` itself; the error number on failure. With
// `cached`, the file system is not asked to refresh what the system knows (AT_STATX_DONT_SYNC): a
// network or FUSE server that does not answer is never waited for.
Result<FileStatus> StatAt(int dirfd, const char* name, bool cached = false);

}  // namespace ostrel::platform::posix
