// Each pass of each small file reaches the disk, with the disk's cache flushed, before the next
// pass of that file is written, on a disk that logs every write and cache flush in order; the
// blocks of the given files are known from their extent maps, and the log is read block by block.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/Ostrel.h"
#include "tests/support/LoopMount.h"
#include "tests/support/RecordingDisks.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

constexpr std::uint64_t kBlock = 4096;
constexpr int kDiskMiB = 48;

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
    if (const std::string why = RecordingDisks::Unavailable(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    TempDir temp;
    RecordingDisks disks(temp.path(), {{"disk.img", kDiskMiB}});
    ASSERT_EQ(disks.Why(), "");
    const fs::path root = disks.Root(0);

    // The holding folder on the same disk: the files go the way of many small files.
    UserSandbox user(root);
    user.WriteSettings("English.lng", row.method, 0);
    const fs::path tree = root / "given";
    std::map<std::uint64_t, BlockHistory> blocks;  // by disk offset
    for (int i = 0; i < 60; ++i) {
        // One block, and now and then three (a request may then cover several).
        const std::size_t size = i % 7 == 0 ? 3 * kBlock : kBlock;
        WriteFile(tree / ("d" + std::to_string(i % 4)) / ("f" + std::to_string(i)),
                  Marked("<OSTREL-PASS-", std::to_string(i), size));
    }
    ASSERT_TRUE(SyncFileSystem(tree));
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
    const std::size_t mark = ParseLog(disks.Log()).size();  // everything before is the given state

    const RunResult job = RunOstrel(user, {"--yes", tree.string()});
    ASSERT_EQ(job.exitCode, 0) << job.err;
    ASSERT_FALSE(Exists(tree)) << job.err;

    const std::string log = disks.Log();
    const std::vector<LoggedRequest> requests = ParseLog(log);
    for (std::size_t r = mark; r < requests.size(); ++r) {
        const RecordedRequest& head = requests[r].head;
        const std::size_t data = requests[r].data;
        if (head.kind == RecordedRequest::kFlush) {
            for (auto& [offset, history] : blocks) {
                history.flushedSince = true;
            }
            continue;
        }
        if (head.kind != RecordedRequest::kWrite) {
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
