#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/FaultInjection.h"
#include "platform/PendingDeletions.h"
#include "shredder/FileChecks.h"
#include "tests/shredder/ShredderFixture.h"
#include "tests/support/HolderProcess.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

enum class Obstacle { HeldOpen, LockedWithFlock, NotWritable };

struct ObstacleRow {
    const char* name;
    Obstacle obstacle;
};

void PrintTo(const ObstacleRow& row, std::ostream* os) {
    *os << row.name;
}

class CannotOpenTest : public ShredderTest, public ::testing::WithParamInterface<ObstacleRow> {};

// A file that cannot be opened without sharing gets spaces where it can be written, and exactly
// one pending entry; the helper deletes it after a restart, not before.
TEST_P(CannotOpenTest, SpacesOnePendingEntryAndDeletionOnlyAfterARestart) {
    const Obstacle obstacle = GetParam().obstacle;
    std::string path = MakeFile("victim.dat", std::string(50000, 'M'));
    std::unique_ptr<HolderProcess> holder;
    if (obstacle == Obstacle::NotWritable) {
        if (geteuid() != 0) {
            fs::permissions(path, fs::perms::owner_read);
        } else if (!SetImmutable(path, true)) {
            GTEST_SKIP() << "the file system here has no immutable attribute, and root ignores "
                            "permission bits";
        }
    } else {
        if (obstacle == Obstacle::LockedWithFlock) {
            // Where no lease is permitted the shredder falls back to flock, which must refuse.
            platform::InjectFault(platform::SysCall::Lease, EACCES);
        }
        auto how =
            obstacle == Obstacle::HeldOpen ? HolderProcess::Hold::Open : HolderProcess::Hold::Flock;
        holder = std::make_unique<HolderProcess>(path, how);
        ASSERT_TRUE(holder->Holding());
    }
    platform::SetBootIdSource([] { return std::string("boot-before-restart"); });

    EXPECT_EQ(Shred(kMethodDod7, path), ShredOutcome::ScheduledAtRestart);
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.size(), 50000u);
    EXPECT_TRUE(AllBytesAre(bytes, obstacle == Obstacle::NotWritable ? 'M' : ' '));
    auto pending = platform::PendingDeletions();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].path, path);

    holder.reset();
    if (obstacle == Obstacle::NotWritable && geteuid() == 0) {
        SetImmutable(path, false);
    }
    EXPECT_EQ(platform::DeletePendingFromEarlierBoots().kept, 1);
    EXPECT_TRUE(fs::exists(path));

    // The real helper program, in this process's sandbox, sees another boot id.
    const std::string helper = platform::PendingHelperPath();
    ASSERT_FALSE(helper.empty()) << "build the ostrel-pending helper first";
    ASSERT_EQ(std::system(("'" + helper + "'").c_str()), 0);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(platform::PendingDeletions().empty());
}

INSTANTIATE_TEST_SUITE_P(Obstacles, CannotOpenTest,
                         ::testing::Values(ObstacleRow{"HeldOpen", Obstacle::HeldOpen},
                                           ObstacleRow{"Flock", Obstacle::LockedWithFlock},
                                           ObstacleRow{"NotWritable", Obstacle::NotWritable}),
                         [](const auto& info) { return std::string(info.param.name); });

// Guards the last-resort overwrite: whole length in spaces, and never a file it must not touch.
TEST_F(ShredderTest, OverwriteWithSpacesKeepsLengthAndSparesOtherFiles) {
    std::string big = MakeFile("big.dat", std::string(70000, 'B'));
    std::string empty = MakeFile("empty.dat", "");
    std::string linked = MakeFile("linked.dat", "two names");
    fs::create_hard_link(linked, m_temp / "second-name.dat");
    std::string other = MakeFile("other.dat", "not the expected file");
    auto bigId = platform::StatPath(big)->id;

    OverwriteFileWithSpaces(big, bigId);
    OverwriteFileWithSpaces(empty, std::nullopt);
    OverwriteFileWithSpaces(linked, std::nullopt);
    OverwriteFileWithSpaces(other, bigId);

    EXPECT_EQ(ReadFile(big), std::string(70000, ' '));
    EXPECT_EQ(ReadFile(empty), "");
    EXPECT_EQ(ReadFile(linked), "two names");
    EXPECT_EQ(ReadFile(other), "not the expected file");
}

}  // namespace
}  // namespace ostrel::test
