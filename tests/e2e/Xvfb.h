#pragma once

#include <string>

namespace ostrel::test {

// A virtual X server of the test's own, on a display number the server picks as free; stopped
// when the object dies.
class XvfbServer {
  public:
    // Idle::Reset starts a server as plain `Xvfb` is started by hand: it resets whenever its
    // last client leaves, and refuses connections for a moment meanwhile.
    enum class Idle { Stay, Reset };
    explicit XvfbServer(Idle idle = Idle::Stay);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // False when Xvfb is not installed or did not start; Why() says which.
    bool Running() const { return !m_display.empty(); }
    const std::string& Why() const { return m_why; }
    // The display name (":N") for DISPLAY.
    const std::string& Display() const { return m_display; }

  private:
    int m_pid = -1;
    std::string m_display;
    std::string m_why;
};

// A display name no X server answers on: no server's socket or lock exists for it.
std::string UnusedDisplay();

}  // namespace ostrel::test
