// What the real `ostrel` does before any job: the descriptors it starts with.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/Ostrel.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

constexpr char kSimple[] = "Simple Overwrite (1 Pass)";

// Started with standard output and error closed, the program's lock files would get descriptors
// 1 and 2, and the main window's texts and the progress lines would be written into them.
TEST(SafeStart, ClosedOutputsNeverLandInTheProgramsFiles) {
    UserSandbox user;
    user.WriteSettings("English.lng", kSimple, 0);
    WriteFile(user.work() / "secret", "data");
    RunOptions closed;
    closed.closeOutputs = true;

    EXPECT_EQ(RunOstrel(user, {}, closed).exitCode, 0);
    EXPECT_EQ(RunOstrel(user, {"secret"}, closed).exitCode, 0);

    EXPECT_FALSE(fs::exists(user.work() / "secret"));
    int locks = 0;
    for (const fs::path& root : {user.home(), user.runtime()}) {
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (entry.path().extension() == ".lock") {
                ++locks;
                EXPECT_EQ(fs::file_size(entry.path()), 0u) << entry.path();
            }
        }
    }
    EXPECT_GE(locks, 2) << "the instance lock and the holding folder's lock at least";
}

}  // namespace
}  // namespace ostrel::test
