// Fills the free space of the file system holding FOLDER by one random pass, as a free-space
// wipe does, and prints what a window waits for: the longest time between two of the fill's
// progress calls (where a window runs its events and a stop is seen), the longest of them after
// the disk was full, and the time the disk spent full. Usage: ostrel_bench_fill FOLDER (FOLDER
// must be an empty folder of the user's own, mode 0700; it is left empty).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/Folder.h"
#include "platform/FreeSpace.h"
#include "shredder/FreeSpaceFill.h"
#include "shredder/PassTables.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    using Clock = std::chrono::steady_clock;
    const ostrel::platform::Folder folder = ostrel::platform::Folder::Open(argv[1]);
    const auto space = ostrel::platform::FreeSpaceOf(folder);
    if (!folder.IsOpen() || !space) {
        std::fprintf(stderr, "%s: cannot open %s\n", argv[0], argv[1]);
        return 1;
    }
    ostrel::FreeSpaceFill fill(folder, ostrel::kSimplePasses);
    Clock::time_point last = Clock::now();
    Clock::duration longest{};
    const Clock::time_point start = last;
    const ostrel::FillOutcome outcome =
        fill.Run(space->freeBytes, [&](std::int64_t, std::int64_t, int) {
            const Clock::time_point now = Clock::now();
            longest = std::max(longest, now - last);
            last = now;
            return true;
        });
    const Clock::duration end = Clock::now() - last;  // the last write to the deletions' end
    const auto ms = [](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    };
    std::printf(
        "filled %lld bytes in %.3f s; longest wait between events %.0f ms; from the last "
        "write to the end %.0f ms; full for %.0f ms; %s\n",
        static_cast<long long>(outcome.filled), ms(Clock::now() - start) / 1000, ms(longest),
        ms(end), ms(outcome.fullFor),
        outcome.end == ostrel::FillOutcome::End::Filled ? "filled" : "FAILED");
    return outcome.end == ostrel::FillOutcome::End::Filled ? 0 : 1;
}
