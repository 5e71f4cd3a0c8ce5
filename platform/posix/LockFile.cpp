#include "platform/LockFile.h"

#include <fcntl.h>
#include <sys/file.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "platform/posix/Descriptor.h"

namespace ostrel::platform {
namespace {

bool FlockRetrying(const Handle& fd, int operation) {
    if (!fd.Valid()) {
        return false;
    }
    int result;
    do {
        result = ::flock(posix::Fd(fd), operation);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

}  // namespace

LockFile LockFile::Open(const std::string& path) {
    LockFile lock;
    lock.m_handle = Handle(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (lock.m_handle.Valid()) {
        lock.m_path = path;
    }
    return lock;
}

bool LockFile::TryExclusive() {
    return FlockRetrying(m_handle, LOCK_EX | LOCK_NB);
}

bool LockFile::HoldExclusive() {
    return FlockRetrying(m_handle, LOCK_EX);
}

bool LockFile::HoldShared() {
    return FlockRetrying(m_handle, LOCK_SH);
}

bool LockFile::TryShared() {
    return FlockRetrying(m_handle, LOCK_SH | LOCK_NB);
}

bool LockFile::HoldSharedWithin(std::chrono::milliseconds limit,
                                const std::function<void()>& whileWaiting) {
    constexpr auto kStep = std::chrono::milliseconds(50);
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!TryShared()) {
        if (!IsOpen() || std::chrono::steady_clock::now() >= end) {
            return false;
        }
        if (whileWaiting) {
            whileWaiting();
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            kStep, end - std::chrono::steady_clock::now()));
    }
    return true;
}

}  // namespace ostrel::platform
