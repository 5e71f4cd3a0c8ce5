#pragma once

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdint>

#include "platform/FileSystem.h"
#include "platform/Result.h"

namespace ostrel::platform::posix {

// statx of `name` relative to the folder descriptor `dirfd` (AT_FDCWD for the current folder),
// never following a link; with an empty name, of `dirfd` itself; the error number on failure. With
// `cached`, the file system is not asked to refresh what the system knows (AT_STATX_DONT_SYNC): a
// network or FUSE server that does not answer is never waited for.
Result<FileStatus> StatAt(int dirfd, const char* name, bool cached = false);

// The device and inode a status names.
inline FileIdentity IdentityOf(const struct statx& st) {
    return {makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino};
}
inline FileIdentity IdentityOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

}  // namespace ostrel::platform::posix
