#include "platform/RawFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/posix/AttributeScrub.h"
#include "platform/posix/Descriptor.h"
#include "platform/posix/FaultPoints.h"
#include "platform/posix/FileLease.h"
#include "platform/posix/StatAt.h"

namespace ostrel::platform {
namespace {

using posix::IdentityOf;

// Writes back what is not yet on its way, and waits until the disk has taken all of it.
constexpr unsigned kWriteAndWait =
    SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;

// Small writes are gathered up to this much; a write at least this large goes straight to the
// kernel. Small, because many files may wait in a flush queue with their buffers.
constexpr std::size_t kWriteBehindSize = std::size_t{64} << 10;

// Opens entry `name` of the folder `dirfd` with `flags`, never through a link and never waiting
// (a new file gets mode 0666 less the umask); the error number on failure.
Result<Handle> OpenEntry(int dirfd, const std::string& name, int flags) {
    const int fd =
        posix::FaultFires(SysCall::Open)
            ? -1
            : ::openat(dirfd, name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Failure{errno};
    }
    return Handle(fd);
}

// Opens the file that the O_PATH descriptor `probe` refers to for writing, through
// /proc/self/fd, so the name cannot be swapped for another file in between; by name (checked by
// identity afterwards) where /proc is not mounted.
Result<Handle> ReopenForWriting(int probe, int accessMode, int dirfd, const std::string& name) {
    if (posix::FaultFires(SysCall::Open)) {
        return Failure{errno};
    }
    std::string self = "/proc/self/fd/" + std::to_string(probe);
    int fd = ::open(self.c_str(), accessMode | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::openat(dirfd, name.c_str(), accessMode | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    }
    if (fd < 0) {
        return Failure{errno};
    }
    return Handle(fd);
}

}  // namespace

RawFile RawFile::OpenAt(const Folder& folder, std::string_view entry, const Options& options) {
    RawFile file;
    const std::string name(entry);
    file.m_name = name;
    file.m_deleteOnClose = options.deleteOnClose;
    file.m_tally = options.tally;
    const int dirfd = posix::Fd(folder.Native());
    const int accessMode = options.writeOnly ? O_WRONLY : O_RDWR;
    auto fail = [&file](Failure why, int error) {
        file.m_failure = why;
        file.m_error = error;
        return std::move(file);
    };
    auto failWith = [&fail](int error) { return fail(FailureOf(error), error); };
    if (dirfd < 0 || name.empty()) {
        return fail(Failure::NotFound, ENOENT);
    }

    Result<Handle> opened = std::nullopt;
    std::optional<FileIdentity> probed;
    if (options.privateFolder && options.expected) {
        const auto status = posix::StatAt(dirfd, name.c_str());
        if (!status) {
            return failWith(status.error());
        }
        if (status->type != FileType::Regular) {
            return fail(Failure::NotRegular, EINVAL);
        }
        if (status->id != *options.expected) {
            return fail(Failure::NotSameFile, ESTALE);
        }
        probed = status->id;
        opened = OpenEntry(dirfd, name, accessMode);
    } else {
        const Handle probe(::openat(dirfd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (!probe.Valid()) {
            if (errno != ENOENT || !options.create || options.expected) {
                return failWith(errno);
            }
            opened = OpenEntry(dirfd, name, accessMode | O_CREAT | O_EXCL);
        } else {
            struct stat st {};
            bool regular = ::fstat(posix::Fd(probe), &st) == 0 && S_ISREG(st.st_mode);
            if (!regular || (options.expected && IdentityOf(st) != *options.expected)) {
                return regular ? fail(Failure::NotSameFile, ESTALE)
                               : fail(Failure::NotRegular, EINVAL);
            }
            probed = IdentityOf(st);
            opened = ReopenForWriting(posix::Fd(probe), accessMode, dirfd, name);
        }
    }
    if (!opened) {
        return failWith(opened.error());
    }
    Handle fd = *std::move(opened);

    // Asked of the file system itself, not of a cache: a network or FUSE file system may still
    // count a name that was removed a moment ago (a move done by a new link and the old name's
    // removal), and a second name must be seen however it came.
    struct statx st {};
    if (::statx(posix::Fd(fd), "", AT_EMPTY_PATH | AT_STATX_FORCE_SYNC,
                STATX_TYPE | STATX_INO | STATX_NLINK | STATX_MNT_ID, &st) != 0 ||
        !S_ISREG(st.stx_mode) || (probed && IdentityOf(st) != *probed)) {
        return fail(Failure::NotSameFile, ESTALE);
    }
    if (options.exclusive) {
        if (const Status taken = posix::TakeExclusive(posix::Fd(fd)); !taken) {
            return failWith(taken.error());
        }
    }
    if (options.deleteOnClose) {
        const int folderFd = ::fcntl(dirfd, F_DUPFD_CLOEXEC, 0);
        if (folderFd < 0) {
            return fail(Failure::Other, errno);
        }
        file.m_folder = Handle(folderFd);
    }
    file.m_handle = std::move(fd);
    file.m_id = IdentityOf(st);
    file.m_linkCount = st.stx_nlink;
    file.m_mountId = (st.stx_mask & STATX_MNT_ID) != 0 ? st.stx_mnt_id : 0;
    return file;
}

void RawFile::Release() {
    if (m_handle.Valid()) {
        Drain();
        m_handle.Reset();
    }
    m_folder.Reset();
}

std::int64_t RawFile::Size() const {
    struct stat st {};
    return m_handle.Valid() && ::fstat(posix::Fd(m_handle), &st) == 0 ? st.st_size : -1;
}

bool RawFile::Write(std::string_view bytes) {
    if (!m_handle.Valid()) {
        return false;
    }
    if (m_used == 0 && bytes.size() >= kWriteBehindSize) {
        // A large write goes straight to the kernel: copying it first gains nothing.
        return WriteOut(bytes.data(), bytes.size());
    }
    if (!m_buffer) {
        // Not zero-filled: a small file's one write must not pay for clearing the whole buffer.
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

bool RawFile::Drain() {
    const std::size_t used = std::exchange(m_used, 0);
    return WriteOut(m_buffer.get(), used);
}

// Hands `size` bytes to the kernel at the current offset, which moves past them. Each request
// names its own offset, so a failed request never shifts the bytes that follow it.
bool RawFile::WriteOut(const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        // A short write is not the end: the rest is asked for again until it fails.
        ssize_t n =
            posix::FaultyPwrite(posix::Fd(m_handle), data + done, size - done,
                                static_cast<off_t>(m_offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            Fail(n < 0 ? errno : EIO);
            break;
        }
        done += static_cast<std::size_t>(n);
        m_written += n;
        if (m_tally != nullptr) {
            *m_tally += n;
        }
    }
    m_offset += static_cast<std::int64_t>(size);
    return !m_failed;
}

// Hands what is buffered to the file and lets the buffer go until the next write: many files
// may wait in a flush queue.
void RawFile::HandOverBuffer() {
    Drain();
    m_buffer.reset();
    m_capacity = 0;
}

// Asks the system to write the file's bytes in [offset, offset + length) back (length 0: to the
// end) with `flags`; the error number when it did not take the request.
Status RawFile::SyncRange(std::int64_t offset, std::int64_t length, unsigned flags) const {
    if (::sync_file_range(posix::Fd(m_handle), static_cast<off_t>(offset),
                          static_cast<off_t>(length), flags) != 0) {
        return platform::Failure{errno};
    }
    return {};
}

bool RawFile::Flush() {
    if (!m_handle.Valid()) {
        return false;
    }
    HandOverBuffer();
    if (posix::FaultFires(SysCall::Fsync) || ::fsync(posix::Fd(m_handle)) != 0) {
        Fail(errno);
    }
    return !m_failed;
}

void RawFile::WriteBack(std::int64_t offset, std::int64_t length, bool wait) {
    if (m_handle.Valid() && length > 0) {
        HandOverBuffer();
        (void)SyncRange(offset, length, wait ? kWriteAndWait : SYNC_FILE_RANGE_WRITE);
    }
}

bool RawFile::StartWriteBack() {
    if (!m_handle.Valid()) {
        return false;
    }
    HandOverBuffer();
    if (const Status started = m_failed ? Status() : SyncRange(0, 0, SYNC_FILE_RANGE_WRITE);
        !started) {
        Fail(started.error());
    }
    return !m_failed;
}

bool RawFile::FinishWriteBack() {
    if (!m_handle.Valid()) {
        return false;
    }
    HandOverBuffer();
    if (posix::FaultFires(SysCall::Fsync)) {
        Fail(errno);
    } else if (const Status synced = SyncRange(0, 0, kWriteAndWait); !synced) {
        Fail(synced.error());
    }
    return !m_failed;
}

bool RawFile::FlushJoining(FlushGroups& groups) {
    return FinishWriteBack() && FlushDiskCache(groups);
}

bool RawFile::FlushDiskCache(FlushGroups& groups) {
    if (!m_handle.Valid()) {
        return false;
    }
    // The flush runs on whichever joining file finds none under way: the disk's identity is the
    // key, so any of them flushes the same cache.
    const int fd = posix::Fd(m_handle);
    const int error = groups.Join({m_id.device, 0}, [fd] {
        return posix::FaultFires(SysCall::CacheFlush) || ::fdatasync(fd) != 0 ? errno : 0;
    });
    if (error != 0) {
        Fail(error);
    }
    return !m_failed;
}

bool RawFile::Close() {
    if (!m_handle.Valid()) {
        return false;
    }
    bool ok = Drain();
    if (m_deleteOnClose && ok) {
        // Only while the name still leads to this file: another file put in its place stays.
        auto status = posix::StatAt(posix::Fd(m_folder), m_name.c_str());
        ok = status && status->id == m_id && !posix::FaultFires(SysCall::Unlink) &&
             ::unlinkat(posix::Fd(m_folder), m_name.c_str(), 0) == 0;
        if (!ok) {
            Fail(!status ? status.error() : status->id != m_id ? ESTALE : errno);
        }
    }
    if (const Status closed = m_handle.Reset(); !closed && ok) {
        Fail(closed.error());
        ok = false;
    }
    m_folder.Reset();
    return ok;
}

void RawFile::Fail(int error) {
    if (!m_failed) {
        m_error = error;
    }
    m_failed = true;
}

std::vector<std::pair<std::int64_t, std::int64_t>> RawFile::DataRanges() const {
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
    const std::int64_t size = Size();
    if (size <= 0) {
        return ranges;
    }
    std::int64_t at = 0;
    while (at < size) {
        const off_t data = posix::FaultFires(SysCall::SeekData)
                               ? -1
                               : ::lseek(posix::Fd(m_handle), static_cast<off_t>(at), SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO) {
                break;  // only a hole from here to the end
            }
            return {{0, size}};  // the file system cannot tell: treat it all as data
        }
        off_t hole = ::lseek(posix::Fd(m_handle), data, SEEK_HOLE);
        if (hole < 0) {
            return {{0, size}};
        }
        hole = std::min<off_t>(hole, static_cast<off_t>(size));
        ranges.emplace_back(data, hole);
        at = hole;
    }
    return ranges;
}

bool RawFile::SeekTo(std::int64_t offset) {
    if (!m_handle.Valid()) {
        return false;
    }
    Drain();
    m_offset = offset;
    return !m_failed;
}

bool RawFile::ScrubExtendedAttributes() {
    if (!m_handle.Valid()) {
        return false;
    }
    if (const Status scrubbed = posix::ScrubAttributes(posix::Fd(m_handle)); !scrubbed) {
        Fail(scrubbed.error());
        return false;
    }
    return true;
}

}  // namespace ostrel::platform
