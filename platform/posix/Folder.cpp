#include "platform/Folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

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

Folder::~Folder() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

Folder::Folder(Folder&& other) noexcept {
    *this = std::move(other);
}

Folder& Folder::operator=(Folder&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
        m_error = other.m_error;
        m_status = other.m_status;
    }
    return *this;
}

Folder Folder::FromDescriptor(int fd, const std::optional<FileIdentity>& expected) {
    Folder folder;
    if (fd < 0) {
        folder.m_error = errno;
        return folder;
    }
    auto status = posix::StatAt(fd, "");
    if (!status || (expected && status->id != *expected)) {
        folder.m_error = status ? ESTALE : errno;
        ::close(fd);
        return folder;
    }
    folder.m_fd = fd;
    folder.m_status = *status;
    return folder;
}

Folder Folder::Open(const std::string& path) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return FromDescriptor(
        posix::OpenAtRetrying(AT_FDCWD, folder.empty() ? "." : folder.c_str(), kFolderFlags),
        std::nullopt);
}

Folder Folder::OpenChild(std::string_view name, const std::optional<FileIdentity>& expected) const {
    const std::string child(name);
    if (m_fd < 0 || child.empty() || child == "." || child == ".." ||
        child.find('/') != std::string::npos) {
        errno = m_fd < 0 ? EBADF : EINVAL;
        return FromDescriptor(-1, std::nullopt);
    }
    return FromDescriptor(posix::OpenAtRetrying(m_fd, child.c_str(), kFolderFlags), expected);
}

Folder Folder::OpenParent(const std::optional<FileIdentity>& expected) const {
    if (m_fd < 0) {
        errno = EBADF;
        return FromDescriptor(-1, std::nullopt);
    }
    return FromDescriptor(posix::OpenAtRetrying(m_fd, "..", kFolderFlags), expected);
}

std::optional<FileStatus> Folder::Stat(std::string_view name) const {
    if (m_fd < 0) {
        errno = EBADF;
        return std::nullopt;
    }
    const std::string entry(name);
    if (entry.empty()) {
        errno = ENOENT;
        return std::nullopt;
    }
    return posix::StatAt(m_fd, entry.c_str());
}

int Folder::Unlink(std::string_view name) const {
    if (posix::FaultFires(SysCall::Unlink)) {
        return errno;
    }
    return ErrnoOr0(::unlinkat(m_fd, std::string(name).c_str(), 0) == 0);
}

int Folder::RemoveFolder(std::string_view name) const {
    return ErrnoOr0(::unlinkat(m_fd, std::string(name).c_str(), AT_REMOVEDIR) == 0);
}

int Folder::Rename(std::string_view name, const Folder& to, std::string_view toName) const {
    const std::string from(name);
    const std::string target(toName);
    if (posix::FaultFires(SysCall::Rename)) {
        return errno;
    }
    if (::renameat2(m_fd, from.c_str(), to.m_fd, target.c_str(), RENAME_NOREPLACE) == 0) {
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
        return errno;
    }
    if (::linkat(m_fd, from.c_str(), to.m_fd, target.c_str(), 0) != 0) {
        return errno;
    }
    const auto after = to.Stat(target);
    if (!after || after->id != before->id) {
        return ESTALE;
    }
    if (::unlinkat(m_fd, from.c_str(), 0) != 0) {
        const int error = errno;
        ::unlinkat(to.m_fd, target.c_str(), 0);
        return error;
    }
    return 0;
}

int Folder::CheckWritable(std::string_view name) const {
    return ErrnoOr0(
        ::faccessat(m_fd, std::string(name).c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) == 0);
}

int Folder::MakeOwnerWritable(std::string_view name, const FileIdentity& expected) const {
    // Changed through a descriptor of the file itself, so a link put in its place is never
    // followed to another file.
    const int probe =
        posix::OpenAtRetrying(m_fd, std::string(name).c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (probe < 0) {
        return errno;
    }
    int result = 0;
    auto status = posix::StatAt(probe, "");
    if (!status || status->type != FileType::Regular || status->id != expected ||
        status->owner != ::geteuid()) {
        result = status ? EPERM : errno;
    } else {
        const std::string self = "/proc/self/fd/" + std::to_string(probe);
        result = ErrnoOr0(::chmod(self.c_str(), (status->permissions | S_IWUSR) & 07777) == 0);
    }
    ::close(probe);
    return result;
}

DirSearch Folder::List() const {
    if (m_fd < 0) {
        errno = EBADF;
        return DirSearch::FromDescriptor(-1);
    }
    // A search of its own at the start: the folder's own descriptor keeps no read position.
    return DirSearch::FromDescriptor(posix::OpenAtRetrying(m_fd, ".", kFolderFlags));
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
