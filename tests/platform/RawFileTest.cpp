#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/Folder.h"
#include "platform/RawFile.h"
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

}  // namespace
}  // namespace ostrel::test
