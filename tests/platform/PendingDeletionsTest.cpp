#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "core/ProductNames.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/PendingDeletions.h"
#include "platform/StateFolder.h"
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

// The helper keeps this boot's entries, and after a restart deletes a path only while it names
// the recorded file: one replaced by another file, or gone, just leaves the list.
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
    result = platform::DeletePendingFromEarlierBoots();
    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(1, 2, 0));
    EXPECT_FALSE(fs::exists(same));
    EXPECT_EQ(ReadFile(replaced), "a new file under the old name");
    EXPECT_TRUE(platform::PendingDeletions().empty());
}

// A writer that kept appending after the file was scheduled changes its size and time, not its
// identity: the file stays on the list until it is really gone, and a deletion that fails now
// is tried again at the next sweep.
TEST_F(PendingDeletionsTest, FileWrittenToAfterSchedulingIsTrackedUntilGone) {
    const std::string path = Make("still written to");
    ASSERT_TRUE(platform::ScheduleDeletionAtBoot(path));
    std::ofstream(path, std::ios::app) << "appended by another process";
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::hours(1));
    m_bootId = "second-boot";

    platform::InjectFault(platform::SysCall::Unlink, EBUSY);
    platform::SweepResult result = platform::DeletePendingFromEarlierBoots();
    platform::ClearFaults();
    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(0, 0, 1));
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(platform::PendingDeletions().size(), 1u);

    result = platform::DeletePendingFromEarlierBoots();
    EXPECT_EQ(std::tuple(result.deleted, result.dropped, result.kept), std::tuple(1, 0, 0));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(platform::PendingDeletions().empty());
}

// A list that cannot be parsed, or something else in its place, is kept aside under a name of its
// own, never over one kept earlier, before the new list is written; a list that cannot be read, or
// a replacement that fails, leaves the list exactly as it was.
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
