// The fill of free space on a small loop-mounted ext4 disk: however it ends (filled, a flush or a
// write failing, the disk full in a later pass, a stop), every fill file is gone, the disk has its
// free space back, and the outcome says truthfully how far it got and why it ended.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/FaultInjection.h"
#include "platform/Folder.h"
#include "shredder/FreeSpaceFill.h"
#include "shredder/PassTables.h"
#include "tests/support/LoopMount.h"
#include "tests/support/TempDir.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

// The free space the file system gives out (what it keeps for itself aside).
std::int64_t FreeBytes(const fs::path& path) {
    struct statvfs fs {};
    return ::statvfs(path.c_str(), &fs) == 0
               ? static_cast<std::int64_t>(fs.f_bfree) * static_cast<std::int64_t>(fs.f_frsize)
               : -1;
}

enum class Fault { None, FlushFails, WriteFails, DiskFull, Stop };

struct Row {
    const char* name;
    Fault fault;
    int atPass;  // the pass (1-based) in whose first write the fault is set
    FillOutcome::End end;
    int error;
    int passesDone;
};

class FreeSpaceFillTest : public ::testing::TestWithParam<Row> {
  protected:
    void TearDown() override { platform::ClearFaults(); }
};

TEST_P(FreeSpaceFillTest, EveryFillFileIsGoneAndTheOutcomeSaysWhy) {
    const Row& row = GetParam();
    TempDir temp;
    LoopMount image(temp.path(), "ext4", 24, "-q -F");
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Why();
    }
    const fs::path folderPath = image.Root() / "fill";
    fs::create_directory(folderPath);
    ::chmod(folderPath.c_str(), 0700);
    const platform::Folder folder = platform::Folder::Open(folderPath.string());
    ASSERT_TRUE(folder.IsOpen());
    // The folder's own blocks grow with the names it held; they are not free space lost.
    const auto withFolder = [&] {
        struct stat st {};
        ::stat(folderPath.c_str(), &st);
        return FreeBytes(image.Root()) + static_cast<std::int64_t>(st.st_blocks) * 512;
    };
    const std::int64_t freeBefore = withFolder();

    // Files of 2 MiB: a fault finds several fill files on the disk.
    FreeSpaceFill fill(folder, kDod3Passes, std::int64_t{2} << 20);
    bool set = false;
    // What was written while the disk had less than one fill file of room left.
    std::optional<std::int64_t> writtenWhenFull;
    std::int64_t written = 0;
    const FillOutcome outcome =
        fill.Run(freeBefore, [&](std::int64_t done, std::int64_t planned, int pass) {
            EXPECT_LE(done, planned + FreeSpaceFill::kWriteSize);
            written = done;
            if (!writtenWhenFull && FreeBytes(image.Root()) < (std::int64_t{2} << 20)) {
                writtenWhenFull = done;
            }
            if (pass != row.atPass || set) {
                return true;
            }
            set = true;
            switch (row.fault) {
                case Fault::FlushFails:
                    platform::InjectFault(platform::SysCall::Fsync, EIO);
                    break;
                case Fault::WriteFails:
                    platform::InjectFault(platform::SysCall::Write, EIO);
                    break;
                case Fault::DiskFull:
                    platform::InjectShortWrites(0, 0, ENOSPC);
                    break;
                case Fault::Stop:
                    return false;
                case Fault::None:
                    break;
            }
            return true;
        });
    platform::ClearFaults();

    EXPECT_EQ(outcome.end, row.end);
    EXPECT_EQ(outcome.error, row.error);
    EXPECT_EQ(outcome.passesDone, row.passesDone);
    EXPECT_EQ(outcome.deleteError, 0);
    EXPECT_TRUE(fs::is_empty(folderPath)) << "fill files left behind";
    EXPECT_EQ(withFolder(), freeBefore);
    // Only a first pass that reached the full disk counts the time it was full.
    EXPECT_EQ(outcome.reachedFull, outcome.fullFor.count() > 0);
    if (row.end == FillOutcome::End::Filled) {
        EXPECT_TRUE(outcome.reachedFull);
        EXPECT_GT(outcome.filled, freeBefore * 8 / 10) << "the fill stopped short of full";
        EXPECT_LE(outcome.filled, freeBefore);
        EXPECT_GE(outcome.files, 2);
        EXPECT_EQ(outcome.written, outcome.filled * 3);
        EXPECT_GE(outcome.leftFree, 0);
        // Each fill file gets all its passes before the next is made: the disk is full only
        // while the last, small files get theirs, never while the whole fill is written again.
        ASSERT_TRUE(writtenWhenFull);
        EXPECT_LT(written - *writtenWhenFull, outcome.filled / 4)
            << "written while full, of " << outcome.filled << " filled";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ends, FreeSpaceFillTest,
    ::testing::Values(
        Row{"Filled", Fault::None, 0, FillOutcome::End::Filled, 0, 3},
        Row{"FlushFailsInFirstPass", Fault::FlushFails, 1, FillOutcome::End::Failed, EIO, 0},
        Row{"FlushFailsInLastPass", Fault::FlushFails, 3, FillOutcome::End::Failed, EIO, 2},
        Row{"DiskFullInSecondPass", Fault::DiskFull, 2, FillOutcome::End::Failed, ENOSPC, 1},
        Row{"StoppedInSecondPass", Fault::Stop, 2, FillOutcome::End::Stopped, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ostrel::test
