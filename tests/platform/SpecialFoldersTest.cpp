#include "platform/SpecialFolders.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/support/ScopedEnv.h"

namespace ostrel::platform {
namespace {

// Guards the XDG rules: only absolute values count, without trailing separators, otherwise
// the default below home; the runtime folder has no default.
TEST(SpecialFoldersTest, FollowsTheXdgRules) {
    struct Row {
        std::optional<std::string> home;
        std::optional<std::string> xdg;  // given to every XDG variable
        std::string data, config, state, runtime;
    };
    for (const Row& row : {
             Row{"/h/", std::nullopt, "/h/.local/share", "/h/.config", "/h/.local/state", ""},
             Row{"/h", "relative/path", "/h/.local/share", "/h/.config", "/h/.local/state", ""},
             Row{"/h", "/x//", "/x", "/x", "/x", "/x"},
         }) {
        SCOPED_TRACE(row.home.value_or("(unset)") + " " + row.xdg.value_or("(unset)"));
        test::ScopedEnv home("HOME", row.home), data("XDG_DATA_HOME", row.xdg),
            config("XDG_CONFIG_HOME", row.xdg), state("XDG_STATE_HOME", row.xdg),
            runtime("XDG_RUNTIME_DIR", row.xdg);
        EXPECT_EQ(XdgDataHome(), row.data);
        EXPECT_EQ(SpecialFolderPath(kCsidlCommonAppData), row.data);
        EXPECT_EQ(XdgConfigHome(), row.config);
        EXPECT_EQ(XdgStateHome(), row.state);
        EXPECT_EQ(XdgRuntimeDir(), row.runtime);
    }
    EXPECT_EQ(SpecialFolderPath(5), "") << "an unknown folder number resolves to nothing";
}

// Without HOME the password database must still give a home folder, never a relative path.
TEST(SpecialFoldersTest, HomeFallsBackToThePasswordDatabase) {
    test::ScopedEnv home("HOME", std::nullopt), config("XDG_CONFIG_HOME", std::nullopt);
    const std::string found = HomeFolder();
    if (found.empty()) {
        GTEST_SKIP() << "this user has no home folder in the password database";
    }
    ASSERT_EQ(found.front(), '/');
    EXPECT_EQ(XdgConfigHome(), (found == "/" ? "" : found) + "/.config");
}

}  // namespace
}  // namespace ostrel::platform
