#include <array>
#include <cerrno>

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

}  // namespace

void InjectFault(SysCall call, int error, int okCalls, int failCount) {
    Faults()[static_cast<int>(call)] = Fault{true, error, okCalls, failCount};
}

void ClearFaults() {
    Faults() = {};
}

namespace posix {

bool FaultFires(SysCall call) {
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
