#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace ostrel::platform {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

constexpr char kKey[] = "Software\\Tolvane\\Quarrix\\Shredder";
constexpr char kSection[] = "[HKEY_CURRENT_USER\\Software\\Tolvane\\Quarrix\\Shredder]\n";

class RegistryTest : public ::testing::Test {
  protected:
    fs::path KeyFile() const { return m_temp / "Tolvane" / "Quarrix" / "Shredder.reg"; }

    // The value as a fresh open of the key reports it; type kRegNone when it cannot be read.
    RegValue Read(const std::string& name) {
        RegKey key;
        RegValue value;
        RegOpenKey(kHkeyCurrentUser, kKey, key);  // a key that did not open has no values
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

// The file form of each kind of value, and its way back through the reader.
TEST_F(RegistryTest, WritesEachKindInItsFileFormAndReadsItBack) {
    struct Row {
        std::uint32_t type;
        std::string data, line;
    } rows[] = {
        // "Value"="C:\\a \"b\"<e9><ff>": only \ and " escaped, bytes that are not UTF-8 kept
        {kRegSz, "C:\\a \"b\"\xe9\xff", "\"Value\"=\"C:\\\\a \\\"b\\\"\xe9\xff\""},
        {kRegSz, "a\0b\0"s, "\"Value\"=hex(1):61,00,62,00"},
        {kRegDword, "\x01\x02\x03\xf4", "\"Value\"=dword:f4030201"},
        {kRegBinary, "\x01\xab", "\"Value\"=hex:01,ab"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        ASSERT_EQ(Set("Value", row.type, row.data), kRegOk);
        EXPECT_EQ(test::ReadFile(KeyFile()), "REGEDIT4\n\n"s + kSection + row.line + "\n\n");
        EXPECT_EQ(Read("Value").type, row.type);
        const bool addsNul = row.type == kRegSz && !row.data.ends_with('\0');
        EXPECT_EQ(Read("Value").data, addsNul ? row.data + '\0' : row.data);
    }
    ASSERT_EQ(Set("VALUE", kRegSz, "x"), kRegOk);
    EXPECT_EQ(Set("a\nb", kRegSz, "y"), kRegInvalidParameter) << "a name the file cannot hold";
    EXPECT_EQ(test::ReadFile(KeyFile()), "REGEDIT4\n\n"s + kSection + "\"Value\"=\"x\"\n\n");
}

// A file that cannot be parsed reads as absent and is left alone by reading; the next change
// first keeps it aside, byte for byte, under a free name.
TEST_F(RegistryTest, UnparsableFileReadsAsAbsentAndIsKeptAsideBeforeTheRewrite) {
    const std::string head = "REGEDIT4\n"s + kSection;
    const std::string files[] = {"", "REGEDIT4\n\"Method\"=\"x\"\n",
                                 head + "\"Method\"=\"a\\tb\"\n",
                                 head + "\"Confirm\"=dword:123456789\n", head + "\"Method\"=-\n"};
    for (size_t i = 0; i < std::size(files); ++i) {
        SCOPED_TRACE(::testing::PrintToString(files[i]));
        test::WriteFile(KeyFile(), files[i]);
        RegKey key;
        EXPECT_EQ(RegOpenKey(kHkeyCurrentUser, kKey, key), kRegNotFound);
        EXPECT_EQ(test::ReadFile(KeyFile()), files[i]);
        ASSERT_EQ(Set("Method", kRegSz, "new"), kRegOk);
        EXPECT_EQ(Read("Method").data, "new\0"s);
        std::string aside = i == 0 ? ".corrupt" : "." + std::to_string(i + 1) + ".corrupt";
        EXPECT_EQ(test::ReadFile(KeyFile().string() + aside), files[i]);
    }
}

// A FIFO in place of the key's file must not hang the reader (nobody writes into it): it reads
// as absent and is kept aside like any unparsable file.
TEST_F(RegistryTest, FifoInPlaceOfTheFileIsNotWaitedOn) {
    fs::create_directories(KeyFile().parent_path());
    ASSERT_EQ(mkfifo(KeyFile().c_str(), 0600), 0);
    const int code = test::RunInChild([&] {
        alarm(10);  // a reader blocked on the FIFO ends here with SIGALRM
        RegKey key;
        return RegOpenKey(kHkeyCurrentUser, kKey, key) == kRegNotFound &&
                       Set("Method", kRegSz, "new") == kRegOk && Read("Method").data == "new\0"s
                   ? 0
                   : 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(fs::is_fifo(KeyFile().string() + ".corrupt"));
}

// A key path must never reach outside the configuration folder or to another hive.
TEST_F(RegistryTest, RejectsKeysTheStoreCannotServe) {
    for (const char* path : {"Software", "Software\\..\\A", "Software\\a/b"}) {
        RegKey key;
        EXPECT_EQ(RegCreateKey(kHkeyCurrentUser, path, key), kRegBadPathName) << path;
        EXPECT_FALSE(key.IsOpen()) << path;
    }
    RegKey key;
    EXPECT_EQ(RegCreateKey(0x80000002u, kKey, key), kRegInvalidHandle);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_TRUE(fs::is_empty(m_temp.path()));
}

// Two processes writing to the same key at the same moment: with a lost update one of the
// values would be missing at the end. This also shows a change keeps the key's other values.
TEST_F(RegistryTest, TwoProcessesWritingAtOnceBothKeepTheirValues) {
    constexpr int kRounds = 150;
    auto start = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    auto writer = [&](const std::string& name) {
        return test::StartChild([&, name] {
            std::this_thread::sleep_until(start);  // both start at once
            bool ok = true;  // each round checks that its own value survived the other writer
            for (int i = 0; i < kRounds && ok; ++i) {
                ok = Set(name, kRegSz, name + std::to_string(i)) == kRegOk &&
                     Read(name).data == name + std::to_string(i) + '\0';
            }
            return ok ? 0 : 1;
        });
    };
    const int children[] = {writer("First"), writer("Second")};
    for (int child : children) {
        EXPECT_EQ(test::WaitChild(child), 0);
    }
    for (std::string name : {"First", "Second"}) {
        EXPECT_EQ(Read(name).data, name + std::to_string(kRounds - 1) + '\0');
    }
}

// A writer killed at any moment must leave the old file or the new one, never a torn file,
// and a failed write leaves the old file.
TEST_F(RegistryTest, KilledOrFailedWriterLeavesAWholeFile) {
    constexpr size_t kSize = 512 * 1024;  // about 1.5 MB of file text per write
    auto version = [](int n) { return std::string(kSize, static_cast<char>('a' + n % 26)); };
    ASSERT_EQ(Set("Big", kRegBinary, version(0)), kRegOk);
    std::minstd_rand random(12345);
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE(round);
        int pid = test::StartChild([&] {
            for (int n = 1;; ++n) {
                Set("Big", kRegBinary, version(n));
            }
            return 0;
        });
        usleep(static_cast<useconds_t>(random() % 60000));
        kill(pid, SIGKILL);
        ASSERT_EQ(test::WaitChild(pid), 128 + SIGKILL);
        RegValue value = Read("Big");
        ASSERT_EQ(value.type, kRegBinary) << "file unreadable";
        ASSERT_EQ(value.data.size(), kSize);
        ASSERT_EQ(value.data.find_first_not_of(value.data[0]), std::string::npos) << "mixed";
    }
    // The temporary file a killed writer leaves behind must not stop the next write.
    EXPECT_EQ(Set("Big", kRegSz, "done"), kRegOk);
    EXPECT_EQ(Read("Big").data, "done\0"s);
    // A write that fails half-way (the file size limit stands in for a full disk) must leave
    // the old file intact and report the failure.
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
