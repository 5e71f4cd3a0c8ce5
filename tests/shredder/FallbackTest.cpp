#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/FaultInjection.h"
#include "platform/PendingDeletions.h"
#include "tests/shredder/ShredderFixture.h"
#include "tests/support/HolderProcess.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

enum class Obstacle { HeldOpen, LockedWithFlock, RunningProgram, NotWritable };

struct ObstacleRow {
    const char* name;
    Obstacle obstacle;
};

void PrintTo(const ObstacleRow& row, std::ostream* os) {
    *os << row.name;
}

class CannotOpenTest : public ShredderTest, public ::testing::WithParamInterface<ObstacleRow> {};

// A file that cannot be opened without sharing gets spaces where it can be written and exactly
// one pending entry; the helper deletes it after a restart, not before.
TEST_P(CannotOpenTest, SpacesOnePendingEntryAndDeletionOnlyAfterARestart) {
    const Obstacle obstacle = GetParam().obstacle;
    std::string path = MakeFile("victim.dat", std::string(50000, 'M'));
    std::unique_ptr<HolderProcess> holder;
    if (obstacle != Obstacle::NotWritable) {
        if (obstacle == Obstacle::LockedWithFlock) {
            // Where no lease is permitted the shredder falls back to flock, which must refuse.
            platform::InjectFault(platform::SysCall::Lease, EACCES);
        }
        const auto how = obstacle == Obstacle::HeldOpen          ? HolderProcess::Hold::Open
                         : obstacle == Obstacle::LockedWithFlock ? HolderProcess::Hold::Flock
                                                                 : HolderProcess::Hold::Run;
        if (how == HolderProcess::Hold::Run) {  // a copy of a program, running
            path = MakeFile("victim.dat", ReadFile("/bin/sleep"));
            fs::permissions(path, fs::perms::owner_all);
        }
        holder = std::make_unique<HolderProcess>(path, how);
        ASSERT_TRUE(holder->Holding());
    } else if (geteuid() != 0) {
        fs::permissions(path, fs::perms::owner_read);
    } else if (!SetImmutable(path, true)) {
        GTEST_SKIP() << "no immutable attribute on this file system, and root ignores modes";
    }
    platform::SetBootIdSource([] { return std::string("boot-before-restart"); });
    const bool writable = obstacle == Obstacle::HeldOpen || obstacle == Obstacle::LockedWithFlock;
    const std::string before = ReadFile(path);

    EXPECT_EQ(Shred(kMethodDod7, path), ShredOutcome::ScheduledAtRestart);
    EXPECT_EQ(ReadFile(path), writable ? std::string(before.size(), ' ') : before);
    auto pending = platform::PendingDeletions();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].path, path);

    holder.reset();
    if (obstacle == Obstacle::NotWritable && geteuid() == 0) {
        SetImmutable(path, false);
    }
    EXPECT_EQ(platform::DeletePendingFromEarlierBoots().kept, 1);
    EXPECT_TRUE(fs::exists(path));
    // The real helper program, in this process's sandbox, reads the kernel's boot id.
    const std::string helper = platform::PendingHelperPath();
    ASSERT_FALSE(helper.empty()) << "build the ostrel-pending helper first";
    ASSERT_EQ(std::system(("'" + helper + "'").c_str()), 0);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(platform::PendingDeletions().empty());
}

INSTANTIATE_TEST_SUITE_P(Obstacles, CannotOpenTest,
                         ::testing::Values(ObstacleRow{"HeldOpen", Obstacle::HeldOpen},
                                           ObstacleRow{"Flock", Obstacle::LockedWithFlock},
                                           ObstacleRow{"RunningProgram", Obstacle::RunningProgram},
                                           ObstacleRow{"NotWritable", Obstacle::NotWritable}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ostrel::test
