// `ostrel` SIGKILLed at random moments while it shreds a mixed tree, then started again: the
// holding folder is empty, every file is intact or gone (and no marker of it is on the raw
// disk), nothing outside changed, the settings and lists parse, and the start named what it
// finished. Without mounting, only the same-file-system case runs, without the disk search.
// OSTREL_CRASH_KILLS, OSTREL_CRASH_SEED.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/Ostrel.h"
#include "tests/support/LoopMount.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

constexpr int kDefaultKillsPerConfiguration = 110;
constexpr char kMarkerPrefix[] = "<OSTREL-CRASH-";
constexpr const char* kMethods[] = {"Simple Overwrite (1 Pass)", "DoD 5220.22-M (3 Passes)",
                                    "DoD 5220.22-M (7 Passes)"};

struct GivenFile {
    fs::path path;
    std::string contents;
    std::vector<std::string> markers;
    std::optional<fs::path> otherName;  // a second hard link inside the tree
};

// A tree of mixed files: awkward sizes and names, a sparse file, a file with an extended
// attribute, two names of one file, links and a hard link to files outside, a FIFO, empty
// folders. Outside files go to `outside`.
std::vector<GivenFile> MakeMixedTree(const fs::path& tree, const fs::path& outside, int round) {
    const std::string r = "R" + std::to_string(round) + "-";
    fs::create_directories(tree / "nested/deeper");
    fs::create_directories(tree / "empty folder");
    fs::create_directories(tree / "nested/empty too");
    fs::create_directories(outside);
    std::vector<GivenFile> files;
    const std::pair<const char*, std::size_t> plain[] = {
        {"a file", 100000},
        {"nested/deeper/block minus one", 8191},
        {"nested/exactly one block", 8192},
        {"nested/deeper/block plus one", 8193},
        {"odd: name, with\nnewline", 3000},
        {"not utf8 \xff.bin", 5000},
        {"empty", 0},
        {"one", 1},
        {"nested/big", 300000},
    };
    int index = 0;
    for (const auto& [name, size] : plain) {
        const std::string id = r + "F" + std::to_string(index++);
        GivenFile file{tree / name, Marked(kMarkerPrefix, id, size), {}, {}};
        if (size >= 64) {
            file.markers.push_back(id);
        }
        WriteFile(file.path, file.contents);
        files.push_back(file);
    }
    {
        const std::string id = r + "Sparse";
        GivenFile file{tree / "sparse", std::string(), {id}, {}};
        std::ofstream out(file.path, std::ios::binary);
        out.seekp(1 << 20);
        const std::string data = Marked(kMarkerPrefix, id, 20000);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.close();
        fs::resize_file(file.path, 2 << 20);
        file.contents = ReadFile(file.path);
        files.push_back(file);
    }
    {
        // The journal copies the attribute's value: only the data's marker is looked for.
        const std::string id = r + "XattrData";
        GivenFile file{tree / "nested/with attribute", Marked(kMarkerPrefix, id, 4000), {id}, {}};
        WriteFile(file.path, file.contents);
        const std::string value = Marked(kMarkerPrefix, r + "XattrValue", 100);
        ::setxattr(file.path.c_str(), "user.note", value.data(), value.size(), 0);
        files.push_back(file);
    }
    {
        const std::string id = r + "TwoNames";
        GivenFile file{tree / "two names",
                       Marked(kMarkerPrefix, id, 50000),
                       {id},
                       tree / "nested/second name"};
        WriteFile(file.path, file.contents);
        fs::create_hard_link(file.path, *file.otherName);
        files.push_back(file);
    }
    WriteFile(outside / "target", "a link's target");
    fs::create_symlink(outside / "target", tree / "link to outside");
    fs::create_symlink(outside, tree / "nested/link to outside folder");
    WriteFile(outside / "shared", Marked(kMarkerPrefix, r + "Shared", 20000));
    fs::create_hard_link(outside / "shared", tree / "nested/name of an outside file");
    ::mkfifo((tree / "fifo").c_str(), 0600);
    return files;
}

// What the next start has to finish: the holding folder's entries, listed files still there.
std::set<std::string> Leftovers(const UserSandbox& user) {
    std::set<std::string> left;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(user.holding(), ec)) {
        left.insert(entry.path().string());
    }
    for (const std::string& path : InProgress(user)) {
        if (Exists(path)) {
            left.insert(path);
        }
    }
    return left;
}

struct Configuration {
    const char* name;
    bool holdingBesideTheTree;  // the holding folder on the tree's file system, or on another one
};

void PrintTo(const Configuration& configuration, std::ostream* out) {
    *out << configuration.name;
}

class CrashCampaign : public ::testing::TestWithParam<Configuration> {};

TEST_P(CrashCampaign, EveryPromiseHoldsAfterEveryKill) {
    const Configuration& configuration = GetParam();
    TempDir temp;
    LoopMount image(temp.path(), "ext4", 48, "-q -F");
    if (!image.Mounted() && !configuration.holdingBesideTheTree) {
        GTEST_SKIP() << image.Why() << ": no second file system for the tree";
    }
    const bool disk = image.Mounted();
    if (!disk) {
        std::cout << "[ campaign ] " << image.Why() << ": the disk is not searched for copies\n";
    }
    const fs::path treeRoot = disk ? image.Root() : temp.path();
    UserSandbox user(configuration.holdingBesideTheTree ? treeRoot : temp.path());
    const fs::path base = treeRoot / "given";
    const int killsWanted = EnvNumber("OSTREL_CRASH_KILLS", kDefaultKillsPerConfiguration);
    const auto seed = static_cast<unsigned>(EnvNumber("OSTREL_CRASH_SEED", std::random_device{}()));
    std::mt19937 gen(seed);
    SCOPED_TRACE("OSTREL_CRASH_SEED=" + std::to_string(seed));
    int wholeJobMs[3] = {0, 0, 0};
    int kills = 0;
    int finishing = 0;  // restarts that found something to finish
    for (int round = 0; kills < killsWanted && round < 3 * killsWanted; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Half the jobs make one pass, a quarter three, a quarter seven.
        const int draw = std::uniform_int_distribution<int>(0, 3)(gen);
        const int method = draw < 2 ? 0 : draw - 1;
        // Now and then a first start: the language is chosen and written to the settings.
        const bool firstStart = round % 7 == 3;
        user.WriteSettings(firstStart ? nullptr : "English.lng", kMethods[method], 0);
        fs::remove_all(base);
        const fs::path tree = base / "tree";
        const std::vector<GivenFile> files = MakeMixedTree(tree, base / "outside", round);
        const std::string outsideShared = ReadFile(base / "outside/shared");
        if (disk) {
            ASSERT_TRUE(image.Flush());
            const std::set<std::string> before = MarkersIn(kMarkerPrefix, ReadFile(image.Image()));
            for (const GivenFile& file : files) {
                for (const std::string& marker : file.markers) {
                    ASSERT_TRUE(before.contains(marker)) << marker << " never reached the disk";
                }
            }
        }

        // The first job per method is timed; the rest are killed within that time.
        RunOptions run;
        if (wholeJobMs[method] > 0) {
            const bool early = std::uniform_int_distribution<int>(0, 4)(gen) == 0;
            run.killAfterMs =
                std::uniform_int_distribution<int>(0, early ? 30 : wholeJobMs[method])(gen);
        }
        const auto start = std::chrono::steady_clock::now();
        const RunResult job = RunOstrel(user, {tree.string()}, run);
        if (run.killAfterMs < 0) {
            // Its report names the hard link to the outside file (contents kept): status 1.
            ASSERT_EQ(job.exitCode, 1) << job.err;
            ASSERT_FALSE(Exists(tree)) << job.err;
            wholeJobMs[method] = 10 + static_cast<int>((std::chrono::steady_clock::now() - start) /
                                                       std::chrono::milliseconds(1));
        }
        kills += job.exitCode == -1 ? 1 : 0;
        // A quarter of the restarts are killed as well, while they finish the killed job.
        if (job.exitCode == -1 && std::uniform_int_distribution<int>(0, 3)(gen) == 0) {
            RunOptions again;
            again.killAfterMs = std::uniform_int_distribution<int>(0, 40)(gen);
            kills += RunOstrel(user, {}, again).exitCode == -1 ? 1 : 0;
        }
        const std::set<std::string> leftovers = Leftovers(user);
        finishing += leftovers.empty() ? 0 : 1;
        const RunResult restart = RunOstrel(user, {});

        const std::string context =
            "killed after " + std::to_string(run.killAfterMs) + " ms; restart said: " + restart.err;
        EXPECT_EQ(restart.exitCode, 0) << context;
        EXPECT_TRUE(!Exists(user.holding()) || fs::is_empty(user.holding())) << context;
        for (const std::string& path : leftovers) {
            EXPECT_NE(restart.err.find(path), std::string::npos)
                << "the start did not say it finished " << path << "; " << context;
        }
        EXPECT_EQ(StoredFileProblems(user, kMethods[method]), std::vector<std::string>{})
            << context;
        ASSERT_TRUE(!disk || image.Flush());
        const std::set<std::string> after =
            disk ? MarkersIn(kMarkerPrefix, ReadFile(image.Image())) : std::set<std::string>();
        for (const GivenFile& file : files) {
            const bool gone = !Exists(file.path) && (!file.otherName || !Exists(*file.otherName));
            for (const std::optional<fs::path>& name : {std::optional(file.path), file.otherName}) {
                if (name && Exists(*name)) {
                    EXPECT_EQ(ReadFile(*name), file.contents)
                        << *name << " was touched but not destroyed; " << context;
                }
            }
            for (const std::string& marker : file.markers) {
                EXPECT_TRUE(!gone || !after.contains(marker))
                    << file.path << " is gone but its contents (" << marker
                    << ") are still on the disk; " << context;
            }
        }
        EXPECT_EQ(ReadFile(base / "outside/target"), "a link's target") << context;
        EXPECT_EQ(ReadFile(base / "outside/shared"), outsideShared) << context;
        if (HasFailure()) {
            break;  // one round's failures say enough; the seed repeats the campaign
        }
    }
    EXPECT_GE(kills, killsWanted) << "the program finished before most kill times";
    EXPECT_TRUE(kills < 20 || finishing > 0) << "no kill ever landed in the middle of a file";
    std::cout << "[ campaign ] " << configuration.name << ": " << kills << " kills, " << finishing
              << " restarts finished files, seed " << seed << "\n";
}

INSTANTIATE_TEST_SUITE_P(HoldingFolder, CrashCampaign,
                         ::testing::Values(Configuration{"OnTheSameFileSystem", true},
                                           Configuration{"OnAnotherFileSystem", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ostrel::test
