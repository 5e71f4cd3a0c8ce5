#include "core/PathArena.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel {
namespace {

// Strings of every size, given whole or as head and tail, including empty ones (the last
// one too), ones that cross into a new block and one larger than a block, must come back
// exactly and in order.
TEST(PathArenaTest, KeepsEveryStringExactlyAcrossBlocks) {
    std::vector<std::string> strings;
    PathArena arena;
    for (size_t i = 0; i <= 5100; ++i) {
        strings.push_back(i == 1234 ? std::string(600 * 1024, 'L')
                                    : std::string(i % 300, static_cast<char>(i)));
        std::string_view s = strings.back();
        if (i % 2 == 0) {
            arena.Append(s);
        } else {
            arena.Append(s.substr(0, s.size() / 2), s.substr(s.size() / 2));
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
