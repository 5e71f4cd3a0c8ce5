#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>

#include "platform/posix/FaultPoints.h"

namespace ostrel::platform {
namespace {

struct Fault {
    bool armed = false;
    int error = 0;
    int okCalls = 0;
    int failCount = 0;
};

std::array<Fault, static_cast<int>(SysCall::Count)>& Faults() {
    static std::array<Fault, static_cast<int>(SysCall::Count)> faults;
    return faults;
}

// Short writes: the most one write may put in a file (0: no limit), and how many bytes may still
// be written before every write fails with `error` (negative: no limit).
struct WriteLimit {
    std::size_t perCall = 0;
    std::int64_t left = -1;
    int error = 0;
};

WriteLimit g_writeLimit;

// Faults may fire on the flushing threads too. Without any armed, a call costs one load.
std::mutex g_lock;
std::atomic<bool> g_anyArmed{false};

}  // namespace

void InjectFault(SysCall call, int error, int okCalls, int failCount) {
    std::lock_guard<std::mutex> hold(g_lock);
    Faults()[static_cast<int>(call)] = Fault{true, error, okCalls, failCount};
    g_anyArmed = true;
}

void InjectShortWrites(std::size_t perCall, std::int64_t total, int error) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_writeLimit = WriteLimit{perCall, total, error};
    g_anyArmed = true;
}

void ClearFaults() {
    std::lock_guard<std::mutex> hold(g_lock);
    Faults() = {};
    g_writeLimit = {};
    g_anyArmed = false;
}

namespace posix {

bool FaultFires(SysCall call) {
    if (!g_anyArmed) {
        return false;
    }
    std::lock_guard<std::mutex> hold(g_lock);
    Fault& fault = Faults()[static_cast<int>(call)];
    if (!fault.armed) {
        return false;
    }
    if (fault.okCalls > 0) {
        --fault.okCalls;
        return false;
    }
    if (fault.failCount == 0) {
        fault.armed = false;
        return false;
    }
    if (fault.failCount > 0) {
        --fault.failCount;
    }
    errno = fault.error;
    return true;
}

ssize_t FaultyPwrite(int fd, const void* data, std::size_t size, off_t offset) {
    if (FaultFires(SysCall::Write)) {
        return -1;
    }
    if (g_anyArmed) {
        std::lock_guard<std::mutex> hold(g_lock);
        if (g_writeLimit.perCall > 0) {
            size = std::min(size, g_writeLimit.perCall);
        }
        if (g_writeLimit.left >= 0) {
            if (g_writeLimit.left == 0 && size > 0) {
                errno = g_writeLimit.error;
                return -1;
            }
            size = static_cast<std::size_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(size), g_writeLimit.left));
        }
        const ssize_t written = ::pwrite(fd, data, size, offset);
        if (written > 0 && g_writeLimit.left >= 0) {
            g_writeLimit.left -= written;
        }
        return written;
    }
    return ::pwrite(fd, data, size, offset);
}

}  // namespace posix
}  // namespace ostrel::platform
