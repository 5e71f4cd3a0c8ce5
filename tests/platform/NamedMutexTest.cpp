#include "platform/NamedMutex.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

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

class NamedMutexTest : public ::testing::Test {
  protected:
    test::TempDir m_temp;
    test::ScopedEnv m_runtime{"XDG_RUNTIME_DIR", m_temp.str()};
};

// The mutex must be held while it lives and released after, and a second instance must be
// let in (and told that one exists) rather than refused.
TEST_F(NamedMutexTest, HeldForItsLifeAndNeverRefusesASecondInstance) {
    std::string path = m_temp.str() + "/BrivellSoftwareShredder.lock";
    {
        NamedMutex first = NamedMutex::Create("BrivellSoftwareShredder");
        ASSERT_TRUE(first.IsHeld());
        EXPECT_EQ(first.Path(), path);
        EXPECT_FALSE(first.AlreadyExisted());
        EXPECT_FALSE(FreeForOthers(path));

        int code = test::RunInChild([] {
            NamedMutex second = NamedMutex::Create("BrivellSoftwareShredder");
            return second.IsHeld() && second.AlreadyExisted() ? 0 : 1;
        });
        EXPECT_EQ(code, 0);

        NamedMutex moved = std::move(first);
        EXPECT_FALSE(first.IsHeld());
        EXPECT_FALSE(FreeForOthers(path)) << "a move must not release the lock";
    }
    EXPECT_TRUE(FreeForOthers(path));
}

TEST_F(NamedMutexTest, WithoutARuntimeFolderItIsSimplyNotHeld) {
    test::ScopedEnv none("XDG_RUNTIME_DIR", std::nullopt);
    EXPECT_FALSE(NamedMutex::Create("BrivellSoftwareShredder").IsHeld());
    test::ScopedEnv back("XDG_RUNTIME_DIR", m_temp.str());
    EXPECT_FALSE(NamedMutex::Create("a/b").IsHeld());
    EXPECT_TRUE(std::filesystem::is_empty(m_temp.path()));
}

}  // namespace
}  // namespace ostrel::platform
