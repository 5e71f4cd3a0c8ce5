#include "job/ShredJob.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "core/Globals.h"
#include "core/ShredMethods.h"
#include "lang/Encoding.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "platform/FaultInjection.h"
#include "platform/PendingDeletions.h"
#include "tests/job/JobFixture.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

using ShredJobTest = JobTest;

// Catches a link in a tree followed into the trash, or a trashed file left without its info file.
TEST_F(ShredJobTest, TreeGoesToTheTrashFileByFileAndItsFoldersAreRemoved) {
    forms().options.SetDeleteMethod(kMethodRecycle);
    MakeFile("tree/a", "1");
    MakeFile("tree/sub/deeper/c", "333");
    const std::string target = MakeFile("target", "target");
    fs::create_symlink(target, m_temp.path() / "tree/sub/link");
    const fs::path tree = m_temp.path() / "tree";

    m_job.ShredSinglePath(tree.string());

    EXPECT_FALSE(fs::exists(tree));
    EXPECT_EQ(ReadFile(target), "target");
    const fs::path trash = fs::path(m_xdg.DataHome()) / "Trash";
    EXPECT_EQ(ReadFile(trash / "files/c"), "333");
    EXPECT_TRUE(fs::is_symlink(trash / "files/link"));
    EXPECT_EQ(std::distance(fs::directory_iterator(trash / "info"), fs::directory_iterator()), 3);
    EXPECT_TRUE(m_job.TakeReport().Empty());
}

// Catches a name whose contents another link keeps counted as destroyed, or reported though the
// job destroyed the contents under their last name too.
TEST_F(ShredJobTest, HardLinkIsReportedOnlyWhileItsContentsSurvive) {
    const std::string file = MakeFile("linked", "shared contents");
    fs::create_hard_link(file, m_temp.path() / "outside");
    MakeFile("tree/one", "both names in the tree");
    fs::create_hard_link(m_temp.path() / "tree/one", m_temp.path() / "tree/two");

    m_job.ShredSinglePath(file);
    m_job.ShredSinglePath((m_temp.path() / "tree").string());

    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(m_temp.path() / "tree"));
    EXPECT_EQ(ReadFile(m_temp.path() / "outside"), "shared contents");
    const JobReport report = m_job.TakeReport();
    EXPECT_EQ(report.contentsKept, std::vector<std::string>{file});
    EXPECT_FALSE(report.Empty());
    ShowJobReport(report);
    ASSERT_EQ(m_host.msgBoxes.size(), 1u);
    EXPECT_NE(m_host.msgBoxes[0].text.find(file), std::string::npos);
}

// Catches a name (or a name in a reason) forging a line of the report, or breaking its UTF-8.
TEST_F(ShredJobTest, ReportShowsEveryNameEscapedOnItsOwnLine) {
    OpenLanguageFile("German.lng");
    JobReport report;
    report.failed.push_back({"/t/a\n/etc/passwd", GetLangString(lang::kWhyImmutable)});
    report.notFound = {"/t/caf\xE9", "/t/caf\xC3\xA9", "/t/back\\slash"};
    report.trashRefused.push_back({"/t/b", "trash refused: /m/x\n/etc/shadow"});
    ShowJobReport(report);
    CloseLanguageFile();

    ASSERT_EQ(m_host.msgBoxes.size(), 1u);
    const std::string& text = m_host.msgBoxes[0].text;
    EXPECT_EQ(DisplayText(text), text) << "valid UTF-8, shown as it is";
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11) << text;
    for (const char* shown :
         {"\n/t/a\\n/etc/passwd (unver\xC3\xA4nderlich", "\n/t/caf\\xE9\n", "\n/t/caf\xC3\xA9\n",
          "\n/t/back\\\\slash", "\n/t/b (trash refused: /m/x\\n/etc/shadow)"}) {
        EXPECT_NE(text.find(shown), std::string::npos) << shown << " in\n" << text;
    }
}

// Catches a second job started inside the running one's event handling.
TEST_F(ShredJobTest, AStartDuringARunningJobIsRefused) {
    const std::string first = MakeFile("first", std::string(100000, 'F'));
    const std::string dropped = MakeFile("dropped", "dropped meanwhile");
    bool tried = false;
    m_host.onDoEvents = [&] {
        if (!tried) {
            tried = true;
            ShredJob nested(forms());
            EXPECT_FALSE(nested.Started());
            nested.ShredSinglePath(dropped);
        }
    };
    m_job.ShredSinglePath(first);
    m_host.onDoEvents = nullptr;
    EXPECT_TRUE(tried);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_EQ(ReadFile(dropped), "dropped meanwhile");
    EXPECT_TRUE(m_job.TakeReport().Empty());
    // The refused job's end did not end the running one.
    EXPECT_FALSE(ShredJob(forms()).Started());
}

// Catches a file whose queued flush or deleting close fails counted as destroyed.
TEST_F(ShredJobTest, AFailedFlushOrDeletionAmongFilesInFlightIsReported) {
    const std::tuple<const char*, platform::SysCall, int> runs[] = {
        {kMethodSimple, platform::SysCall::Fsync, 17},
        {kMethodDod7, platform::SysCall::Fsync, 130},
        {kMethodSimple, platform::SysCall::Unlink, 17},
        {kMethodDod7, platform::SysCall::Unlink, 25},
    };
    for (std::size_t run = 0; run < std::size(runs); ++run) {
        const auto [method, call, goodCalls] = runs[run];
        SCOPED_TRACE(std::string(method) +
                     (call == platform::SysCall::Fsync ? " flush" : " delete"));
        forms().options.SetDeleteMethod(method);
        for (int i = 0; i < 40; ++i) {
            MakeFile("tree/f" + std::to_string(i), std::string(5000, 'x'));
        }
        platform::InjectFault(call, EIO, goodCalls, 1);
        m_job.ShredSinglePath((m_temp.path() / "tree").string());
        platform::ClearFaults();
        const JobReport report = m_job.TakeReport();
        ASSERT_EQ(report.scheduledAtRestart.size(), 1u);
        EXPECT_TRUE(
            report.scheduledAtRestart[0].path.starts_with((m_temp.path() / "tree/f").string()));
        EXPECT_EQ(std::distance(fs::directory_iterator(Holding()), fs::directory_iterator()),
                  static_cast<std::ptrdiff_t>(run + 1));
        EXPECT_EQ(platform::PendingDeletions().size(), run + 1);
        EXPECT_FALSE(fs::exists(m_temp.path() / "tree")) << "the failed file left the tree too";
    }
}

// Catches a folder that cannot be removed left unnamed or without the system's reason.
TEST_F(ShredJobTest, AFolderThatCannotBeRemovedIsNamedWithWhy) {
    MakeFile("tree/sub/file", "x");
    platform::InjectFault(platform::SysCall::RemoveFolder, EIO, 1, 1);  // "sub" goes, "tree" not
    m_job.ShredSinglePath((m_temp.path() / "tree").string());
    platform::ClearFaults();
    const JobReport report = m_job.TakeReport();
    ASSERT_EQ(report.foldersLeft.size(), 1u);
    EXPECT_EQ(report.foldersLeft[0].path, (m_temp.path() / "tree").string());
    EXPECT_EQ(report.foldersLeft[0].reason, GetLangString(lang::kWhyWriteError) + " (5)");
    EXPECT_TRUE(fs::is_empty(m_temp.path() / "tree"));
}

// Catches a path unquoted (naming another file), or one already done reported as not found.
TEST_F(ShredJobTest, APathGivenTwiceIsDoneOnceAndTakenExactlyAsGiven) {
    MakeFile("tree/sub/inner", "inner");
    const std::string file = MakeFile("\"quoted\"", "file");
    const std::string unquoted = MakeFile("quoted", "stays");
    const std::string tree = (m_temp.path() / "tree").string();
    for (const std::string& given :
         {tree, tree, tree + "/", m_temp.str() + "/./tree", tree + "/sub/inner", file, file}) {
        m_job.ShredSinglePath(given);
    }
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(ReadFile(unquoted), "stays") << "quote removal would have named another file";
    EXPECT_TRUE(m_job.TakeReport().Empty());

    m_job.ShredSinglePath(tree + "-never");
    EXPECT_EQ(m_job.TakeReport().notFound, std::vector<std::string>{tree + "-never"});
}

}  // namespace
}  // namespace ostrel::test
