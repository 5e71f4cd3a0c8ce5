#include "tests/support/RecordingDisks.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace ostrel::test {
namespace fs = std::filesystem;
namespace {

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

fs::path Recorder() {
    const char* programDir = std::getenv("OSTREL_PROGRAM_DIR");
    return programDir == nullptr ? fs::path()
                                 : fs::path(programDir) / "ostrel_write_recording_disk";
}

}  // namespace

std::vector<LoggedRequest> ParseLog(const std::string& log) {
    std::vector<LoggedRequest> requests;
    for (std::size_t at = 0; at + sizeof(RecordedRequest) <= log.size();) {
        LoggedRequest request{};
        std::memcpy(&request.head, log.data() + at, sizeof request.head);
        request.data = at + sizeof request.head;
        at =
            request.data + (request.head.kind == RecordedRequest::kWrite ? request.head.length : 0);
        if (at > log.size()) {
            break;
        }
        requests.push_back(request);
    }
    return requests;
}

std::string RecordingDisks::Unavailable() {
    if (::geteuid() != 0) {
        return "loop devices and mounts need root";
    }
    if (::access("/dev/fuse", R_OK | W_OK) != 0 || Recorder().empty() || !fs::exists(Recorder())) {
        return "no /dev/fuse or no write-recording disk (libfuse3 missing at build time)";
    }
    return "";
}

RecordingDisks::RecordingDisks(const fs::path& folder,
                               const std::vector<std::pair<std::string, int>>& disks)
    : m_fuse(folder / "recorder"), m_log(folder / "requests.log") {
    fs::create_directories(m_fuse);
    std::vector<std::string> args = {Recorder().string(), m_log.string(), m_fuse.string()};
    for (const auto& [name, mib] : disks) {
        args.push_back(name + ":" + std::to_string(mib));
        m_disks.push_back({m_fuse / name, folder / (name + ".mnt"), "", mib, false});
        fs::create_directories(m_disks.back().mount);
    }
    m_recorder = StartChild([&args] {
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        return 127;
    });
    for (int i = 0; i < 100 && !fs::exists(m_disks.back().image); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    for (std::size_t d = 0; d < m_disks.size() && m_why.empty(); ++d) {
        Disk& disk = m_disks[d];
        disk.device =
            OutputOf("losetup -f --show --direct-io=on " + Quoted(disk.image)).value_or("");
        if (disk.device.empty()) {
            m_why = "losetup --direct-io=on on the FUSE file failed";
        } else if (ReadFile("/sys/block/" + disk.device.substr(5) + "/loop/dio").substr(0, 1) !=
                   "1") {
            m_why = disk.device + " does not use direct I/O";
        } else if (!RunQuietly("mkfs.ext4 -q -F -b 4096 -E nodiscard,lazy_itable_init=0,"
                               "lazy_journal_init=0 " +
                               disk.device) ||
                   !Mount(d)) {
            m_why = "mkfs.ext4 or mount failed";
        }
    }
}

RecordingDisks::~RecordingDisks() {
    UnmountAll();
    for (const Disk& disk : m_disks) {
        if (!disk.device.empty()) {
            RunQuietly("losetup -d " + disk.device);
        }
    }
    // The loop device may let go of its file a moment after it was detached.
    for (int i = 0; i < 50 && !RunQuietly("umount " + Quoted(m_fuse)); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (WaitChildFor(m_recorder, std::chrono::seconds(5)) == -1) {  // killed: unmount lazily
        RunQuietly("umount -l " + Quoted(m_fuse));
        WaitChild(m_recorder);
    }
}

std::string RecordingDisks::Log() const {
    return ReadFile(m_log);
}

bool RecordingDisks::Mount(std::size_t disk) {
    Disk& d = m_disks[disk];
    d.mounted = RunQuietly("mount " + d.device + " " + Quoted(d.mount));
    return d.mounted;
}

void RecordingDisks::UnmountAll() {
    for (auto it = m_disks.rbegin(); it != m_disks.rend(); ++it) {
        if (it->mounted) {
            RunQuietly("umount " + Quoted(it->mount) + " || umount -l " + Quoted(it->mount));
            it->mounted = false;
        }
    }
}

void RecordingDisks::StopRecording() const {
    ::kill(m_recorder, SIGUSR1);
    // The recorder serves the request it is in before it looks at the flag again.
    for (std::uintmax_t before = 0, now = 1; before != now;) {
        before = fs::file_size(m_log);
        char ignored[4096];
        const int fd = ::open(m_disks[0].image.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            (void)::pread(fd, ignored, sizeof ignored, 0);
            ::close(fd);
        }
        now = fs::file_size(m_log);
    }
}

}  // namespace ostrel::test
