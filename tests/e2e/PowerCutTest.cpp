// Power cuts while `ostrel` shreds: the disks are loop devices (direct I/O) over a FUSE file
// system that logs every write and flush in order. Each disk is rebuilt as it stood just before
// each flush the job caused (none or a random part of the unflushed writes), repaired, mounted,
// and `ostrel` starts once: every file must then be intact or gone without a marker left on the
// raw disk, and nothing else changed. OSTREL_POWERCUT_CUTS (0: all), OSTREL_POWERCUT_SEED.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/Ostrel.h"
#include "tests/support/LoopMount.h"
#include "tests/support/recorder/RecordedWrites.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

constexpr int kDefaultCuts = 20;
constexpr int kTreeDiskMiB = 40;
constexpr int kHomeDiskMiB = 16;
constexpr char kMarkerPrefix[] = "<OSTREL-POWERCUT-";
constexpr char kProbe[] = "<flush-order-probe>";

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// The recorder's log, read back: each request with where its data lies.
struct Request {
    RecordedRequest head;
    std::size_t data;  // offset of the written bytes in the log
};

std::vector<Request> ParseLog(const std::string& log) {
    std::vector<Request> requests;
    for (std::size_t at = 0; at + sizeof(RecordedRequest) <= log.size();) {
        Request request{};
        std::memcpy(&request.head, log.data() + at, sizeof request.head);
        request.data = at + sizeof request.head;
        at =
            request.data + (request.head.kind == RecordedRequest::kWrite ? request.head.length : 0);
        if (at > log.size()) {
            break;  // a record cut short
        }
        requests.push_back(request);
    }
    return requests;
}

void Apply(const std::string& log, const Request& request, std::vector<std::string>& disks) {
    std::string& disk = disks.at(request.head.disk);
    if (request.head.kind == RecordedRequest::kWrite) {
        disk.replace(request.head.offset, request.head.length, log, request.data,
                     request.head.length);
    } else if (request.head.kind == RecordedRequest::kZero) {
        disk.replace(request.head.offset, request.head.length, request.head.length, '\0');
    }
}

// Takes down the recorder, its loop devices and every mount, in reverse order.
class Teardown {
  public:
    ~Teardown() {
        for (auto it = m_mounts.rbegin(); it != m_mounts.rend(); ++it) {
            RunQuietly("umount " + Quoted(*it) + " || umount -l " + Quoted(*it));
        }
        for (const std::string& device : m_loops) {
            RunQuietly("losetup -d " + device);
        }
        StopRecorder();
    }
    void Mounted(const fs::path& at) { m_mounts.push_back(at); }
    void Unmount(const fs::path& at) {
        RunQuietly("umount " + Quoted(at));
        std::erase(m_mounts, at);
    }
    void Loop(const std::string& device) { m_loops.push_back(device); }
    // Ends the recording; the disk files then serve the rebuilt states.
    void StopRecording() const { ::kill(m_recorder, SIGUSR1); }
    void Recorder(int pid, const fs::path& mountPoint) {
        m_recorder = pid;
        m_recorderMount = mountPoint;
    }
    // Unmounts the recorder's file system and waits for it to end.
    void StopRecorder() {
        if (m_recorder <= 0) {
            return;
        }
        // The loop device may let go of its file a moment after it was detached.
        for (int i = 0; i < 50 && !RunQuietly("umount " + Quoted(m_recorderMount)); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (WaitChildFor(m_recorder, std::chrono::seconds(5)) == -1) {  // killed: unmount lazily
            RunQuietly("umount -l " + Quoted(m_recorderMount));
            WaitChild(m_recorder);
        }
        m_recorder = -1;
    }

  private:
    std::vector<fs::path> m_mounts;
    std::vector<std::string> m_loops;
    int m_recorder = -1;
    fs::path m_recorderMount;
};

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
    const char* programDir = std::getenv("OSTREL_PROGRAM_DIR");
    ASSERT_NE(programDir, nullptr) << "run the tests through ctest";
    const fs::path recorder = fs::path(programDir) / "ostrel_write_recording_disk";
    if (::geteuid() != 0) {
        GTEST_SKIP() << "loop devices and mounts need root";
    }
    if (::access("/dev/fuse", R_OK | W_OK) != 0 || !fs::exists(recorder)) {
        GTEST_SKIP() << "no /dev/fuse or no write-recording disk (libfuse3 missing at build time)";
    }
    TempDir temp;
    const fs::path fuseDir = temp / "recorder", log = temp / "requests.log";
    const fs::path treeMount = temp / "tree-disk", homeMount = temp / "home-disk";
    for (const fs::path& dir : {fuseDir, treeMount, homeMount}) {
        fs::create_directories(dir);
    }
    std::vector<std::pair<std::string, int>> disks = {{"tree.img", kTreeDiskMiB}};
    std::vector<fs::path> mounts = {treeMount};
    if (!setup.homeOnTreeDisk) {
        disks.emplace_back("home.img", kHomeDiskMiB);
        mounts.push_back(homeMount);
    }

    Teardown teardown;
    {
        std::vector<std::string> args = {recorder.string(), log.string(), fuseDir.string()};
        for (const auto& [name, mib] : disks) {
            args.push_back(name + ":" + std::to_string(mib));
        }
        const int pid = StartChild([&args] {
            std::vector<char*> argv;
            for (std::string& arg : args) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            return 127;
        });
        teardown.Recorder(pid, fuseDir);
    }
    for (int i = 0; i < 100 && !fs::exists(fuseDir / disks.back().first); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(fs::exists(fuseDir / disks.back().first)) << "the recorder did not come up";
    std::vector<std::string> devices;
    for (std::size_t d = 0; d < disks.size(); ++d) {
        const auto device =
            OutputOf("losetup -f --show --direct-io=on " + Quoted(fuseDir / disks[d].first));
        ASSERT_TRUE(device.has_value()) << "losetup --direct-io=on on the FUSE file failed";
        teardown.Loop(*device);
        devices.push_back(*device);
        // The page cache would reorder writes.
        const std::string dio = ReadFile("/sys/block/" + device->substr(5) + "/loop/dio");
        ASSERT_EQ(dio.substr(0, 1), "1") << *device << " does not use direct I/O";
        ASSERT_TRUE(
            RunQuietly("mkfs.ext4 -q -F -b 4096 -E "
                       "nodiscard,lazy_itable_init=0,lazy_journal_init=0 " +
                       *device));
        ASSERT_TRUE(RunQuietly("mount " + *device + " " + Quoted(mounts[d])));
        teardown.Mounted(mounts[d]);
    }

    // The premise: an fsync shows in the log as the data's write followed by a flush.
    {
        std::string probe;
        while (probe.size() < 8192) {
            probe += kProbe;
        }
        const fs::path path = treeMount / "probe";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, probe.data(), probe.size()), static_cast<ssize_t>(probe.size()));
        ASSERT_EQ(::fsync(fd), 0);
        ::close(fd);
        const std::string seen = ReadFile(log);  // what was logged when fsync returned
        const std::vector<Request> requests = ParseLog(seen);
        std::optional<std::size_t> data;
        bool flushedAfter = false;
        for (std::size_t i = 0; i < requests.size(); ++i) {
            const RecordedRequest& head = requests[i].head;
            if (head.disk != 0) {
                continue;
            }
            if (head.kind == RecordedRequest::kWrite &&
                std::string_view(seen).substr(requests[i].data, head.length).find(kProbe) !=
                    std::string_view::npos) {
                data = i;
                flushedAfter = false;
            } else if (head.kind == RecordedRequest::kFlush && data) {
                flushedAfter = true;
            }
        }
        ASSERT_TRUE(data.has_value()) << "the fsynced data never reached the recorder";
        ASSERT_TRUE(flushedAfter) << "fsync returned before a flush followed the data";
    }

    UserSandbox user(setup.homeOnTreeDisk ? treeMount : homeMount);
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
    for (const fs::path& mount : mounts) {
        ASSERT_TRUE(SyncFileSystem(mount));
    }
    const std::size_t mark = ParseLog(ReadFile(log)).size();  // everything before is on the disk

    const RunResult job = RunOstrel(user, {"--yes", tree.string()});
    ASSERT_EQ(job.exitCode, 0) << job.err;
    ASSERT_FALSE(Exists(tree)) << job.err;
    for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
        teardown.Unmount(*it);
    }
    teardown.StopRecording();
    // The recorder serves the request it is in before it looks at the flag again.
    const fs::path disk0 = fuseDir / disks[0].first;
    for (std::size_t before = 0, now = 1; before != now;) {
        before = fs::file_size(log);
        std::string ignored(4096, '\0');
        const int fd = ::open(disk0.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pread(fd, ignored.data(), ignored.size(), 0), 4096);
        ::close(fd);
        now = fs::file_size(log);
    }

    const std::string recorded = ReadFile(log);
    const std::vector<Request> requests = ParseLog(recorded);
    std::vector<std::string> images;
    for (const auto& [name, mib] : disks) {
        images.emplace_back(static_cast<std::size_t>(mib) << 20, '\0');
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
            std::vector<std::size_t> lastFlush(disks.size(), mark);
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
            std::vector<fs::path> rebuilt;
            std::vector<bool> gone(files.size(), false);
            // Same loop device: the device number the in-progress entries name stays.
            for (std::size_t d = 0; d < disks.size(); ++d) {
                const fs::path image = fuseDir / disks[d].first;
                {
                    std::ofstream out(image, std::ios::binary | std::ios::in | std::ios::out);
                    out << disk[d];
                    if (!out.flush()) {
                        problems.push_back("cannot write " + disks[d].first);
                    }
                }
                rebuilt.push_back(image);
                RunQuietly("blockdev --flushbufs " + devices[d]);
                const int fsck =
                    std::system(("e2fsck -fy " + devices[d] + " >/dev/null 2>&1").c_str());
                if (!WIFEXITED(fsck) || (WEXITSTATUS(fsck) & ~3) != 0) {
                    problems.push_back("e2fsck could not repair " + disks[d].first);
                }
                if (!RunQuietly("mount " + devices[d] + " " + Quoted(mounts[d]))) {
                    problems.push_back("cannot mount " + disks[d].first);
                }
                teardown.Mounted(mounts[d]);
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
                for (const fs::path& root :
                     {tree, treeMount / "lost+found", homeMount / "lost+found"}) {
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
            for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
                teardown.Unmount(*it);
            }
            std::set<std::string> markers;
            for (const fs::path& image : rebuilt) {
                markers.merge(MarkersIn(kMarkerPrefix, ReadFile(image)));
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
