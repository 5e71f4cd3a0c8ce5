#pragma once

#include <cstdint>
#include <string>

#include "platform/Result.h"

namespace ostrel::platform {

// Attribute bits as the Windows file API reports them.
inline constexpr std::uint32_t kAttrReadOnly = 0x1;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrNormal = 0x80;
inline constexpr std::uint32_t kAttrReparsePoint = 0x400;

enum class FileType { Regular, Directory, SymbolicLink, Fifo, CharDevice, BlockDevice, Socket };

// Which file a path names: two paths name the same file when both fields agree.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// What lstat reports about a path (a link is described, never followed).
struct FileStatus {
    FileType type = FileType::Regular;
    FileIdentity id;
    std::uint64_t linkCount = 0;
    std::int64_t size = 0;
    std::int64_t mtimeSeconds = 0;
    std::int64_t mtimeNanoseconds = 0;
    std::uint32_t permissions = 0;  // the mode's permission bits
    std::uint32_t owner = 0;
    // The mount the entry lies on: a mount point differs from the folder that holds it even
    // where both share a device (a bind mount).
    std::uint64_t mountId = 0;
};

// lstat of `path`; the error number when nothing can be read under that name.
Result<FileStatus> StatPath(const std::string& path);

// Windows-style attributes of `path` (lstat: only a real folder carries kAttrDirectory, a link
// carries kAttrReparsePoint); the error number when nothing can be read under that name.
Result<std::uint32_t> GetAttributes(const std::string& path);

// True when `path` itself is a folder (a link to a folder is not).
bool PathIsDirectory(const std::string& path);
// True when something (a file, folder, link, even a dangling one) exists under `path`.
bool PathExists(const std::string& path);
// True when `path` is a real folder holding no entries.
bool DirectoryIsEmpty(const std::string& path);

// Removes the name `path` (never a folder).
Status DeletePath(const std::string& path);
// Removes the empty folder `path` (a link to a folder is not removed: ENOTDIR).
Status RemoveDirectory(const std::string& path);
// Creates `folder` and every missing folder above it with mode 0700 (less the umask), as the XDG
// rules ask for the program's own folders. Succeeds when `folder` is a folder (or a link to one)
// afterwards; otherwise the error of the step that failed.
Status MakeFolders(const std::string& folder);

// Sets the permission bits of the real folder `path` to `mode` (the umask plays no part); a link
// is never followed.
Status SetFolderMode(const std::string& path, std::uint32_t mode);

enum class RenameResult { Done, Exists, CrossDevice, Failed };
// Renames `from` to `to` without ever replacing an existing `to`, as Folder::Rename does (also
// where the file system refuses the no-replace flag). CrossDevice when the two lie on different
// file systems.
RenameResult RenameNoReplace(const std::string& from, const std::string& to);

// The effective user id of this process.
std::uint32_t EffectiveUserId();

}  // namespace ostrel::platform
