#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/Folder.h"
#include "platform/RawFile.h"
#include "tests/support/LoopMount.h"
#include "tests/support/TempDir.h"

namespace ostrel::test {
namespace {

using platform::RawFile;

RawFile OpenForPass(const std::string& path) {
    return RawFile::Open(path, {.deleteOnClose = true, .create = false, .expected = {}});
}

class RawFileTest : public ::testing::Test {
  protected:
    ~RawFileTest() override { platform::ClearFaults(); }
    TempDir m_temp;
    const std::string m_path = (m_temp / "file").string();
};

// Delete-on-close never removes a file that has taken the path's place meanwhile.
TEST_F(RawFileTest, DeleteOnCloseSparesAFileThatReplacedThePath) {
    WriteFile(m_path, "mine");
    WriteFile(m_temp / "other", "someone else's");
    RawFile file = OpenForPass(m_path);
    ASSERT_TRUE(file.IsValid());
    std::filesystem::rename(m_temp / "other", m_path);
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(ReadFile(m_path), "someone else's");
    EXPECT_FALSE(OpenForPass(m_path + "-missing").Close());  // invalid handle
}

// Bytes after a failed write request still land at their own offsets, and a
// handle whose writes failed reports it and never deletes its file.
TEST_F(RawFileTest, FailedWriteIsReportedAndNeverShiftsLaterBytes) {
    const std::size_t mib = std::size_t{1} << 20;
    WriteFile(m_path, std::string(3 * mib, '.'));
    platform::InjectFault(platform::SysCall::Write, ENOSPC, 1, 1);
    RawFile file = OpenForPass(m_path);
    for (char c : {'a', 'b', 'c'}) {
        file.Write(std::string(mib, c));  // one request each
    }
    EXPECT_FALSE(file.Flush());
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(ReadFile(m_path),
              std::string(mib, 'a') + std::string(mib, '.') + std::string(mib, 'c'));
}

// A write that puts fewer bytes in the file than asked is followed by one for the rest; a disk
// that fills up part-way fails the write, and the bytes that did reach the file are counted.
TEST_F(RawFileTest, ShortWritesAreFinishedAndPartialOnesCounted) {
    const std::size_t size = 3 << 20;
    const struct {
        std::size_t perCall;
        std::int64_t room;
        bool complete;
    } rows[] = {{1000, -1, true}, {0, 70000, false}, {4096, 5000, false}, {0, 0, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.perCall) + " per call, room " + std::to_string(row.room));
        WriteFile(m_path, std::string(size, '.'));
        platform::InjectShortWrites(row.perCall, row.room, ENOSPC);
        RawFile file = RawFile::Open(m_path, {.create = false, .expected = {}});
        file.Write(std::string(size / 2, 'a'));  // one request, and small ones gathered
        for (std::size_t at = size / 2; at < size; at += 1000) {
            file.Write(std::string(std::min<std::size_t>(1000, size - at), 'b'));
        }
        EXPECT_EQ(file.Flush(), row.complete);
        EXPECT_EQ(file.Error(), row.complete ? 0 : ENOSPC);
        const std::int64_t written = row.complete ? std::int64_t{size} : row.room;
        EXPECT_EQ(file.BytesWritten(), written);
        file.Close();
        platform::ClearFaults();
        const std::string now = ReadFile(m_path);
        EXPECT_EQ(now.find('.'), row.complete ? std::string::npos : std::size_t(row.room));
        EXPECT_EQ(now.find_first_not_of("ab"), now.find('.'));
    }
}

// The calls a failing device or file system can refuse besides writes.
TEST_F(RawFileTest, RefusedLinkAttributeFlushAndDataLookup) {
    WriteFile(m_path, "moving");
    const platform::Folder folder = platform::Folder::Open(m_temp.str());
    platform::InjectFault(platform::SysCall::Rename, EINVAL);
    for (const int error : {EPERM, ENOSYS, EMLINK, EIO}) {
        platform::InjectFault(platform::SysCall::Link, error, 0, 1);
        EXPECT_EQ(folder.Rename("file", folder, "moved"),
                  error == EPERM || error == ENOSYS ? EOPNOTSUPP : error);
        EXPECT_EQ(ReadFile(m_path), "moving");
        EXPECT_FALSE(std::filesystem::exists(m_temp / "moved"));
    }
    platform::ClearFaults();

    const int fd = ::open(m_path.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_EQ(::pwrite(fd, "tail", 4, 1 << 20), 4);  // a hole, then data
    ::close(fd);
    RawFile file = RawFile::Open(m_path, {.create = false, .expected = {}});
    ASSERT_EQ(file.DataRanges().size(), 1u);
    EXPECT_GT(file.DataRanges()[0].first, 0);
    platform::InjectFault(platform::SysCall::SeekData, EINVAL, 0, 1);
    EXPECT_EQ(file.DataRanges(),
              (std::vector<std::pair<std::int64_t, std::int64_t>>{{0, (1 << 20) + 4}}));

    if (::setxattr(m_path.c_str(), "user.secret", "value", 5, 0) != 0) {
        GTEST_SKIP() << "no user attributes here: the attribute flush half did not run";
    }
    platform::InjectFault(platform::SysCall::AttributeFlush, EIO, 0, 1);
    EXPECT_FALSE(file.ScrubExtendedAttributes());
    EXPECT_EQ(file.Error(), EIO);
    EXPECT_FALSE(file.Close()) << "a handle whose scrub failed never counts as done";
}

// Only a regular file is ever opened for writing, and never through a link: a link to a
// regular file is refused and its target keeps its bytes.
TEST_F(RawFileTest, ALinkIsNeverFollowed) {
    WriteFile(m_temp / "target", "target");
    std::filesystem::create_symlink(m_temp / "target", m_path);
    RawFile file = OpenForPass(m_path);
    EXPECT_FALSE(file.IsValid());
    EXPECT_EQ(file.OpenFailure(), RawFile::Failure::NotRegular);
    EXPECT_EQ(ReadFile(m_temp / "target"), "target");
}

// In a private folder the entry is opened without the path-only probe, but still only while it
// is the expected regular file: a link, a FIFO or another file under the name is refused.
TEST_F(RawFileTest, APrivateFolderEntryIsOpenedOnlyWhenItIsTheExpectedFile) {
    WriteFile(m_path, "mine");
    WriteFile(m_temp / "other", "someone else's");
    std::filesystem::create_symlink(m_path, m_temp / "link");
    ASSERT_EQ(::mkfifo((m_temp / "fifo").c_str(), 0600), 0);
    const platform::Folder folder = platform::Folder::Open(m_temp.str());
    const platform::FileIdentity mine = platform::StatPath(m_path)->id;
    auto open = [&](const char* name) {
        return RawFile::OpenAt(folder, name,
                               {.create = false, .expected = mine, .privateFolder = true});
    };
    EXPECT_TRUE(open("file").IsValid());
    EXPECT_EQ(open("link").OpenFailure(), RawFile::Failure::NotRegular);
    EXPECT_EQ(open("fifo").OpenFailure(), RawFile::Failure::NotRegular);
    EXPECT_EQ(open("other").OpenFailure(), RawFile::Failure::NotSameFile);
}

// A file of another file system that has the same inode number, mounted over the entry, is not
// the expected file either: only the device tells the two apart.
TEST_F(RawFileTest, APrivateFolderEntryOfAnotherDiskWithTheSameInodeNumberIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root: two loop-mounted disks and a bind mount";
    }
    std::filesystem::create_directories(m_temp / "a");
    std::filesystem::create_directories(m_temp / "b");
    LoopMount first(m_temp / "a", "ext4", 16, "-q -F"), second(m_temp / "b", "ext4", 16, "-q -F");
    if (!first.Mounted() || !second.Mounted()) {
        GTEST_SKIP() << first.Why() << second.Why();
    }
    const std::string mine = (first.Root() / "file").string();
    const std::string other = (second.Root() / "file").string();
    WriteFile(mine, "mine");
    WriteFile(other, "on another disk");
    const platform::FileIdentity expected = platform::StatPath(mine)->id;
    ASSERT_EQ(platform::StatPath(other)->id.inode, expected.inode)
        << "two new ext4 file systems give their first file the same inode number";
    ASSERT_EQ(::mount(other.c_str(), mine.c_str(), nullptr, MS_BIND, nullptr), 0);
    const platform::Folder folder = platform::Folder::Open(first.Root().string());

    RawFile file = RawFile::OpenAt(folder, "file",
                                   {.create = false, .expected = expected, .privateFolder = true});

    EXPECT_EQ(file.OpenFailure(), RawFile::Failure::NotSameFile);
    ::umount2(mine.c_str(), MNT_DETACH);
}

// Where the file system refuses the no-replace flag, the move still never replaces an
// existing name: a new link, then the old name's removal.
TEST_F(RawFileTest, MoveWithoutTheNoReplaceFlagNeverReplaces) {
    WriteFile(m_path, "moving");
    WriteFile(m_temp / "taken", "already here");
    const platform::Folder folder = platform::Folder::Open(m_temp.str());
    platform::InjectFault(platform::SysCall::Rename, EINVAL);
    EXPECT_EQ(folder.Rename("file", folder, "taken"), EEXIST);
    EXPECT_EQ(ReadFile(m_temp / "taken"), "already here");
    EXPECT_EQ(folder.Rename("file", folder, "moved"), 0);
    EXPECT_EQ(ReadFile(m_temp / "moved"), "moving");
    EXPECT_FALSE(std::filesystem::exists(m_path));
}

// Catches a moved handle forgetting what it was opened with (the mount it was opened through is
// how its file system's limits are looked up): by construction and by assignment.
TEST_F(RawFileTest, AMovedHandleKeepsWhatItWasOpenedWith) {
    WriteFile(m_path, "data");
    const auto status = platform::StatPath(m_path);
    ASSERT_TRUE(status);
    if (status->mountId == 0) {
        GTEST_SKIP() << "this kernel does not tell the mount a file lies on";
    }
    RawFile opened = OpenForPass(m_path);
    ASSERT_TRUE(opened.IsValid());
    EXPECT_EQ(opened.MountId(), status->mountId);
    const auto id = opened.Identity();
    const std::uint64_t mount = status->mountId;
    RawFile constructed(std::move(opened));
    RawFile assigned;
    assigned = std::move(constructed);
    EXPECT_EQ(assigned.MountId(), mount);
    EXPECT_EQ(assigned.Identity(), id);
    EXPECT_EQ(assigned.LinkCount(), 1u);
    EXPECT_TRUE(assigned.Close());
    EXPECT_FALSE(std::filesystem::exists(m_path)) << "the moved handle deletes on close";
}

}  // namespace
}  // namespace ostrel::test
