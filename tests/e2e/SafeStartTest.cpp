// What the real executables do before any job: the descriptors they start with, and the
// folders they are given.
#include <gtest/gtest.h>

#include <unistd.h>

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

// Root started with an ordinary user's HOME and XDG folders (as "sudo -E" does) must not act on
// that user's lists or settings: both executables stop, say why, and end with status 1.
TEST(SafeStart, RootWithAnotherUsersHomeTouchesNothing) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root: the home must belong to another user";
    }
    UserSandbox user;
    user.WriteSettings("English.lng", kSimple, 0);
    WriteFile(user.work() / "secret", "data");
    ASSERT_EQ(::chown(user.home().c_str(), 65534, 65534), 0);

    const RunResult shred = RunOstrel(user, {"secret"});
    const RunResult sweep = RunProgram(user, {"ostrel-pending"});

    EXPECT_EQ(shred.exitCode, 1);
    EXPECT_NE(shred.err.find(user.home().string() + "\nIt belongs to another user."),
              std::string::npos)
        << shred.err;
    EXPECT_EQ(ReadFile(user.work() / "secret"), "data");
    EXPECT_EQ(sweep.exitCode, 1);
    EXPECT_NE(sweep.err.find("it belongs to another user"), std::string::npos) << sweep.err;
}

}  // namespace
}  // namespace ostrel::test
