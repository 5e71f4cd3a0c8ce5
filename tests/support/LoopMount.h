#pragma once

#include <filesystem>
#include <string>

#include "tests/support/ChildProcess.h"  // RunQuietly, for the commands that set a mount up

namespace ostrel::test {

// Flushes everything the file system holding `folder` keeps to its disk (syncfs); false on failure.
bool SyncFileSystem(const std::filesystem::path& folder);

// A file system made on an image file and mounted through a loop device at a folder beside it,
// so that a test can read the raw image for what the file system left on its disk. Unmounted
// (lazily, if still busy) when the object dies. Needs root, the file system's mkfs and loop
// devices: where any is missing the object is not mounted and Why() says what failed.
class LoopMount {
  public:
    // Makes a `sizeMiB` image of `type` ("ext4", "btrfs") with the extra mkfs arguments
    // `mkfsArgs` in `folder`, and mounts it with `options` (mount -o; empty for none), by the
    // driver `mountType` when one is named (mount -t: "exfat-fuse" for the FUSE driver).
    LoopMount(const std::filesystem::path& folder, const std::string& type, int sizeMiB,
              const std::string& mkfsArgs = "", const std::string& options = "",
              const std::string& mountType = "");
    ~LoopMount();
    LoopMount(const LoopMount&) = delete;
    LoopMount& operator=(const LoopMount&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Why() const { return m_why; }
    const std::filesystem::path& Root() const { return m_mountPoint; }
    const std::filesystem::path& Image() const { return m_image; }

    // Flushes everything the file system holds to the image, so that the image file shows what
    // is on the disk. False when the flush failed.
    bool Flush() const { return SyncFileSystem(m_mountPoint); }
    // Unmounts; the image then holds everything the file system wrote. False on failure.
    bool Unmount();

  private:
    std::filesystem::path m_image;
    std::filesystem::path m_mountPoint;
    bool m_mounted = false;
    std::string m_why;
};

}  // namespace ostrel::test
