#include "platform/OwnFolders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/support/TempDir.h"

namespace ostrel::platform {
namespace {

namespace fs = std::filesystem;
using Problem = OwnPathProblem;

// Links and modes on the way from "/" to a folder of the program's own: above its root a link is
// followed and a sticky folder others may write is fine; from the root down neither is.
TEST(OwnFoldersTest, ChecksEveryFolderFromTheTopDown) {
    const struct {
        const char* name;
        std::function<void(const fs::path&)> make;  // builds the tree below `top`
        const char *root, *folder;                  // relative to `top`
        bool create;
        Problem problem;
        const char* at;  // where the problem is, relative to `top`
    } rows[] = {
        {"plain", [](const fs::path& t) { fs::create_directories(t / "home/data"); }, "home/data",
         "home/data/A/B", true, Problem::None, ""},
        {"link above the root",
         [](const fs::path& t) {
             fs::create_directories(t / "real/data");
             fs::create_directory_symlink("real", t / "home");
         },
         "home/data", "home/data/A", false, Problem::None, ""},
        {"the root is a link",
         [](const fs::path& t) {
             fs::create_directories(t / "home/real");
             fs::create_directory_symlink("real", t / "home/data");
         },
         "home/data", "home/data/A", false, Problem::SymbolicLink, "home/data"},
        {"group may write above",
         [](const fs::path& t) {
             fs::create_directories(t / "home/data");
             fs::permissions(t / "home", fs::perms::group_write, fs::perm_options::add);
         },
         "home/data", "home/data", false, Problem::WritableByOthers, "home"},
        {"sticky folder above",
         [](const fs::path& t) {
             fs::create_directories(t / "home/data");
             fs::permissions(t / "home", fs::perms::all | fs::perms::sticky_bit);
         },
         "home/data", "home/data", false, Problem::None, ""},
        {"others may write below",
         [](const fs::path& t) {
             fs::create_directories(t / "home/data/A");
             fs::permissions(t / "home/data/A", fs::perms::all | fs::perms::sticky_bit);
         },
         "home/data", "home/data/A", false, Problem::WritableByOthers, "home/data/A"},
        {"a file on the way",
         [](const fs::path& t) {
             fs::create_directories(t / "home/data");
             test::WriteFile(t / "home/data/A", "");
         },
         "home/data", "home/data/A/B", true, Problem::NotFolder, "home/data/A"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir temp;
        const fs::path top = temp.path();
        row.make(top);
        const bool existed = fs::exists(top / row.folder);

        const OwnPathCheck check =
            CheckOwnFolder((top / row.root).string(), (top / row.folder).string(), row.create);

        EXPECT_EQ(check.problem, row.problem) << DescribeOwnPathCheck(check);
        if (row.problem != Problem::None) {
            EXPECT_EQ(check.path, (top / row.at).string());
        } else if (row.create) {
            EXPECT_EQ(fs::status(top / row.folder).permissions(), fs::perms::owner_all);
        } else {
            EXPECT_EQ(fs::exists(top / row.folder), existed) << "made without being asked to";
        }
    }
}

}  // namespace
}  // namespace ostrel::platform
