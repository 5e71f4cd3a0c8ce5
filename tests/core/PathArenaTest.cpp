#include "core/PathArena.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel {
namespace {

// Strings of every size, including empty ones, ones that cross into a new block and one
// larger than a block, must come back exactly and in order.
TEST(PathArenaTest, KeepsEveryStringExactlyAcrossBlocks) {
    std::vector<std::string> strings;
    for (int i = 0; i < 5000; ++i) {
        strings.push_back(std::string(static_cast<size_t>(i % 300), static_cast<char>(i % 256)));
    }
    strings.insert(strings.begin() + 1234, std::string(600 * 1024, 'L'));
    strings.push_back("");
    PathArena arena;
    for (const auto& s : strings) {
        if (s.size() > 10) {
            arena.Append(std::string_view(s).substr(0, 10), std::string_view(s).substr(10));
        } else {
            arena.Append(s);
        }
    }
    ASSERT_EQ(arena.Size(), strings.size());
    for (size_t i = 0; i < strings.size(); ++i) {
        ASSERT_EQ(arena.At(i), strings[i]) << "string " << i;
    }
    arena.Clear();
    EXPECT_EQ(arena.Size(), 0u);
}

}  // namespace
}  // namespace ostrel
