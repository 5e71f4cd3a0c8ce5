#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace ostrel::platform {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

constexpr char kKey[] = "Software\\Tolvane\\Quarrix\\Shredder";
constexpr char kSection[] = "[HKEY_CURRENT_USER\\Software\\Tolvane\\Quarrix\\Shredder]";

class RegistryTest : public ::testing::Test {
  protected:
    fs::path Folder() const { return m_temp / "Tolvane" / "Quarrix"; }
    fs::path KeyFile() const { return Folder() / "Shredder.reg"; }

    void WriteKeyFile(const std::string& text) {
        fs::create_directories(Folder());
        test::WriteFile(KeyFile(), text);
    }

    // The value as a fresh open of the key reports it; type kRegNone when it cannot be read.
    RegValue Read(const std::string& name) {
        RegKey key;
        RegValue value;
        if (RegOpenKey(kHkeyCurrentUser, kKey, key) != kRegOk ||
            key.QueryValue(name, value) != kRegOk) {
            return {};
        }
        return value;
    }

    long Set(const std::string& name, std::uint32_t type, const std::string& data) {
        RegKey key;
        long status = RegCreateKey(kHkeyCurrentUser, kKey, key);
        return status == kRegOk ? key.SetValue(name, type, data) : status;
    }

    test::TempDir m_temp;
    test::ScopedEnv m_config{"XDG_CONFIG_HOME", m_temp.str()};
};

struct ReadRow {
    const char* what;
    std::string file;
    std::string name;
    std::uint32_t type;
    std::string reported;  // as a query reports it
};

void PrintTo(const ReadRow& row, std::ostream* os) {
    *os << row.what;
}

class RegistryReadTest : public RegistryTest, public ::testing::WithParamInterface<ReadRow> {};

// Guards the reader against misreading any form the store or a hand edit produces.
TEST_P(RegistryReadTest, ReadsTheValueAsStored) {
    const ReadRow& row = GetParam();
    WriteKeyFile(row.file);
    RegValue value = Read(row.name);
    EXPECT_EQ(value.type, row.type);
    EXPECT_EQ(value.data, row.reported);
}

const std::string kHead4 = "REGEDIT4\n\n"s + kSection + "\n";

INSTANTIATE_TEST_SUITE_P(
    Forms, RegistryReadTest,
    ::testing::Values(ReadRow{"escapes undone, bytes that are not UTF-8 kept",
                              kHead4 + R"("Method"="a\\b\"c)" + "\xff\"\n", "Method", kRegSz,
                              "a\\b\"c\xff\0"s},
                      ReadRow{"name without regard to case", kHead4 + "\"METHOD\"=\"x\"\n",
                              "method", kRegSz, "x\0"s},
                      ReadRow{"default value", kHead4 + "@=\"d\"\n", "", kRegSz, "d\0"s},
                      ReadRow{"short dword, prefix in any case", kHead4 + "\"Confirm\"=DWORD:2a\n",
                              "Confirm", kRegDword, "\x2a\0\0\0"s},
                      ReadRow{"hex(1) ending in NUL gets no second",
                              kHead4 + "\"L\"=hex(1):61,00\n", "L", kRegSz, "a\0"s},
                      ReadRow{"hex continued over lines", kHead4 + "\"B\"=hex:01,02,\\\n  03\n",
                              "B", kRegBinary, "\1\2\3"s},
                      ReadRow{"CRLF, version 5 header, comment, section in another case",
                              "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n; note\r\n"
                              "[hkey_current_user\\software\\tolvane\\quarrix\\shredder]\r\n"
                              "\"Method\"=\"abc\"\r\n",
                              "Method", kRegSz, "abc\0"s},
                      ReadRow{"the last of two lines wins", kHead4 + "\"M\"=\"1\"\n\"m\"=\"2\"\n",
                              "M", kRegSz, "2\0"s}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

class RegistryBadFileTest : public RegistryTest,
                            public ::testing::WithParamInterface<std::string> {};

const std::string kSection4 = "REGEDIT4\n"s + kSection + "\n";

// A file that cannot be parsed must read as absent, and reading must leave it as it is.
TEST_P(RegistryBadFileTest, UnparsableFileReadsAsAbsentAndIsLeftAlone) {
    const std::string& text = GetParam();
    WriteKeyFile(text);
    RegKey key;
    EXPECT_EQ(RegOpenKey(kHkeyCurrentUser, kKey, key), kRegNotFound);
    EXPECT_EQ(test::ReadFile(KeyFile()), text);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RegistryBadFileTest,
    ::testing::Values("", "REGEDIT5\n", "REGEDIT4\n\"Method\"=\"x\"\n",
                      "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Other]\n\"Method\"=\"x\"\n",
                      kSection4 + "\"Method\"=\"a\\tb\"\n", kSection4 + "\"Method\"=\"abc\n",
                      kSection4 + "\"Confirm\"=dword:123456789\n", kSection4 + "\"B\"=hex:1,02\n",
                      kSection4 + "\"Method\"=-\n"));

struct WriteRow {
    const char* what;
    std::uint32_t type;
    std::string data;
    std::string line;      // the line the file holds
    std::string reported;  // what a query reports afterwards
};

void PrintTo(const WriteRow& row, std::ostream* os) {
    *os << row.what;
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

class RegistryWriteTest : public RegistryTest, public ::testing::WithParamInterface<WriteRow> {};

// Guards the file form of each kind of value and its round trip through the reader.
TEST_P(RegistryWriteTest, WritesTheFileFormAndReadsItBack) {
    const WriteRow& row = GetParam();
    ASSERT_EQ(Set("Value", row.type, row.data), kRegOk);
    std::string text = test::ReadFile(KeyFile());
    EXPECT_EQ(text, "REGEDIT4\n\n"s + kSection + "\n" + row.line + "\n\n");
    RegValue value = Read("Value");
    EXPECT_EQ(value.type, row.type);
    EXPECT_EQ(value.data, row.reported);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegistryWriteTest,
    ::testing::Values(
        WriteRow{"escapes", kRegSz, "C:\\a \"b\"", R"("Value"="C:\\a \"b\"")", "C:\\a \"b\"\0"s},
        WriteRow{"raw high bytes", kRegSz, "\xe9\xff", "\"Value\"=\"\xe9\xff\"", "\xe9\xff\0"s},
        WriteRow{"inner NUL", kRegSz, "a\0b"s, "\"Value\"=hex(1):61,00,62", "a\0b\0"s},
        WriteRow{"own terminator", kRegSz, "ab\0"s, "\"Value\"=hex(1):61,62,00", "ab\0"s},
        WriteRow{"line break", kRegSz, "a\nb", "\"Value\"=hex(1):61,0a,62", "a\nb\0"s},
        WriteRow{"negative dword", kRegDword, "\xff\xff\xff\xff", "\"Value\"=dword:ffffffff",
                 "\xff\xff\xff\xff"},
        WriteRow{"binary", kRegBinary, "\x01\xab", "\"Value\"=hex:01,ab", "\x01\xab"},
        WriteRow{"long binary wraps after 25 bytes", kRegBinary, std::string(26, 'A'),
                 "\"Value\"=hex:" + Repeat("41,", 25) + "\\\n  41", std::string(26, 'A')}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

// A change must keep the key's other values, and a name in another case replaces the value.
TEST_F(RegistryTest, ChangeKeepsOtherValuesAndMatchesNamesWithoutCase) {
    ASSERT_EQ(Set("Method", kRegSz, "one"), kRegOk);
    ASSERT_EQ(Set("Confirm", kRegDword, "\1\0\0\0"s), kRegOk);
    ASSERT_EQ(Set("METHOD", kRegSz, "two"), kRegOk);
    EXPECT_EQ(Read("method").data, "two\0"s);
    EXPECT_EQ(Read("Confirm").data, "\1\0\0\0"s);
    EXPECT_NE(test::ReadFile(KeyFile()).find("\"Method\"=\"two\""), std::string::npos)
        << "the stored spelling of the name should be kept";
}

struct PathRow {
    std::uint32_t hive;
    const char* path;
    long status;
};

void PrintTo(const PathRow& row, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(row.path));
}

class RegistryPathTest : public RegistryTest, public ::testing::WithParamInterface<PathRow> {};

// A key path must never reach outside the configuration folder or to another hive.
TEST_P(RegistryPathTest, RejectsKeysTheStoreCannotServe) {
    RegKey key;
    EXPECT_EQ(RegCreateKey(GetParam().hive, GetParam().path, key), GetParam().status);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_TRUE(fs::is_empty(m_temp.path()));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, RegistryPathTest,
    ::testing::Values(PathRow{0x80000002u, kKey, kRegInvalidHandle},
                      PathRow{kHkeyCurrentUser, "Software", kRegBadPathName},
                      PathRow{kHkeyCurrentUser, "Software\\..\\A", kRegBadPathName},
                      PathRow{kHkeyCurrentUser, "Software\\a/b", kRegBadPathName},
                      PathRow{kHkeyCurrentUser, "Software\\A\\", kRegBadPathName}));

// An unparsable file must be kept aside, byte for byte, before the first rewrite.
TEST_F(RegistryTest, CorruptFileIsKeptAsideBeforeTheRewrite) {
    WriteKeyFile("garbage one");
    ASSERT_EQ(Set("Method", kRegSz, "new"), kRegOk);
    EXPECT_EQ(test::ReadFile(Folder() / "Shredder.reg.corrupt"), "garbage one");
    EXPECT_EQ(Read("Method").data, "new\0"s);

    test::WriteFile(KeyFile(), "garbage two");
    ASSERT_EQ(Set("Method", kRegSz, "newer"), kRegOk);
    EXPECT_EQ(test::ReadFile(Folder() / "Shredder.reg.corrupt"), "garbage one");
    EXPECT_EQ(test::ReadFile(Folder() / "Shredder.reg.2.corrupt"), "garbage two");
    EXPECT_EQ(Read("Method").data, "newer\0"s);
}

// Two processes writing to the same key at the same moment: with a lost update one of the
// values would be missing at the end.
TEST_F(RegistryTest, TwoProcessesWritingAtOnceBothKeepTheirValues) {
    constexpr int kRounds = 150;
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    auto writer = [&](const std::string& name) {
        return test::StartChild([&, name] {
            close(go[1]);
            char byte;
            if (read(go[0], &byte, 1) != 0) {
                return 2;
            }
            for (int i = 0; i < kRounds; ++i) {
                if (Set(name, kRegSz, name + std::to_string(i)) != kRegOk) {
                    return 1;
                }
                // Each round checks that its own value survived the other writer.
                if (Read(name).data != name + std::to_string(i) + '\0') {
                    return 3;
                }
            }
            return 0;
        });
    };
    int first = writer("First");
    int second = writer("Second");
    close(go[0]);
    close(go[1]);  // both start at once
    EXPECT_EQ(test::WaitChild(first), 0);
    EXPECT_EQ(test::WaitChild(second), 0);
    EXPECT_EQ(Read("First").data, "First" + std::to_string(kRounds - 1) + '\0');
    EXPECT_EQ(Read("Second").data, "Second" + std::to_string(kRounds - 1) + '\0');
}

// A writer killed at any moment must leave the old file or the new one, never a torn file.
TEST_F(RegistryTest, WriterKilledAtAnyMomentLeavesAWholeFile) {
    constexpr size_t kSize = 512 * 1024;  // about 1.5 MB of file text per write
    auto version = [](int n) { return std::string(kSize, static_cast<char>('a' + n % 26)); };
    ASSERT_EQ(Set("Big", kRegBinary, version(0)), kRegOk);
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pause(0, 60000);
    for (int round = 0; round < 25; ++round) {
        int pid = test::StartChild([&] {
            for (int n = 1;; ++n) {
                Set("Big", kRegBinary, version(n));
            }
            return 0;
        });
        usleep(static_cast<useconds_t>(pause(random)));
        kill(pid, SIGKILL);
        ASSERT_EQ(test::WaitChild(pid), 128 + SIGKILL);
        RegValue value = Read("Big");
        ASSERT_EQ(value.type, kRegBinary) << "round " << round << ": file unreadable";
        ASSERT_EQ(value.data.size(), kSize) << "round " << round;
        ASSERT_EQ(value.data.find_first_not_of(value.data[0]), std::string::npos)
            << "round " << round << ": mixed versions";
    }
    // The temporary file a killed writer leaves behind must not stop the next write.
    EXPECT_EQ(Set("Big", kRegSz, "done"), kRegOk);
    EXPECT_EQ(Read("Big").data, "done\0"s);
}

// A write that fails half-way (the file size limit stands in for a full disk) must leave the
// old file intact and report the failure.
TEST_F(RegistryTest, FailedWriteLeavesTheOldFile) {
    ASSERT_EQ(Set("Method", kRegSz, "old"), kRegOk);
    std::string before = test::ReadFile(KeyFile());
    int code = test::RunInChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            4096, 4096
        };
        setrlimit(RLIMIT_FSIZE, &limit);
        return Set("Big", kRegBinary, std::string(100000, 'x')) == kRegCantWrite ? 0 : 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(test::ReadFile(KeyFile()), before);
    EXPECT_FALSE(fs::exists(Folder() / "Shredder.reg.tmp"));
}

}  // namespace
}  // namespace ostrel::platform
