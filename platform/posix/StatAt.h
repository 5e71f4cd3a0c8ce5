#pragma once

#include <optional>

#include "platform/FileSystem.h"

namespace ostrel::platform::posix {

// statx of `name` relative to the folder descriptor `dirfd` (AT_FDCWD for the current folder),
// never following a link; with an empty name, of `dirfd` itself. nullopt with errno set on
// failure.
std::optional<FileStatus> StatAt(int dirfd, const char* name);

}  // namespace ostrel::platform::posix
