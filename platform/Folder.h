#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/DirSearch.h"
#include "platform/FileSystem.h"
#include "platform/Handle.h"
#include "platform/Result.h"

namespace ostrel::platform {

// An open folder that a job acts through: every name below it is resolved relative to the open
// handle, one component at a time and never through a symbolic link, so a folder swapped for
// a link (or moved) after it was opened cannot redirect what is done. Move-only; closed when the
// object dies. Operations that fail return the system error number (0 on success).
class Folder {
  public:
    Folder() = default;

    // Opens the folder `path` ("" is the current folder). The components above the last are
    // resolved once, now; the last must be a real folder (a link there is not followed).
    static Folder Open(const std::string& path);
    // Opens the folder `path` as the shell and rm resolve the folders leading to a path the user
    // typed: symbolic links are followed in every component, the last one included.
    static Folder OpenFollowingLinks(const std::string& path);

    // Opens entry `name` of this folder as a folder, never through a link. With `expected`, a
    // folder other than that one fails with ESTALE (it was replaced since it was seen).
    Folder OpenChild(std::string_view name,
                     const std::optional<FileIdentity>& expected = std::nullopt) const;
    // Opens the folder above this one (ESTALE when that is not `expected`).
    Folder OpenParent(const std::optional<FileIdentity>& expected = std::nullopt) const;

    bool IsOpen() const { return m_handle.Valid(); }
    // The system error number of a failed open; 0 for an open folder.
    int Error() const { return m_error; }
    // What the folder itself is (device, inode, mount, owner, mode).
    const FileStatus& Status() const { return m_status; }
    FileIdentity Identity() const { return m_status.id; }

    // What entry `name` is, links described and never followed; the error number when nothing
    // can be read under that name.
    Result<FileStatus> Stat(std::string_view name) const;
    // The same from what the system already knows, without asking the file system's server: it
    // never waits for a network or FUSE server that does not answer. Enough to see which mount
    // an entry leads to.
    Result<FileStatus> StatCached(std::string_view name) const;

    // Removes entry `name` (never a folder).
    int Unlink(std::string_view name) const;
    // Removes the empty folder `name`; ENOTEMPTY while it holds anything.
    int RemoveFolder(std::string_view name) const;
    // Renames entry `name` to `toName` in folder `to` without ever replacing an existing entry:
    // EEXIST when `toName` exists, EXDEV when the two folders lie on different file systems.
    // Where the file system refuses the no-replace flag, a hard link to the new name followed by
    // the removal of the old one gives the same guarantee; EOPNOTSUPP when it has no hard links
    // either (nothing was moved).
    int Rename(std::string_view name, const Folder& to, std::string_view toName) const;

    // A second handle of this same folder, for work that outlives this object.
    Folder Reopen() const;

    // Flushes the folder's entries to the disk, so that the names made, removed or renamed in it
    // so far survive a power cut. A file system that keeps nothing to flush (EINVAL) counts as
    // flushed.
    int Sync() const;

    // Whether this process may write entry `name` (a regular file): 0, or EROFS, EPERM (immutable
    // or append-only), EACCES, ETXTBSY (a running program).
    int CheckWritable(std::string_view name) const;
    // Adds the owner's write permission to entry `name` when it is a regular file of this user
    // that is still `expected`. Only the mode changes.
    int MakeOwnerWritable(std::string_view name, const FileIdentity& expected) const;

    // A search over this folder's entries (from the start).
    DirSearch List() const;

    // The system's handle of the open folder, for the platform layer's own use.
    const Handle& Native() const { return m_handle; }

  private:
    // The folder `opened` holds, or one that is not open with the error of its open.
    static Folder FromOpen(Result<Handle> opened, const std::optional<FileIdentity>& expected);

    Handle m_handle;
    int m_error = 0;
    FileStatus m_status;
};

// The entry name and the folder part of `path` ("a/b/c" gives "a/b" and "c"; "c" gives "" and
// "c"; "/c" gives "/" and "c"). Trailing separators are not part of the name.
std::pair<std::string, std::string> SplitFolderAndName(const std::string& path);

}  // namespace ostrel::platform
