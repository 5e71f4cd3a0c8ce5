#pragma once

#include <string>

namespace ostrel::test {

// Points HOME and the XDG data, state and config folders of this process at a private folder
// made afresh for each instance (owner, modes and contents all new) and removed when the
// instance dies, so that no test reaches the real account and no test sees what another left
// or changed. The folder keeps the same path for the whole process: GLib reads HOME and
// XDG_DATA_HOME once. The platform gets the program's names, as the executables give them.
class XdgSandbox {
  public:
    XdgSandbox();
    ~XdgSandbox();
    XdgSandbox(const XdgSandbox&) = delete;
    XdgSandbox& operator=(const XdgSandbox&) = delete;

    const std::string& Home() const { return m_home; }
    std::string DataHome() const { return m_home + "/.local/share"; }
    std::string StateHome() const { return m_root + "/state"; }
    std::string ConfigHome() const { return m_root + "/config"; }

  private:
    std::string m_root;
    std::string m_home;
};

}  // namespace ostrel::test
