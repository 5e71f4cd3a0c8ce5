#include "platform/RawFile.h"

#include <cerrno>
#include <utility>

namespace ostrel::platform {

// Opening by path is the opening of an entry of its folder, and an open's failure is named by its
// error number alone (the platform's error numbers are the same on every system): both are the
// same for every backend.
RawFile RawFile::Open(const std::string& path, const Options& options) {
    const auto [folderPath, name] = SplitFolderAndName(path);
    const Folder folder = Folder::Open(folderPath);
    if (!folder.IsOpen()) {
        RawFile file;
        file.m_error = folder.Error();
        file.m_failure = FailureOf(folder.Error());
        return file;
    }
    return OpenAt(folder, name, options);
}

RawFile::Failure RawFile::FailureOf(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return Failure::NotFound;
        case ELOOP:
        case EISDIR:
        case ENXIO:
            return Failure::NotRegular;
        case ETXTBSY:
        case EAGAIN:
            return Failure::InUse;
        case EACCES:
        case EPERM:
        case EROFS:
            return Failure::Denied;
        default:
            return Failure::Other;
    }
}

// What a backend's Release() gives back is its own; moving and destroying a file are the same
// on every system.
RawFile::~RawFile() {
    Release();
}

RawFile::RawFile(RawFile&& other) noexcept {
    *this = std::move(other);
}

RawFile& RawFile::operator=(RawFile&& other) noexcept {
    if (this != &other) {
        Release();
        m_handle = std::move(other.m_handle);
        m_failure = other.m_failure;
        m_error = other.m_error;
        m_folder = std::move(other.m_folder);
        m_name = std::move(other.m_name);
        m_deleteOnClose = other.m_deleteOnClose;
        m_failed = other.m_failed;
        m_id = other.m_id;
        m_linkCount = other.m_linkCount;
        m_mountId = other.m_mountId;
        m_written = std::exchange(other.m_written, 0);
        m_tally = std::exchange(other.m_tally, nullptr);
        m_buffer = std::move(other.m_buffer);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_used = std::exchange(other.m_used, 0);
        m_offset = other.m_offset;
    }
    return *this;
}

}  // namespace ostrel::platform
