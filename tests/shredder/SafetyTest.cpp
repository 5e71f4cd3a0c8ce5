#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>

#include "shredder/FillData.h"
#include "tests/shredder/ShredderFixture.h"

namespace ostrel::test {
namespace {

// A link in place of a file, or to a folder, is removed; what it points to is never changed.
TEST_F(ShredderTest, LinkIsRemovedAndItsTargetKept) {
    const std::string target = MakeFile("target.dat", "the target's bytes");
    fs::create_directory(m_temp / "folder");
    const std::string inside = MakeFile("folder/inside.dat", "inside the folder");
    for (const std::string& pointee : {target, (m_temp / "folder").string()}) {
        std::string link = pointee + "-link";
        fs::create_symlink(pointee, link);
        EXPECT_EQ(Shred(kMethodDod7, link), ShredOutcome::LinkOrSpecialRemoved) << pointee;
        EXPECT_FALSE(fs::exists(fs::symlink_status(pointee + "-link"))) << pointee;
    }
    EXPECT_EQ(ReadFile(target), "the target's bytes");
    EXPECT_EQ(ReadFile(inside), "inside the folder");
}

// A FIFO or device node is removed without being opened (a write could block, or reach a
// device); inotify would report any open.
TEST_F(ShredderTest, FifoAndDeviceNodeAreRemovedWithoutBeingOpened) {
    const std::string fifo = (m_temp / "fifo").string(), device = (m_temp / "device").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const bool haveDevice = mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(inotify_add_watch(watch, m_temp.str().c_str(), IN_OPEN | IN_CLOSE_WRITE), 0);
    for (std::string path : haveDevice ? std::vector{fifo, device} : std::vector{fifo}) {
        EXPECT_EQ(Shred(kMethodSimple, path), ShredOutcome::LinkOrSpecialRemoved) << path;
        EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << path;
    }
    alignas(inotify_event) char events[4096];
    EXPECT_TRUE(read(watch, events, sizeof events) < 0 && errno == EAGAIN) << "opened";
    close(watch);
    if (!haveDevice) {
        GTEST_SKIP() << "mknod is not permitted here: the device-node half did not run";
    }
}

// Overwriting a file with another hard link would destroy the other name's contents too.
TEST_F(ShredderTest, HardLinkedFileKeepsItsContentsUnderTheOtherName) {
    std::string path = MakeFile("shared.dat", std::string(20000, 'S'));
    fs::create_hard_link(path, m_temp / "other-name.dat");
    EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::NameRemovedContentsKept);
    EXPECT_FALSE(fs::exists(m_temp / "shared.dat"));
    EXPECT_EQ(ReadFile(m_temp / "other-name.dat"), std::string(20000, 'S'));
}

// The move never replaces a file already in the holding folder under the drawn name; that is a
// failed move: spaces at the entry path and deletion at restart.
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
    EXPECT_EQ(ReadFile(entryPath), std::string(5000, ' '));
}

// A holding folder others can enter is not used.
TEST_F(ShredderTest, HoldingFolderThatIsNotPrivateIsNotUsed) {
    fs::permissions(Holding(), fs::perms::others_exec, fs::perm_options::add);
    std::string path = MakeFile("victim.dat", "secret");
    EXPECT_EQ(Shred(kMethodSimple, path), ShredOutcome::ScheduledAtRestart);
    EXPECT_TRUE(HeldNames().empty());
}

}  // namespace
}  // namespace ostrel::test
