#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/FaultInjection.h"
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

// The write-behind buffer: bytes after a failed request still land at their own offsets, and a
// handle whose writes failed reports it and never deletes its file.
TEST_F(RawFileTest, FailedWriteIsReportedAndNeverShiftsLaterBytes) {
    const std::size_t mib = std::size_t{1} << 20;
    WriteFile(m_path, std::string(3 * mib, '.'));
    platform::InjectFault(platform::SysCall::Write, ENOSPC, 1, 1);
    RawFile file = OpenForPass(m_path);
    for (char c : {'a', 'b', 'c'}) {
        for (std::size_t i = 0; i < mib / 8192; ++i) {
            file.Write(std::string(8192, c));
        }
    }
    EXPECT_FALSE(file.Flush());
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(ReadFile(m_path),
              std::string(mib, 'a') + std::string(mib, '.') + std::string(mib, 'c'));
}

}  // namespace
}  // namespace ostrel::test
