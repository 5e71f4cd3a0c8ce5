#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/recorder/RecordedWrites.h"

namespace ostrel::test {

// One request of the recorder's log, with where its written bytes lie in the log.
struct LoggedRequest {
    RecordedRequest head;
    std::size_t data;
};

// The requests of a recorder's log, in order; a record cut short at the end is left out.
std::vector<LoggedRequest> ParseLog(const std::string& log);

// Disks whose every write and cache flush is logged in order: files of the write-recording FUSE
// file system, each behind a loop device with direct I/O (the page cache would reorder writes)
// and an ext4 mounted on it. Everything is taken down, in reverse order, when the object dies.
class RecordingDisks {
  public:
    // Why such disks cannot be made here (not root, no /dev/fuse, no recorder built), or "".
    static std::string Unavailable();

    // Makes the disks named (a name and a size in MiB each) in `folder`; each is mounted at
    // `folder`/<its name>.mnt. Where that fails, Why() says what failed.
    RecordingDisks(const std::filesystem::path& folder,
                   const std::vector<std::pair<std::string, int>>& disks);
    ~RecordingDisks();
    RecordingDisks(const RecordingDisks&) = delete;
    RecordingDisks& operator=(const RecordingDisks&) = delete;

    const std::string& Why() const { return m_why; }
    std::size_t Count() const { return m_disks.size(); }
    const std::filesystem::path& Root(std::size_t disk) const { return m_disks[disk].mount; }
    // The disk's file on the recorder, which serves its contents once recording stopped.
    const std::filesystem::path& Image(std::size_t disk) const { return m_disks[disk].image; }
    const std::string& Device(std::size_t disk) const { return m_disks[disk].device; }
    int SizeMiB(std::size_t disk) const { return m_disks[disk].mib; }
    std::string Log() const;

    bool Mount(std::size_t disk);
    void UnmountAll();
    // Ends the recording and waits until the recorder has logged the request it was serving.
    void StopRecording() const;

  private:
    struct Disk {
        std::filesystem::path image, mount;
        std::string device;
        int mib = 0;
        bool mounted = false;
    };
    std::filesystem::path m_fuse, m_log;
    std::vector<Disk> m_disks;
    std::string m_why;
    int m_recorder = -1;
};

}  // namespace ostrel::test
