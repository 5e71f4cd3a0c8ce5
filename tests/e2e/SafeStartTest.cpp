// What the real executables do before any job.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/Ostrel.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/HolderProcess.h"
#include "tests/support/LoopDevice.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

constexpr char kSimple[] = "Simple Overwrite (1 Pass)";
constexpr char kDod7[] = "DoD 5220.22-M (7 Passes)";
constexpr char kWaitingForDisk[] = "Waiting for the disk that holds";
constexpr char kWaitingForStart[] = "Waiting for another start of Ostrel";

// With outputs closed, lock files would get descriptors 1 and 2 and fill with texts.
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

// Root with another user's HOME (as "sudo -E" gives it) stops, says why, status 1.
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

// A killed run's file on a disk that is away (unmounted, elsewhere, another device) waits and
// stays listed; back at its place on its device, the next start finishes it.
TEST(SafeStart, InterruptedWorkOnADiskThatIsAwayWaitsForIt) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root: a loop-mounted disk";
    }
    TempDir temp;
    const fs::path image = temp.path() / "disk.img";
    ASSERT_TRUE(RunQuietly("truncate -s 64M '" + image.string() + "' && mkfs.ext4 -q -F '" +
                           image.string() + "'"));
    LoopDevice disk(image);
    if (!disk.Attached()) {
        GTEST_SKIP() << disk.Why();
    }
    const fs::path place = temp.path() / "disk", elsewhere = temp.path() / "elsewhere";
    ASSERT_TRUE(disk.Mount(place));
    UserSandbox user;  // the holding folder lies on another file system than the disk
    user.WriteSettings("English.lng", kDod7, 0);
    WriteFile(place / "secret", std::string(24 << 20, 'S'));

    std::string renamed;
    RunOptions run;
    run.whileRunning = [&](int pid) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (renamed.empty() && std::chrono::steady_clock::now() < end) {
            for (const std::string& path : InProgress(user)) {
                if (fs::exists(path)) {
                    ::kill(pid, SIGKILL);
                    renamed = path;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    const std::string given = fs::relative(place / "secret", user.work()).string();
    ASSERT_EQ(RunOstrel(user, {given}, run).exitCode, -1);
    ASSERT_FALSE(renamed.empty()) << "no path on the in-progress list names a file: "
                                  << ReadFile(user.state() / "Tolvane/Quarrix/in-progress");
    const fs::path name = fs::path(renamed).filename();
    ASSERT_TRUE(disk.Unmount());

    LoopDevice other(image);
    ASSERT_TRUE(other.Attached()) << other.Why();
    WriteFile(user.work() / "today", "today's file");
    const struct {
        const char* disk;
        std::function<bool()> attach;
        std::function<bool()> detach;
        std::vector<std::string> paths;
    } rows[] = {
        {"unmounted", [] { return true; }, [] { return true; }, {}},
        {"mounted elsewhere",
         [&] { return disk.Mount(elsewhere); },
         [&] { return disk.Unmount(); },
         {"today"}},
        {"another device", [&] { return other.Mount(place); }, [&] { return other.Unmount(); }, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.disk);
        ASSERT_TRUE(row.attach());
        const RunResult start = RunOstrel(user, row.paths);
        EXPECT_EQ(start.exitCode, 0) << start.err;
        EXPECT_NE(start.err.find(kWaitingForDisk), std::string::npos) << start.err;
        EXPECT_NE(start.err.find(renamed), std::string::npos) << start.err;
        EXPECT_EQ(InProgress(user), std::vector<std::string>{renamed});
        if (row.disk == std::string("mounted elsewhere")) {
            EXPECT_EQ(fs::file_size(elsewhere / name), 24u << 20) << "left alone";
            EXPECT_FALSE(fs::exists(user.work() / "today")) << "the job itself ran";
        }
        ASSERT_TRUE(row.detach());
    }

    ASSERT_TRUE(disk.Mount(place));
    const RunResult back = RunOstrel(user, {});
    EXPECT_EQ(back.exitCode, 0) << back.err;
    EXPECT_EQ(back.err.find(kWaitingForDisk), std::string::npos) << back.err;
    EXPECT_NE(back.err.find(renamed), std::string::npos) << "named as finished: " << back.err;
    EXPECT_FALSE(fs::exists(renamed));
    EXPECT_TRUE(InProgress(user).empty());
}

// Behind a held holding-folder lock a start says what it waits for, goes on once it is free,
// and gives up (status 1, nothing touched) when a stopped process holds it.
TEST(SafeStart, StartBehindAnotherStartSaysWhatItWaitsForAndGivesUp) {
    UserSandbox user;
    user.WriteSettings("English.lng", kSimple, 0);
    ASSERT_EQ(RunOstrel(user, {}).exitCode, 0);  // makes the holding folder and its lock
    const std::string lock = user.holding().string() + ".lock";
    WriteFile(user.work() / "secret", "data");
    RunOptions bounded;
    bounded.env = {"OSTREL_START_WAIT=2"};
    {
        HolderProcess holder(lock, HolderProcess::Hold::Flock);
        ASSERT_TRUE(holder.Holding());
        ASSERT_EQ(::kill(holder.Pid(), SIGSTOP), 0);
        const RunResult stopped = RunOstrel(user, {"secret"}, bounded);
        ::kill(holder.Pid(), SIGCONT);
        EXPECT_EQ(stopped.exitCode, 1);
        EXPECT_NE(stopped.err.find(kWaitingForStart), std::string::npos) << stopped.err;
        EXPECT_NE(stopped.err.find("Nothing was shredded"), std::string::npos) << stopped.err;
        EXPECT_EQ(ReadFile(user.work() / "secret"), "data");
    }

    auto holder = std::make_unique<HolderProcess>(lock, HolderProcess::Hold::Flock);
    ASSERT_TRUE(holder->Holding());
    RunOptions released;
    released.env = {"OSTREL_START_WAIT=120"};
    released.whileRunning = [&](int) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (ReadFile(user.runtime() / "stderr").find(kWaitingForStart) == std::string::npos &&
               std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        holder.reset();
    };
    fs::remove(user.runtime() / "stderr");  // what the run before said
    const RunResult waited = RunOstrel(user, {"secret"}, released);
    EXPECT_EQ(waited.exitCode, 0) << waited.err;
    EXPECT_NE(waited.err.find(kWaitingForStart), std::string::npos) << waited.err;
    EXPECT_FALSE(fs::exists(user.work() / "secret"));
}

}  // namespace
}  // namespace ostrel::test
