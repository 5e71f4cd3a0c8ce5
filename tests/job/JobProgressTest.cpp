#include "job/JobProgress.h"

#include <gtest/gtest.h>

#include <chrono>

#include "lang/LanguageFile.h"

namespace ostrel::test {
namespace {

using namespace std::chrono_literals;
using Phase = JobProgress::Phase;

// Times as the window says them: milliseconds below a second, tenths below ten seconds, whole
// seconds, then minutes with two-digit seconds, then hours with two-digit minutes; a rounding never
// gives "60".
TEST(JobProgressTest, TimesAreSaidAsPeopleReadThem) {
    const struct {
        double seconds;
        const char* said;
    } rows[] = {
        {0.04, "40 ms"},        {0.9994, "999 ms"},   {0.9996, "1.0 s"},
        {9.94, "9.9 s"},        {9.96, "10 s"},       {59.4, "59 s"},
        {59.6, "1 min 00 s"},   {125, "2 min 05 s"},  {3599.4, "59 min 59 s"},
        {3599.6, "1 h 00 min"}, {4800, "1 h 20 min"}, {7199, "2 h 00 min"},
        {-3, "0 ms"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FormatDuration(std::chrono::duration<double>(row.seconds)), row.said)
            << row.seconds;
    }
}

// The bar is the share of the work done, files settled plus what the files under way have
// written; it is full only when the job is done, and never runs past its end when the files
// turn out larger than counted.
TEST(JobProgressTest, TheBarIsTheWorkDoneAndFullOnlyAtTheEnd) {
    const auto start = JobProgress::Clock::time_point{};
    const std::int64_t file = JobProgress::FileWork(1 << 20, 3);
    const struct {
        int settled;
        std::int64_t underWay;
        Phase phase;
        std::int32_t bar;
    } rows[] = {
        {0, 0, Phase::Shredding, 0},
        {1, 0, Phase::Shredding, 250},
        {2, file / 2, Phase::Shredding, 625},
        {3, file - 1, Phase::Shredding, 999},    // the last file not yet settled
        {4, 0, Phase::Flushing, 1000},           // settled, but the job is not over
        {3, 10 * file, Phase::Shredding, 1000},  // more than counted: no more than full
        {2, 0, Phase::Done, 1000},               // stopped: the job is over
    };
    for (const auto& row : rows) {
        JobProgress progress;
        progress.Start(start);
        progress.AddPlanned(4, 4 * file);
        progress.SetPhase(row.phase, start);
        for (int i = 0; i < row.settled; ++i) {
            progress.FileSettled(file);
        }
        progress.SetUnderWay(row.underWay);
        EXPECT_EQ(progress.Bar(), row.bar) << row.settled << " settled, " << row.underWay;
    }
}

// The time left is told once some seconds of shredding and a part of the work lie behind, from
// the rate so far; the line names files done of all, the pass of a file of several, and the
// phase when there is one.
TEST(JobProgressTest, TheLineSaysFilesPassAndTimeLeftOnceKnown) {
    OpenLanguageFile("English.lng");
    const auto start = JobProgress::Clock::time_point{};
    const std::int64_t file = JobProgress::FileWork(1000, 1);
    const struct {
        int settled;
        int pass;
        int passes;
        std::chrono::milliseconds at;
        const char* line;
    } rows[] = {
        {1, 1, 1, 10s, "1 of 400 files"},  // too little done to tell
        {8, 0, 1, 60s, "8 of 400 files, about 49 min 00 s left"},
        {100, 0, 1, 10s, "100 of 400 files, about 30 s left"},
        {100, 2, 7, 10s, "100 of 400 files, pass 2 of 7, about 30 s left"},
        {100, 2, 7, 1500ms, "100 of 400 files, pass 2 of 7"},  // too soon to tell
        {2, 0, 1, 60s, "2 of 400 files"},                      // too little done to tell
    };
    for (const auto& row : rows) {
        JobProgress progress;
        progress.Start(start);
        progress.SetPhase(Phase::Counting, start);
        progress.AddPlanned(400, 400 * file);
        progress.SetPhase(Phase::Shredding, start);
        for (int i = 0; i < row.settled; ++i) {
            progress.FileSettled(file);
        }
        progress.SetPass(row.pass, row.passes);
        EXPECT_EQ(progress.Status(start + row.at), row.line);
    }
    JobProgress progress;
    progress.Start(start);
    EXPECT_EQ(progress.Status(start), "Counting the files...");
    progress.SetPhase(Phase::RemovingFolders, start);
    EXPECT_EQ(progress.Status(start), "Removing the emptied folders...");
    progress.SetPhase(Phase::Flushing, start);
    EXPECT_EQ(progress.Status(start), "Writing the last files to the disk...");
}

}  // namespace
}  // namespace ostrel::test
