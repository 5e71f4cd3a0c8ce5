#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

#include "core/Globals.h"
#include "core/ShredMethods.h"
#include "platform/FaultInjection.h"
#include "platform/PendingDeletions.h"
#include "shredder/PassBatch.h"
#include "shredder/Shredder.h"
#include "tests/job/JobFixture.h"
#include "tests/support/LoopMount.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

class BatchFlushTest : public JobTest {};

// Catches a failed shared cache flush not failing every file of its batch (in any pass), or
// failing files of another batch.
TEST_F(BatchFlushTest, AFailedSharedCacheFlushFailsEveryFileOfItsBatchAndNoOther) {
    constexpr std::size_t kBatch = PassBatch::kFiles;
    const struct {
        const char* method;
        std::size_t files;
        int goodFlushes;                   // cache flushes that succeed before the failing one
        std::set<std::size_t> failedMany;  // how many files may be reported
    } rows[] = {
        {kMethodSimple, 20, 0, {20}},
        {kMethodDod7, 20, 6, {20}},  // the last pass's flush
        {kMethodSimple, kBatch + 8, 0, {kBatch, 8}},
    };
    // A shared cache flush is used only on ext4 and its kin: files and holding folder go there.
    LoopMount disk(m_temp.path(), "ext4", 32, "-q -F");
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.Why();
    }
    gDataFolder = (disk.Root() / "data").string();
    fs::create_directories(Holding());
    ::chmod(gDataFolder.c_str(), 0700);
    ::chmod(Holding().c_str(), 0700);
    std::size_t kept = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.method) + ", " + std::to_string(row.files) + " files");
        forms().options.SetDeleteMethod(row.method);
        const fs::path tree = disk.Root() / "tree";
        for (std::size_t i = 0; i < row.files; ++i) {
            WriteFile(tree / ("f" + std::to_string(i)), std::string(3000, 'x'));
        }
        platform::InjectFault(platform::SysCall::CacheFlush, EIO, row.goodFlushes, 1);
        m_job.ShredSinglePath(tree.string());
        platform::ClearFaults();
        const JobReport report = m_job.TakeReport();
        EXPECT_TRUE(row.failedMany.contains(report.scheduledAtRestart.size()))
            << report.scheduledAtRestart.size() << " files reported";
        for (const ReportLine& line : report.scheduledAtRestart) {
            EXPECT_TRUE(line.path.starts_with((tree / "f").string())) << line.path;
        }
        kept += report.scheduledAtRestart.size();
        EXPECT_EQ(std::distance(fs::directory_iterator(Holding()), fs::directory_iterator()),
                  static_cast<std::ptrdiff_t>(kept));
        EXPECT_EQ(platform::PendingDeletions().size(), kept);
        EXPECT_FALSE(fs::exists(tree)) << "a file of a good batch was left";
    }
}

// Catches a large file counted destroyed though its deleting close on the queue failed.
TEST_F(BatchFlushTest, ALargeFileWhoseDeletingCloseFailsOnTheQueueIsKept) {
    std::size_t kept = 0;
    for (const char* method : {kMethodSimple, kMethodDod3}) {
        SCOPED_TRACE(method);
        forms().options.SetDeleteMethod(method);
        const std::string big = MakeFile("big", std::string(std::size_t{3} << 20, 'x'));
        platform::InjectFault(platform::SysCall::Unlink, EIO, 0, 1);
        m_job.ShredSinglePath(big);
        platform::ClearFaults();
        const JobReport report = m_job.TakeReport();
        ASSERT_EQ(report.scheduledAtRestart.size(), 1u);
        EXPECT_EQ(report.scheduledAtRestart[0].path, big);
        EXPECT_EQ(platform::PendingDeletions().size(), ++kept);
    }
}

}  // namespace
}  // namespace ostrel::test
