#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/FaultPoints.h"

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

std::optional<FileStatus> StatPath(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    FileStatus status;
    status.type = TypeOf(st.st_mode);
    status.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    status.linkCount = st.st_nlink;
    status.size = st.st_size;
    status.mtimeSeconds = st.st_mtim.tv_sec;
    status.mtimeNanoseconds = st.st_mtim.tv_nsec;
    status.permissions = st.st_mode & 07777;
    status.owner = st.st_uid;
    return status;
}

std::optional<std::uint32_t> GetAttributes(const std::string& path) {
    auto status = StatPath(path);
    if (!status) {
        return std::nullopt;
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
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return false;
    }
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

bool DeletePath(const std::string& path) {
    if (posix::FaultFires(SysCall::Unlink)) {
        return false;
    }
    return ::unlink(path.c_str()) == 0;
}

bool RemoveDirectory(const std::string& path) {
    if (!PathIsDirectory(path)) {
        errno = ENOTDIR;
        return false;
    }
    return ::rmdir(path.c_str()) == 0;
}

bool MakeDirectory(const std::string& path, std::uint32_t mode) {
    return ::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

bool SetFolderMode(const std::string& path, std::uint32_t mode) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool done = ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
    ::close(fd);
    return done;
}

RenameResult RenameNoReplace(const std::string& from, const std::string& to) {
    int result = posix::FaultFires(SysCall::Rename)
                     ? -1
                     : ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (result == 0) {
        return RenameResult::Done;
    }
    if (errno == EEXIST) {
        return RenameResult::Exists;
    }
    return errno == EXDEV ? RenameResult::CrossDevice : RenameResult::Failed;
}

std::uint32_t EffectiveUserId() {
    return ::geteuid();
}

}  // namespace ostrel::platform
