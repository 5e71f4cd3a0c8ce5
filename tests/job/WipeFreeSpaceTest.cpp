// Catches a wipe report that claims a fill finished when it was refused or failed, a planted fill
// folder that is followed, and a fill that leaves something behind.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>

#include "core/ShredMethods.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "platform/FaultInjection.h"
#include "platform/FreeSpace.h"
#include "tests/job/JobFixture.h"
#include "tests/job/TreeAccounting.h"
#include "tests/support/LoopMount.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

// Where a wipe run as root, with its data folder elsewhere, puts its fill folder.
fs::path FillFolderOf(const fs::path& root) {
    return root / ".ostrel-free-space-0";
}

enum class Ends { Refused, Failed, Noted };

struct Row {
    const char* name;
    const char* type;  // of the file system wiped
    const char* method;
    std::function<void(const fs::path& root)> prepare;  // the disk before the wipe
    bool flushFails;
    Ends ends;
    std::int16_t saying;  // a language string the report's line on the folder holds
};

class WipeTest : public JobTest {
  protected:
    WipeTest() { OpenLanguageFile("English.lng"); }  // the report's lines are read
};

class WipeReport : public WipeTest, public ::testing::WithParamInterface<Row> {};

TEST_P(WipeReport, SaysWhatHappenedAndLeavesNothingOfTheFill) {
    const Row& row = GetParam();
    const bool ext4 = row.type == std::string("ext4");
    LoopMount image(m_temp.path(), row.type, ext4 ? 16 : 128, ext4 ? "-q -F" : "-q -f");
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Why();
    }
    if (row.prepare) {
        row.prepare(image.Root());
    }
    const auto before = ReadTree(image.Root().string());
    forms().options.SetDeleteMethod(row.method);
    if (row.flushFails) {
        platform::InjectFault(platform::SysCall::Fsync, EIO);
    }
    const std::string folder = image.Root().string();
    m_job.WipeFreeSpace(folder);
    platform::ClearFaults();
    const JobReport report = m_job.TakeReport();

    EXPECT_EQ(report.refused.size(), row.ends == Ends::Refused ? 1u : 0u);
    EXPECT_EQ(report.failed.size(), row.ends == Ends::Failed ? 1u : 0u);
    const std::vector<ReportLine>& lines = row.ends == Ends::Refused  ? report.refused
                                           : row.ends == Ends::Failed ? report.failed
                                                                      : report.reachLimited;
    const std::string saying = GetLangString(row.saying);
    bool said = false;
    for (const ReportLine& line : lines) {
        said |= line.path == folder &&
                line.reason.find(saying.substr(0, saying.find('%'))) != std::string::npos;
    }
    EXPECT_TRUE(said) << "no line on " << folder << " saying \"" << saying << "\"";
    EXPECT_EQ(ReadTree(image.Root().string()), before)
        << "the fill left something, or touched what was there";
    EXPECT_TRUE(platform::FillFolderEntries().empty());
    EXPECT_EQ(report.summary.empty(), row.ends == Ends::Refused) << report.summary;
    // Only a fill that ran to its end says it is done.
    const std::string done = GetLangString(lang::kWipeSummary);
    EXPECT_EQ(report.summary.starts_with(done.substr(0, done.find('%'))), row.ends == Ends::Noted)
        << report.summary;
}

INSTANTIATE_TEST_SUITE_P(
    Ends, WipeReport,
    ::testing::Values(
        Row{"RecycleBin",
            "ext4",
            kMethodRecycle,
            {},
            false,
            Ends::Refused,
            lang::kWipeRecycleRefused},
        Row{"FlushFails", "ext4", kMethodDod3, {}, true, Ends::Failed, lang::kWipeFillStopped},
        Row{"FillFolderIsALink", "ext4", kMethodSimple,
            [](const fs::path& root) {
                fs::create_directory(root / "elsewhere");
                fs::create_directory_symlink(root / "elsewhere", FillFolderOf(root));
            },
            false, Ends::Refused, lang::kOwnPathIsLink},
        Row{"CopyOnWrite", "btrfs", kMethodSimple, {}, false, Ends::Noted, lang::kWhyCopyOnWrite}),
    [](const auto& info) { return std::string(info.param.name); });

// A file system in memory holds nothing of deleted files: filling it would only push the machine
// into swap. It is refused before anything is written.
TEST_F(WipeTest, AFileSystemInMemoryIsRefused) {
    const fs::path tmpfs = m_temp.path() / "tmpfs";
    fs::create_directory(tmpfs);
    if (::mount("tmpfs", tmpfs.c_str(), "tmpfs", 0, "size=8m") != 0) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    forms().options.SetDeleteMethod(kMethodSimple);
    m_job.WipeFreeSpace(tmpfs.string());
    const JobReport report = m_job.TakeReport();
    const bool empty = fs::is_empty(tmpfs);
    ::umount2(tmpfs.c_str(), MNT_DETACH);

    ASSERT_EQ(report.refused.size(), 1u);
    EXPECT_NE(report.refused[0].reason.find("tmpfs"), std::string::npos);
    EXPECT_TRUE(empty);
}

}  // namespace
}  // namespace ostrel::test
