// The real `ostrel` killed (SIGKILL) at random moments, many times, while it shreds a tree of
// mixed files, and started again each time. After every restart the promises must hold: the
// holding folder is empty, every file given is intact in its place or gone (and then no copy of
// its contents is left on the disk), files outside the tree are untouched, the settings and
// state files parse, and the start named every file it finished.
//
// The tree lies on a loop-mounted ext4 image whose raw bytes are searched for the files'
// contents; where mounting is not permitted the configuration with the holding folder on the
// tree's file system runs in a temporary folder without that search, and the other is skipped.
//
// OSTREL_CRASH_KILLS sets the kills per configuration (CI: the default), OSTREL_CRASH_SEED
// repeats a campaign; scripts/crash-campaign.sh runs a long one.
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

#include "platform/posix/RegFileFormat.h"
#include "platform/posix/StateList.h"
#include "tests/e2e/Ostrel.h"
#include "tests/support/LoopMount.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

constexpr int kDefaultKillsPerConfiguration = 110;
constexpr char kMarkerPrefix[] = "<OSTREL-CRASH-";
constexpr const char* kMethods[] = {"Simple Overwrite (1 Pass)", "DoD 5220.22-M (3 Passes)",
                                    "DoD 5220.22-M (7 Passes)"};

int EnvNumber(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

// `size` bytes of a marker naming the round and the file, so that any piece of it left on the
// disk says whose it is.
std::string Marked(const std::string& id, std::size_t size) {
    const std::string marker = kMarkerPrefix + id + ">";
    std::string text;
    while (text.size() < size) {
        text += marker;
    }
    text.resize(size);
    return text;
}

// The marker ids found anywhere in the image file.
std::set<std::string> MarkersOn(const fs::path& image) {
    std::ifstream in(image, std::ios::binary);
    std::string bytes(fs::file_size(image), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::set<std::string> found;
    const std::string_view all(bytes);
    const std::size_t prefix = sizeof kMarkerPrefix - 1;
    for (std::size_t at = all.find(kMarkerPrefix); at != std::string_view::npos;
         at = all.find(kMarkerPrefix, at + 1)) {
        const std::size_t end = all.find('>', at);
        if (end != std::string_view::npos && end - at < 40) {
            found.insert(std::string(all.substr(at + prefix, end - at - prefix)));
        }
    }
    return found;
}

// One file of the tree: where it is, what it held, and the marker ids that must leave the disk
// once it is gone.
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
        GivenFile file{tree / name, Marked(id, size), {}, {}};
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
        const std::string data = Marked(id, 20000);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.close();
        fs::resize_file(file.path, 2 << 20);
        file.contents = ReadFile(file.path);
        files.push_back(file);
    }
    {
        // The attribute's value is metadata, which the file system's journal copies: only the
        // data's marker can be looked for (the attribute on a disk without a journal is
        // ShredderTest's).
        const std::string id = r + "XattrData";
        GivenFile file{tree / "nested/with attribute", Marked(id, 4000), {id}, {}};
        WriteFile(file.path, file.contents);
        const std::string value = Marked(r + "XattrValue", 100);
        ::setxattr(file.path.c_str(), "user.note", value.data(), value.size(), 0);
        files.push_back(file);
    }
    {
        const std::string id = r + "TwoNames";
        GivenFile file{tree / "two names", Marked(id, 50000), {id}, tree / "nested/second name"};
        WriteFile(file.path, file.contents);
        fs::create_hard_link(file.path, *file.otherName);
        files.push_back(file);
    }
    WriteFile(outside / "target", "a link's target");
    fs::create_symlink(outside / "target", tree / "link to outside");
    fs::create_symlink(outside, tree / "nested/link to outside folder");
    WriteFile(outside / "shared", Marked(r + "Shared", 20000));
    fs::create_hard_link(outside / "shared", tree / "nested/name of an outside file");
    ::mkfifo((tree / "fifo").c_str(), 0600);
    return files;
}

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// Every entry of the holding folder and every in-progress entry that still names a file: what
// the next start has to finish.
std::set<std::string> Leftovers(const UserSandbox& user) {
    std::set<std::string> left;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(user.holding(), ec)) {
        left.insert(entry.path().string());
    }
    std::vector<platform::StateEntry> entries;
    platform::posix::ParseStateList(ReadFile(user.state() / "Tolvane/Quarrix/in-progress"),
                                    entries);
    for (const auto& entry : entries) {
        if (Exists(entry.path)) {
            left.insert(entry.path);
        }
    }
    return left;
}

// The settings and the state lists parse, and no start ever had to set one aside as unreadable.
void ExpectSettingsAndStateParse(const UserSandbox& user, const std::string& method) {
    const auto settings =
        platform::posix::ParseRegFile(ReadFile(user.config() / "Tolvane/Quarrix/Shredder.reg"),
                                      "HKEY_CURRENT_USER\\Software\\Tolvane\\Quarrix\\Shredder");
    ASSERT_TRUE(settings.has_value()) << "the settings file does not parse";
    const auto* stored = platform::posix::FindRegValue(*settings, "Method");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->data, method);
    EXPECT_NE(platform::posix::FindRegValue(*settings, "DefaultLang"), nullptr);
    for (const char* list : {"in-progress", "pending-deletions"}) {
        const fs::path path = user.state() / "Tolvane/Quarrix" / list;
        std::vector<platform::StateEntry> entries;
        if (Exists(path)) {
            EXPECT_TRUE(platform::posix::ParseStateList(ReadFile(path), entries)) << list;
        }
        EXPECT_TRUE(entries.empty()) << list << " still lists " << entries.size();
    }
    for (const fs::path& root : {user.config(), user.state()}) {
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            EXPECT_NE(entry.path().extension(), ".corrupt")
                << entry.path() << " was set aside as unreadable";
        }
    }
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
    // Without an image (no root) the tree and the holding folder share the temporary folder's
    // file system, and only the disk is not looked at.
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
            const std::set<std::string> before = MarkersOn(image.Image());
            for (const GivenFile& file : files) {
                for (const std::string& marker : file.markers) {
                    ASSERT_TRUE(before.contains(marker)) << marker << " never reached the disk";
                }
            }
        }

        // The first job by each method runs to its end and times it; the others are killed
        // within that time, a fifth of them while the program is still starting.
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
        ExpectSettingsAndStateParse(user, kMethods[method]);
        ASSERT_TRUE(!disk || image.Flush());
        const std::set<std::string> after =
            disk ? MarkersOn(image.Image()) : std::set<std::string>();
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
