// `ostrel --wipe-free-space` on loop-mounted ext4 images: what files deleted by `rm` left on the
// raw disk is gone afterwards, as a user and as root, except in the blocks the report says stayed
// free; and a kill at any moment of a fill never leaves the disk full past the next start.
// OSTREL_WIPE_KILLS, OSTREL_WIPE_SEED.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/Ostrel.h"
#include "tests/support/LoopMount.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

constexpr char kMarkerPrefix[] = "<OSTREL-WIPE-";
constexpr int kImageMiB = 48;
constexpr int kNobody = 65534;

// The bytes of free space of `image` for root or for a user (root may use the reserve); with
// `settled`, once the journal has every change (ext4 counts a freed folder block only then).
std::int64_t FreeBytes(const LoopMount& image, bool root, bool settled = true) {
    struct statvfs fs {};
    if ((settled && !image.Flush()) || ::statvfs(image.Root().c_str(), &fs) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>(root ? fs.f_bfree : fs.f_bavail) *
           static_cast<std::int64_t>(fs.f_frsize);
}

// Runs `ostrel` with `args`, as nobody when `asUser` (the sandbox must then be nobody's). Nobody
// runs a copy of the program and its language files in `copies`, a folder nobody may read: the
// build folder may lie where only root can reach it.
RunResult RunAs(bool asUser, const UserSandbox& user, std::vector<std::string> args,
                const fs::path& copies) {
    if (!asUser) {
        args.insert(args.begin(), "ostrel");
        return RunProgram(user, args);
    }
    const fs::path built = std::getenv("OSTREL_PROGRAM_DIR");
    fs::create_directories(copies);
    for (const char* name : {"ostrel", "English.lng", "German.lng", "Busy.gif"}) {
        fs::copy_file(built / name, copies / name, fs::copy_options::overwrite_existing);
    }
    fs::permissions(copies, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    std::vector<std::string> argv = {"/usr/bin/setpriv", "--reuid=" + std::to_string(kNobody),
                                     "--regid=" + std::to_string(kNobody), "--clear-groups",
                                     (copies / "ostrel").string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(user, argv);
}

// Gives the sandbox to nobody, and lets nobody through the folders above it.
void GiveToNobody(const UserSandbox& user, const fs::path& above) {
    for (fs::path folder = user.home().parent_path(); folder != above.parent_path();
         folder = folder.parent_path()) {
        fs::permissions(folder, fs::perms::others_exec, fs::perm_options::add);
    }
    for (const auto& entry : fs::recursive_directory_iterator(user.home().parent_path())) {
        ::lchown(entry.path().c_str(), kNobody, kNobody);
    }
    ::lchown(user.home().parent_path().c_str(), kNobody, kNobody);
}

// The bytes in `text` that the report says stayed free ("1.7 MiB stayed free"); 0 when none.
double StayedFree(const std::string& text) {
    const std::size_t at = text.find(" stayed free");
    if (at == std::string::npos) {
        return 0;
    }
    // "<number> <unit>" just before: the unit after the last blank, the number before it.
    const std::size_t unitAt = text.rfind(' ', at - 1);
    const std::size_t numberAt = unitAt == std::string::npos
                                     ? std::string::npos
                                     : text.find_last_not_of("0123456789.", unitAt - 1);
    if (numberAt == std::string::npos || numberAt + 1 >= unitAt) {
        return 0;
    }
    const std::string unit = text.substr(unitAt + 1, at - unitAt - 1);
    const double scale = unit == "B" ? 1 : unit == "KiB" ? 1024 : unit == "MiB" ? 1 << 20 : 1 << 30;
    return std::stod(text.substr(numberAt + 1, unitAt - numberAt - 1)) * scale;
}

struct Who {
    const char* name;
    bool asUser;
};

class WipeFreeSpace : public ::testing::TestWithParam<Who> {};

TEST_P(WipeFreeSpace, NoMarkerOfDeletedFilesIsLeftOutsideWhatTheReportNames) {
    const bool asUser = GetParam().asUser;
    TempDir temp;
    fs::permissions(temp.path(), fs::perms::others_exec, fs::perm_options::add);
    LoopMount image(temp.path(), "ext4", kImageMiB, "-q -F -b 1024");
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Why();
    }
    // The user's home lies on the wiped disk (its fill folder then goes below the data folder);
    // root's elsewhere (the fill folder then goes to the top of the disk).
    UserSandbox user(asUser ? image.Root() : temp.path());
    user.WriteSettings("English.lng", "DoD 5220.22-M (3 Passes)", 0);
    const fs::path wiped = asUser ? user.work() : image.Root();
    if (asUser) {
        GiveToNobody(user, image.Root());
    }
    for (int i = 0; i < 6; ++i) {
        WriteFile(image.Root() / ("deleted-" + std::to_string(i)),
                  Marked(kMarkerPrefix, "F" + std::to_string(i), 1000 + (i << 20)));
    }
    ASSERT_TRUE(image.Flush());
    ASSERT_EQ(std::system(("rm -f '" + image.Root().string() + "'/deleted-*").c_str()), 0);
    ASSERT_TRUE(image.Flush());
    const std::string before = ReadFile(image.Image());
    ASSERT_EQ(MarkersIn(kMarkerPrefix, before).size(), 6u);
    const std::int64_t freeBefore = FreeBytes(image, !asUser);

    const RunResult run =
        RunAs(asUser, user, {"--wipe-free-space", wiped.string()}, temp.path() / "program");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("the disk was full for"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" - Wiping free space\n"), std::string::npos) << "the window's heading";
    // Give or take the program's own files, when its home is on the disk.
    EXPECT_NEAR(FreeBytes(image, !asUser), freeBefore, asUser ? 64 << 10 : 0) << run.err;
    EXPECT_EQ(InProgress(user), std::vector<std::string>{});
    EXPECT_EQ(ReadFile(user.state() / "Tolvane/Quarrix/fill-folders").find('/'), std::string::npos)
        << "a fill folder is still recorded";
    ASSERT_TRUE(image.Unmount());
    const std::string after = ReadFile(image.Image());
    // Whatever is left lies in blocks no file holds: the ones the report says stayed free.
    constexpr std::size_t kBlock = 1024;
    std::set<std::size_t> blocks;
    for (std::size_t at = after.find(kMarkerPrefix); at != std::string::npos;
         at = after.find(kMarkerPrefix, at + 1)) {
        blocks.insert(at / kBlock);
    }
    for (std::size_t block : blocks) {
        const std::string said = OutputOf("/usr/sbin/debugfs -R 'testb " + std::to_string(block) +
                                          "' '" + image.Image().string() + "' 2>&1")
                                     .value_or("");
        EXPECT_NE(said.find("not in use"), std::string::npos)
            << "a marker in block " << block << ", which a file holds: " << said;
    }
    EXPECT_LE(static_cast<double>(blocks.size() * kBlock), StayedFree(run.err)) << run.err;
    std::cout << "[ wipe ] " << GetParam().name << ": " << blocks.size()
              << " free blocks with markers left; "
              << run.err.substr(std::min(run.err.size(), run.err.find("Done:"))) << "\n";
}

INSTANTIATE_TEST_SUITE_P(Raw, WipeFreeSpace,
                         ::testing::Values(Who{"AsUser", true}, Who{"AsRoot", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Kills at random moments of a wipe; each next start (the program, or the login helper) gives
// the space back, says so, and leaves no fill folder. Every fourth round an interrupt (Ctrl-C) or a
// termination request comes instead: the run itself leaves nothing, no start needed.
class WipeFreeSpaceKills : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!image.Mounted()) {
            GTEST_SKIP() << image.Why();
        }
        freeBefore = FreeBytes(image, true);
    }
    TempDir temp;
    LoopMount image{temp.path(), "ext4", kImageMiB, "-q -F"};
    UserSandbox user{temp.path()};
    std::int64_t freeBefore = 0;
};

TEST_F(WipeFreeSpaceKills, EveryNextStartGivesTheSpaceBack) {
    user.WriteSettings("English.lng", "DoD 5220.22-M (3 Passes)", 0);
    const auto started = std::chrono::steady_clock::now();
    const RunResult whole = RunOstrel(user, {"--wipe-free-space", image.Root().string()});
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    const int wholeMs = 20 + static_cast<int>((std::chrono::steady_clock::now() - started) /
                                              std::chrono::milliseconds(1));
    const auto seed = static_cast<unsigned>(EnvNumber("OSTREL_WIPE_SEED", std::random_device{}()));
    SCOPED_TRACE("OSTREL_WIPE_SEED=" + std::to_string(seed));
    std::mt19937 gen(seed);
    const int kills = EnvNumber("OSTREL_WIPE_KILLS", 24);
    int leftFull = 0;
    for (int round = 0; round < kills; ++round) {
        const int afterMs = std::uniform_int_distribution<int>(0, wholeMs)(gen);
        const int signal = round % 4 != 3 ? SIGKILL : round % 8 == 3 ? SIGINT : SIGTERM;
        RunOptions run;
        run.whileRunning = [afterMs, signal](int pid) {
            std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
            ::kill(pid, signal);
        };
        const RunResult killed = RunOstrel(user, {"--wipe-free-space", image.Root().string()}, run);
        const std::int64_t freeKilled = FreeBytes(image, true);
        const fs::path folder = image.Root() / ".ostrel-free-space-0";
        if (signal != SIGKILL) {
            EXPECT_EQ(freeKilled, freeBefore)
                << "signal " << signal << " after " << afterMs << " ms: " << killed.err;
            EXPECT_FALSE(Exists(folder)) << killed.err;
        }
        leftFull += freeKilled < freeBefore / 2 ? 1 : 0;
        const bool helper = round % 2 == 1;
        const RunResult start = helper ? RunProgram(user, {"ostrel-pending"}) : RunOstrel(user, {});
        const std::string context = "round " + std::to_string(round) + ", signal " +
                                    std::to_string(signal) + " after " + std::to_string(afterMs) +
                                    " ms (" + std::to_string(killed.exitCode) + "): " + start.err;
        EXPECT_EQ(start.exitCode, 0) << context;
        EXPECT_EQ(FreeBytes(image, true), freeBefore) << context;
        EXPECT_FALSE(Exists(folder)) << context;
        if (freeKilled < freeBefore) {
            EXPECT_NE(start.err.find(folder.string()), std::string::npos)
                << "the start did not say it freed the space; " << context;
        }
        if (HasFailure()) {
            break;
        }
    }
    EXPECT_GT(leftFull, 0) << "no kill landed while the disk was nearly full";
    std::cout << "[ wipe kills ] " << kills << " kills, " << leftFull
              << " left the disk more than half full, seed " << seed << "\n";
}

// A start after a kill frees the space before anything else: the first-run language chooser is
// already waiting for an answer with the disk's free space back.
TEST_F(WipeFreeSpaceKills, AStartFreesTheSpaceBeforeTheLanguageChooser) {
    user.WriteSettings("English.lng", "Simple Overwrite (1 Pass)", 0);
    RunOptions fill;
    fill.whileRunning = [&](int pid) {
        // Killed once the disk is nearly full.
        const auto start = std::chrono::steady_clock::now();
        while (FreeBytes(image, true, false) > freeBefore / 10 &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::kill(pid, SIGKILL);
    };
    RunOstrel(user, {"--wipe-free-space", image.Root().string()}, fill);
    ASSERT_LT(FreeBytes(image, true), freeBefore / 10) << "the kill came too late";

    fs::remove(user.config() / "Tolvane/Quarrix/Shredder.reg");  // a first start: it asks
    std::int64_t freeAtQuestion = -1;
    RunOptions start;
    start.terminal = true;  // the chooser waits for an answer
    start.whileRunning = [&](int pid) {
        const auto begin = std::chrono::steady_clock::now();
        while (ReadFile(user.runtime() / "stderr").find("select a language") == std::string::npos &&
               std::chrono::steady_clock::now() - begin < std::chrono::seconds(20)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        freeAtQuestion = FreeBytes(image, true);
        ::kill(pid, SIGKILL);
    };
    const RunResult asked = RunOstrel(user, {}, start);
    EXPECT_NE(asked.err.find("select a language"), std::string::npos) << asked.err;
    EXPECT_EQ(freeAtQuestion, freeBefore) << asked.err;
}

}  // namespace
}  // namespace ostrel::test
