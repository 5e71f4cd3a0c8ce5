#pragma once

#include <string>

namespace ostrel::test {

// Points HOME and the XDG data, state and config folders of this process at a private folder
// for the rest of the process, so that no test reaches the real account. Each instance empties
// those folders. HOME and XDG_DATA_HOME keep one value per process (GLib reads them once). The
// platform gets the program's names, as the executables give them.
class XdgSandbox {
  public:
    XdgSandbox();
    const std::string& Home() const { return m_home; }
    std::string DataHome() const { return m_home + "/.local/share"; }
    std::string StateHome() const { return m_root + "/state"; }
    std::string ConfigHome() const { return m_root + "/config"; }

  private:
    std::string m_root;
    std::string m_home;
};

}  // namespace ostrel::test
