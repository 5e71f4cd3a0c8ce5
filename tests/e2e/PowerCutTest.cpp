// Power cuts while `ostrel` shreds, on disks that log every write and flush in order. Each disk is
// rebuilt as it stood just before each flush the job caused (none or a random part of the unflushed
// writes), repaired, mounted, and `ostrel` starts once: every file must then be intact or gone
// without a marker left on the raw disk, and nothing else changed. OSTREL_POWERCUT_CUTS (0: all),
// OSTREL_POWERCUT_SEED.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/Ostrel.h"
#include "tests/support/LoopMount.h"
#include "tests/support/RecordingDisks.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

constexpr int kDefaultCuts = 20;
constexpr char kMarkerPrefix[] = "<OSTREL-POWERCUT-";

void Apply(const std::string& log, const LoggedRequest& request, std::vector<std::string>& disks) {
    std::string& disk = disks.at(request.head.disk);
    if (request.head.kind == RecordedRequest::kWrite) {
        disk.replace(request.head.offset, request.head.length, log, request.data,
                     request.head.length);
    } else if (request.head.kind == RecordedRequest::kZero) {
        disk.replace(request.head.offset, request.head.length, request.head.length, '\0');
    }
}

struct CutSetup {
    const char* name;
    const char* method;
    bool homeOnTreeDisk;
};

void PrintTo(const CutSetup& setup, std::ostream* out) {
    *out << setup.name;
}

struct GivenFile {
    fs::path path;
    std::string contents;
    std::string marker;
};

class PowerCut : public ::testing::TestWithParam<CutSetup> {};

TEST_P(PowerCut, EveryFileIsIntactOrGoneAfterTheNextStart) {
    const CutSetup& setup = GetParam();
    if (const std::string why = RecordingDisks::Unavailable(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    TempDir temp;
    std::vector<std::pair<std::string, int>> sizes = {{"tree.img", 40}};
    if (!setup.homeOnTreeDisk) {
        sizes.emplace_back("home.img", 16);
    }
    RecordingDisks disks(temp.path(), sizes);
    ASSERT_EQ(disks.Why(), "");
    const fs::path treeMount = disks.Root(0);

    UserSandbox user(disks.Root(disks.Count() - 1));
    user.WriteSettings("English.lng", setup.method, 0);
    const fs::path tree = treeMount / "given", outside = treeMount / "outside";
    std::vector<GivenFile> files;
    const std::pair<const char*, std::size_t> shapes[] = {
        {"small", 3000},           {"a/one block plus one", 8193}, {"a/hundred k", 100000},
        {"a/b/one mebi", 1 << 20}, {"three mebi", 3 << 20},        {"a/b/tiny", 700},
    };
    for (std::size_t i = 0; i < std::size(shapes); ++i) {
        const std::string marker = "F" + std::to_string(i);
        files.push_back(
            {tree / shapes[i].first, Marked(kMarkerPrefix, marker, shapes[i].second), marker});
        WriteFile(files.back().path, files.back().contents);
    }
    const std::string kept = Marked(kMarkerPrefix, "Outside", 20000);
    WriteFile(outside / "kept", kept);
    for (std::size_t d = 0; d < disks.Count(); ++d) {
        ASSERT_TRUE(SyncFileSystem(disks.Root(d)));
    }
    const std::size_t mark = ParseLog(disks.Log()).size();  // everything before is on the disk

    const RunResult job = RunOstrel(user, {"--yes", tree.string()});
    ASSERT_EQ(job.exitCode, 0) << job.err;
    ASSERT_FALSE(Exists(tree)) << job.err;
    disks.UnmountAll();
    disks.StopRecording();

    const std::string recorded = disks.Log();
    const std::vector<LoggedRequest> requests = ParseLog(recorded);
    std::vector<std::string> images;
    for (std::size_t d = 0; d < disks.Count(); ++d) {
        images.emplace_back(static_cast<std::size_t>(disks.SizeMiB(d)) << 20, '\0');
    }
    for (std::size_t i = 0; i < mark; ++i) {
        Apply(recorded, requests[i], images);
    }
    // The cut points: just before each flush the job's run sent, and after its last request.
    std::vector<std::size_t> cuts;
    for (std::size_t i = mark; i < requests.size(); ++i) {
        if (requests[i].head.kind == RecordedRequest::kFlush) {
            cuts.push_back(i);
        }
    }
    cuts.push_back(requests.size());
    const auto seed =
        static_cast<unsigned>(EnvNumber("OSTREL_POWERCUT_SEED", std::random_device{}()));
    std::mt19937 gen(seed);
    SCOPED_TRACE("OSTREL_POWERCUT_SEED=" + std::to_string(seed));
    const int wanted = EnvNumber("OSTREL_POWERCUT_CUTS", kDefaultCuts);
    if (wanted > 0 && cuts.size() > static_cast<std::size_t>(wanted)) {
        std::shuffle(cuts.begin(), cuts.end(), gen);
        cuts.resize(static_cast<std::size_t>(wanted));
        std::sort(cuts.begin(), cuts.end());
    }

    int states = 0;
    std::vector<std::string> failed;
    for (const std::size_t cut : cuts) {
        // Up to each disk's last flush before the cut; of the writes since, none or half.
        for (const bool someUnflushed : {false, true}) {
            std::vector<std::string> disk = images;
            std::vector<std::size_t> lastFlush(disks.Count(), mark);
            for (std::size_t i = mark; i < cut; ++i) {
                if (requests[i].head.kind == RecordedRequest::kFlush) {
                    lastFlush[requests[i].head.disk] = i;
                }
            }
            int unflushed = 0;
            for (std::size_t i = mark; i < cut; ++i) {
                const RecordedRequest& head = requests[i].head;
                if (head.kind == RecordedRequest::kFlush) {
                    continue;
                }
                const bool volatileWrite = i > lastFlush[head.disk];
                unflushed += volatileWrite ? 1 : 0;
                if (!volatileWrite ||
                    (someUnflushed && std::uniform_int_distribution<int>(0, 1)(gen) == 1)) {
                    Apply(recorded, requests[i], disk);
                }
            }
            if (someUnflushed && unflushed == 0) {
                continue;  // the same state as without
            }
            ++states;
            const std::string name = "state " + std::to_string(states) + " (cut before request " +
                                     std::to_string(cut) +
                                     (someUnflushed ? ", half of " : ", none of ") +
                                     std::to_string(unflushed) + " unflushed)";
            std::vector<std::string> problems;
            std::vector<bool> gone(files.size(), false);
            // Same loop device: the device number the in-progress entries name stays.
            for (std::size_t d = 0; d < disks.Count(); ++d) {
                std::ofstream out(disks.Image(d), std::ios::binary | std::ios::in | std::ios::out);
                out << disk[d];
                if (!out.flush()) {
                    problems.push_back("cannot write " + disks.Image(d).string());
                }
                out.close();
                RunQuietly("blockdev --flushbufs " + disks.Device(d));
                const int fsck =
                    std::system(("e2fsck -fy " + disks.Device(d) + " >/dev/null 2>&1").c_str());
                if (!WIFEXITED(fsck) || (WEXITSTATUS(fsck) & ~3) != 0) {
                    problems.push_back("e2fsck could not repair " + disks.Image(d).string());
                }
                if (!disks.Mount(d)) {
                    problems.push_back("cannot mount " + disks.Image(d).string());
                }
            }
            if (problems.empty()) {
                const RunResult start = RunOstrel(user, {});
                if (start.exitCode != 0) {
                    problems.push_back("the start failed: " + start.err);
                }
                if (Exists(user.holding()) && !fs::is_empty(user.holding())) {
                    problems.push_back("the holding folder is not empty");
                }
                std::set<fs::path> given;
                for (std::size_t f = 0; f < files.size(); ++f) {
                    const GivenFile& file = files[f];
                    given.insert(file.path);
                    gone[f] = !Exists(file.path);
                    if (Exists(file.path) && ReadFile(file.path) != file.contents) {
                        problems.push_back(file.path.filename().string() +
                                           " is at its place, but changed");
                    }
                }
                std::error_code ec;
                for (const fs::path& root : {tree, treeMount / "lost+found",
                                             disks.Root(disks.Count() - 1) / "lost+found"}) {
                    for (const auto& entry : fs::recursive_directory_iterator(root, ec)) {
                        if (!entry.is_directory() && !given.contains(entry.path())) {
                            problems.push_back("a file nobody will finish: " +
                                               entry.path().string());
                        }
                    }
                }
                if (ReadFile(outside / "kept") != kept) {
                    problems.push_back("the file outside was touched");
                }
                for (std::string& problem : StoredFileProblems(user, setup.method)) {
                    problems.push_back(std::move(problem));
                }
            }
            disks.UnmountAll();
            std::set<std::string> markers;
            for (std::size_t d = 0; d < disks.Count(); ++d) {
                markers.merge(MarkersIn(kMarkerPrefix, ReadFile(disks.Image(d))));
            }
            for (std::size_t f = 0; f < files.size(); ++f) {
                if (gone[f] && markers.contains(files[f].marker)) {
                    problems.push_back(files[f].path.filename().string() +
                                       " is gone, but its marker is on the disk");
                }
            }
            if (!problems.empty()) {
                std::string line = name + ":";
                for (const std::string& problem : problems) {
                    line += "\n    " + problem;
                }
                failed.push_back(line);
            }
        }
    }
    std::cout << "[ power cut ] " << setup.name << ": " << states << " states checked at "
              << cuts.size() << " cut points, " << failed.size() << " failed, seed " << seed
              << "\n";
    for (const std::string& line : failed) {
        std::cout << "  " << line << "\n";
    }
    EXPECT_TRUE(failed.empty()) << failed.size() << " of " << states
                                << " states broke a promise (listed above)";
}

INSTANTIATE_TEST_SUITE_P(
    Setups, PowerCut,
    ::testing::Values(CutSetup{"OnePassHomeOnTheTreeDisk", "Simple Overwrite (1 Pass)", true},
                      CutSetup{"ThreePassesHomeOnTheTreeDisk", "DoD 5220.22-M (3 Passes)", true},
                      CutSetup{"OnePassHomeOnAnotherDisk", "Simple Overwrite (1 Pass)", false},
                      CutSetup{"ThreePassesHomeOnAnotherDisk", "DoD 5220.22-M (3 Passes)", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ostrel::test
