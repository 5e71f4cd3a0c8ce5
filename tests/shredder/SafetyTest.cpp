#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/Clock.h"
#include "platform/FaultInjection.h"
#include "platform/InProgressList.h"
#include "platform/PendingDeletions.h"
#include "shredder/FillData.h"
#include "tests/shredder/ShredderFixture.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

// A link in place of a file is removed; what it points to is never opened or changed.
TEST_F(ShredderTest, LinkIsRemovedAndItsTargetKept) {
    std::string target = MakeFile("target.dat", "the target's bytes");
    fs::create_directory(m_temp / "folder");
    std::string inside = MakeFile("folder/inside.dat", "inside the folder");
    for (const auto& [link, pointee] :
         {std::pair{"to-file", target}, std::pair{"to-folder", (m_temp / "folder").string()}}) {
        std::string path = (m_temp / link).string();
        fs::create_symlink(pointee, path);
        EXPECT_EQ(Shred(kMethodDod7, path), ShredOutcome::LinkOrSpecialRemoved) << link;
        EXPECT_FALSE(fs::is_symlink(m_temp / link)) << link;
    }
    EXPECT_EQ(ReadFile(target), "the target's bytes");
    EXPECT_EQ(ReadFile(inside), "inside the folder");
    EXPECT_TRUE(HeldNames().empty());
}

// A FIFO or device node is removed without being opened (a write could block, or reach a
// device); inotify would see any open.
TEST_F(ShredderTest, FifoAndDeviceNodeAreRemovedWithoutBeingOpened) {
    std::string fifo = (m_temp / "fifo").string();
    std::string device = (m_temp / "device").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    bool haveDevice = mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, m_temp.str().c_str(), IN_OPEN | IN_CLOSE_WRITE), 0);

    for (std::string path : {fifo, device}) {
        if (path == device && !haveDevice) {
            continue;
        }
        EXPECT_EQ(Shred(kMethodSimple, path), ShredOutcome::LinkOrSpecialRemoved) << path;
        EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << path;
    }
    alignas(inotify_event) char events[4096];
    ssize_t n = read(watch, events, sizeof events);
    close(watch);
    EXPECT_TRUE(n < 0 && errno == EAGAIN) << "the shredder opened a FIFO or a device node";
    if (!haveDevice) {
        GTEST_SKIP() << "mknod is not permitted here: the device-node half did not run";
    }
}

// Overwriting a file with another hard link would destroy the other name's contents too.
TEST_F(ShredderTest, HardLinkedFileKeepsItsContentsUnderTheOtherName) {
    fs::create_directory(m_temp / "elsewhere");
    std::string path = MakeFile("shared.dat", std::string(20000, 'S'));
    fs::create_hard_link(path, m_temp / "elsewhere" / "other-name.dat");
    EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::NameRemovedContentsKept);
    EXPECT_FALSE(fs::exists(m_temp / "shared.dat"));
    EXPECT_EQ(ReadFile(m_temp / "elsewhere" / "other-name.dat"), std::string(20000, 'S'));
    EXPECT_TRUE(HeldNames().empty());
}

// The move never replaces a file already in the holding folder under the drawn name.
TEST_F(ShredderTest, RandomNameThatExistsInTheHoldingFolderIsNeverReplaced) {
    platform::SetClockSource([] { return 1000.5; });
    SeedRandom(77);
    const std::string drawn = RandFileName();
    SeedRandom(77);
    WriteFile(Holding() + drawn, "already here");
    std::string path = MakeFile("victim.dat", std::string(5000, 'M'));
    const std::string entryPath = path;

    EXPECT_EQ(Shred(kMethodSimple, path), ShredOutcome::ScheduledAtRestart);
    EXPECT_EQ(ReadFile(Holding() + drawn), "already here");
    EXPECT_EQ(path, entryPath);
    EXPECT_TRUE(AllBytesAre(ReadFile(entryPath), ' '));
}

// When the holding folder lies on another file system the file is renamed in its own folder,
// and kept on the in-progress list until it is gone.
TEST_F(ShredderTest, CrossDeviceMoveRenamesInPlaceAndRecordsTheFile) {
    platform::InjectFault(platform::SysCall::Rename, EXDEV, 0, 1);
    std::string path = MakeFile("victim.dat", std::string(10000, 'M'));
    std::vector<std::string> listed;
    m_host.onDoEvents = [&] {
        for (const auto& entry : platform::InProgressEntries()) {
            listed.push_back(entry.path);
        }
    };
    EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::Destroyed);
    EXPECT_EQ(fs::path(path).parent_path(), m_temp.path());
    EXPECT_TRUE(path.ends_with(".tmp"));
    ASSERT_FALSE(listed.empty());
    EXPECT_EQ(listed.back(), path);
    EXPECT_TRUE(platform::InProgressEntries().empty());
    EXPECT_TRUE(HeldNames().empty());
    EXPECT_FALSE(fs::exists(m_temp / "victim.dat"));
}

// A holding folder others can enter, or a link in its place, is not used.
TEST_F(ShredderTest, HoldingFolderThatIsNotPrivateIsNotUsed) {
    fs::permissions(Holding(), fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec);
    std::string path = MakeFile("victim.dat", "secret");
    EXPECT_EQ(Shred(kMethodSimple, path), ShredOutcome::ScheduledAtRestart);
    EXPECT_TRUE(HeldNames().empty());

    fs::remove(fs::path(Holding()).parent_path());
    fs::create_directory(m_temp / "elsewhere");
    fs::permissions(m_temp / "elsewhere", fs::perms::owner_all);
    fs::create_directory_symlink(m_temp / "elsewhere", fs::path(Holding()).parent_path());
    path = MakeFile("victim2.dat", "secret");
    EXPECT_EQ(Shred(kMethodSimple, path), ShredOutcome::ScheduledAtRestart);
    EXPECT_TRUE(fs::is_empty(m_temp / "elsewhere"));
}

}  // namespace
}  // namespace ostrel::test
