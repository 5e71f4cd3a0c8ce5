// Catches an entry the walk saw that ends without exactly one true outcome: destroyed, or named
// by a line of its own or by a folder's line that counts the files it leaves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include "core/ShredMethods.h"
#include "lang/LanguageFile.h"
#include "platform/FaultInjection.h"
#include "tests/job/JobFixture.h"
#include "tests/job/TreeAccounting.h"
#include "tests/support/ChildProcess.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

// A child's report, carried over in a file: a line per entry, "section<TAB>path<TAB>reason".
void SaveReport(JobReport report, const std::string& file) {
    std::ofstream out(file);
    const auto lines = LineSections(report);
    const auto paths = PathSections(report);
    for (std::size_t section = 0; section < lines.size(); ++section) {
        for (const ReportLine& line : *lines[section]) {
            out << section << '\t' << line.path << '\t' << line.reason << '\n';
        }
    }
    for (std::size_t section = 0; section < paths.size(); ++section) {
        for (const std::string& path : *paths[section]) {
            out << lines.size() + section << '\t' << path << "\t\n";
        }
    }
}

JobReport LoadReport(const std::string& file) {
    JobReport report;
    const auto lines = LineSections(report);
    const auto paths = PathSections(report);
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const auto tab = line.find('\t'), second = line.find('\t', tab + 1);
        const std::size_t section = std::stoul(line.substr(0, tab));
        const std::string path = line.substr(tab + 1, second - tab - 1);
        if (section < lines.size()) {
            lines[section]->push_back({path, line.substr(second + 1)});
        } else {
            paths[section - lines.size()]->push_back(path);
        }
    }
    return report;
}

// Makes `depth` nested folders "d" below `tree`, with a file "f" at each depth `hasFile` picks.
template <typename Pick>
void MakeChain(const fs::path& tree, int depth, Pick hasFile) {
    fs::create_directories(tree);
    int level = open(tree.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(level, 0);
    for (int i = 1; i <= depth; ++i) {
        ASSERT_EQ(mkdirat(level, "d", 0700), 0);
        const int next = openat(level, "d", O_RDONLY | O_DIRECTORY);
        close(level);
        level = next;
        if (hasFile(i)) {
            const int file = openat(level, "f", O_WRONLY | O_CREAT, 0600);
            ASSERT_EQ(write(file, "secret", 6), 6);
            close(file);
        }
    }
    close(level);
}

class JobAccountingTest : public JobTest {
  protected:
    JobAccountingTest() { OpenLanguageFile("English.lng"); }  // the report's reasons are read
    ~JobAccountingTest() override { CloseLanguageFile(); }

    // Runs the job on `tree` in a child under an open-file limit of `maxFiles` (0: none) and
    // returns its report. With `hogSeed`, the child's free descriptors are taken and given back
    // at random moments, so any open may fail with EMFILE for a while. A job still running at
    // the deadline is killed; `release` lets go of what may hold it.
    JobReport RunLimited(const std::string& tree, rlim_t maxFiles, unsigned hogSeed = 0,
                         const std::function<void()>& release = {}) {
        const std::string saved = (m_temp.path() / "report").string();
        const int child = StartChild([&] {
            if (maxFiles != 0) {
                const rlimit limit{maxFiles, maxFiles};
                if (setrlimit(RLIMIT_NOFILE, &limit) != 0) {
                    return 10;
                }
            }
            std::mt19937 random(hogSeed);
            std::vector<int> hogged;
            if (hogSeed != 0) {
                m_host.onDoEvents = [&] {
                    if (random() % 4 != 0) {
                        return;
                    }
                    if (hogged.empty()) {
                        for (int fd; (fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) {
                            hogged.push_back(fd);
                        }
                    } else {
                        for (const int fd : hogged) {
                            close(fd);
                        }
                        hogged.clear();
                    }
                };
            }
            m_job.ShredSinglePath(tree);
            SaveReport(m_job.TakeReport(), saved);
            return 0;
        });
        const int status = WaitChildFor(child, kJobDeadline);
        if (status == -1) {
            if (release) {
                release();
            }
            WaitChild(child);
        }
        EXPECT_EQ(status, 0) << (status == -1 ? "the job hung and was killed" : "");
        return LoadReport(saved);
    }

    // Far more than any job here needs: a job waiting for ever fails the test, not hangs it.
    static constexpr std::chrono::seconds kJobDeadline{120};
};

// Catches entries lost when the tree is deeper than the open-file limit.
TEST_F(JobAccountingTest, TreeDeeperThanTheOpenFileLimitLeavesNothingUnnamed) {
    const fs::path tree = m_temp.path() / "deep";
    MakeChain(tree, 3000,
              [](int depth) { return depth % 100 == 0 || (depth > 1300 && depth < 1600); });
    const auto before = ReadTree(tree.string());
    const JobReport report = RunLimited(tree.string(), 1500);
    const auto after = ReadTree(tree.string());
    const auto gaps = AccountingGaps(tree.string(), before, after, report);
    for (const std::string& gap : gaps) {
        // The paths are thousands of levels long: the level says enough.
        ADD_FAILURE() << gap.substr(0, gap.find('/')) << " at level "
                      << std::count(gap.begin(), gap.end(), '/') - 3 << ": ..."
                      << gap.substr(gap.size() - 12);
    }
    EXPECT_TRUE(after.empty()) << after.size() << " entries left";
}

// Catches the job waiting for (or opening) a stopped FUSE mount inside a tree.
TEST_F(JobAccountingTest, StoppedFuseServerInsideATreeIsLeftWithoutWaiting) {
    if (geteuid() != 0 || access("/dev/fuse", R_OK | W_OK) != 0) {
        GTEST_SKIP() << "mounting a FUSE file system needs root and /dev/fuse";
    }
    const fs::path tree = m_temp.path() / "tree", mnt = tree / "mnt";
    MakeFile("tree/plain", "goes");
    MakeFile("source/inner", "behind the mount");
    fs::create_directories(mnt);
    const std::string source = (m_temp.path() / "source").string();
    const int server = StartChild([&] {
        execlp("bindfs", "bindfs", "-f", source.c_str(), mnt.c_str(), nullptr);
        return 127;
    });
    const auto mounted = [&] {
        std::ifstream mounts("/proc/self/mountinfo");
        const std::string all{std::istreambuf_iterator<char>(mounts), {}};
        return all.find(" " + mnt.string() + " ") != std::string::npos;
    };
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int exited = 0;
    while (!mounted() && std::chrono::steady_clock::now() < end &&
           waitpid(server, &exited, WNOHANG) == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // polls for the mount
    }
    if (!mounted()) {
        kill(server, SIGKILL);
        waitpid(server, &exited, 0);
        GTEST_SKIP() << "bindfs did not mount (is it installed? scripts/setup.sh installs it)";
    }
    ASSERT_EQ(kill(server, SIGSTOP), 0);

    const JobReport report = RunLimited(tree.string(), 0, 0, [&] { kill(server, SIGCONT); });

    kill(server, SIGCONT);
    umount2(mnt.c_str(), MNT_DETACH);
    kill(server, SIGTERM);
    WaitChild(server);
    EXPECT_FALSE(fs::exists(tree / "plain"));
    EXPECT_EQ(ReadFile(m_temp.path() / "source/inner"), "behind the mount");
    ASSERT_EQ(report.foldersLeft.size(), 1u);
    EXPECT_EQ(report.foldersLeft[0].path, mnt.string());
    EXPECT_EQ(report.foldersLeft[0].reason, "another file system is mounted here");
}

// Catches an entry unnamed or named falsely under random failures of each faulted call, some
// under a tight open-file limit.
TEST_F(JobAccountingTest, RandomTreesUnderRandomFailuresAreAccountedFor) {
    const unsigned seed = testing::UnitTest::GetInstance()->random_seed();
    std::mt19937 random(seed);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const platform::SysCall calls[] = {platform::SysCall::Open,   platform::SysCall::Write,
                                       platform::SysCall::Fsync,  platform::SysCall::Rename,
                                       platform::SysCall::Unlink, platform::SysCall::Lease};
    const int errors[] = {EIO, ENOSPC, EACCES, EPERM, EMFILE};
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));
        const fs::path tree = m_temp.path() / ("tree" + std::to_string(round));
        std::vector<fs::path> folders{tree};
        fs::create_directories(tree);
        for (int n = 0, count = 5 + below(25); n < count; ++n) {
            const fs::path in =
                folders[static_cast<std::size_t>(below(static_cast<int>(folders.size())))];
            const fs::path entry = in / ("e" + std::to_string(n));
            switch (below(6)) {
                case 0:
                case 1:
                    fs::create_directory(entry);
                    folders.push_back(entry);
                    break;
                case 2:
                    fs::create_symlink("/", entry);
                    break;
                default:
                    WriteFile(entry, std::string(static_cast<std::size_t>(below(20000)), 'x'));
            }
        }
        for (int f = below(3); f > 0; --f) {
            platform::InjectFault(calls[below(std::size(calls))], errors[below(std::size(errors))],
                                  below(30), below(3) == 0 ? -1 : 1 + below(4));
        }
        const auto before = ReadTree(tree.string());
        const bool hog = below(2) == 0;
        const JobReport report =
            RunLimited(tree.string(), hog || below(3) == 0 ? 64 : 0, hog ? 1 + random() : 0);
        platform::ClearFaults();
        const auto after = ReadTree(tree.string());
        for (const std::string& gap : AccountingGaps(tree.string(), before, after, report)) {
            ADD_FAILURE() << gap;
        }
    }
}

}  // namespace
}  // namespace ostrel::test
