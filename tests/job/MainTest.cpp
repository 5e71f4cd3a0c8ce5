#include "job/modMain.h"

#include <filesystem>

#include "core/Globals.h"
#include "core/RegistryManager.h"
#include "platform/FileSystem.h"
#include "platform/InProgressList.h"
#include "platform/LockFile.h"
#include "tests/job/JobFixture.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

// Main runs jobs of its own: the fixture's job is ended first (only one runs at a time).
class MainTest : public JobTest {
  protected:
    MainTest() { m_ownJob.reset(); }
};

// Runs Main as the executable does; true when it ended the process.
bool RunMain(const std::vector<std::string>& paths, Forms& forms) {
    try {
        Main(paths, forms);
    } catch (const EndProcessCalled&) {
        return true;
    }
    return false;
}

// The chooser comes on a first run, and for a stored name that is empty or does not end in
// ".lng" (in any letter case). The second test looks at the chosen name, so a choice made for
// an empty name is not asked for again.
TEST_F(MainTest, ChooserIsShownWhenTheStoredNameIsUnusable) {
    const struct {
        const char* stored;  // nullptr: no "DefaultLang" value
        int chooserShown;
    } rows[] = {{nullptr, 1}, {"English", 1}, {"", 1}, {"German.LNG", 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored ? row.stored : "(none)");
        fs::remove_all(m_xdg.ConfigHome() + "/Tolvane");
        if (row.stored != nullptr) {
            RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang, row.stored);
        }
        const int before = Count(m_err, "Please select a language");

        RunMain({}, forms());

        EXPECT_EQ(Count(m_err, "Please select a language") - before, row.chooserShown);
        if (row.chooserShown > 0) {
            EXPECT_EQ(RegGetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang).ToString(),
                      "English.lng");
        }
    }
}

// The main window's texts are checked end to end; here, the holding folder start-up prepares.
TEST_F(MainTest, WithoutPathsTheHoldingFolderIsMadePrivate) {
    fs::remove_all(gDataFolder);
    RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang, "English.lng");
    const auto mode = [this] { return fs::status(Holding()).permissions() & fs::perms::all; };

    EXPECT_FALSE(RunMain({}, forms()));
    EXPECT_EQ(mode(), fs::perms::owner_all) << "a new holding folder must be private";
    fs::permissions(Holding(), fs::perms::group_read, fs::perm_options::add);
    RunMain({}, forms());
    EXPECT_EQ(mode(), fs::perms::owner_all) << "one others may enter is made private";
}

// The exit code tells a job that left something behind from one that destroyed everything.
TEST_F(MainTest, ExitCodeSaysWhetherEverythingWent) {
    RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang, "English.lng");
    RegSetDword(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, 0);
    const std::string gone = MakeFile("gone", "x");
    const std::string linked = MakeFile("linked", "y");
    fs::create_hard_link(linked, m_temp.path() / "other name");

    EXPECT_TRUE(RunMain({gone}, forms()));
    EXPECT_TRUE(RunMain({linked}, forms()));

    EXPECT_EQ(m_host.endProcessCalls, (std::vector<int>{0, 1}));
    EXPECT_FALSE(fs::exists(gone));
    ASSERT_EQ(m_host.msgBoxes.size(), 1u) << "one report, for the second job only";
    EXPECT_NE(m_host.msgBoxes[0].text.find(linked), std::string::npos);
}

// What a killed run left on its way to destruction is finished, and the start says which files
// it finished (a note, not a failure); anything that is no longer the file the run had renamed
// is left alone and not named.
TEST_F(MainTest, InterruptedWorkIsFinished) {
    const std::string leftover = Holding() + "/abc.tmp";
    WriteFile(leftover, "half shredded");
    const std::string renamedInPlace = MakeFile("elsewhere/xyz.tmp", "renamed in place");
    platform::AddInProgress(renamedInPlace, *platform::StatPath(renamedInPlace));
    const std::string replaced = MakeFile("elsewhere/replaced.tmp", "first file");
    platform::AddInProgress(replaced, *platform::StatPath(replaced));
    fs::remove(replaced);
    WriteFile(replaced, "another file under the same name");

    ShredJob job(forms());
    {
        // Another instance is running: the files may be its job's, and are left alone.
        platform::LockFile other = platform::LockFile::Open(Holding() + ".lock");
        ASSERT_TRUE(other.HoldShared());
        FinishInterruptedWork(job, forms());
        EXPECT_EQ(ReadFile(leftover), "half shredded");
        EXPECT_TRUE(fs::exists(renamedInPlace));
    }
    FinishInterruptedWork(job, forms());

    EXPECT_TRUE(fs::is_empty(Holding()));
    EXPECT_FALSE(fs::exists(renamedInPlace));
    EXPECT_EQ(ReadFile(replaced), "another file under the same name");
    EXPECT_TRUE(platform::InProgressEntries().empty());
    const JobReport report = job.TakeReport();
    EXPECT_EQ(report.finishedLeftovers, (std::vector<std::string>{leftover, renamedInPlace}));
    EXPECT_TRUE(report.Empty());
    ShowJobReport(report);
    ASSERT_EQ(m_host.msgBoxes.size(), 1u);
    EXPECT_NE(m_host.msgBoxes[0].text.find(renamedInPlace), std::string::npos);
}

}  // namespace
}  // namespace ostrel::test
