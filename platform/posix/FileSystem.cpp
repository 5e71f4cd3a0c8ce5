#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Folder.h"
#include "platform/posix/Descriptor.h"
#include "platform/posix/FaultPoints.h"
#include "platform/posix/StatAt.h"

namespace ostrel::platform {
namespace {

FileType TypeOf(mode_t mode) {
    switch (mode & S_IFMT) {
        case S_IFDIR:
            return FileType::Directory;
        case S_IFLNK:
            return FileType::SymbolicLink;
        case S_IFIFO:
            return FileType::Fifo;
        case S_IFCHR:
            return FileType::CharDevice;
        case S_IFBLK:
            return FileType::BlockDevice;
        case S_IFSOCK:
            return FileType::Socket;
        default:
            return FileType::Regular;
    }
}

}  // namespace

namespace posix {

Result<FileStatus> StatAt(int dirfd, const char* name, bool cached) {
    struct statx st {};
    const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (*name == '\0' ? AT_EMPTY_PATH : 0) |
                      (cached ? AT_STATX_DONT_SYNC : 0);
    if (::statx(dirfd, name, flags, STATX_BASIC_STATS | STATX_MNT_ID, &st) != 0) {
        return Failure{errno};
    }
    FileStatus status;
    status.type = TypeOf(st.stx_mode);
    status.id = IdentityOf(st);
    status.linkCount = st.stx_nlink;
    status.size = static_cast<std::int64_t>(st.stx_size);
    status.mtimeSeconds = st.stx_mtime.tv_sec;
    status.mtimeNanoseconds = st.stx_mtime.tv_nsec;
    status.permissions = st.stx_mode & 07777;
    status.owner = st.stx_uid;
    status.mountId = (st.stx_mask & STATX_MNT_ID) != 0 ? st.stx_mnt_id : 0;
    return status;
}

}  // namespace posix

Result<FileStatus> StatPath(const std::string& path) {
    return posix::StatAt(AT_FDCWD, path.c_str());
}

Result<std::uint32_t> GetAttributes(const std::string& path) {
    auto status = StatPath(path);
    if (!status) {
        return Failure{status.error()};
    }
    std::uint32_t attributes = 0;
    if (status->type == FileType::Directory) {
        attributes |= kAttrDirectory;
    } else if (status->type == FileType::SymbolicLink) {
        attributes |= kAttrReparsePoint;
    }
    if ((status->permissions & 0222) == 0) {
        attributes |= kAttrReadOnly;
    }
    return attributes == 0 ? kAttrNormal : attributes;
}

bool PathIsDirectory(const std::string& path) {
    auto status = StatPath(path);
    return status && status->type == FileType::Directory;
}

bool PathExists(const std::string& path) {
    return StatPath(path).has_value();
}

bool DirectoryIsEmpty(const std::string& path) {
    if (!PathIsDirectory(path)) {
        return false;
    }
    Handle fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    DIR* dir = fd.Valid() ? ::fdopendir(posix::Fd(fd)) : nullptr;
    if (dir == nullptr) {
        return false;
    }
    fd.Release();  // the stream owns it now
    bool empty = true;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            empty = false;
            break;
        }
    }
    ::closedir(dir);
    return empty;
}

namespace {

// The outcome of a system call that returned `result` (0 on success) just now.
Status Checked(int result) {
    return result == 0 ? Status() : Failure{errno};
}

}  // namespace

Status DeletePath(const std::string& path) {
    if (posix::FaultFires(SysCall::Unlink)) {
        return Failure{errno};
    }
    return Checked(::unlink(path.c_str()));
}

Status RemoveDirectory(const std::string& path) {
    const auto status = StatPath(path);
    if (!status) {
        return Failure{status.error()};
    }
    if (status->type != FileType::Directory) {
        return Failure{ENOTDIR};
    }
    return Checked(::rmdir(path.c_str()));
}

namespace {

// Makes the folder `folder` and flushes the folder above, so that what is later made durable
// inside it is not lost with its name in a power cut.
Status MakeFolderDurably(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0) {
        return Failure{errno};
    }
    const std::string above = SplitFolderAndName(folder).first;
    const int fd = ::open(above.empty() ? "." : above.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return {};
}

}  // namespace

Status MakeFolders(const std::string& folder) {
    Status made = MakeFolderDurably(folder);
    if (made) {
        return made;
    }
    if (made.error() == ENOENT) {
        const std::string above = SplitFolderAndName(folder).first;
        if (above.empty() || above == folder) {
            return made;
        }
        if (const Status madeAbove = MakeFolders(above); !madeAbove) {
            return madeAbove;
        }
        made = MakeFolderDurably(folder);
        if (made) {
            return made;
        }
    }
    if (made.error() != EEXIST) {
        return made;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        return Failure{errno};
    }
    return S_ISDIR(st.st_mode) ? Status() : Failure{ENOTDIR};
}

Status SetFolderMode(const std::string& path, std::uint32_t mode) {
    const Handle fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.Valid()) {
        return Failure{errno};
    }
    return Checked(::fchmod(posix::Fd(fd), static_cast<mode_t>(mode)));
}

RenameResult RenameNoReplace(const std::string& from, const std::string& to) {
    const auto [fromFolder, fromName] = SplitFolderAndName(from);
    const auto [toFolder, toName] = SplitFolderAndName(to);
    const Folder source = Folder::Open(fromFolder);
    const Folder other = toFolder == fromFolder ? Folder() : Folder::Open(toFolder);
    const Folder& target = toFolder == fromFolder ? source : other;
    const int error = !source.IsOpen()   ? source.Error()
                      : !target.IsOpen() ? target.Error()
                                         : source.Rename(fromName, target, toName);
    switch (error) {
        case 0:
            return RenameResult::Done;
        case EEXIST:
            return RenameResult::Exists;
        case EXDEV:
            return RenameResult::CrossDevice;
        default:
            return RenameResult::Failed;
    }
}

std::uint32_t EffectiveUserId() {
    return ::geteuid();
}

}  // namespace ostrel::platform
