#include "platform/RawFile.h"

#include <cerrno>
#include <utility>

// A stub: nothing is implemented for Windows yet and no file opens (ENOSYS). The real one opens
// with CreateFileW (share mode 0 for an exclusive handle, FILE_FLAG_OPEN_REPARSE_POINT),
// relative to the folder's handle through NtCreateFile, checks the file's identity with
// GetFileInformationByHandle (volume serial number and file index), writes with WriteFile at
// explicit offsets, flushes with FlushFileBuffers, and deletes on close through
// SetFileInformationByHandle (FileDispositionInfo) while the handle still names the file.

namespace ostrel::platform {

RawFile RawFile::OpenAt(const Folder&, std::string_view, const Options&) {
    RawFile file;
    file.m_failure = Failure::Other;
    file.m_error = ENOSYS;
    return file;
}

void RawFile::Release() {
    m_handle.Reset();
    m_folder.Reset();
}

std::int64_t RawFile::Size() const {
    return -1;
}

std::vector<std::pair<std::int64_t, std::int64_t>> RawFile::DataRanges() const {
    return {};
}

bool RawFile::SeekTo(std::int64_t) {
    return false;
}

bool RawFile::ScrubExtendedAttributes() {
    return false;
}

bool RawFile::Write(std::string_view) {
    return false;
}

bool RawFile::Drain() {
    return false;
}

bool RawFile::WriteOut(const char*, std::size_t) {
    return false;
}

bool RawFile::Flush() {
    return false;
}

bool RawFile::Close() {
    return false;
}

void RawFile::Fail(int error) {
    if (!m_failed) {
        m_failed = true;
        m_error = error;
    }
}

}  // namespace ostrel::platform
