#include "tests/support/XdgSandbox.h"

#include <cstdlib>
#include <filesystem>

#include "core/ProductNames.h"
#include "tests/support/TempDir.h"

namespace ostrel::test {

XdgSandbox::XdgSandbox() {
    static TempDir root;
    m_root = root.str();
    m_home = m_root + "/home";
    namespace fs = std::filesystem;
    for (const std::string& folder : {DataHome(), StateHome(), ConfigHome()}) {
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    setenv("HOME", m_home.c_str(), 1);
    setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
    setenv("XDG_STATE_HOME", StateHome().c_str(), 1);
    setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
    GiveProductNamesToPlatform();
}

}  // namespace ostrel::test
