#include "platform/RawFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/posix/FaultPoints.h"

namespace ostrel::platform {
namespace {

// Large enough that a pass costs about what the disk's own 1 MiB writes cost.
constexpr std::size_t kWriteBehindSize = std::size_t{1} << 20;

// A lease break (someone else opening the file) must never kill the process: SIGIO would by
// default. The lease is given up at once so the other opener is not held for the kernel's
// lease-break time; the handle keeps writing.
void OnLeaseBreak(int, siginfo_t* info, void*) {
    int savedErrno = errno;
    if (info != nullptr && info->si_fd >= 0) {
        ::fcntl(info->si_fd, F_SETLEASE, F_UNLCK);
    }
    errno = savedErrno;
}

// Installs the lease-break handler once; false when SIGIO already belongs to someone else, in
// which case no lease is taken.
bool LeaseSignalReady() {
    static const bool ready = [] {
        struct sigaction current {};
        if (::sigaction(SIGIO, nullptr, &current) != 0) {
            return false;
        }
        if ((current.sa_flags & SA_SIGINFO) != 0) {
            return current.sa_sigaction == OnLeaseBreak;
        }
        if (current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN) {
            return false;
        }
        struct sigaction action {};
        action.sa_sigaction = OnLeaseBreak;
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGIO, &action, nullptr) == 0;
    }();
    return ready;
}

RawFile::Failure FailureFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return RawFile::Failure::NotFound;
        case ELOOP:
        case EISDIR:
        case ENXIO:
            return RawFile::Failure::NotRegular;
        case ETXTBSY:
        case EAGAIN:
            return RawFile::Failure::InUse;
        case EACCES:
        case EPERM:
        case EROFS:
            return RawFile::Failure::Denied;
        default:
            return RawFile::Failure::Other;
    }
}

// Keeps every other holder out: a write lease, or an exclusive flock where no lease is possible
// (EACCES for files of other owners, EINVAL on file systems without leases).
RawFile::Failure TakeExclusive(int fd) {
    if (LeaseSignalReady()) {
        int result = -1;
        if (!posix::FaultFires(SysCall::Lease) && ::fcntl(fd, F_SETSIG, SIGIO) == 0) {
            result = ::fcntl(fd, F_SETLEASE, F_WRLCK);
        }
        if (result == 0) {
            return RawFile::Failure::None;
        }
        if (errno == EAGAIN) {
            return RawFile::Failure::InUse;
        }
    }
    if (!posix::FaultFires(SysCall::Flock) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return RawFile::Failure::None;
    }
    return errno == EWOULDBLOCK ? RawFile::Failure::InUse : RawFile::Failure::Other;
}

// Opens the file that the O_PATH descriptor `probe` refers to for writing: through
// /proc/self/fd, so the path cannot be swapped for another file in between; by path (checked by
// identity afterwards) where /proc is not mounted.
int ReopenForWriting(int probe, int accessMode, const std::string& path) {
    if (posix::FaultFires(SysCall::Open)) {
        return -1;
    }
    std::string self = "/proc/self/fd/" + std::to_string(probe);
    int fd = ::open(self.c_str(), accessMode | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 || errno != ENOENT) {
        return fd;
    }
    return ::open(path.c_str(), accessMode | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

FileIdentity IdentityOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

}  // namespace

RawFile RawFile::Open(const std::string& path, const Options& options) {
    RawFile file;
    file.m_path = path;
    file.m_deleteOnClose = options.deleteOnClose;
    const int accessMode = options.writeOnly ? O_WRONLY : O_RDWR;
    auto fail = [&file](Failure why) {
        file.m_failure = why;
        return std::move(file);
    };

    int fd = -1;
    std::optional<FileIdentity> probed;
    int probe = ::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (probe < 0) {
        if (errno != ENOENT || !options.create || options.expected) {
            return fail(FailureFromErrno(errno));
        }
        fd =
            posix::FaultFires(SysCall::Open)
                ? -1
                : ::open(path.c_str(),
                         accessMode | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
        if (fd < 0) {
            return fail(FailureFromErrno(errno));
        }
    } else {
        struct stat st {};
        bool regular = ::fstat(probe, &st) == 0 && S_ISREG(st.st_mode);
        if (!regular || (options.expected && IdentityOf(st) != *options.expected)) {
            ::close(probe);
            return fail(regular ? Failure::NotSameFile : Failure::NotRegular);
        }
        probed = IdentityOf(st);
        fd = ReopenForWriting(probe, accessMode, path);
        int savedErrno = errno;
        ::close(probe);
        if (fd < 0) {
            return fail(FailureFromErrno(savedErrno));
        }
    }

    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (probed && IdentityOf(st) != *probed)) {
        ::close(fd);
        return fail(Failure::NotSameFile);
    }
    if (options.exclusive) {
        if (Failure why = TakeExclusive(fd); why != Failure::None) {
            ::close(fd);
            return fail(why);
        }
    }
    file.m_fd = fd;
    file.m_id = IdentityOf(st);
    file.m_linkCount = st.st_nlink;
    return file;
}

RawFile::~RawFile() {
    Release();
}

RawFile::RawFile(RawFile&& other) noexcept {
    *this = std::move(other);
}

RawFile& RawFile::operator=(RawFile&& other) noexcept {
    if (this != &other) {
        Release();
        m_fd = std::exchange(other.m_fd, -1);
        m_failure = other.m_failure;
        m_path = std::move(other.m_path);
        m_deleteOnClose = other.m_deleteOnClose;
        m_failed = other.m_failed;
        m_id = other.m_id;
        m_linkCount = other.m_linkCount;
        m_buffer = std::move(other.m_buffer);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_used = std::exchange(other.m_used, 0);
        m_offset = other.m_offset;
    }
    return *this;
}

void RawFile::Release() {
    if (m_fd >= 0) {
        Drain();
        ::close(m_fd);
        m_fd = -1;
    }
}

std::int64_t RawFile::Size() const {
    struct stat st {};
    return m_fd >= 0 && ::fstat(m_fd, &st) == 0 ? st.st_size : -1;
}

bool RawFile::Write(std::string_view bytes) {
    if (m_fd < 0) {
        return false;
    }
    if (!m_buffer) {
        // Not zero-filled: a small file's one write must not pay for clearing a whole megabyte.
        m_buffer.reset(new char[kWriteBehindSize]);
        m_capacity = kWriteBehindSize;
    }
    while (!bytes.empty()) {
        std::size_t n = std::min(bytes.size(), m_capacity - m_used);
        std::memcpy(m_buffer.get() + m_used, bytes.data(), n);
        m_used += n;
        bytes.remove_prefix(n);
        if (m_used == m_capacity) {
            Drain();
        }
    }
    return !m_failed;
}

// Hands the buffered bytes to the kernel at their own offsets, so a failed request never
// shifts the bytes that follow it.
bool RawFile::Drain() {
    std::size_t done = 0;
    while (done < m_used) {
        ssize_t n = posix::FaultFires(SysCall::Write)
                        ? -1
                        : ::pwrite(m_fd, m_buffer.get() + done, m_used - done,
                                   static_cast<off_t>(m_offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            m_failed = true;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    m_offset += static_cast<std::int64_t>(m_used);
    m_used = 0;
    return !m_failed;
}

bool RawFile::Flush() {
    if (m_fd < 0) {
        return false;
    }
    Drain();
    if (posix::FaultFires(SysCall::Fsync) || ::fsync(m_fd) != 0) {
        m_failed = true;
    }
    return !m_failed;
}

bool RawFile::Close() {
    if (m_fd < 0) {
        return false;
    }
    bool ok = Drain();
    if (m_deleteOnClose && ok) {
        auto status = StatPath(m_path);
        ok = status && status->id == m_id && DeletePath(m_path);
    }
    if (::close(m_fd) != 0) {
        ok = false;
    }
    m_fd = -1;
    return ok;
}

}  // namespace ostrel::platform
