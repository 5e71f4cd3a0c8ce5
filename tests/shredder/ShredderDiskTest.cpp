#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "tests/shredder/ShredderFixture.h"
#include "tests/support/LoopMount.h"

namespace ostrel::test {
namespace {

// Name, method, whether the holding folder is on the image (or on another file system).
using MountRow = std::tuple<std::string_view, std::string_view, bool>;

class LoopMountTest : public ShredderTest, public ::testing::WithParamInterface<MountRow> {};

// After the shred and an unmount, no copy of the contents is left anywhere on the file system's
// disk (data blocks, journal, free space).
TEST_P(LoopMountTest, NoCopyOfTheContentsIsLeftOnTheDisk) {
    const auto& [name, method, holdingOnImage] = GetParam();
    LoopMount image(m_temp.path(), "ext4", 16, "-q -F");
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Why();
    }
    const std::string mountPoint = image.Root().string();
    if (holdingOnImage) {
        gDataFolder = mountPoint + "/data";
        fs::create_directories(Holding());
        fs::permissions(Holding(), fs::perms::owner_all);
    }
    std::string path = mountPoint + "/secret.dat";
    WriteFile(path, Marker(300000));
    ASSERT_TRUE(image.Flush());
    ASSERT_NE(ReadFile(image.Image()).find("OSTREL-MARKER"), std::string::npos);
    std::vector<std::string> inProgress;
    m_host.onDoEvents = [&] {
        for (const auto& entry : platform::InProgressEntries()) {
            inProgress.push_back(entry.path);
        }
    };

    EXPECT_EQ(Shred(std::string(method), path), ShredOutcome::Destroyed);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(HeldNames().empty());
    EXPECT_TRUE(platform::InProgressEntries().empty());
    if (!holdingOnImage) {  // renamed in its own folder, listed until it was gone
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(mountPoint));
        EXPECT_TRUE(!inProgress.empty() && inProgress.back() == path);
    }
    ASSERT_TRUE(image.Unmount());
    EXPECT_EQ(ReadFile(image.Image()).find("OSTREL-MARKER"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Methods, LoopMountTest,
                         ::testing::ValuesIn(std::vector<MountRow>{
                             {"Simple", kMethodSimple, true},
                             {"Dod3HoldingElsewhere", kMethodDod3, false}}),
                         kRowName);

// An extended attribute's value too large for the inode is kept in a block of its own.
TEST_F(ShredderTest, AttributeValueInABlockOfItsOwnLeavesTheDisk) {
    LoopMount image(m_temp.path(), "ext4", 16, "-q -F -O ^has_journal");
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Why();
    }
    std::string path = (image.Root() / "secret").string();
    WriteFile(path, "contents");
    std::string value;
    while (value.size() < 500) {  // more than the inode holds, less than a 1 KiB block
        value += "<OSTREL-ATTRIBUTE>";
    }
    ASSERT_EQ(setxattr(path.c_str(), "user.secret", value.data(), value.size(), 0), 0);
    ASSERT_TRUE(image.Flush());
    ASSERT_NE(ReadFile(image.Image()).find("OSTREL-ATTRIBUTE"), std::string::npos);

    EXPECT_EQ(Shred(kMethodSimple, path), ShredOutcome::Destroyed);
    ASSERT_TRUE(image.Unmount());
    EXPECT_EQ(ReadFile(image.Image()).find("OSTREL-ATTRIBUTE"), std::string::npos);
}
// A disk that is full to the last block, with no room left in the folder the file would be moved
// into for another name (the holding folder, or the file's own folder when the holding folder
// lies on another file system). Writing over blocks the file already has needs no new space:
// the file is overwritten where it is and no copy of its contents is left on the disk.
using FullDiskRow = std::tuple<std::string_view, bool>;  // name, holding folder on the disk

class FullDiskTest : public ShredderTest, public ::testing::WithParamInterface<FullDiskRow> {};

TEST_P(FullDiskTest, AFileThatCannotBeRenamedIsOverwrittenWhereItIs) {
    const bool holdingOnDisk = std::get<1>(GetParam());
    // Blocks are taken as they are written (no delayed allocation), so that what is free does
    // not change once the writes are done; folders are plain lists (no hashed index), so that a
    // name fits wherever any block has room.
    LoopMount image(m_temp.path(), "ext4", 8, "-q -F -m 0 -b 1024 -O ^dir_index", "nodelalloc");
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Why();
    }
    const fs::path docs = image.Root() / "docs";
    fs::create_directories(docs);
    if (holdingOnDisk) {
        gDataFolder = (image.Root() / "data").string();
        fs::create_directories(Holding());
        fs::permissions(Holding(), fs::perms::owner_all, fs::perm_options::replace);
    }
    std::string path = (docs / "secret").string();
    const std::string entryPath = path;
    WriteFile(path, Marker(200000));
    const fs::path crowded = holdingOnDisk ? fs::path(Holding()) : docs;
    // Every block taken, then names in the folder until its last block has no room even for the
    // shortest. Blocks the file system held back for writes in flight come free once they are
    // written, so both go on until a name can no longer be added after a flush.
    int names = 0;
    for (int round = 0; round < 5; ++round) {
        RunQuietly("dd if=/dev/zero of='" +
                   (image.Root() / ("filler" + std::to_string(round))).string() + "' bs=4k; sync");
        for (const std::size_t length : {200, 100, 40, 12, 4}) {
            for (;; ++names) {
                ASSERT_LT(names, 10000);
                std::string name = std::to_string(names);
                name.insert(0, length - std::min(length, name.size()), 'n');
                const int fd =
                    ::open((crowded / name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
                if (fd < 0) {
                    ASSERT_EQ(errno, ENOSPC);
                    break;
                }
                ::close(fd);
            }
        }
        ASSERT_TRUE(image.Flush());
        if (::link(path.c_str(), (crowded / "x").c_str()) != 0) {
            break;
        }
        fs::remove(crowded / "x");
    }
    ASSERT_NE(::link(path.c_str(), (crowded / "x").c_str()), 0);
    ASSERT_EQ(errno, ENOSPC) << "the folder must have no room for a new name";
    ASSERT_TRUE(image.Flush());
    ASSERT_NE(ReadFile(image.Image()).find("OSTREL-MARKER"), std::string::npos);

    EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::Destroyed);
    EXPECT_EQ(path, entryPath);
    EXPECT_FALSE(fs::exists(entryPath));
    EXPECT_TRUE(platform::PendingDeletions().empty());
    EXPECT_TRUE(platform::InProgressEntries().empty());
    ASSERT_TRUE(image.Unmount());
    EXPECT_EQ(ReadFile(image.Image()).find("OSTREL-MARKER"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Folders, FullDiskTest,
                         ::testing::ValuesIn(std::vector<FullDiskRow>{{"HoldingFolderFull", true},
                                                                      {"OwnFolderFull", false}}),
                         kRowName);

// Where not a byte could be written, by a pass or by the spaces, nothing is said to be overwritten.
TEST_F(ShredderTest, AFileOfWhichNothingWasWrittenIsReportedIntact) {
    using platform::SysCall;
    const std::tuple<const char*, SysCall, int, SysCall, int> rows[] = {
        {"no room for the new name, and the disk takes no byte", SysCall::Rename, ENOSPC,
         SysCall::Write, ENOSPC},
        {"moved, then every write fails", SysCall::Count, 0, SysCall::Write, EIO},
        {"moved, then every open for writing fails", SysCall::Count, 0, SysCall::Open, EACCES},
    };
    for (const auto& [name, moveCall, moveError, writeCall, writeError] : rows) {
        SCOPED_TRACE(name);
        std::string path = MakeFile("victim.dat", std::string(20000, 'V'));
        const std::string entryPath = path;
        if (moveCall != SysCall::Count) {
            platform::InjectFault(moveCall, moveError);
        }
        platform::InjectFault(writeCall, writeError);
        EXPECT_EQ(Shred(kMethodDod3, path), ShredOutcome::NotOverwritten);
        platform::ClearFaults();
        EXPECT_TRUE(ReadFile(entryPath) == std::string(20000, 'V')) << "contents changed";
        EXPECT_TRUE(HeldNames().empty());
        EXPECT_TRUE(platform::PendingDeletions().empty());
        fs::remove(entryPath);
    }
}

}  // namespace
}  // namespace ostrel::test
