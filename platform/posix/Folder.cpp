#include "platform/Folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/posix/Descriptor.h"
#include "platform/posix/FaultPoints.h"
#include "platform/posix/OpenAt.h"
#include "platform/posix/StatAt.h"

namespace ostrel::platform {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

int ErrnoOr0(bool ok) {
    return ok ? 0 : errno;
}

}  // namespace

Folder Folder::FromOpen(Result<Handle> opened, const std::optional<FileIdentity>& expected) {
    Folder folder;
    if (!opened) {
        folder.m_error = opened.error();
        return folder;
    }
    auto status = posix::StatAt(posix::Fd(*opened), "");
    if (!status || (expected && status->id != *expected)) {
        folder.m_error = status ? ESTALE : status.error();
        return folder;
    }
    folder.m_handle = std::move(*opened);
    folder.m_status = *status;
    return folder;
}

Folder Folder::Open(const std::string& path) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return FromOpen(
        posix::OpenAtRetrying(AT_FDCWD, folder.empty() ? "." : folder.c_str(), kFolderFlags),
        std::nullopt);
}

Folder Folder::OpenFollowingLinks(const std::string& path) {
    return FromOpen(posix::OpenAtRetrying(AT_FDCWD, path.empty() ? "." : path.c_str(),
                                          kFolderFlags & ~O_NOFOLLOW),
                    std::nullopt);
}

Folder Folder::OpenChild(std::string_view name, const std::optional<FileIdentity>& expected) const {
    const std::string child(name);
    if (!IsOpen() || child.empty() || child == "." || child == ".." ||
        child.find('/') != std::string::npos) {
        return FromOpen(Failure{IsOpen() ? EINVAL : EBADF}, std::nullopt);
    }
    return FromOpen(posix::OpenAtRetrying(posix::Fd(m_handle), child.c_str(), kFolderFlags),
                    expected);
}

Folder Folder::OpenParent(const std::optional<FileIdentity>& expected) const {
    if (!IsOpen()) {
        return FromOpen(Failure{EBADF}, std::nullopt);
    }
    return FromOpen(posix::OpenAtRetrying(posix::Fd(m_handle), "..", kFolderFlags), expected);
}

Result<FileStatus> Folder::Stat(std::string_view name) const {
    if (!IsOpen()) {
        return Failure{EBADF};
    }
    const std::string entry(name);
    if (entry.empty()) {
        return Failure{ENOENT};
    }
    return posix::StatAt(posix::Fd(m_handle), entry.c_str());
}

Result<FileStatus> Folder::StatCached(std::string_view name) const {
    if (!IsOpen()) {
        return Failure{EBADF};
    }
    const std::string entry(name);
    return posix::StatAt(posix::Fd(m_handle), entry.c_str(), true);
}

int Folder::Unlink(std::string_view name) const {
    if (posix::FaultFires(SysCall::Unlink)) {
        return errno;
    }
    return ErrnoOr0(::unlinkat(posix::Fd(m_handle), std::string(name).c_str(), 0) == 0);
}

int Folder::RemoveFolder(std::string_view name) const {
    if (posix::FaultFires(SysCall::RemoveFolder)) {
        return errno;
    }
    return ErrnoOr0(::unlinkat(posix::Fd(m_handle), std::string(name).c_str(), AT_REMOVEDIR) == 0);
}

int Folder::Rename(std::string_view name, const Folder& to, std::string_view toName) const {
    const std::string from(name);
    const std::string target(toName);
    const int renamed = posix::FaultFires(SysCall::Rename)
                            ? -1
                            : ::renameat2(posix::Fd(m_handle), from.c_str(), posix::Fd(to.Native()),
                                          target.c_str(), RENAME_NOREPLACE);
    if (renamed == 0) {
        return 0;
    }
    if (errno != EINVAL) {
        return errno;
    }
    // The file system does not know the no-replace flag (NFS, some FUSE file systems): a new
    // hard link never replaces an existing name either. The old name goes only while both
    // names still lead to the same file.
    const auto before = Stat(from);
    if (!before) {
        return before.error();
    }
    if (posix::FaultFires(SysCall::Link) ||
        ::linkat(posix::Fd(m_handle), from.c_str(), posix::Fd(to.Native()), target.c_str(), 0) !=
            0) {
        // A file system without hard links (FAT, exFAT, many FUSE file systems) says EPERM, and
        // some say ENOSYS: the file cannot be moved without the risk of replacing a name. That
        // says nothing about the file itself (EPERM would read as an immutable file).
        return errno == EPERM || errno == ENOSYS || errno == EOPNOTSUPP ? EOPNOTSUPP : errno;
    }
    const auto after = to.Stat(target);
    if (!after || after->id != before->id) {
        return ESTALE;
    }
    if (::unlinkat(posix::Fd(m_handle), from.c_str(), 0) != 0) {
        const int error = errno;
        ::unlinkat(posix::Fd(to.Native()), target.c_str(), 0);
        return error;
    }
    return 0;
}

Folder Folder::Reopen() const {
    if (!IsOpen()) {
        return FromOpen(Failure{EBADF}, std::nullopt);
    }
    return FromOpen(posix::OpenAtRetrying(posix::Fd(m_handle), ".", kFolderFlags), Identity());
}

int Folder::Sync() const {
    if (!IsOpen()) {
        return EBADF;
    }
    if (::fsync(posix::Fd(m_handle)) == 0) {
        return 0;
    }
    return errno == EINVAL ? 0 : errno;
}

int Folder::CheckWritable(std::string_view name) const {
    return ErrnoOr0(::faccessat(posix::Fd(m_handle), std::string(name).c_str(), W_OK,
                                AT_EACCESS | AT_SYMLINK_NOFOLLOW) == 0);
}

int Folder::MakeOwnerWritable(std::string_view name, const FileIdentity& expected) const {
    // Changed through a descriptor of the file itself, so a link put in its place is never
    // followed to another file.
    const Result<Handle> probe = posix::OpenAtRetrying(
        posix::Fd(m_handle), std::string(name).c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (!probe) {
        return probe.error();
    }
    auto status = posix::StatAt(posix::Fd(*probe), "");
    if (!status || status->type != FileType::Regular || status->id != expected ||
        status->owner != ::geteuid()) {
        return status ? EPERM : status.error();
    }
    const std::string self = "/proc/self/fd/" + std::to_string(posix::Fd(*probe));
    return ErrnoOr0(::chmod(self.c_str(), (status->permissions | S_IWUSR) & 07777) == 0);
}

DirSearch Folder::List() const {
    if (!IsOpen()) {
        return DirSearch::FromOpen(Failure{EBADF});
    }
    // A search of its own at the start: the folder's own descriptor keeps no read position.
    return DirSearch::FromOpen(posix::OpenAtRetrying(posix::Fd(m_handle), ".", kFolderFlags));
}

std::pair<std::string, std::string> SplitFolderAndName(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    const auto slash = trimmed.rfind('/');
    if (slash == std::string::npos) {
        return {std::string(), trimmed};
    }
    return {slash == 0 ? std::string("/") : trimmed.substr(0, slash), trimmed.substr(slash + 1)};
}

}  // namespace ostrel::platform
