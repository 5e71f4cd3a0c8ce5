#include "platform/Folder.h"

#include <cerrno>

// A stub: nothing is implemented for Windows yet and every call fails with ENOSYS. The real one
// opens folders with CreateFileW (FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, so
// a junction or link is never followed) and resolves names relative to the open folder through
// NtCreateFile's RootDirectory, as the POSIX backend does through openat.

namespace ostrel::platform {

Folder Folder::FromOpen(Result<Handle> opened, const std::optional<FileIdentity>&) {
    Folder folder;
    folder.m_error = opened ? ENOSYS : opened.error();
    return folder;
}

Folder Folder::Open(const std::string&) {
    return FromOpen(Failure{ENOSYS}, std::nullopt);
}

Folder Folder::OpenFollowingLinks(const std::string&) {
    return FromOpen(Failure{ENOSYS}, std::nullopt);
}

Folder Folder::OpenChild(std::string_view, const std::optional<FileIdentity>&) const {
    return FromOpen(Failure{ENOSYS}, std::nullopt);
}

Folder Folder::OpenParent(const std::optional<FileIdentity>&) const {
    return FromOpen(Failure{ENOSYS}, std::nullopt);
}

Result<FileStatus> Folder::Stat(std::string_view) const {
    return Failure{ENOSYS};
}

Result<FileStatus> Folder::StatCached(std::string_view) const {
    return Failure{ENOSYS};
}

int Folder::Unlink(std::string_view) const {
    return ENOSYS;
}

int Folder::RemoveFolder(std::string_view) const {
    return ENOSYS;
}

int Folder::Rename(std::string_view, const Folder&, std::string_view) const {
    return ENOSYS;
}

Folder Folder::Reopen() const {
    return FromOpen(Failure{ENOSYS}, std::nullopt);
}

int Folder::Sync() const {
    return ENOSYS;
}

int Folder::CheckWritable(std::string_view) const {
    return ENOSYS;
}

int Folder::MakeOwnerWritable(std::string_view, const FileIdentity&) const {
    return ENOSYS;
}

DirSearch Folder::List() const {
    return DirSearch::FromOpen(Failure{ENOSYS});
}

std::pair<std::string, std::string> SplitFolderAndName(const std::string& path) {
    // Either separator ends a folder's name on Windows.
    std::string trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == '/' || trimmed.back() == '\\')) {
        trimmed.pop_back();
    }
    const auto slash = trimmed.find_last_of("/\\");
    if (slash == std::string::npos) {
        return {std::string(), trimmed};
    }
    return {slash == 0 ? trimmed.substr(0, 1) : trimmed.substr(0, slash),
            trimmed.substr(slash + 1)};
}

}  // namespace ostrel::platform
