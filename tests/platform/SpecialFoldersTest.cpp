#include "platform/SpecialFolders.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/support/ScopedEnv.h"

namespace ostrel::platform {
namespace {

struct FolderRow {
    std::optional<std::string> home;
    std::optional<std::string> xdg;  // given to every XDG_*_HOME variable
    std::string data;
    std::string config;
    std::string state;
};

void PrintTo(const FolderRow& row, std::ostream* os) {
    *os << "HOME=" << row.home.value_or("(unset)") << " XDG=" << row.xdg.value_or("(unset)");
}

class XdgFolderTest : public ::testing::TestWithParam<FolderRow> {};

// Guards the XDG rules: only absolute values count, otherwise the default below home.
TEST_P(XdgFolderTest, FollowsTheXdgRules) {
    const FolderRow& row = GetParam();
    test::ScopedEnv home("HOME", row.home);
    test::ScopedEnv data("XDG_DATA_HOME", row.xdg);
    test::ScopedEnv config("XDG_CONFIG_HOME", row.xdg);
    test::ScopedEnv state("XDG_STATE_HOME", row.xdg);
    EXPECT_EQ(XdgDataHome(), row.data);
    EXPECT_EQ(SpecialFolderPath(kCsidlCommonAppData), row.data);
    EXPECT_EQ(XdgConfigHome(), row.config);
    EXPECT_EQ(XdgStateHome(), row.state);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, XdgFolderTest,
    ::testing::Values(
        FolderRow{"/h", std::nullopt, "/h/.local/share", "/h/.config", "/h/.local/state"},
        FolderRow{"/h/", std::nullopt, "/h/.local/share", "/h/.config", "/h/.local/state"},
        FolderRow{"/h", "", "/h/.local/share", "/h/.config", "/h/.local/state"},
        FolderRow{"/h", "relative/path", "/h/.local/share", "/h/.config", "/h/.local/state"},
        FolderRow{"/", std::nullopt, "/.local/share", "/.config", "/.local/state"},
        FolderRow{"/h", "/x//", "/x", "/x", "/x"}));

TEST(SpecialFoldersTest, SetVariablesWinAndLoseTrailingSeparators) {
    test::ScopedEnv data("XDG_DATA_HOME", "/x/data/");
    test::ScopedEnv config("XDG_CONFIG_HOME", "/x/config");
    test::ScopedEnv state("XDG_STATE_HOME", "/x/state//");
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/u");
    EXPECT_EQ(SpecialFolderPath(kCsidlCommonAppData), "/x/data");
    EXPECT_EQ(XdgConfigHome(), "/x/config");
    EXPECT_EQ(XdgStateHome(), "/x/state");
    EXPECT_EQ(XdgRuntimeDir(), "/run/u");
    test::ScopedEnv relative("XDG_RUNTIME_DIR", "run");
    EXPECT_EQ(XdgRuntimeDir(), "") << "the runtime folder has no default";
    EXPECT_EQ(SpecialFolderPath(5), "") << "an unknown folder number resolves to nothing";
}

// Without HOME the password database must still give a home folder, never a relative path.
TEST(SpecialFoldersTest, HomeFallsBackToThePasswordDatabase) {
    test::ScopedEnv home("HOME", std::nullopt);
    test::ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    std::string found = HomeFolder();
    if (found.empty()) {
        GTEST_SKIP() << "this user has no home folder in the password database";
    }
    EXPECT_EQ(found.front(), '/');
    EXPECT_EQ(XdgConfigHome(), (found == "/" ? "" : found) + "/.config");
}

}  // namespace
}  // namespace ostrel::platform
