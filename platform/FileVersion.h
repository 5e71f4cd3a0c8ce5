#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/Folder.h"
#include "platform/Result.h"

namespace ostrel::platform {

// A time stamp as the file system keeps it.
struct FileTime {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    bool operator==(const FileTime&) const = default;
};

// What tells one version of a file from every other: a file deleted frees its inode number,
// and the next file made on that disk may get it, so the number alone is not enough. The birth
// time and the inode generation change with every new file under a number, where the file
// system keeps them; the sizes and times tell a file written to since. A field that was not
// recorded (nullopt) is not compared.
struct FileVersion {
    FileIdentity id;
    std::int64_t size = 0;
    std::optional<FileTime> modified;
    std::optional<FileTime> changed;          // the inode's change time
    std::optional<FileTime> born;             // where the file system records a birth time
    std::optional<std::uint32_t> generation;  // where the file system gives one
    bool operator==(const FileVersion&) const = default;
};

// What the regular file `name` in `folder` is now, with its birth time and generation where
// the file system gives them (the file is opened for reading, without following a link and
// without waiting, to ask for the generation); the error number when nothing is there, or
// EINVAL when it is not a regular file.
Result<FileVersion> ReadFileVersion(const Folder& folder, std::string_view name);
// The same for `path` (the folders leading to it are resolved as the system does; its last
// component is never followed).
Result<FileVersion> ReadFileVersion(const std::string& path);

// The version `status` describes: identity, size and modification time only.
FileVersion VersionOf(const FileStatus& status);

// Which fields must still be as recorded for `now` to be the version recorded.
enum class Compared {
    Everything,
    // All but the modification and change times, which a file's own shredding changes (its
    // passes, its rename) after it was recorded.
    AllButWriteTimes,
};

// True when `now` is the version `recorded`: the same device and inode, and every field that
// both record (less the times `compared` leaves out) equal. A birth time or generation
// recorded but not readable now counts as different.
bool SameVersion(const FileVersion& recorded, const FileVersion& now, Compared compared);

}  // namespace ostrel::platform
