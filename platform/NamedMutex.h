#pragma once

#include <string>

#include "platform/LockFile.h"

namespace ostrel::platform {

// A named, system-wide marker that an instance of the program is running: the file
// "<name>.lock" in the runtime folder ($XDG_RUNTIME_DIR), held with a shared lock for as long
// as the object lives (normally the whole process). It never refuses a second instance: every
// instance holds it at once. Move-only; the lock is released when the object dies.
class NamedMutex {
  public:
    // Opens or creates the lock file and takes the shared lock. Best effort: without a runtime
    // folder, with a name holding "/", or when the file cannot be made, the result is not held.
    static NamedMutex Create(const std::string& name);

    bool IsHeld() const { return m_held && m_lock.IsOpen(); }
    // True when another process held the same mutex at the moment this one was created.
    bool AlreadyExisted() const { return m_alreadyExisted; }
    // The lock file's path; empty when not held.
    std::string Path() const { return IsHeld() ? m_lock.Path() : std::string(); }

  private:
    LockFile m_lock;
    bool m_held = false;
    bool m_alreadyExisted = false;
};

}  // namespace ostrel::platform
