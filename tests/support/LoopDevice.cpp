#include "tests/support/LoopDevice.h"

#include <sys/mount.h>
#include <unistd.h>

#include "tests/support/ChildProcess.h"

namespace ostrel::test {
namespace fs = std::filesystem;

LoopDevice::LoopDevice(const fs::path& image) {
    if (::geteuid() != 0) {
        m_why = "attaching a loop device needs root";
        return;
    }
    const auto device = OutputOf("losetup -f --show '" + image.string() + "'");
    if (!device || !device->starts_with("/dev/loop")) {
        m_why = "losetup could not attach the image (no free loop device?)";
        return;
    }
    m_device = *device;
}

LoopDevice::~LoopDevice() {
    Unmount();
    if (!m_mountPoint.empty()) {
        ::umount2(m_mountPoint.c_str(), MNT_DETACH);
    }
    if (Attached()) {
        RunQuietly("losetup -d " + m_device);
    }
}

bool LoopDevice::Mount(const fs::path& folder) {
    if (!Attached() || !m_mountPoint.empty()) {
        return false;
    }
    fs::create_directories(folder);
    if (!RunQuietly("mount " + m_device + " '" + folder.string() + "'")) {
        return false;
    }
    m_mountPoint = folder;
    return true;
}

bool LoopDevice::Unmount() {
    if (m_mountPoint.empty() || ::umount2(m_mountPoint.c_str(), 0) != 0) {
        return m_mountPoint.empty();
    }
    m_mountPoint.clear();
    return true;
}

}  // namespace ostrel::test
