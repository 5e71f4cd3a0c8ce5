#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ostrel::platform {

// Small files read and written whole: settings, state lists, language files, WinInit.ini.

enum class ReadOutcome {
    Read,        // `bytes` holds the whole file
    Missing,     // nothing exists under the path
    NotRegular,  // a folder, FIFO, device or socket: never read, never waited on
    Unreadable,  // it exists but cannot be read (`error` says why); a link not followed is this
};

struct FileContents {
    ReadOutcome outcome = ReadOutcome::Missing;
    std::string bytes;
    int error = 0;  // the system error number, for Unreadable
    bool Ok() const { return outcome == ReadOutcome::Read; }
};

enum class Links { Refuse, Follow };

// The whole contents of the regular file `path`. A symbolic link in its place is not followed
// unless `links` says so (Unreadable, ELOOP); a FIFO is opened without waiting for a writer.
FileContents ReadWholeFile(const std::string& path, Links links = Links::Refuse);

// Replaces `path` by a file holding exactly `bytes` with permission bits `mode`: a temporary file
// in the same folder is written whole, flushed to the disk and renamed over `path`, then the
// folder is flushed. Readers see the old file or the new one, never a part; a writer killed at
// any moment leaves the old file whole (and at worst a hidden temporary file beside it). False
// with `path` unchanged when any step failed.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, std::uint32_t mode);

// Renames `path` aside to "<path>.corrupt", or to "<path>.N.corrupt" with the smallest free N
// from 2 on: never over a file kept aside earlier. False when nothing could be renamed.
bool SetAside(const std::string& path);

enum class UpdateResult {
    Written,
    Unreadable,  // the file exists but cannot be read: it is left as it is, nothing is written
    Failed,      // the lock, the setting aside or the replacement failed; the file is unchanged
};

// Rewrites the file `path` under an exclusive lock on "<path>.lock" (created with mode 0600, never
// through a link), held for the whole call, so that two processes never lose each other's
// changes. `load` is given the file's bytes when it is a regular file and returns false when it
// cannot parse them; such a file, or anything but a regular file in its place, is set aside
// (SetAside) before anything is written, and `load` is not called for a missing one. Then the file
// is replaced atomically by what `save` returns, with permission bits `mode`, unless it holds those
// very bytes already. Only the lock holder
// writes "<path>.tmp", so one found there was left by a killed writer and is replaced.
UpdateResult UpdateFileLocked(const std::string& path, std::uint32_t mode,
                              const std::function<bool(const std::string&)>& load,
                              const std::function<std::string()>& save);

}  // namespace ostrel::platform
