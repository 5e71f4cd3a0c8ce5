#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>
#include <tuple>
#include <vector>

#include "core/ProductNames.h"
#include "platform/FaultInjection.h"
#include "platform/FileVersion.h"
#include "platform/PendingDeletions.h"
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

// The helper keeps this boot's entries, and after a restart deletes each path, byte-exact from a
// list only its owner reads; a path already gone is dropped. (Changed files: see below.)
TEST_F(PendingDeletionsTest, HelperDeletesOnlyTheRecordedFilesOfAnEarlierBoot) {
    const std::string same = Make("two\nlines \xFF\xFE end"), gone = Make("gone");
    for (const std::string& path : {same, gone}) {
        ASSERT_TRUE(platform::ScheduleDeletionAtBoot(path));
    }
    EXPECT_EQ(fs::status(List()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    fs::remove(gone);
    platform::SweepResult result = platform::DeletePendingFromEarlierBoots();
    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(0, 0, 2));
    m_bootId = "second-boot";
    result = platform::DeletePendingFromEarlierBoots();
    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(1, 1, 0));
    EXPECT_FALSE(fs::exists(same));
}

// A scheduled file deleted and a new one of its length written under its name: ext4 gives it the
// freed inode number; the old modification time is set on it too.
TEST_F(PendingDeletionsTest, NewFileUnderTheFreedInodeNumberIsKept) {
    const std::tuple<const char*, const char*, bool> disks[] = {
        {"ext4", "-q -F", false}, {"ext4 without birth times", "-q -F -I 128", true}};
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

// A file under another program's lease cannot be opened to read its generation: it is kept.
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
    const std::string inSubfolder = place / "sub/file", inMountPoint = place / "file";
    for (const std::string& path : {inSubfolder, inMountPoint}) {
        WriteFile(path, "scheduled");
        ASSERT_TRUE(platform::ScheduleDeletionAtBoot(path));
    }
    ASSERT_TRUE(disk.Unmount());
    m_bootId = "second-boot";

    platform::SweepResult result = platform::DeletePendingFromEarlierBoots();

    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(0, 0, 2));
    ASSERT_TRUE(disk.Mount(place));
    result = platform::DeletePendingFromEarlierBoots();
    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(2, 0, 0));
    EXPECT_FALSE(fs::exists(inSubfolder) || fs::exists(inMountPoint));
}

// The entry is written after the file's last write: any later change means another version.
TEST_F(PendingDeletionsTest, AnyChangeAfterSchedulingKeepsTheFile) {
    // Written to, touched, mode changed, copied back with its times (a new inode).
    const std::string changes[] = {"echo + >>\"$F\"", "touch -d '+1 hour' \"$F\"",
                                   "chmod u+x \"$F\"",
                                   "cp -p \"$F\" \"$F.c\" && rm \"$F\" && mv \"$F.c\" \"$F\""};
    std::vector<std::string> changed;
    for (const std::string& change : changes) {
        const std::string path = Make(std::to_string(changed.size()));
        ASSERT_TRUE(platform::ScheduleDeletionAtBoot(path));
        ASSERT_TRUE(RunQuietly("F='" + path + "'; " + change)) << change;
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
}

// A damaged list, or a folder in its place, is kept aside under a free name before a rewrite.
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
