#include "tests/support/LoopMount.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace ostrel::test {
namespace fs = std::filesystem;

bool SyncFileSystem(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::syncfs(fd) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return ok;
}

LoopMount::LoopMount(const fs::path& folder, const std::string& type, int sizeMiB,
                     const std::string& mkfsArgs, const std::string& options,
                     const std::string& mountType)
    : m_image(folder / (type + ".img")), m_mountPoint(folder / (type + "-mnt")) {
    if (::geteuid() != 0) {
        m_why = "mounting a loop image needs root";
        return;
    }
    fs::create_directories(m_mountPoint);
    const std::string image = "'" + m_image.string() + "'";
    if (!RunQuietly("truncate -s " + std::to_string(sizeMiB) + "M " + image + " && mkfs." + type +
                    " " + mkfsArgs + " " + image)) {
        m_why = "mkfs." + type + " is missing or failed";
        return;
    }
    const std::string driver = mountType.empty() ? type : mountType;
    if (!RunQuietly("mount" + (mountType.empty() ? "" : " -t " + mountType) + " -o loop" +
                    (options.empty() ? "" : "," + options) + " " + image + " '" +
                    m_mountPoint.string() + "'")) {
        m_why = "mount -o loop of a " + type + " image failed (no loop devices or no " + driver +
                " support)";
        return;
    }
    m_mounted = true;
}

LoopMount::~LoopMount() {
    if (m_mounted) {
        ::umount2(m_mountPoint.c_str(), MNT_DETACH);
    }
}

bool LoopMount::Unmount() {
    if (m_mounted && ::umount2(m_mountPoint.c_str(), 0) == 0) {
        m_mounted = false;
    }
    return !m_mounted;
}

}  // namespace ostrel::test
