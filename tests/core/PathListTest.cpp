#include "core/PathList.h"

#include <gtest/gtest.h>

#include "tests/support/RecordingHost.h"

namespace ostrel {
namespace {

TEST(SplitPathList, SplitsAtDriveLettersAndConsumesTheText) {
    struct Row {
        const char* text;
        std::vector<std::string> items;
        bool listShown;  // a result ending in ',' is shown before the comma is dropped
    };
    const Row rows[] = {
        // Quoted file and folder on two drives: quotes go, the first item is trimmed.
        {"\"C:\\dir\\a file.txt\" \"D:\\folder\"", {"C:\\dir\\a file.txt", "D:\\folder"}, false},
        // Three items, the last one kept untrimmed.
        {"C:\\a E:\\b F:\\c ", {"C:\\a", "E:\\b", "F:\\c "}, false},
        // A comma inside a path cuts it apart.
        {"C:\\x,y D:\\z", {"C:\\x", "y", "D:\\z"}, false},
        {"C:\\a D:\\b,", {"C:\\a", "D:\\b"}, true},
        // A second colon right after the first at the start: stops instead of looping.
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
