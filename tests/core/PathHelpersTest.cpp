#include "core/PathHelpers.h"

#include <gtest/gtest.h>

#include <string>

#include "core/Globals.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/ScopedEnv.h"

namespace ostrel {
namespace {

struct Row {
    std::string path;
    char separator;
    std::string expected;
};

// A second separator would make paths like "C:\\x"; a missing one would glue names together.
TEST(PathHelpersTest, AddBackslashAddsExactlyOneSeparator) {
    for (const Row& row : {Row{"C:\\", '\\', "C:\\"}, Row{"C:\\Temp", '\\', "C:\\Temp\\"},
                           Row{"C:\\Temp/", '\\', "C:\\Temp/\\"}, Row{"/home/u", '/', "/home/u/"},
                           Row{"/", '/', "/"}, Row{"", '/', "/"}}) {
        EXPECT_EQ(AddBackslash(row.path, row.separator), row.expected) << row.path;
    }
}

// A dot in a folder name must never be taken for the file's extension.
TEST(PathHelpersTest, GetFileExtensionGivesTheTextAfterTheLastDotOfTheName) {
    for (const Row& row : {Row{"English.lng", '/', "lng"}, Row{"name.", '/', ""},
                           Row{"C:\\dir.d\\file", '\\', ""}, Row{"/home/u/dir.d/file", '/', ""},
                           Row{"C:file", '\\', ""}, Row{"dir.d\\file", '/', "d\\file"}}) {
        EXPECT_EQ(GetFileExtension(row.path, row.separator), row.expected) << row.path;
    }
}

// 60 bytes: "C:\" + 57 bytes ending in "\file.txt"; 61 bytes with one more before the folders.
const std::string k60 = "C:\\" + std::string(10, 'a') + "\\" + std::string(37, 'b') + "\\file.txt";
const std::string k61 = k60.substr(0, 3) + "x" + k60.substr(3);

// Rows under '/' are native text; the others Windows-style text, as the helpers also get.
TEST(PathHelpersTest, ShortenPathCutsAtAFolderBoundary) {
    struct ShortenRow {
        std::string path;
        std::int16_t maxLen;
        char separator;
        std::string expected;
    };
    for (const ShortenRow& row : {
             ShortenRow{k60, 60, '\\', k60},
             // The tail starts at the first separator at or after byte 7, here byte 15.
             ShortenRow{k61, 60, '\\', "C:\\..." + k61.substr(14)},
             // Windows text under the native separator: no separator in the tail, so no tail.
             ShortenRow{k61, 60, '/', "C:\\..."},
             // Length 13, limit 10: the scan starts at byte 9, so only the first tail is kept.
             ShortenRow{"/abcdefg/wxyz", 10, '/', "/ab.../wxyz"},
             ShortenRow{"/abcdef/vwxyz", 10, '/', "/ab..."},
             ShortenRow{"/usr/share/doc", 3, '/', "/us..."},
             ShortenRow{"ab", -1, '/', "ab..."},
         }) {
        EXPECT_EQ(ShortenPath(row.path, row.maxLen, row.separator), row.expected)
            << row.path << " to " << row.maxLen;
    }
}

// gCommonAppData must be the data folder with exactly one trailing separator.
TEST(InitSpecialFoldersTest, SetsTheCommonDataFolderWithOneSeparator) {
    test::RecordingHost host;
    test::ScopedEnv data("XDG_DATA_HOME", "/x/data/");
    InitSpecialFolders();
    EXPECT_EQ(gCommonAppData, "/x/data/");
    EXPECT_TRUE(host.msgBoxes.empty());
}

}  // namespace
}  // namespace ostrel
