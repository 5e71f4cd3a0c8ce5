#include "job/modMain.h"

#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

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
#include "tests/support/ScopedEnv.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

// Main runs jobs of its own: the fixture's job is ended first (only one runs at a time).
class MainTest : public JobTest {
  protected:
    MainTest() { m_ownJob.reset(); }
};

// Catches a holding folder others may enter (new, or widened later) being used as it is.
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

// Catches the marker that an instance is running outliving the instance's locks (kept for the
// whole process, whoever started the run), or gone while its caller still keeps them.
TEST_F(MainTest, TheInstanceIsMarkedRunningWhileItsLocksAreKept) {
    const fs::path runtime = m_temp / "runtime";
    fs::create_directory(runtime);
    const ScopedEnv runtimeFolder("XDG_RUNTIME_DIR", runtime.string());
    StoreSettings("English.lng", nullptr, -1);
    const auto othersMayLock = [](const fs::path& marker) {
        return HolderProcess(marker.string(), HolderProcess::Hold::Flock).Holding();
    };
    fs::path marker;
    {
        const InstanceLocks locks = Main({}, forms());
        for (const auto& entry : fs::directory_iterator(runtime)) {
            marker = entry.path();
        }
        ASSERT_EQ(marker.extension(), ".lock") << "no marker in the runtime folder";
        EXPECT_FALSE(othersMayLock(marker)) << "the marker must be held while the locks are kept";
    }
    EXPECT_TRUE(othersMayLock(marker)) << "the marker must go with the locks";
}

// Catches a "Confirm" stored as text ("0") turning the question off.
TEST_F(MainTest, ConfirmStoredAsTextStillAsks) {
    StoreSettings("English.lng", nullptr, -1);
    RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, "0");
    const std::string file = MakeFile("victim", "data");
    EXPECT_TRUE(RunMain({file}, forms()));
    EXPECT_EQ(m_host.msgBoxes.size(), 1u);
    EXPECT_TRUE(fs::exists(file));
}

// Catches a file scheduled for the restart being shredded or scheduled again by a later start in
// the same boot, and leftovers of a killed run changing the exit status of the job started.
TEST_F(MainTest, AFileWaitingForTheRestartIsLeftAloneUntilThen) {
    platform::SetBootIdSource([] { return std::string("this-boot"); });
    StoreSettings("English.lng", nullptr, 0);
    const std::string killed = Holding() + "/" + RandFileName();  // left by a killed run
    WriteFile(killed, "half shredded");
    const std::string held = MakeFile("held open", std::string(5000, 'H'));
    // Held from before the first start: a holder forked later would inherit its instance lock.
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

// Catches a start destroying what is not a killed run's leftover (a name it never makes, a
// subfolder's file, a replaced or resized file, anything while another instance runs), or
// leaving a leftover unfinished or unreported.
TEST_F(MainTest, InterruptedWorkIsFinished) {
    const std::string leftover = Holding() + "/" + RandFileName();
    const std::string inPlace = MakeFile("elsewhere/" + RandFileName(), "renamed in place");
    const std::string replaced = MakeFile("elsewhere/" + RandFileName(), "first file");
    const std::string resized = MakeFile("elsewhere/" + RandFileName(), "not");
    std::vector<std::string> foreign = {Holding() + "/abc.tmp", Holding() + "/notes.txt",
                                        Holding() + "/sub/" + RandFileName()};
    WriteFile(leftover, "half shredded");
    for (const std::string& path : foreign) {
        WriteFile(path, "not ours");
    }
    foreign.insert(foreign.end(), {MakeFile("elsewhere/xyz.tmp", "not ours"), replaced, resized});
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
}

// Catches an in-progress entry dropped when its file cannot be destroyed at this start, and a
// new file of the same length under an entry's freed inode number destroyed as the leftover.
TEST_F(MainTest, InterruptedWorkThatCannotBeFinishedNowIsTriedAgain) {
    LoopMount disk(m_temp.path(), "ext4", 16, "-q -F");
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.Why();
    }
    const std::string path = disk.Root() / RandFileName(), reused = disk.Root() / RandFileName();
    for (const std::string& file : {path, reused}) {
        WriteFile(file, "renamed in place");
        ASSERT_TRUE(platform::AddInProgress(file, *platform::ReadFileVersion(file)));
    }
    const auto recorded = platform::StatPath(reused);
    fs::remove(reused);
    WriteFile(reused, "a new file here!");
    if (platform::StatPath(reused)->id != recorded->id) {
        GTEST_SKIP() << "the file system gave the new file another inode number";
    }
    ASSERT_TRUE(RunQuietly("chattr +i '" + path + "'"));
    {
        ShredJob job(forms());
        FinishInterruptedWork(job, forms());
        const JobReport report = job.TakeReport();
        ASSERT_EQ(report.failed.size(), 1u);
        EXPECT_EQ(report.failed[0].path, path);
        EXPECT_TRUE(report.finishedLeftovers.empty());
    }
    EXPECT_EQ(ReadFile(path), "renamed in place");
    EXPECT_EQ(ReadFile(reused), "a new file here!");
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
    ~UntrustedFolderTest() override { ::umount2(m_state.c_str(), MNT_DETACH); }
    const std::string m_state = m_xdg.StateHome() + "/Tolvane/Quarrix";
};

// Catches start-up going on with a holding folder or pending list that is a link or another
// user's, a folder above or of its own that others may write, or a state folder it cannot write
// in (a job would lose track of its files): it must stop before anything goes, and say why.
TEST_P(UntrustedFolderTest, StartUpStopsBeforeAnyJobAndSaysWhy) {
    const std::string row = GetParam();
    const bool anyUser = row.find("IsALink") != row.npos || row.find("Writable") != row.npos;
    if (!anyUser && ::geteuid() != 0) {
        GTEST_SKIP() << "needs root: another user's files, or a read-only bind mount";
    }
    StoreSettings("English.lng", nullptr, 0);
    const std::string file = MakeFile("precious", "data");
    std::string path = m_state + "/pending-deletions", reason = "It belongs to another user.";
    fs::create_directories(m_state);
    if (row == "HoldingFolderIsALink") {
        path = Holding();
        fs::create_directory(m_temp / "elsewhere");
        fs::remove(path);
        fs::create_directory_symlink(m_temp / "elsewhere", path);
        reason = "It is a symbolic link.";
    } else if (row == "HoldingFolderOfAnotherUser") {
        path = Holding();
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        fs::permissions(path, fs::perms::all);
    } else if (row == "GroupWritableFolderAbove" || row == "OwnFolderWritableByTheGroup") {
        path = row == "GroupWritableFolderAbove" ? m_xdg.Home() + "/.local" : gDataFolder;
        fs::permissions(path, fs::perms::group_write, fs::perm_options::add);
        reason = "Other users may change it.";
    } else if (row == "PendingListIsALink") {
        WriteFile(m_temp / "elsewhere-list", "ostrel-state 1\n");
        fs::create_symlink(m_temp / "elsewhere-list", path);
        reason = "It is a symbolic link.";
    } else if (row == "StateFolderCannotBeWritten") {
        path = m_state;
        ASSERT_EQ(::mount(path.c_str(), path.c_str(), nullptr, MS_BIND, nullptr), 0);
        ASSERT_EQ(
            ::mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0);
        reason = "Nothing can be written in it: Read-only file system";
    } else {
        WriteFile(path, "ostrel-state 1\n");
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }

    EXPECT_TRUE(RunMain({file}, forms()));
    EXPECT_EQ(m_host.endProcessCalls, std::vector<int>{1});
    ASSERT_EQ(m_host.msgBoxes.size(), 1u);
    EXPECT_EQ(m_host.msgBoxes[0].style, kMsgCritical);
    const std::string& text = m_host.msgBoxes[0].text;
    EXPECT_TRUE(text.starts_with("Nothing was shredded.") &&
                text.find("\n" + path + "\n" + reason) != std::string::npos)
        << text;
    EXPECT_EQ(ReadFile(file), "data");
}

INSTANTIATE_TEST_SUITE_P(Folders, UntrustedFolderTest,
                         testing::Values("HoldingFolderIsALink", "HoldingFolderOfAnotherUser",
                                         "StateFolderCannotBeWritten", "PendingListOfAnotherUser",
                                         "PendingListIsALink", "GroupWritableFolderAbove",
                                         "OwnFolderWritableByTheGroup"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace ostrel::test
