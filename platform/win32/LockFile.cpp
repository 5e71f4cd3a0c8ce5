#include "platform/LockFile.h"

// A stub: nothing is implemented for Windows yet and no lock file opens. The real one opens the
// file with CreateFileW (share mode read and write, so that other holders can open it too) and
// takes its locks with LockFileEx over the first byte: LOCKFILE_EXCLUSIVE_LOCK for the exclusive
// lock, LOCKFILE_FAIL_IMMEDIATELY for the Try calls.

namespace ostrel::platform {

LockFile LockFile::Open(const std::string&) {
    return LockFile();
}

bool LockFile::TryExclusive() {
    return false;
}

bool LockFile::HoldExclusive() {
    return false;
}

bool LockFile::HoldShared() {
    return false;
}

bool LockFile::TryShared() {
    return false;
}

bool LockFile::HoldSharedWithin(std::chrono::milliseconds, const std::function<void()>&) {
    return false;
}

}  // namespace ostrel::platform
