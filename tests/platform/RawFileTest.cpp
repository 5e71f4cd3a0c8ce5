#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/FaultInjection.h"
#include "platform/RawFile.h"
#include "tests/support/TempDir.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;
using platform::RawFile;

RawFile OpenForPass(const std::string& path, bool deleteOnClose = false) {
    RawFile::Options options;
    options.deleteOnClose = deleteOnClose;
    options.create = false;
    return RawFile::Open(path, options);
}

class RawFileTest : public ::testing::Test {
  protected:
    ~RawFileTest() override { platform::ClearFaults(); }
    std::string Make(const std::string& name, const std::string& bytes) {
        WriteFile(m_temp / name, bytes);
        return (m_temp / name).string();
    }
    TempDir m_temp;
};

// Guards delete-on-close against removing a file that has taken the path's place meanwhile.
TEST_F(RawFileTest, DeleteOnCloseSparesAFileThatReplacedThePath) {
    std::string path = Make("file", "mine");
    std::string other = Make("other", "someone else's");
    RawFile file = OpenForPass(path, true);
    ASSERT_TRUE(file.IsValid());
    fs::rename(other, path);
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(ReadFile(path), "someone else's");
    EXPECT_FALSE(OpenForPass(m_temp.str() + "/missing").Close());  // the invalid handle
}

// Guards the write-behind buffer: bytes after a failed request still land at their own offsets,
// and a handle whose writes failed reports it and never deletes its file.
TEST_F(RawFileTest, FailedWriteIsReportedAndNeverShiftsLaterBytes) {
    const std::size_t mib = std::size_t{1} << 20;
    std::string path = Make("file", std::string(3 * mib, '.'));
    platform::InjectFault(platform::SysCall::Write, ENOSPC, 1, 1);
    RawFile file = OpenForPass(path, true);
    for (char c : {'a', 'b', 'c'}) {
        for (std::size_t i = 0; i < mib / 8192; ++i) {
            file.Write(std::string(8192, c));
        }
    }
    EXPECT_FALSE(file.Flush());
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(ReadFile(path),
              std::string(mib, 'a') + std::string(mib, '.') + std::string(mib, 'c'));
}

}  // namespace
}  // namespace ostrel::test
