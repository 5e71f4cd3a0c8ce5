#include "platform/NamedMutex.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/ChildProcess.h"
#include "tests/support/HolderProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace ostrel::platform {
namespace {

// Held (flock) while it lives, released after; a second instance is let
// in and told that one exists, never refused; a name with a separator takes no lock file.
TEST(NamedMutexTest, HeldForItsLifeAndNeverRefusesASecondInstance) {
    test::TempDir temp;
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", temp.str());
    const std::string path = temp.str() + "/BrivellSoftwareShredder.lock";
    {
        NamedMutex first = NamedMutex::Create("BrivellSoftwareShredder");
        ASSERT_TRUE(first.IsHeld());
        EXPECT_EQ(first.Path(), path);
        EXPECT_FALSE(first.AlreadyExisted());
        EXPECT_EQ(test::RunInChild([] {
                      NamedMutex second = NamedMutex::Create("BrivellSoftwareShredder");
                      return second.IsHeld() && second.AlreadyExisted() ? 0 : 1;
                  }),
                  0);
        // Another process gets the file's exclusive lock only when nobody holds it.
        EXPECT_FALSE(test::HolderProcess(path, test::HolderProcess::Hold::Flock).Holding());
    }
    EXPECT_TRUE(test::HolderProcess(path, test::HolderProcess::Hold::Flock).Holding());
    EXPECT_FALSE(NamedMutex::Create("a/b").IsHeld());
    EXPECT_FALSE(std::filesystem::exists(temp / "a"));
}

}  // namespace
}  // namespace ostrel::platform
