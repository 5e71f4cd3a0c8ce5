#include "core/ShredJob.h"

#include <gmock/gmock.h>

#include <cerrno>
#include <filesystem>

#include "core/Globals.h"
#include "platform/FaultInjection.h"
#include "platform/PendingDeletions.h"
#include "tests/core/JobFixture.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

using ShredJobTest = JobTest;

// All files of the tree go first, each shown by its path shortened to 60 characters, with the
// file count as the bar's maximum and the running count as its value; then every folder goes.
TEST_F(ShredJobTest, TreeIsShreddedFilesFirstThenFoldersRemoved) {
    MakeFile("tree/a", "1");
    MakeFile("tree/sub/b", "22");
    const std::string deep = MakeFile("tree/sub/a folder with a long name/and another/c", "333");
    fs::create_directories(m_temp.path() / "tree/empty");
    const fs::path tree = m_temp.path() / "tree";

    ShredSinglePath(tree.string(), m_windows.forms());

    EXPECT_FALSE(fs::exists(tree));
    EXPECT_TRUE(fs::is_empty(Holding()));
    EXPECT_EQ(m_windows.progress.values, (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(m_windows.progress.maxima, std::vector<std::int32_t>(3, 3));
    ASSERT_GT(deep.size(), 60u);
    using testing::AllOf;
    EXPECT_THAT(m_windows.progress.captions,
                testing::Contains(AllOf(testing::StartsWith(deep.substr(0, 3) + "..."),
                                        testing::EndsWith("/and another/c"),
                                        testing::SizeIs(testing::Le(60u)))));
    EXPECT_TRUE(TakeJobReport().Empty());
}

// A file that can only be scheduled for deletion at restart keeps its folder from emptying:
// the job must end, leave the folder, hand the file to the shredder once, and report it.
TEST_F(ShredJobTest, FolderThatStaysFullEndsTheJobAndIsReported) {
    const std::string stuck = MakeFile("tree/sub/stuck", std::string(3000, 'S'));
    MakeFile("tree/sub/fine", "fine");
    platform::InjectFault(platform::SysCall::Rename, EACCES);
    platform::InjectFault(platform::SysCall::Lease, EACCES);
    platform::InjectFault(platform::SysCall::Flock, EWOULDBLOCK);

    ShredSinglePath((m_temp.path() / "tree").string(), m_windows.forms());
    platform::ClearFaults();

    EXPECT_TRUE(fs::exists(stuck)) << "the file is deleted only at restart";
    EXPECT_EQ(ReadFile(stuck), std::string(3000, ' ')) << "overwritten with spaces meanwhile";
    EXPECT_EQ(platform::PendingDeletions().size(), 2u) << "each file scheduled exactly once";
    const JobReport report = TakeJobReport();
    EXPECT_EQ(report.scheduledAtRestart.size(), 2u);
}

// A name whose contents another hard link keeps is reported, unless the job destroys the
// contents under their last name as well.
TEST_F(ShredJobTest, HardLinkIsReportedOnlyWhileItsContentsSurvive) {
    const std::string file = MakeFile("linked", "shared contents");
    fs::create_hard_link(file, m_temp.path() / "outside");
    MakeFile("tree/one", "both names in the tree");
    fs::create_hard_link(m_temp.path() / "tree/one", m_temp.path() / "tree/two");

    ShredSinglePath(file, m_windows.forms());
    ShredSinglePath((m_temp.path() / "tree").string(), m_windows.forms());

    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(m_temp.path() / "tree"));
    EXPECT_EQ(ReadFile(m_temp.path() / "outside"), "shared contents");
    EXPECT_EQ(TakeJobReport().contentsKept, std::vector<std::string>{file});
}

TEST_F(ShredJobTest, ReportListsEachGroupOnceAndNothingWhenAllWent) {
    ShowJobReport(JobReport{});
    EXPECT_TRUE(m_host.msgBoxes.empty());

    JobReport report;
    report.scheduledAtRestart = {"/a", "/b"};
    report.contentsKept = {"/c"};
    ShowJobReport(report);
    ASSERT_EQ(m_host.msgBoxes.size(), 1u);
    const std::string& text = m_host.msgBoxes[0].text;
    EXPECT_NE(text.find("\n/a\n/b"), std::string::npos) << text;
    EXPECT_NE(text.find("\n/c"), std::string::npos) << text;
}

// On Windows the command line is one text; a list of drive-letter paths is split and each
// quoted path loses its quotes. Names like "C:\a" are plain names here, so the split can be
// watched on real files.
TEST_F(ShredJobTest, WindowsCommandLineTextIsSplitIntoItsPaths) {
    const fs::path previous = fs::current_path();
    fs::current_path(m_temp.path());
    WriteFile("C:\\a", "first");
    WriteFile("D:\\b", "second");
    WriteFile("bystander", "stays");

    std::string commandLine = "\"C:\\a\" \"D:\\b\"";
    ShredPath(commandLine, m_windows.forms());

    EXPECT_FALSE(fs::exists("C:\\a"));
    EXPECT_FALSE(fs::exists("D:\\b"));
    EXPECT_EQ(ReadFile("bystander"), "stays");
    EXPECT_TRUE(commandLine.empty());
    fs::current_path(previous);
}

TEST_F(ShredJobTest, OnePathIsTakenExactlyAsGiven) {
    const std::string quoted = MakeFile("\"quoted\"", "q");
    const std::string unquoted = MakeFile("quoted", "stays");

    ShredSinglePath(quoted, m_windows.forms());

    EXPECT_FALSE(fs::exists(quoted));
    EXPECT_EQ(ReadFile(unquoted), "stays") << "quote removal would have named another file";
}

}  // namespace
}  // namespace ostrel::test
