#include "platform/posix/FileLease.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>

#include <cerrno>

#include "platform/posix/FaultPoints.h"

namespace ostrel::platform::posix {
namespace {

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

}  // namespace

Status TakeExclusive(int fd) {
    if (LeaseSignalReady()) {
        if (!FaultFires(SysCall::Lease) && ::fcntl(fd, F_SETSIG, SIGIO) == 0 &&
            ::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
            return {};
        }
        if (errno == EAGAIN) {
            return Failure{EAGAIN};  // held open elsewhere: a lock would not keep that holder out
        }
    }
    if (FaultFires(SysCall::Flock) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return Failure{errno};
    }
    return {};
}

}  // namespace ostrel::platform::posix
