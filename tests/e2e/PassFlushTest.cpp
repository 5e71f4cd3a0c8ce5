// Each pass of each small file reaches the disk, with the disk's cache flushed, before the next
// pass of that file is written. The file system lies on a loop device (direct I/O) over a FUSE
// file system that logs every write and cache flush the disk receives, in order; the blocks of
// the given files are known from their extent maps, and the log is then read block by block.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/Ostrel.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/recorder/RecordedWrites.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

constexpr std::uint64_t kBlock = 4096;
constexpr int kDiskMiB = 48;

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// The first line a shell command printed; nullopt when it failed.
std::optional<std::string> Output(const std::string& command) {
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    char line[512] = {};
    const bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    if (::pclose(pipe) != 0 || !got) {
        return std::nullopt;
    }
    std::string text = line;
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

// The disk offsets of the blocks that hold `path`'s data, in file order.
std::vector<std::uint64_t> DiskBlocks(const fs::path& path) {
    std::vector<std::uint64_t> blocks;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return blocks;
    }
    alignas(fiemap) char buffer[sizeof(fiemap) + 16 * sizeof(fiemap_extent)] = {};
    auto* map = reinterpret_cast<fiemap*>(buffer);
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = 16;
    if (::ioctl(fd, FS_IOC_FIEMAP, map) == 0) {
        for (std::uint32_t i = 0; i < map->fm_mapped_extents; ++i) {
            const fiemap_extent& extent = map->fm_extents[i];
            for (std::uint64_t at = 0; at < extent.fe_length; at += kBlock) {
                blocks.push_back(extent.fe_physical + at);
            }
        }
    }
    ::close(fd);
    return blocks;
}

// The recorder, its loop device and the mount on it, taken down in reverse order.
class RecordedDisk {
  public:
    RecordedDisk(const fs::path& recorder, const fs::path& folder)
        : m_fuse(folder / "recorder"), m_log(folder / "requests.log"), m_mount(folder / "disk") {
        fs::create_directories(m_fuse);
        fs::create_directories(m_mount);
        std::vector<std::string> args = {recorder.string(), m_log.string(), m_fuse.string(),
                                         "disk.img:" + std::to_string(kDiskMiB)};
        m_recorder = StartChild([&args] {
            std::vector<char*> argv;
            for (std::string& arg : args) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            return 127;
        });
        for (int i = 0; i < 100 && !fs::exists(m_fuse / "disk.img"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const auto device =
            Output("losetup -f --show --direct-io=on " + Quoted(m_fuse / "disk.img"));
        if (!device) {
            m_why = "losetup --direct-io=on on the FUSE file failed";
            return;
        }
        m_device = *device;
        if (ReadFile("/sys/block/" + m_device.substr(5) + "/loop/dio").substr(0, 1) != "1") {
            m_why = m_device + " does not use direct I/O: the page cache would reorder writes";
            return;
        }
        if (!RunQuietly("mkfs.ext4 -q -F -b 4096 -E nodiscard,lazy_itable_init=0,"
                        "lazy_journal_init=0 " +
                        m_device) ||
            !RunQuietly("mount " + m_device + " " + Quoted(m_mount))) {
            m_why = "mkfs.ext4 or mount failed";
            return;
        }
        m_mounted = true;
    }
    ~RecordedDisk() {
        if (m_mounted) {
            RunQuietly("umount " + Quoted(m_mount) + " || umount -l " + Quoted(m_mount));
        }
        if (!m_device.empty()) {
            RunQuietly("losetup -d " + m_device);
        }
        for (int i = 0; i < 50 && !RunQuietly("umount " + Quoted(m_fuse)); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        int status = 0;
        for (int i = 0; i < 50 && ::waitpid(m_recorder, &status, WNOHANG) == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (::waitpid(m_recorder, &status, WNOHANG) == 0) {
            ::kill(m_recorder, SIGKILL);
            RunQuietly("umount -l " + Quoted(m_fuse));
            ::waitpid(m_recorder, &status, 0);
        }
    }
    RecordedDisk(const RecordedDisk&) = delete;
    RecordedDisk& operator=(const RecordedDisk&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Why() const { return m_why; }
    const fs::path& Root() const { return m_mount; }
    std::string Log() const { return ReadFile(m_log); }

  private:
    fs::path m_fuse, m_log, m_mount;
    std::string m_device, m_why;
    int m_recorder = -1;
    bool m_mounted = false;
};

// What one block of a file went through, read from the log: each different content written to
// it, and whether a cache flush came between that write and the next different one.
struct BlockHistory {
    std::string last;          // the content last written
    int contents = 0;          // how many different contents followed the given one
    bool flushedSince = true;  // a flush came after the last write
    int unflushed = 0;         // new contents written while the one before was not flushed
};

struct PassRow {
    const char* method;
    int passes;
};

void PrintTo(const PassRow& row, std::ostream* out) {
    *out << row.passes << " passes";
}

class PassFlush : public ::testing::TestWithParam<PassRow> {};

TEST_P(PassFlush, EveryPassOfEveryFileIsFlushedBeforeTheNextIsWritten) {
    const PassRow& row = GetParam();
    const char* programDir = std::getenv("OSTREL_PROGRAM_DIR");
    ASSERT_NE(programDir, nullptr) << "run the tests through ctest";
    const fs::path recorder = fs::path(programDir) / "ostrel_write_recording_disk";
    if (::geteuid() != 0) {
        GTEST_SKIP() << "loop devices and mounts need root";
    }
    if (::access("/dev/fuse", R_OK | W_OK) != 0 || !fs::exists(recorder)) {
        GTEST_SKIP() << "no /dev/fuse or no write-recording disk (libfuse3 missing at build time)";
    }
    TempDir temp;
    RecordedDisk disk(recorder, temp.path());
    ASSERT_TRUE(disk.Mounted()) << disk.Why();

    // The holding folder on the same disk: the files go the way of many small files.
    UserSandbox user(disk.Root());
    user.WriteSettings("English.lng", row.method, 0);
    const fs::path tree = disk.Root() / "given";
    std::map<std::uint64_t, BlockHistory> blocks;  // by disk offset
    for (int i = 0; i < 60; ++i) {
        // One block, and now and then three (a request may then cover several).
        const std::size_t size = i % 7 == 0 ? 3 * kBlock : kBlock;
        WriteFile(tree / ("d" + std::to_string(i % 4)) / ("f" + std::to_string(i)),
                  Marked("<OSTREL-PASS-", std::to_string(i), size));
    }
    ASSERT_TRUE(RunQuietly("sync -f " + Quoted(tree)));
    for (const auto& entry : fs::recursive_directory_iterator(tree)) {
        if (entry.is_regular_file()) {
            const auto found = DiskBlocks(entry.path());
            ASSERT_EQ(found.size(), (fs::file_size(entry.path()) + kBlock - 1) / kBlock)
                << entry.path();
            for (const std::uint64_t block : found) {
                blocks[block];
            }
        }
    }
    ASSERT_EQ(blocks.size(), 60u + 2u * 9u);
    const std::size_t mark = disk.Log().size();  // everything before is the given state

    const RunResult job = RunOstrel(user, {"--yes", tree.string()});
    ASSERT_EQ(job.exitCode, 0) << job.err;
    ASSERT_FALSE(Exists(tree)) << job.err;

    const std::string log = disk.Log();
    for (std::size_t at = mark; at + sizeof(RecordedRequest) <= log.size();) {
        RecordedRequest head{};
        std::memcpy(&head, log.data() + at, sizeof head);
        const std::size_t data = at + sizeof head;
        at = data + (head.kind == RecordedRequest::kWrite ? head.length : 0);
        if (head.kind == RecordedRequest::kFlush) {
            for (auto& [offset, history] : blocks) {
                history.flushedSince = true;
            }
            continue;
        }
        if (head.kind != RecordedRequest::kWrite || at > log.size()) {
            continue;
        }
        for (auto it = blocks.lower_bound(head.offset / kBlock * kBlock);
             it != blocks.end() && it->first < head.offset + head.length; ++it) {
            BlockHistory& history = it->second;
            if (it->first < head.offset || it->first + kBlock > head.offset + head.length ||
                history.contents >= row.passes) {
                continue;  // a part of the block only, or free again after the last pass
            }
            const std::string content = log.substr(data + (it->first - head.offset), kBlock);
            if (content == history.last) {
                history.flushedSince = false;  // the same pass written again
                continue;
            }
            history.unflushed += history.flushedSince ? 0 : 1;
            history.contents += 1;
            history.last = content;
            history.flushedSince = false;
        }
    }
    int missing = 0, unflushed = 0;
    for (const auto& [offset, history] : blocks) {
        // The first pass follows the given contents, which were flushed before the shred.
        missing += history.contents == row.passes ? 0 : 1;
        unflushed += history.unflushed + (history.flushedSince ? 0 : 1);
    }
    EXPECT_EQ(missing, 0) << "blocks that did not receive every pass, one after another";
    EXPECT_EQ(unflushed, 0) << "passes written over one that no cache flush had made durable, "
                               "or last passes never flushed";
}

INSTANTIATE_TEST_SUITE_P(Passes, PassFlush,
                         ::testing::Values(PassRow{"DoD 5220.22-M (3 Passes)", 3},
                                           PassRow{"DoD 5220.22-M (7 Passes)", 7}));

}  // namespace
}  // namespace ostrel::test
