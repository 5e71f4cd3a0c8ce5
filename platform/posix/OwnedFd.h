#pragma once

#include <string>

namespace ostrel::platform::posix {

// A file descriptor owned by one object: move-only, closed when the owner dies.
class OwnedFd {
  public:
    OwnedFd() = default;
    explicit OwnedFd(int fd) : m_fd(fd) {}
    ~OwnedFd() { Reset(); }
    OwnedFd(OwnedFd&& other) noexcept : m_fd(other.Release()) {}
    OwnedFd& operator=(OwnedFd&& other) noexcept;
    OwnedFd(const OwnedFd&) = delete;
    OwnedFd& operator=(const OwnedFd&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    // Gives up ownership without closing.
    int Release();
    // Closes the descriptor (if any); returns false when close reported an error.
    bool Reset();

  private:
    int m_fd = -1;
};

// Reads `fd` from its current position to the end into `out`, going on after EINTR. False on a
// read error (errno set).
bool ReadToEnd(int fd, std::string& out);

}  // namespace ostrel::platform::posix
