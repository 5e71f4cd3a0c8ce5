#include "platform/NamedMutex.h"

#include "platform/SpecialFolders.h"

namespace ostrel::platform {

NamedMutex NamedMutex::Create(const std::string& name) {
    NamedMutex mutex;
    const std::string folder = XdgRuntimeDir();
    if (folder.empty() || name.empty() || name.find('/') != std::string::npos) {
        return mutex;
    }
    mutex.m_lock = LockFile::Open(folder + "/" + name + ".lock");
    // The exclusive lock is free only when no other instance holds the file: that tells whether
    // one existed. Every instance then keeps a shared lock, so none ever waits for another.
    const bool first = mutex.m_lock.TryExclusive();
    mutex.m_held = mutex.m_lock.HoldShared();
    mutex.m_alreadyExisted = mutex.m_held && !first;
    return mutex;
}

}  // namespace ostrel::platform
