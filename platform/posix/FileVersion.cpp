#include "platform/FileVersion.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/posix/Descriptor.h"
#include "platform/posix/OpenAt.h"
#include "platform/posix/StatAt.h"

namespace ostrel::platform {
namespace {

constexpr unsigned kFields = STATX_BASIC_STATS | STATX_BTIME;

FileTime TimeOf(const struct statx_timestamp& time) {
    return {time.tv_sec, time.tv_nsec};
}

Status StatxAt(int dirfd, const char* name, int flags, struct statx& st) {
    if (::statx(dirfd, name, flags | AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kFields, &st) != 0) {
        return Failure{errno};
    }
    return {};
}

FileVersion VersionOf(const struct statx& st) {
    FileVersion version;
    version.id = posix::IdentityOf(st);
    version.size = static_cast<std::int64_t>(st.stx_size);
    version.modified = TimeOf(st.stx_mtime);
    version.changed = TimeOf(st.stx_ctime);
    if ((st.stx_mask & STATX_BTIME) != 0) {
        version.born = TimeOf(st.stx_btime);
    }
    return version;
}

// The generation of the file `pathFd` (an O_PATH descriptor) refers to. It is reopened for
// reading through the descriptor, never by name, so what is opened is that very file and no
// device or FIFO put in its place meanwhile; without waiting for a lease another program
// holds. nullopt where the file system has no generation or the file cannot be opened.
std::optional<std::uint32_t> GenerationOf(int pathFd) {
    const std::string self = "/proc/self/fd/" + std::to_string(pathFd);
    const Result<Handle> fd =
        posix::OpenAtRetrying(AT_FDCWD, self.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    // The kernel writes an int at the start of the buffer, whatever size the request names.
    long buffer = 0;
    if (!fd || ::ioctl(posix::Fd(*fd), FS_IOC_GETVERSION, &buffer) != 0) {
        return std::nullopt;
    }
    int generation = 0;
    std::memcpy(&generation, &buffer, sizeof generation);
    return static_cast<std::uint32_t>(generation);
}

Result<FileVersion> ReadAt(int dirfd, const char* name) {
    const Result<Handle> fd = posix::OpenAtRetrying(dirfd, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (!fd) {
        return Failure{fd.error()};
    }
    struct statx st {};
    if (const Status found = StatxAt(posix::Fd(*fd), "", AT_EMPTY_PATH, st); !found) {
        return Failure{found.error()};
    }
    if (!S_ISREG(st.stx_mode)) {
        return Failure{EINVAL};
    }
    FileVersion version = VersionOf(st);
    version.generation = GenerationOf(posix::Fd(*fd));
    return version;
}

template <typename T>
bool Agrees(const std::optional<T>& recorded, const std::optional<T>& now) {
    return !recorded || (now && *recorded == *now);
}

}  // namespace

Result<FileVersion> ReadFileVersion(const Folder& folder, std::string_view name) {
    if (!folder.IsOpen() || name.empty() || name.find('/') != std::string_view::npos) {
        return Failure{folder.IsOpen() ? EINVAL : EBADF};
    }
    return ReadAt(posix::Fd(folder.Native()), std::string(name).c_str());
}

Result<FileVersion> ReadFileVersion(const std::string& path) {
    if (path.empty()) {
        return Failure{ENOENT};
    }
    return ReadAt(AT_FDCWD, path.c_str());
}

FileVersion VersionOf(const FileStatus& status) {
    FileVersion version;
    version.id = status.id;
    version.size = status.size;
    version.modified = FileTime{status.mtimeSeconds, status.mtimeNanoseconds};
    return version;
}

bool SameVersion(const FileVersion& recorded, const FileVersion& now, Compared compared) {
    const bool timesAgree =
        compared == Compared::AllButWriteTimes ||
        (Agrees(recorded.modified, now.modified) && Agrees(recorded.changed, now.changed));
    return recorded.id == now.id && recorded.size == now.size && Agrees(recorded.born, now.born) &&
           Agrees(recorded.generation, now.generation) && timesAgree;
}

}  // namespace ostrel::platform
