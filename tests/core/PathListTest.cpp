#include "core/PathList.h"

#include <gtest/gtest.h>

#include "tests/support/RecordingHost.h"

namespace ostrel {
namespace {

TEST(IsPathList, NeedsTwoColons) {
    EXPECT_FALSE(IsPathList(""));
    EXPECT_FALSE(IsPathList("C:\\one\\file.txt"));
    EXPECT_TRUE(IsPathList("C:\\a D:\\b"));
    EXPECT_TRUE(IsPathList("::"));
}

struct SplitRow {
    const char* text;
    std::vector<std::string> items;
    bool listShown;
};

class SplitPathListTest : public testing::TestWithParam<SplitRow> {};

TEST_P(SplitPathListTest, SplitsAtDriveLetters) {
    test::RecordingHost host;
    std::string text = GetParam().text;
    EXPECT_EQ(SplitPathList(text), GetParam().items);
    EXPECT_TRUE(text.empty()) << "the caller's text must be consumed";
    EXPECT_EQ(host.msgBoxes.size(), GetParam().listShown ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitPathListTest,
    testing::Values(
        // Quoted file and folder on two drives: quotes go, the first item is trimmed.
        SplitRow{
            "\"C:\\dir\\a file.txt\" \"D:\\folder\"", {"C:\\dir\\a file.txt", "D:\\folder"}, false},
        // Three items, the last one kept untrimmed.
        SplitRow{"C:\\a E:\\b F:\\c ", {"C:\\a", "E:\\b", "F:\\c "}, false},
        // A comma inside a path cuts it apart.
        SplitRow{"C:\\x,y D:\\z", {"C:\\x", "y", "D:\\z"}, false},
        // A result ending in a comma is shown, then the comma dropped.
        SplitRow{"C:\\a D:\\b,", {"C:\\a", "D:\\b"}, true},
        // A second colon right after the first at the start: stops instead of looping.
        SplitRow{"::", {}, false}, SplitRow{"C:x::y", {"C:", "x"}, true}));

}  // namespace
}  // namespace ostrel
