#include <array>
#include <atomic>
#include <cerrno>
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

// Faults may fire on the flushing threads too. Without any armed, a call costs one load.
std::mutex g_lock;
std::atomic<bool> g_anyArmed{false};

}  // namespace

void InjectFault(SysCall call, int error, int okCalls, int failCount) {
    std::lock_guard<std::mutex> hold(g_lock);
    Faults()[static_cast<int>(call)] = Fault{true, error, okCalls, failCount};
    g_anyArmed = true;
}

void ClearFaults() {
    std::lock_guard<std::mutex> hold(g_lock);
    Faults() = {};
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

}  // namespace posix
}  // namespace ostrel::platform
