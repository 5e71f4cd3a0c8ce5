#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace ostrel::platform {
namespace {

using namespace std::string_literals;

constexpr char kKey[] = "Software\\Tolvane\\Quarrix\\Shredder";
constexpr char kSection[] = "[HKEY_CURRENT_USER\\Software\\Tolvane\\Quarrix\\Shredder]\n";

class RegistryTest : public ::testing::Test {
  protected:
    std::string KeyFile() const { return m_temp.str() + "/Tolvane/Quarrix/Shredder.reg"; }
    RegValue Read(const std::string& name) {
        RegKey key;
        RegOpenKey(kHkeyCurrentUser, kKey, key);  // a key that did not open has no values
        RegValue value;
        return key.QueryValue(name, value) == kRegOk ? value : RegValue{};
    }
    long Set(const std::string& name, std::uint32_t type, const std::string& data) {
        RegKey key;
        long status = RegCreateKey(kHkeyCurrentUser, kKey, key);
        return status == kRegOk ? key.SetValue(name, type, data) : status;
    }
    test::TempDir m_temp;
    test::ScopedEnv m_config{"XDG_CONFIG_HOME", m_temp.str()};
};

// Only \ and " are escaped, bytes that are not UTF-8 are kept, and the value reads back whole.
TEST_F(RegistryTest, WritesAStringInItsFileFormAndReadsItBack) {
    ASSERT_EQ(Set("Value", kRegSz, "C:\\a \"b\"\xe9\xff"), kRegOk);
    EXPECT_EQ(test::ReadFile(KeyFile()),
              "REGEDIT4\n\n"s + kSection + "\"Value\"=\"C:\\\\a \\\"b\\\"\xe9\xff\"\n\n");
    EXPECT_EQ(Read("Value").data, "C:\\a \"b\"\xe9\xff\0"s);
}

// An unparsable file reads as absent, untouched; the next change first keeps it aside whole.
TEST_F(RegistryTest, UnparsableFileReadsAsAbsentAndIsKeptAsideBeforeTheRewrite) {
    const std::string head = "REGEDIT4\n"s + kSection;
    const std::string files[] = {"", "REGEDIT4\n\"M\"=\"x\"\n", head + "\"M\"=\"a\\tb\"\n",
                                 head + "\"C\"=dword:123456789\n", head + "\"M\"=-\n"};
    for (size_t i = 0; i < std::size(files); ++i) {
        SCOPED_TRACE(::testing::PrintToString(files[i]));
        test::WriteFile(KeyFile(), files[i]);
        RegKey key;
        EXPECT_EQ(RegOpenKey(kHkeyCurrentUser, kKey, key), kRegNotFound);
        EXPECT_EQ(test::ReadFile(KeyFile()), files[i]);
        ASSERT_EQ(Set("Method", kRegSz, "new"), kRegOk);
        EXPECT_EQ(Read("Method").data, "new\0"s);
        std::string aside = i == 0 ? "" : "." + std::to_string(i + 1);
        EXPECT_EQ(test::ReadFile(KeyFile() + aside + ".corrupt"), files[i]);
    }
}

// A key path never reaches outside the configuration folder or into another hive, and a FIFO in
// place of the key's file does not hang the reader: it reads as absent and is kept aside.
TEST_F(RegistryTest, BadKeysAreRefusedAndAFifoIsNotWaitedOn) {
    for (const char* path : {"Software", "Software\\..\\A", "Software\\a/b"}) {
        RegKey key;
        EXPECT_EQ(RegCreateKey(kHkeyCurrentUser, path, key), kRegBadPathName) << path;
    }
    RegKey other;
    EXPECT_EQ(RegCreateKey(0x80000002u, kKey, other), kRegInvalidHandle);
    EXPECT_TRUE(std::filesystem::is_empty(m_temp.path()));

    std::filesystem::create_directories(std::filesystem::path(KeyFile()).parent_path());
    ASSERT_EQ(mkfifo(KeyFile().c_str(), 0600), 0);
    EXPECT_EQ(test::RunInChild([&] {
                  alarm(10);  // a reader blocked on the FIFO ends here with SIGALRM
                  return Set("Method", kRegSz, "new") == kRegOk && Read("Method").data == "new\0"s
                             ? 0
                             : 1;
              }),
              0);
    EXPECT_TRUE(std::filesystem::is_fifo(KeyFile() + ".corrupt"));
}

// A killed writer, or one failing half-way (a size limit for a full disk), leaves a whole file.
TEST_F(RegistryTest, KilledOrFailedWriterLeavesAWholeFile) {
    constexpr size_t kSize = 512 * 1024;  // about 1.5 MB of file text per write
    auto version = [](int n) { return std::string(kSize, static_cast<char>('a' + n % 26)); };
    ASSERT_EQ(Set("Big", kRegBinary, version(0)), kRegOk);
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE(round);
        int pid = test::StartChild([&] {
            for (int n = 1;; ++n) {
                Set("Big", kRegBinary, version(n));
            }
            return 0;
        });
        usleep(static_cast<useconds_t>(round * 2400));  // kills spread over 60 ms
        kill(pid, SIGKILL);
        ASSERT_EQ(test::WaitChild(pid), 128 + SIGKILL);
        RegValue value = Read("Big");
        ASSERT_EQ(value.data.size(), kSize) << "file unreadable";
        ASSERT_EQ(value.data.find_first_not_of(value.data[0]), std::string::npos) << "mixed";
    }
    EXPECT_EQ(Set("Big", kRegSz, "done"), kRegOk) << "a killed writer's leftover blocks writes";
    std::string before = test::ReadFile(KeyFile());
    int code = test::RunInChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        return Set("Big", kRegBinary, std::string(100000, 'x')) == kRegCantWrite ? 0 : 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(test::ReadFile(KeyFile()), before);
}

}  // namespace
}  // namespace ostrel::platform
