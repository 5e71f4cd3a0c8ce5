#include "job/modMain.h"

#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "core/Globals.h"
#include "core/RegistryManager.h"
#include "platform/FileSystem.h"
#include "platform/FileVersion.h"
#include "platform/InProgressList.h"
#include "platform/LockFile.h"
#include "platform/PendingDeletions.h"
#include "shredder/FillData.h"
#include "tests/job/JobFixture.h"
#include "tests/support/HolderProcess.h"
#include "tests/support/LoopMount.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

// Main runs jobs of its own: the fixture's job is ended first (only one runs at a time).
class MainTest : public JobTest {
  protected:
    MainTest() { m_ownJob.reset(); }
};

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
        StoreSettings(row.stored, nullptr, -1);
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
    StoreSettings("English.lng", nullptr, -1);
    const auto mode = [] { return fs::status(Holding()).permissions() & fs::perms::all; };

    EXPECT_FALSE(RunMain({}, forms()));
    EXPECT_EQ(mode(), fs::perms::owner_all) << "a new holding folder must be private";
    fs::permissions(Holding(), fs::perms::group_read, fs::perm_options::add);
    RunMain({}, forms());
    EXPECT_EQ(mode(), fs::perms::owner_all) << "one others may enter is made private";
}

// Only a number stored as "Confirm" turns the question off: text, even "0", is no answer, and
// the question is asked (here answered No, so nothing is touched).
TEST_F(MainTest, ConfirmStoredAsTextStillAsks) {
    StoreSettings("English.lng", nullptr, -1);
    const std::pair<std::function<void()>, bool> rows[] = {
        {[] { RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, "1"); }, true},
        {[] { RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, "0"); }, true},
        {[] { RegSetDword(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, 0); }, false}};
    for (const auto& [store, asks] : rows) {
        store();
        const std::string file = MakeFile("victim", "data");
        m_host.msgBoxes.clear();
        EXPECT_TRUE(RunMain({file}, forms()));
        EXPECT_EQ(m_host.msgBoxes.size(), asks ? 1u : 0u);
        EXPECT_EQ(fs::exists(file), asks);
    }
}

// A file that could only be scheduled for deletion at restart waits for the restart: a later
// start in the same boot leaves it alone (no second round of spaces, no second pending entry, no
// report under its random name). What a start finishes from a killed run is reported on its own
// and never changes the exit status of the job it was started for.
TEST_F(MainTest, AFileWaitingForTheRestartIsLeftAloneUntilThen) {
    platform::SetBootIdSource([] { return std::string("this-boot"); });
    StoreSettings("English.lng", nullptr, 0);
    const std::string killed = Holding() + "/" + RandFileName();  // left by a killed run
    WriteFile(killed, "half shredded");
    const std::string held = MakeFile("held open", std::string(5000, 'H'));
    // Both held by other programs from before the first start (a holder forked later would
    // inherit the instance lock of the start before).
    HolderProcess killedHolder(killed, HolderProcess::Hold::Open);
    HolderProcess heldHolder(held, HolderProcess::Hold::Open);
    ASSERT_TRUE(killedHolder.Holding() && heldHolder.Holding());

    for (const std::string& path : {MakeFile("first", "x"), held, MakeFile("third", "x")}) {
        EXPECT_TRUE(RunMain({path}, forms()));
    }

    EXPECT_EQ(m_host.endProcessCalls, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(platform::PendingDeletions().size(), 2u) << "each file scheduled once";
    ASSERT_EQ(m_host.msgBoxes.size(), 2u);
    EXPECT_NE(m_host.msgBoxes[0].text.find(killed), std::string::npos);
    EXPECT_NE(m_host.msgBoxes[1].text.find("\n" + held + " ("), std::string::npos);
    EXPECT_EQ(m_host.msgBoxes[1].text.find(Holding()), std::string::npos);
}

// What a killed run left on its way to destruction is finished: files under the shredder's own
// random names, directly in the holding folder, or on the in-progress list while still the same
// file. A name it never makes, a subfolder's file, a file that replaced the one the run had
// renamed, or one under the recorded inode number that has another length (the number was freed
// and given to a new file) is not the program's to destroy. The start says which files it
// finished (a note, not a failure).
TEST_F(MainTest, InterruptedWorkIsFinished) {
    const std::string leftover = Holding() + "/" + RandFileName();
    const std::string inPlace = MakeFile("elsewhere/" + RandFileName(), "renamed in place");
    const std::string replaced = MakeFile("elsewhere/" + RandFileName(), "first file");
    const std::string resized = MakeFile("elsewhere/" + RandFileName(), "not");
    const std::vector<std::string> foreign = {Holding() + "/abc.tmp",
                                              Holding() + "/notes.txt",
                                              Holding() + "/sub/" + RandFileName(),
                                              MakeFile("elsewhere/xyz.tmp", "not ours"),
                                              replaced,
                                              resized};
    WriteFile(leftover, "half shredded");
    for (const std::string& path : {foreign[0], foreign[1], foreign[2]}) {
        WriteFile(path, "not ours");
    }
    for (const std::string& path : {inPlace, foreign[3], replaced, resized}) {
        platform::AddInProgress(path, *platform::ReadFileVersion(path));
    }
    WriteFile(replaced + ".new", "not ours");
    fs::rename(replaced + ".new", replaced);
    std::ofstream(resized, std::ios::app) << " ours";

    ShredJob job(forms());
    {
        // Another instance is running: the files may be its job's, and are left alone.
        platform::LockFile other = platform::LockFile::Open(Holding() + ".lock");
        ASSERT_TRUE(other.HoldShared());
        FinishInterruptedWork(job, forms());
        EXPECT_TRUE(fs::exists(leftover) && fs::exists(inPlace));
    }
    FinishInterruptedWork(job, forms());

    EXPECT_FALSE(fs::exists(leftover) || fs::exists(inPlace));
    for (const std::string& path : foreign) {
        EXPECT_EQ(ReadFile(path), "not ours") << path;
    }
    EXPECT_TRUE(platform::InProgressEntries().empty());
    const JobReport report = job.TakeReport();
    EXPECT_EQ(report.finishedLeftovers, (std::vector<std::string>{leftover, inPlace}));
    EXPECT_TRUE(report.Empty());
    ShowJobReport(report);
    ASSERT_EQ(m_host.msgBoxes.size(), 1u);
    EXPECT_NE(m_host.msgBoxes[0].text.find(inPlace), std::string::npos);
}

// An in-progress entry whose file was deleted meanwhile, and a new file of the same length made
// under its name that got the freed inode number (ext4 gives it to the next file made): the new
// file is not the program's and is left alone; its entry leaves the list.
TEST_F(MainTest, NewFileUnderAnInProgressEntrysInodeNumberIsLeftAlone) {
    LoopMount disk(m_temp.path(), "ext4", 16, "-q -F");
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.Why();
    }
    const std::string path = (disk.Root() / RandFileName()).string();
    WriteFile(path, "renamed in place");
    ASSERT_TRUE(platform::AddInProgress(path, *platform::ReadFileVersion(path)));
    const auto recorded = platform::StatPath(path);
    fs::remove(path);
    WriteFile(path, "a new file here!");
    if (platform::StatPath(path)->id != recorded->id) {
        GTEST_SKIP() << "the file system gave the new file another inode number";
    }

    ShredJob job(forms());
    FinishInterruptedWork(job, forms());

    EXPECT_EQ(ReadFile(path), "a new file here!");
    EXPECT_TRUE(platform::InProgressEntries().empty());
    EXPECT_TRUE(job.TakeReport().finishedLeftovers.empty());
}

// An in-progress file that cannot be destroyed at this start (it was made immutable) is named,
// stays on the list, and the next start, which can, destroys it.
TEST_F(MainTest, InterruptedWorkThatCannotBeFinishedNowIsTriedAgain) {
    LoopMount disk(m_temp.path(), "ext4", 16, "-q -F");
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.Why();
    }
    const std::string path = (disk.Root() / RandFileName()).string();
    WriteFile(path, "renamed in place");
    ASSERT_TRUE(platform::AddInProgress(path, *platform::ReadFileVersion(path)));
    ASSERT_TRUE(RunQuietly("chattr +i '" + path + "'"));
    {
        ShredJob job(forms());
        FinishInterruptedWork(job, forms());
        const JobReport report = job.TakeReport();
        ASSERT_EQ(report.failed.size(), 1u);
        EXPECT_EQ(report.failed[0].path, path);
    }
    EXPECT_EQ(ReadFile(path), "renamed in place");
    ASSERT_EQ(platform::InProgressEntries().size(), 1u);

    ASSERT_TRUE(RunQuietly("chattr -i '" + path + "'"));
    ShredJob job(forms());
    FinishInterruptedWork(job, forms());
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(platform::InProgressEntries().empty());
    EXPECT_EQ(job.TakeReport().finishedLeftovers, std::vector<std::string>{path});
}

class UntrustedFolderTest : public MainTest, public testing::WithParamInterface<const char*> {
  protected:
    ~UntrustedFolderTest() override { ::umount2(m_xdg.DataHome().c_str(), MNT_DETACH); }
};

// A holding folder or list that is a link, another user's, or cannot be made, a folder above the
// data folder that others may write (without the sticky bit), or one of the program's own that
// others may write: start-up names it and says why in a critical message, and ends with status
// 1 before anything is shredded.
TEST_P(UntrustedFolderTest, StartUpStopsBeforeAnyJobAndSaysWhy) {
    const std::string row = GetParam();
    const bool anyUser = row.find("IsALink") != row.npos || row.find("Writable") != row.npos;
    if (!anyUser && ::geteuid() != 0) {
        GTEST_SKIP() << "needs root: another user's files, or a read-only mount";
    }
    StoreSettings("English.lng", nullptr, 0);
    const std::string file = MakeFile("precious", "data");
    std::string path = Holding(), reason = "It belongs to another user.";
    if (row == "HoldingFolderIsALink") {
        fs::create_directory(m_temp / "elsewhere");
        fs::remove(Holding());
        fs::create_directory_symlink(m_temp / "elsewhere", Holding());
        reason = "It is a symbolic link.";
    } else if (row == "ReadOnlyHome") {
        path = m_xdg.DataHome() + "/Tolvane";
        ASSERT_EQ(::mount("tmpfs", m_xdg.DataHome().c_str(), "tmpfs", MS_RDONLY, "mode=0700"), 0);
        reason = "It cannot be created or opened: Read-only file system";
    } else if (row == "GroupWritableFolderAbove" || row == "WorldWritableFolderAbove") {
        // Above the data folder: another user could swap the folders below it.
        path = row == "GroupWritableFolderAbove" ? m_xdg.Home() + "/.local" : m_xdg.Home();
        fs::permissions(
            path,
            row == "GroupWritableFolderAbove" ? fs::perms::group_write : fs::perms::others_write,
            fs::perm_options::add);
        reason = "Other users may change it.";
    } else if (row == "OwnFolderWritableByOthers" || row == "OwnFolderWritableByTheGroup") {
        path = gDataFolder;
        fs::permissions(
            path,
            row == "OwnFolderWritableByOthers" ? fs::perms::others_write : fs::perms::group_write,
            fs::perm_options::add);
        reason = "Other users may change it.";
    } else if (row == "PendingListIsALink") {
        path = m_xdg.StateHome() + "/Tolvane/Quarrix/pending-deletions";
        WriteFile(m_temp / "elsewhere-list", "ostrel-state 1\n");
        fs::create_directories(fs::path(path).parent_path());
        fs::create_symlink(m_temp / "elsewhere-list", path);
        reason = "It is a symbolic link.";
    } else if (row == "HoldingFolderOfAnotherUser") {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        fs::permissions(path, fs::perms::all);
    } else {
        path = m_xdg.StateHome() + "/Tolvane/Quarrix/pending-deletions";
        WriteFile(path, "ostrel-state 1\n");
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }

    EXPECT_TRUE(RunMain({file}, forms()));

    EXPECT_EQ(m_host.endProcessCalls, std::vector<int>{1});
    ASSERT_EQ(m_host.msgBoxes.size(), 1u);
    EXPECT_EQ(m_host.msgBoxes[0].style, kMsgCritical);
    const std::string& text = m_host.msgBoxes[0].text;
    EXPECT_EQ(text.rfind("Nothing was shredded.", 0), 0u) << text;
    EXPECT_NE(text.find("\n" + path + "\n" + reason), std::string::npos) << text;
    EXPECT_EQ(ReadFile(file), "data");
}

INSTANTIATE_TEST_SUITE_P(Folders, UntrustedFolderTest,
                         testing::Values("HoldingFolderIsALink", "ReadOnlyHome",
                                         "HoldingFolderOfAnotherUser", "PendingListOfAnotherUser",
                                         "PendingListIsALink", "GroupWritableFolderAbove",
                                         "WorldWritableFolderAbove", "OwnFolderWritableByOthers",
                                         "OwnFolderWritableByTheGroup"),
                         [](const auto& info) { return std::string(info.param); });

// A state folder nothing can be written in (a read-only mount): a job could neither record a
// file on another disk that it renames in place nor leave a file for the restart, and would
// overwrite files and then lose track of them. Start-up refuses once, naming the folder and why,
// before anything is touched.
TEST_F(MainTest, AStateFolderThatCannotBeWrittenStopsStartUp) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a read-only bind mount and a loop mount need root";
    }
    LoopMount disk(m_temp.path(), "ext4", 16, "-q -F");
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.Why();
    }
    StoreSettings("English.lng", nullptr, 0);
    const std::string file = (disk.Root() / "on another disk").string();
    WriteFile(file, "data on another disk");
    const std::string state = m_xdg.StateHome() + "/Tolvane/Quarrix";
    fs::create_directories(state);
    ASSERT_EQ(::mount(state.c_str(), state.c_str(), nullptr, MS_BIND, nullptr), 0);
    const bool readOnly =
        ::mount(nullptr, state.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;

    const bool ended = RunMain({file}, forms());
    ::umount2(state.c_str(), MNT_DETACH);

    ASSERT_TRUE(readOnly);
    EXPECT_TRUE(ended);
    EXPECT_EQ(m_host.endProcessCalls, std::vector<int>{1});
    ASSERT_EQ(m_host.msgBoxes.size(), 1u);
    const std::string& text = m_host.msgBoxes[0].text;
    EXPECT_EQ(text.rfind("Nothing was shredded.", 0), 0u) << text;
    EXPECT_NE(text.find("\n" + state + "\nNothing can be written in it: Read-only file system"),
              std::string::npos)
        << text;
    EXPECT_EQ(ReadFile(file), "data on another disk");
}

}  // namespace
}  // namespace ostrel::test
