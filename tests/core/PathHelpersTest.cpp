#include "core/PathHelpers.h"

#include <gtest/gtest.h>

#include <string>

#include "core/Globals.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/ScopedEnv.h"

namespace ostrel {
namespace {

struct AddRow {
    std::string path;
    char separator;
    std::string expected;
};

void PrintTo(const AddRow& row, std::ostream* os) {
    *os << ::testing::PrintToString(row.path);
}

class AddBackslashTest : public ::testing::TestWithParam<AddRow> {};

// A second separator would make paths like "C:\\x"; a missing one would glue names together.
TEST_P(AddBackslashTest, AddsExactlyOneSeparator) {
    EXPECT_EQ(AddBackslash(GetParam().path, GetParam().separator), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, AddBackslashTest,
                         ::testing::Values(AddRow{"C:\\", '\\', "C:\\"},
                                           AddRow{"C:\\Temp", '\\', "C:\\Temp\\"},
                                           AddRow{"", '\\', "\\"},
                                           AddRow{"/home/u", '/', "/home/u/"},
                                           AddRow{"/", '/', "/"}, AddRow{"", '/', "/"},
                                           AddRow{"C:\\Temp/", '\\', "C:\\Temp/\\"}));

// 60 bytes: "C:\" + 57 bytes ending in "\file.txt".
const std::string k60 = "C:\\" + std::string(10, 'a') + "\\" + std::string(37, 'b') + "\\file.txt";
const std::string k61 = k60.substr(0, 3) + "x" + k60.substr(3);

struct ShortenRow {
    const char* what;
    std::string path;
    std::int16_t maxLen;
    char separator;
    std::string expected;
};

void PrintTo(const ShortenRow& row, std::ostream* os) {
    *os << row.what;
}

class ShortenPathTest : public ::testing::TestWithParam<ShortenRow> {};

TEST_P(ShortenPathTest, ShortensAtAFolderBoundary) {
    const ShortenRow& row = GetParam();
    EXPECT_EQ(ShortenPath(row.path, row.maxLen, row.separator), row.expected) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ShortenPathTest,
    ::testing::Values(
        ShortenRow{"at the limit: unchanged", k60, 60, '\\', k60},
        // 61 bytes: the tail starts at the first separator at or after byte 7, here the one
        // before "bbb..." (byte 15).
        ShortenRow{"one over: cut at a separator", k61, 60, '\\', "C:\\..." + k61.substr(14)},
        ShortenRow{"Windows text under the native separator has no boundary", k61, 60, '/',
                   "C:\\..."},
        ShortenRow{"no separator in the tail",
                   "C:\\" + std::string(100, 'n') + "\\" + std::string(60, 'z'), 60, '\\',
                   "C:\\..."},
        // Length 13, limit 10: the scan starts at byte 9.
        ShortenRow{"separator at the start byte is kept", "/abcdefg/wxyz", 10, '/', "/ab.../wxyz"},
        ShortenRow{"separator one byte before it is not", "/abcdef/vwxyz", 10, '/', "/ab..."},
        ShortenRow{"tiny limit gives the head only", "/usr/share/doc", 3, '/', "/us..."},
        ShortenRow{"negative limit", "ab", -1, '/', "ab..."},
        ShortenRow{"empty path", "", 0, '/', ""}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

struct ExtensionRow {
    std::string name;
    char separator;
    std::string expected;
};

void PrintTo(const ExtensionRow& row, std::ostream* os) {
    *os << ::testing::PrintToString(row.name);
}

class GetFileExtensionTest : public ::testing::TestWithParam<ExtensionRow> {};

// A dot in a folder name must never be taken for the file's extension.
TEST_P(GetFileExtensionTest, GivesTheTextAfterTheLastDotOfTheName) {
    EXPECT_EQ(GetFileExtension(GetParam().name, GetParam().separator), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, GetFileExtensionTest,
                         ::testing::Values(ExtensionRow{"English.lng", '/', "lng"},
                                           ExtensionRow{"name.", '/', ""},
                                           ExtensionRow{"C:\\dir.d\\file", '\\', ""},
                                           ExtensionRow{"/home/u/dir.d/file", '/', ""},
                                           ExtensionRow{"C:file", '\\', ""},
                                           ExtensionRow{"dir.d\\file", '/', "d\\file"}));

// gCommonAppData must be the data folder with exactly one trailing separator.
TEST(InitSpecialFoldersTest, SetsTheCommonDataFolderWithOneSeparator) {
    test::RecordingHost host;
    {
        test::ScopedEnv data("XDG_DATA_HOME", "/x/data/");
        InitSpecialFolders();
        EXPECT_EQ(gCommonAppData, "/x/data/");
    }
    {
        test::ScopedEnv data("XDG_DATA_HOME", std::nullopt);
        test::ScopedEnv home("HOME", "/h");
        InitSpecialFolders();
        EXPECT_EQ(gCommonAppData, "/h/.local/share/");
    }
    EXPECT_TRUE(host.msgBoxes.empty());
    EXPECT_EQ(GetSpecialFolder(5), "");
}

}  // namespace
}  // namespace ostrel
