#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>

#include "platform/FaultInjection.h"
#include "platform/RawFile.h"
#include "tests/support/HolderProcess.h"
#include "tests/support/TempDir.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;
using platform::RawFile;

class RawFileTest : public ::testing::Test {
  protected:
    ~RawFileTest() override { platform::ClearFaults(); }
    std::string Make(const std::string& name, const std::string& bytes) {
        std::string path = m_temp.str() + "/" + name;
        WriteFile(path, bytes);
        return path;
    }
    TempDir m_temp;
};

RawFile OpenForPass(const std::string& path, bool deleteOnClose = false) {
    RawFile::Options options;
    options.deleteOnClose = deleteOnClose;
    options.create = false;
    return RawFile::Open(path, options);
}

// Guards delete-on-close against removing a file that has taken the path's place meanwhile.
TEST_F(RawFileTest, DeleteOnCloseSparesAFileThatReplacedThePath) {
    std::string path = Make("file", "mine");
    std::string other = Make("other", "someone else's");
    RawFile file = OpenForPass(path, true);
    ASSERT_TRUE(file.IsValid());
    fs::rename(other, path);
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(ReadFile(path), "someone else's");
}

TEST_F(RawFileTest, ClosingTheInvalidHandleReportsFailure) {
    RawFile file = OpenForPass(m_temp.str() + "/missing");
    EXPECT_FALSE(file.IsValid());
    EXPECT_EQ(file.OpenFailure(), RawFile::Failure::NotFound);
    EXPECT_FALSE(file.Close());
    EXPECT_FALSE(fs::exists(m_temp / "missing"));
}

struct RefusalRow {
    const char* name;
    std::function<std::string(TempDir&, std::unique_ptr<HolderProcess>&)> make;
    RawFile::Failure failure;
};

void PrintTo(const RefusalRow& row, std::ostream* os) {
    *os << row.name;
}

class RawFileRefusalTest : public RawFileTest, public ::testing::WithParamInterface<RefusalRow> {};

// Guards the "no sharing, regular files only" open: each of these must give the invalid handle
// and leave the file as it was.
TEST_P(RawFileRefusalTest, GivesTheInvalidHandle) {
    std::unique_ptr<HolderProcess> holder;
    std::string path = GetParam().make(m_temp, holder);
    if (path.empty()) {
        GTEST_SKIP() << "the condition cannot be provoked here";
    }
    std::string before = fs::is_regular_file(path) ? ReadFile(path) : "";
    RawFile file = OpenForPass(path);
    EXPECT_FALSE(file.IsValid());
    EXPECT_EQ(file.OpenFailure(), GetParam().failure);
    if (fs::is_regular_file(path)) {
        EXPECT_EQ(ReadFile(path), before);
    }
}

std::string Write(TempDir& temp, const std::string& name, const std::string& bytes) {
    std::string path = temp.str() + "/" + name;
    WriteFile(path, bytes);
    return path;
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RawFileRefusalTest,
    ::testing::Values(RefusalRow{"Symlink",
                                 [](TempDir& t, auto&) {
                                     std::string target = Write(t, "target", "target");
                                     fs::create_symlink(target, t / "link");
                                     return (t / "link").string();
                                 },
                                 RawFile::Failure::NotRegular},
                      RefusalRow{"Fifo",
                                 [](TempDir& t, auto&) {
                                     std::string path = (t / "fifo").string();
                                     return mkfifo(path.c_str(), 0600) == 0 ? path : std::string();
                                 },
                                 RawFile::Failure::NotRegular},
                      RefusalRow{"HeldOpenElsewhere",
                                 [](TempDir& t, std::unique_ptr<HolderProcess>& holder) {
                                     std::string path = Write(t, "held", "held");
                                     holder = std::make_unique<HolderProcess>(
                                         path, HolderProcess::Hold::Open);
                                     return holder->Holding() ? path : std::string();
                                 },
                                 RawFile::Failure::InUse},
                      RefusalRow{"FlockedWhereNoLeaseIsAllowed",
                                 [](TempDir& t, std::unique_ptr<HolderProcess>& holder) {
                                     std::string path = Write(t, "locked", "locked");
                                     holder = std::make_unique<HolderProcess>(
                                         path, HolderProcess::Hold::Flock);
                                     platform::InjectFault(platform::SysCall::Lease, EACCES);
                                     return holder->Holding() ? path : std::string();
                                 },
                                 RawFile::Failure::InUse},
                      RefusalRow{"RunningExecutable",
                                 [](TempDir& t, std::unique_ptr<HolderProcess>& holder) {
                                     std::string path = (t / "sleeper").string();
                                     fs::copy_file("/bin/sleep", path);
                                     holder = std::make_unique<HolderProcess>(
                                         path, HolderProcess::Hold::Run);
                                     return holder->Holding() ? path : std::string();
                                 },
                                 RawFile::Failure::InUse}),
    [](const auto& info) { return std::string(info.param.name); });

// Where no lease is permitted, an exclusive flock stands in, and the file opens normally.
TEST_F(RawFileTest, FlockStandsInWhereNoLeaseIsPermitted) {
    platform::InjectFault(platform::SysCall::Lease, EACCES);
    std::string path = Make("file", "12345");
    RawFile file = OpenForPass(path, true);
    ASSERT_TRUE(file.IsValid());
    EXPECT_TRUE(file.Write("abcde"));
    EXPECT_TRUE(file.Flush());
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(fs::exists(path));
}

// Another process opening the file while we hold it breaks our lease; that must not kill us
// (SIGIO's default action) and our writes must still land.
TEST_F(RawFileTest, LeaseBreakByAnotherProcessDoesNotStopTheWrites) {
    std::string path = Make("file", std::string(20000, 'o'));
    RawFile file = OpenForPass(path);
    ASSERT_TRUE(file.IsValid());
    pid_t child = fork();
    if (child == 0) {
        int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
        _exit(fd >= 0 || errno == EWOULDBLOCK ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(file.Write(std::string(20000, 'n')));
    EXPECT_TRUE(file.Flush());
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(ReadFile(path), std::string(20000, 'n'));
}

// Guards the write-behind buffer: bytes after a failed request still land at their own offsets,
// the failure is reported, and a handle whose writes failed never deletes its file.
TEST_F(RawFileTest, FailedWriteIsReportedAndNeverShiftsLaterBytes) {
    const std::size_t mib = std::size_t{1} << 20;
    std::string path = Make("file", std::string(3 * mib, '.'));
    platform::InjectFault(platform::SysCall::Write, ENOSPC, 1, 1);
    RawFile file = OpenForPass(path, true);
    ASSERT_TRUE(file.IsValid());
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
