#include "tests/support/XdgSandbox.h"

#include <sys/mount.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "core/ProductNames.h"
#include "tests/support/TempDir.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

// Removes `root` whatever a test left in it: folders closed to everyone, file systems mounted
// inside (detached).
void RemoveSandbox(const std::string& root) {
    std::error_code ec;
    if (!fs::exists(root, ec)) {
        return;
    }
    for (auto it = fs::recursive_directory_iterator(
             root, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            ::umount2(it->path().c_str(), MNT_DETACH);
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
    ::chmod(root.c_str(), 0700);
    fs::remove_all(root, ec);
}

}  // namespace

XdgSandbox::XdgSandbox() {
    // The stable place; the sandbox below it is each instance's own. Others may pass through it,
    // so that a test can hand its sandbox to another user.
    static TempDir process;
    ::chmod(process.str().c_str(), 0711);
    m_root = process.str() + "/sandbox";
    m_home = m_root + "/home";
    RemoveSandbox(m_root);
    if (::mkdir(m_root.c_str(), 0700) != 0) {
        throw std::runtime_error("cannot make the sandbox " + m_root);
    }
    for (const std::string& folder : {DataHome(), StateHome(), ConfigHome()}) {
        fs::create_directories(folder);
    }
    setenv("HOME", m_home.c_str(), 1);
    setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
    setenv("XDG_STATE_HOME", StateHome().c_str(), 1);
    setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
    GiveProductNamesToPlatform();
}

XdgSandbox::~XdgSandbox() {
    RemoveSandbox(m_root);
}

}  // namespace ostrel::test
