#include "job/JobProgress.h"

#include <gtest/gtest.h>

#include <chrono>

namespace ostrel::test {
namespace {

using Phase = JobProgress::Phase;

// Catches a bar that is full before the job is over, or runs past its end.
// Times as the window says them: a short job in milliseconds, never "0.0 s"; a rounding never
// gives "60".
TEST(JobProgressTest, TimesAreSaidAsPeopleReadThem) {
    const std::pair<double, const char*> rows[] = {
        {0.04, "40 ms"}, {0.9996, "1.0 s"}, {59.6, "1 min 00 s"}, {3599.6, "1 h 00 min"}};
    for (const auto& [seconds, said] : rows) {
        EXPECT_EQ(FormatDuration(std::chrono::duration<double>(seconds)), said) << seconds;
    }
}

TEST(JobProgressTest, TheBarIsTheWorkDoneAndFullOnlyAtTheEnd) {
    const auto start = JobProgress::Clock::time_point{};
    const std::int64_t file = JobProgress::FileWork(1 << 20, 3);
    const struct {
        int settled;
        std::int64_t underWay;
        Phase phase;
        std::int32_t bar;
    } rows[] = {
        {2, file / 2, Phase::Shredding, 625},
        {3, file - 1, Phase::Shredding, 999},
        {3, 10 * file, Phase::Shredding, 1000},
        {2, 0, Phase::Done, 1000},
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

}  // namespace
}  // namespace ostrel::test
