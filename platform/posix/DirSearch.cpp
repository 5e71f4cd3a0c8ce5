#include "platform/DirSearch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/Descriptor.h"
#include "platform/posix/OpenAt.h"
#include "platform/posix/StatAt.h"

namespace ostrel::platform {

struct DirSearch::State {
    DIR* dir = nullptr;
    int error = 0;

    ~State() {
        if (dir != nullptr) {
            ::closedir(dir);
        }
    }
};

namespace {

constexpr int kOpenFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

}  // namespace

DirSearch::DirSearch() : m_state(std::make_unique<State>()) {}
DirSearch::~DirSearch() = default;
DirSearch::DirSearch(DirSearch&&) noexcept = default;
DirSearch& DirSearch::operator=(DirSearch&&) noexcept = default;

DirSearch DirSearch::FromOpen(Result<Handle> opened) {
    DirSearch search;
    if (!opened) {
        search.m_state->error = opened.error();
        return search;
    }
    search.m_state->dir = ::fdopendir(posix::Fd(*opened));
    if (search.m_state->dir == nullptr) {
        search.m_state->error = errno;
        return search;
    }
    opened->Release();  // the stream owns it now
    return search;
}

namespace {

Result<Handle> Opened(int fd) {
    if (fd < 0) {
        return Failure{errno};
    }
    return Handle(fd);
}

}  // namespace

DirSearch DirSearch::Open(const std::string& path) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    const char* target = folder.empty() ? "." : folder.c_str();
    int fd;
    do {
        fd = ::open(target, kOpenFlags);
    } while (fd < 0 && errno == EINTR);
    return FromOpen(Opened(fd));
}

DirSearch DirSearch::OpenChild(const DirSearch& parent, std::string_view name) {
    if (!parent.IsOpen()) {
        return FromOpen(Failure{EBADF});
    }
    std::string child(name);
    return FromOpen(posix::OpenAtRetrying(::dirfd(parent.m_state->dir), child.c_str(), kOpenFlags));
}

bool DirSearch::IsOpen() const {
    return m_state && m_state->dir != nullptr;
}

Result<FileStatus> DirSearch::Status() const {
    if (!IsOpen()) {
        return Failure{Error() != 0 ? Error() : EBADF};
    }
    return posix::StatAt(::dirfd(m_state->dir), "");
}

int DirSearch::Error() const {
    return m_state ? m_state->error : EBADF;
}

bool DirSearch::Next(DirEntry& entry) {
    if (!IsOpen()) {
        return false;
    }
    errno = 0;
    struct dirent* d = ::readdir(m_state->dir);
    if (d == nullptr) {
        m_state->error = errno;
        return false;
    }
    bool isDirectory = d->d_type == DT_DIR;
    if (d->d_type == DT_UNKNOWN) {
        // Some file systems do not fill in the type: ask for it, without following links.
        struct stat st {};
        isDirectory = ::fstatat(::dirfd(m_state->dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISDIR(st.st_mode);
    }
    // readdir's record stays valid until the next readdir on this stream.
    entry.name = std::string_view(d->d_name);
    entry.isDirectory = isDirectory;
    return true;
}

}  // namespace ostrel::platform
