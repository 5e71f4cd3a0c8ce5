#pragma once

#include <filesystem>
#include <string>

namespace ostrel::test {

// An image file attached to a loop device of its own for the object's life, so that a test can
// unmount its file system and mount it again, at the same place or another one, on the very
// same device (or attach the image a second time, as another device). Needs root and loop
// devices: where either is missing Attached() is false and Why() says what failed. Unmounts what
// it mounted and detaches its device when it dies.
class LoopDevice {
  public:
    explicit LoopDevice(const std::filesystem::path& image);
    ~LoopDevice();
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    bool Attached() const { return !m_device.empty(); }
    const std::string& Why() const { return m_why; }
    const std::string& Device() const { return m_device; }

    // Mounts the device's file system at `folder` (made if missing). False on failure.
    bool Mount(const std::filesystem::path& folder);
    // Unmounts it again; the device stays attached. False on failure.
    bool Unmount();

  private:
    std::string m_device;
    std::filesystem::path m_mountPoint;  // empty while not mounted
    std::string m_why;
};

}  // namespace ostrel::test
