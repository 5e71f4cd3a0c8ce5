// Every entry the walk saw ends in exactly one true outcome: destroyed or removed, or named in
// the report by a line of its own or by a folder's line that says how many files it leaves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <random>

#include "core/ShredMethods.h"
#include "platform/FaultInjection.h"
#include "tests/job/JobFixture.h"
#include "tests/job/TreeAccounting.h"
#include "tests/support/ChildProcess.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

// One report line a child process wrote: section, path, reason.
using SavedLine = std::tuple<int, std::string, std::string>;

void SaveReport(const JobReport& report, const std::string& file) {
    std::ofstream out(file);
    int section = 0;
    for (const auto* lines : {&report.scheduledAtRestart, &report.failed, &report.foldersLeft,
                              &report.stopped, &report.refused}) {
        for (const ReportLine& line : *lines) {
            out << section << '\t' << line.path << '\t' << line.reason << '\n';
        }
        ++section;
    }
    for (const auto* paths : {&report.contentsKept, &report.trashRefused, &report.notFound}) {
        for (const std::string& path : *paths) {
            out << section << '\t' << path << "\t\n";
        }
        ++section;
    }
}

JobReport LoadReport(const std::string& file) {
    JobReport report;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const auto tab = line.find('\t'), second = line.find('\t', tab + 1);
        const int section = std::stoi(line.substr(0, tab));
        ReportLine read{line.substr(tab + 1, second - tab - 1), line.substr(second + 1)};
        std::vector<ReportLine>* lines[] = {&report.scheduledAtRestart, &report.failed,
                                            &report.foldersLeft, &report.stopped, &report.refused};
        std::vector<std::string>* paths[] = {&report.contentsKept, &report.trashRefused,
                                             &report.notFound};
        if (section < 5) {
            lines[section]->push_back(read);
        } else {
            paths[section - 5]->push_back(read.path);
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
    // Runs the job on `tree` in a child process under an open-file limit of `maxFiles` (0: none)
    // and returns its report. With `hogSeed`, the child's free descriptors are all taken and
    // given back again at random moments while the job runs (as other threads of a program
    // might), so that any open can fail with EMFILE for a while.
    JobReport RunLimited(const std::string& tree, rlim_t maxFiles, unsigned hogSeed = 0) {
        const std::string saved = (m_temp.path() / "report").string();
        const int status = RunInChild([&] {
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
        EXPECT_EQ(status, 0);
        return LoadReport(saved);
    }
};

// A tree far deeper than the open-file limit: every file is destroyed or named.
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

// Random trees under random failures (each system call the fault seam knows failing after a
// random number of good calls, some under a tight open-file limit): whatever happens, every
// entry is destroyed or named, and no line says what is not so.
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
