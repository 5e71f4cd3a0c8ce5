// The job's side of wiping free space: what its report says when the method is the trash or a
// flush fails, and that no fill file or record is left either way.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "core/ShredMethods.h"
#include "lang/LanguageFile.h"
#include "platform/FaultInjection.h"
#include "platform/FreeSpace.h"
#include "tests/job/JobFixture.h"
#include "tests/support/LoopMount.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

struct Row {
    const char* name;
    const char* method;
    bool flushFails;
    bool refused;      // refused before anything is written; else failed
    const char* said;  // part of the report's line on the folder
};

class WipeReport : public JobTest, public ::testing::WithParamInterface<Row> {
  protected:
    WipeReport() { OpenLanguageFile("English.lng"); }  // the report's lines are read
};

TEST_P(WipeReport, SaysWhatHappenedAndLeavesNoFillFile) {
    const Row& row = GetParam();
    LoopMount image(m_temp.path(), "ext4", 16, "-q -F");
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Why();
    }
    forms().options.SetDeleteMethod(row.method);
    if (row.flushFails) {
        platform::InjectFault(platform::SysCall::Fsync, EIO);
    }
    const std::string folder = image.Root().string();
    m_job.WipeFreeSpace(folder);
    platform::ClearFaults();
    const JobReport report = m_job.TakeReport();

    const auto& lines = row.refused ? report.refused : report.failed;
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].path, folder);
    EXPECT_NE(lines[0].reason.find(row.said), std::string::npos) << lines[0].reason;
    EXPECT_EQ(row.refused ? report.failed.size() : report.refused.size(), 0u);
    EXPECT_FALSE(report.Empty());
    // Nothing of the fill is left: no folder on the disk, no record.
    for (const auto& entry : fs::directory_iterator(image.Root())) {
        EXPECT_EQ(entry.path().filename(), "lost+found");
    }
    EXPECT_TRUE(platform::FillFolderEntries().empty());
    EXPECT_EQ(report.summary.empty(), row.refused) << report.summary;
}

INSTANTIATE_TEST_SUITE_P(
    Ends, WipeReport,
    ::testing::Values(Row{"RecycleBin", kMethodRecycle, false, true, "Recycle Bin"},
                      Row{"FlushFails", kMethodDod3, true, false, "the fill stopped after"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ostrel::test
