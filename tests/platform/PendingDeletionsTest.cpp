#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "core/ProductNames.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/FileVersion.h"
#include "platform/PendingDeletions.h"
#include "platform/StateFolder.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/LoopDevice.h"
#include "tests/support/LoopMount.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgSandbox.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

class PendingDeletionsTest : public ::testing::Test {
  protected:
    PendingDeletionsTest() {
        platform::SetBootIdSource([this] { return m_bootId; });
    }
    ~PendingDeletionsTest() override {
        platform::ClearFaults();
        platform::SetBootIdSource({});
    }
    std::string List() const {
        return m_xdg.StateHome() + "/" + kVendorFolder + "/pending-deletions";
    }
    std::string Make(const std::string& name) {
        WriteFile(m_temp / name, "scheduled");
        return (m_temp / name).string();
    }
    XdgSandbox m_xdg;
    TempDir m_temp;
    std::string m_bootId = "first-boot";
};

// Byte-exact paths (newlines, bytes that are not UTF-8), a list only its owner reads, and the
// helper's autostart entry, written once and then left to the user.
TEST_F(PendingDeletionsTest, PathsComeBackByteExactFromAPrivateList) {
    const std::string odd = Make("two\nlines \xFF\xFE end");
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(odd));
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(Make("plain")));
    auto entries = platform::PendingDeletions();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, odd);
    EXPECT_EQ(fs::status(fs::path(List()).parent_path()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(List()).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    const std::string autostart =
        m_xdg.ConfigHome() + "/autostart/" + kPendingHelperName + ".desktop";
    const std::string text = ReadFile(autostart);
    EXPECT_NE(text.find("\nExec=\"" + platform::PendingHelperPath() + "\"\n"), text.npos) << text;
    WriteFile(autostart, text + "Hidden=true\n");
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(Make("third")));
    EXPECT_EQ(ReadFile(autostart), text + "Hidden=true\n");
}

// The helper keeps this boot's entries, and after a restart deletes a path only while it names the
// recorded file.
TEST_F(PendingDeletionsTest, HelperDeletesOnlyTheRecordedFilesOfAnEarlierBoot) {
    const std::string same = Make("same"), replaced = Make("replaced"), gone = Make("gone");
    for (const std::string& path : {same, replaced, gone}) {
        ASSERT_TRUE(platform::ScheduleDeletionAtBoot(path));
    }
    // The new file exists before the old one goes, so it cannot get the old inode number.
    WriteFile(replaced + ".new", "a new file under the old name");
    fs::rename(replaced + ".new", replaced);
    fs::remove(gone);
    const std::string list = platform::StateFolder() + "/pending-deletions";
    const auto listBefore = platform::StatPath(list);
    platform::SweepResult result = platform::DeletePendingFromEarlierBoots();
    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(0, 0, 3));
    ASSERT_TRUE(listBefore && platform::StatPath(list));
    EXPECT_EQ(platform::StatPath(list)->id, listBefore->id) << "nothing changed, nothing written";
    EXPECT_TRUE(fs::exists(same));
    EXPECT_EQ(platform::PendingDeletions().size(), 3u);
    m_bootId = "second-boot";
    result = platform::DeletePendingFromEarlierBoots(platform::ChangedEntries::Keep);
    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(1, 1, 1));
    EXPECT_EQ(result.changed, std::vector<std::string>{replaced});
    EXPECT_FALSE(fs::exists(same));
    EXPECT_EQ(platform::PendingDeletions().size(), 1u);
    result = platform::DeletePendingFromEarlierBoots(platform::ChangedEntries::Drop);
    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(0, 1, 0));
    EXPECT_EQ(result.changed, std::vector<std::string>{replaced});
    EXPECT_EQ(ReadFile(replaced), "a new file under the old name");
    EXPECT_TRUE(platform::PendingDeletions().empty());
}

// A file deleted after it was scheduled, and a new one of the same length written under its name,
// which ext4 gives the inode number just freed, even with the old modification time set on it.
TEST_F(PendingDeletionsTest, NewFileUnderTheFreedInodeNumberIsKept) {
    const std::tuple<const char*, const char*, bool> disks[] = {
        {"ext4", "-q -F", false},
        {"ext4 without birth times", "-q -F -I 128", true},
    };
    for (const auto& [what, mkfsArgs, inOneSecond] : disks) {
        SCOPED_TRACE(what);
        const TempDir place;
        LoopMount disk(place.path(), "ext4", 16, mkfsArgs);
        if (!disk.Mounted()) {
            GTEST_SKIP() << disk.Why();
        }
        const std::string path = (disk.Root() / "report.pdf").string();
        std::optional<platform::FileVersion> scheduled, now;
        // Begun at the start of a second, so that both files' change times fall in it.
        for (int attempt = 0;
             attempt < 5 && (!now || (inOneSecond && now->changed != scheduled->changed));
             ++attempt) {
            if (inOneSecond) {
                std::this_thread::sleep_until(
                    std::chrono::ceil<std::chrono::seconds>(std::chrono::system_clock::now()));
            }
            fs::remove(List());
            WriteFile(path, "scheduled!");
            ASSERT_TRUE(platform::ScheduleDeletionAtBoot(path));
            scheduled = platform::PendingDeletions().back().version;
            const auto modified = fs::last_write_time(path);
            fs::remove(path);
            WriteFile(path, "a new one!");
            fs::last_write_time(path, modified);
            now = platform::ReadFileVersion(path);
            ASSERT_TRUE(now);
        }
        if (now->id != scheduled->id) {
            GTEST_SKIP() << "the file system gave the new file another inode number";
        }
        if (inOneSecond) {
            ASSERT_EQ(now->changed, scheduled->changed) << "never within one second";
            ASSERT_FALSE(now->born) << "the file system records birth times after all";
            ASSERT_NE(now->generation, scheduled->generation);
        }
        m_bootId = "second-boot";

        const platform::SweepResult result = platform::DeletePendingFromEarlierBoots();

        EXPECT_EQ(ReadFile(path), "a new one!");
        EXPECT_EQ(result.changed, std::vector<std::string>{path});
        m_bootId = "first-boot";
    }
}

// A file whose generation cannot be read at the sweep (another program holds a lease on it, so it
// cannot be opened without waiting) cannot be shown to be the file scheduled.
TEST_F(PendingDeletionsTest, FileWhoseGenerationCannotBeReadNowIsKept) {
    LoopMount disk(m_temp.path(), "ext4", 16, "-q -F");
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.Why();
    }
    const std::string path = (disk.Root() / "held").string();
    WriteFile(path, "scheduled");
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(path));
    ASSERT_TRUE(platform::PendingDeletions()[0].version.generation);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        ::signal(SIGIO, SIG_IGN);  // the lease break is not its end
        const int fd = ::open(path.c_str(), O_RDWR);
        const char taken = fd >= 0 && ::fcntl(fd, F_SETLEASE, F_WRLCK) == 0 ? 'y' : 'n';
        if (::write(ready[1], &taken, 1) == 1) {
            ::pause();
        }
        ::_exit(0);
    }
    char taken = 'n';
    const bool told = ::read(ready[0], &taken, 1) == 1;
    m_bootId = "second-boot";
    const platform::SweepResult result =
        taken == 'y' ? platform::DeletePendingFromEarlierBoots() : platform::SweepResult{};
    ::kill(holder, SIGKILL);
    WaitChild(holder);
    ::close(ready[0]);
    ::close(ready[1]);

    ASSERT_TRUE(told && taken == 'y') << "no write lease could be taken on the file";
    EXPECT_EQ(ReadFile(path), "scheduled");
    EXPECT_EQ(result.changed, std::vector<std::string>{path});
}

// The helper runs at login, maybe before a removable disk is mounted.
TEST_F(PendingDeletionsTest, EntryOnADiskThatIsAwayWaitsForIt) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root: a loop-mounted disk";
    }
    const fs::path image = m_temp / "disk.img", place = m_temp / "disk";
    ASSERT_TRUE(RunQuietly("truncate -s 16M '" + image.string() + "' && mkfs.ext4 -q -F '" +
                           image.string() + "'"));
    LoopDevice disk(image);
    if (!disk.Attached()) {
        GTEST_SKIP() << disk.Why();
    }
    ASSERT_TRUE(disk.Mount(place));
    const std::string inSubfolder = (place / "sub/file").string();
    const std::string inMountPoint = (place / "file").string();
    const std::string gone = Make("gone");
    for (const std::string& path : {inSubfolder, inMountPoint, gone}) {
        WriteFile(path, "scheduled");
        ASSERT_TRUE(platform::ScheduleDeletionAtBoot(path));
    }
    fs::remove(gone);
    ASSERT_TRUE(disk.Unmount());
    m_bootId = "second-boot";

    platform::SweepResult result = platform::DeletePendingFromEarlierBoots();

    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(0, 1, 2));
    EXPECT_EQ(platform::PendingDeletions().size(), 2u);
    ASSERT_TRUE(disk.Mount(place));
    EXPECT_EQ(ReadFile(inSubfolder), "scheduled");
    result = platform::DeletePendingFromEarlierBoots();
    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(2, 0, 0));
    EXPECT_FALSE(fs::exists(inSubfolder) || fs::exists(inMountPoint));
    EXPECT_TRUE(platform::PendingDeletions().empty());
}

// The entry is written after the file's last write, so any later change means the file is not the
// version scheduled.
TEST_F(PendingDeletionsTest, AnyChangeAfterSchedulingKeepsTheFile) {
    const std::pair<const char*, std::function<void(const std::string&)>> changes[] = {
        {"written to", [](const std::string& path) { std::ofstream(path, std::ios::app) << "+"; }},
        {"touched",
         [](const std::string& path) {
             fs::last_write_time(path, fs::last_write_time(path) + std::chrono::hours(1));
         }},
        {"mode changed",
         [](const std::string& path) {
             fs::permissions(path, fs::perms::owner_exec, fs::perm_options::add);
         }},
        {"copied back with its times",
         [](const std::string& path) {
             ASSERT_EQ(RunQuietly("cp -p '" + path + "' '" + path + ".copy' && rm '" + path +
                                  "' && mv '" + path + ".copy' '" + path + "'"),
                       true);
         }},
    };
    std::vector<std::string> changed;
    for (const auto& [what, change] : changes) {
        const std::string path = Make(what);
        ASSERT_TRUE(platform::ScheduleDeletionAtBoot(path));
        change(path);
        changed.push_back(path);
    }
    const std::string same = Make("left as it was");
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(same));
    m_bootId = "second-boot";

    platform::InjectFault(platform::SysCall::Unlink, EBUSY);
    platform::SweepResult result = platform::DeletePendingFromEarlierBoots();
    platform::ClearFaults();
    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(0, 0, 5));
    EXPECT_EQ(result.changed, changed);
    EXPECT_TRUE(fs::exists(same));

    result = platform::DeletePendingFromEarlierBoots(platform::ChangedEntries::Drop);
    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(1, 4, 0));
    EXPECT_FALSE(fs::exists(same));
    for (const std::string& path : changed) {
        EXPECT_TRUE(ReadFile(path).starts_with("scheduled")) << path;
    }
    EXPECT_TRUE(platform::PendingDeletions().empty());
}

// Lists written before the change time, birth time and generation were recorded are still
// read, and their entries compared on what they record.
TEST_F(PendingDeletionsTest, ListOfTheFirstVersionIsStillRead) {
    const std::string path = Make("old list's file"), absent = (m_temp / "absent").string();
    const auto status = platform::StatPath(path);
    const std::string line = "first-boot " + std::to_string(status->id.device) + " " +
                             std::to_string(status->id.inode) + " " + std::to_string(status->size) +
                             " " + std::to_string(status->mtimeSeconds) + " " +
                             std::to_string(status->mtimeNanoseconds) + " ";
    WriteFile(List(), "ostrel-state 1\n" + line + std::to_string(path.size()) + "\n" + path + "\n" +
                          line + std::to_string(absent.size()) + "\n" + absent + "\n");
    ASSERT_EQ(platform::PendingDeletions().size(), 2u);
    EXPECT_FALSE(platform::PendingDeletions()[0].version.born.has_value());
    m_bootId = "second-boot";

    const platform::SweepResult result = platform::DeletePendingFromEarlierBoots();

    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(1, 1, 0));
    EXPECT_FALSE(fs::exists(path));
}

// A list that cannot be parsed, or something else in its place, is kept aside under a name of its
// own, never over one kept earlier, before the new list is written.
TEST_F(PendingDeletionsTest, DamagedListIsKeptAsideAndUnreadableListIsLeftAlone) {
    const std::string damaged[] = {"ostrel-state 1\nhalf an entry", "not a list at all"};
    for (std::size_t i = 0; i < std::size(damaged); ++i) {
        WriteFile(List(), damaged[i]);
        ASSERT_TRUE(platform::ScheduleDeletionAtBoot(Make("after damage")));
        EXPECT_EQ(platform::PendingDeletions().size(), 1u);
    }
    fs::remove(List());
    fs::create_directory(List());
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(Make("after a folder")));
    EXPECT_EQ(ReadFile(List() + ".corrupt"), damaged[0]);
    EXPECT_EQ(ReadFile(List() + ".2.corrupt"), damaged[1]);
    EXPECT_TRUE(fs::is_directory(List() + ".3.corrupt"));

    const std::string before = ReadFile(List());
    for (const platform::SysCall call : {platform::SysCall::Read, platform::SysCall::Replace}) {
        platform::InjectFault(call, EIO);
        EXPECT_FALSE(platform::ScheduleDeletionAtBoot(Make("not recorded")));
        platform::ClearFaults();
        EXPECT_EQ(ReadFile(List()), before);
        EXPECT_FALSE(fs::exists(List() + ".4.corrupt"));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(List()).parent_path()), {}), 5)
        << "the list, its lock and three kept aside: no temporary file is left";
}

}  // namespace
}  // namespace ostrel::test
