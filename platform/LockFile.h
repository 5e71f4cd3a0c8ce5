#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "platform/Handle.h"

namespace ostrel::platform {

// An advisory lock on a file, held through an open handle: shared by any number of
// holders, or exclusive to one. Move-only; the lock goes with the object.
class LockFile {
  public:
    LockFile() = default;

    // Opens or creates (mode 0600) the file `path`, never through a link; holds no lock yet.
    // IsOpen() is false when the file cannot be opened.
    static LockFile Open(const std::string& path);

    bool IsOpen() const { return m_handle.Valid(); }
    const std::string& Path() const { return m_path; }

    // Takes (or turns a shared lock into) the exclusive lock if nobody else holds any lock on
    // the file; never waits. False when another holder exists or the file is not open.
    bool TryExclusive();
    // Takes the exclusive lock, waiting while any other holder exists. False when the file is
    // not open.
    bool HoldExclusive();
    // Takes (or turns the exclusive lock into) a shared lock, waiting while another process
    // holds the exclusive one. False when the file is not open.
    bool HoldShared();
    // Takes (or turns the exclusive lock into) a shared lock if nobody holds the exclusive one;
    // never waits. False when another holder has it exclusive or the file is not open.
    bool TryShared();
    // HoldShared, waiting at most `limit`; `whileWaiting` runs about every 50 ms meanwhile (to
    // keep windows alive). False when the limit passed first or the file is not open.
    bool HoldSharedWithin(std::chrono::milliseconds limit,
                          const std::function<void()>& whileWaiting);

  private:
    Handle m_handle;
    std::string m_path;
};

}  // namespace ostrel::platform
