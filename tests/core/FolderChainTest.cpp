#include "core/FolderChain.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

std::size_t OpenDescriptors() {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// Far deeper than the folders it holds open: the chain keeps a bounded number of descriptors and
// comes back up through every level, each the folder it left.
TEST(FolderChainTest, DeepChainHoldsFewDescriptorsAndClimbsBackToEachFolder) {
    test::TempDir temp;
    fs::path path = temp.path();
    for (int i = 0; i < 200; ++i) {
        path /= "d";
    }
    fs::create_directories(path);
    const platform::Folder root = platform::Folder::Open(temp.str());
    const std::size_t before = OpenDescriptors();
    FolderChain chain(root);
    std::vector<platform::FileIdentity> seen;
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(chain.Descend("d"), 0) << i;
        seen.push_back(chain.Current().Identity());
    }
    EXPECT_LE(OpenDescriptors(), before + FolderChain::kHeld + 1);
    for (int i = 199; i > 0; --i) {
        ASSERT_EQ(chain.Ascend(), 0) << i;
        ASSERT_TRUE(chain.Current().IsOpen());
        EXPECT_EQ(chain.Current().Identity(), seen[static_cast<std::size_t>(i - 1)]) << i;
    }
    EXPECT_EQ(chain.Ascend(), 0);
    EXPECT_EQ(chain.Depth(), 0u);
    EXPECT_EQ(chain.Current().Identity(), root.Identity());
}

// A folder moved elsewhere while the chain is below it: climbing back through ".." reaches its
// new place, which is not the folder left, so the chain says so and never hands out that folder.
TEST(FolderChainTest, FolderMovedWhileBelowItIsNotClimbedInto) {
    test::TempDir temp;
    fs::path path = temp.path() / "tree";
    for (int i = 0; i < 100; ++i) {
        path /= "d" + std::to_string(i);
    }
    fs::create_directories(path);
    const platform::Folder root = platform::Folder::Open((temp.path() / "tree").string());
    FolderChain chain(root);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(chain.Descend("d" + std::to_string(i)), 0);
    }
    // d10 goes next to the tree: d9 (long closed) is no longer above it.
    fs::path moved = temp.path() / "tree";
    for (int i = 0; i <= 10; ++i) {
        moved /= "d" + std::to_string(i);
    }
    fs::rename(moved, temp.path() / "moved");
    int error = 0;
    while (chain.Depth() > 0 && error == 0) {
        error = chain.Ascend();
    }
    EXPECT_EQ(error, ESTALE);
    EXPECT_EQ(chain.Depth(), 10u) << "lost on the way up to d9";
    EXPECT_FALSE(chain.Current().IsOpen());
    EXPECT_EQ(chain.Descend("d10"), ESTALE) << "nothing is opened below a lost folder";
}

}  // namespace
}  // namespace ostrel
