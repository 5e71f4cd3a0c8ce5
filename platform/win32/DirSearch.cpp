#include "platform/DirSearch.h"

#include <cerrno>

// A stub: nothing is implemented for Windows yet and every search fails with ENOSYS. The real
// one reads the open folder's entries with GetFileInformationByHandleEx
// (FileIdExtdDirectoryInfo), keeping each name as UTF-8 in its State, and counts a reparse point
// never as a folder.

namespace ostrel::platform {

struct DirSearch::State {
    int error = ENOSYS;
};

DirSearch::DirSearch() : m_state(std::make_unique<State>()) {}
DirSearch::~DirSearch() = default;
DirSearch::DirSearch(DirSearch&&) noexcept = default;
DirSearch& DirSearch::operator=(DirSearch&&) noexcept = default;

DirSearch DirSearch::FromOpen(Result<Handle>) {
    return DirSearch();
}

DirSearch DirSearch::Open(const std::string&) {
    return DirSearch();
}

DirSearch DirSearch::OpenChild(const DirSearch&, std::string_view) {
    return DirSearch();
}

bool DirSearch::IsOpen() const {
    return false;
}

Result<FileStatus> DirSearch::Status() const {
    return Failure{ENOSYS};
}

int DirSearch::Error() const {
    return m_state ? m_state->error : EBADF;
}

bool DirSearch::Next(DirEntry&) {
    return false;
}

}  // namespace ostrel::platform
