#include "platform/NamedMutex.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <filesystem>

#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace ostrel::platform {
namespace {

// True when another process could take the file's exclusive lock, i.e. nobody holds it.
bool FreeForOthers(const std::string& path) {
    return test::RunInChild([&] {
               int fd = open(path.c_str(), O_RDWR);
               return fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1;
           }) == 0;
}

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
        EXPECT_FALSE(FreeForOthers(path));
    }
    EXPECT_TRUE(FreeForOthers(path));
    EXPECT_FALSE(NamedMutex::Create("a/b").IsHeld());
    EXPECT_FALSE(std::filesystem::exists(temp / "a"));
}

}  // namespace
}  // namespace ostrel::platform
