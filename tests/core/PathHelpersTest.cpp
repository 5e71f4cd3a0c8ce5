#include "core/PathHelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "core/PathList.h"
#include "tests/support/RecordingHost.h"

namespace ostrel {
namespace {

// 60 bytes: "C:\" + 57 bytes ending in "\file.txt"; 61 bytes with one more before the folders.
const std::string k60 = "C:\\" + std::string(10, 'a') + "\\" + std::string(37, 'b') + "\\file.txt";
const std::string k61 = k60.substr(0, 3) + "x" + k60.substr(3);
// 200 and 40 accented letters (two bytes each): the 60 the caption shows are counted in letters.
std::string Accented(int letters) {
    std::string text;
    for (int i = 0; i < letters; ++i) {
        text += i % 2 == 0 ? "\xC3\xA9" : "\xC3\xBC";  // é and ü
    }
    return text;
}
const std::string kAccentedTail = "/" + Accented(40);

// AddBackslash adds exactly one separator (a second would make paths like "C:\\x", a missing one
// would glue names together).
TEST(PathHelpersTest, ResultsForEachFormOfPath) {
    const std::pair<std::string, std::string> rows[] = {
        {AddBackslash("C:\\Temp", '\\'), "C:\\Temp\\"},
        {AddBackslash("C:\\Temp/", '\\'), "C:\\Temp/\\"},
        {AddBackslash("/home/u", '/'), "/home/u/"},
        {AddBackslash("/", '/'), "/"},
        {GetFileExtension("English.lng", '/'), "lng"},
        {GetFileExtension("C:\\dir.d\\file", '\\'), ""},
        {GetFileExtension("C:file", '\\'), ""},
        {GetFileExtension("dir.d\\file", '/'), "d\\file"},
        {ShortenPath(k61, 60, '\\'), "C:\\..." + k61.substr(14)},
        {ShortenPath(k61, 60, '/'), "C:\\..."},
        {ShortenPath("/abcdefg/wxyz", 10, '/'), "/ab.../wxyz"},
        {ShortenPath("/abcdef/vwxyz", 10, '/'), "/ab..."},
        {ShortenPath("ab", -1, '/'), "ab..."},
        // Characters, not bytes: an accented letter is never cut, a stray byte is escaped.
        {ShortenPath("/\xC3\xA9t\xC3\xA9/\xC3\xA0\xC3\xA0\xC3\xA0\xC3\xA0\xC3\xA0/b", 10, '/'),
         "/\xC3\xA9t.../b"},
        {ShortenPath("/home/user/" + Accented(200) + kAccentedTail, 60, '/'),
         "/ho..." + kAccentedTail},
        {ShortenPath("/a\xE9/b", 60, '/'), "/a\\xE9/b"}};
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(rows[i].first, rows[i].second) << "row " << i;
    }
}

// A Windows command line holding several paths is split at its drive letters.
TEST(SplitPathList, SplitsAtDriveLettersAndConsumesTheText) {
    struct Row {
        const char* text;
        std::vector<std::string> items;
        bool listShown;  // a result ending in ',' is shown before the comma is dropped
    };
    const Row rows[] = {
        {"\"C:\\dir\\a file.txt\" \"D:\\folder\"", {"C:\\dir\\a file.txt", "D:\\folder"}, false},
        {"C:\\a E:\\b F:\\c ", {"C:\\a", "E:\\b", "F:\\c "}, false},
        {"C:\\a D:\\b,", {"C:\\a", "D:\\b"}, true},
        {"::", {}, false},
        {"C:x::y", {"C:", "x"}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        test::RecordingHost host;
        std::string text = row.text;
        EXPECT_EQ(SplitPathList(text), row.items);
        EXPECT_TRUE(text.empty()) << "the caller's text must be consumed";
        EXPECT_EQ(host.msgBoxes.size(), row.listShown ? 1u : 0u);
    }
}

}  // namespace
}  // namespace ostrel
