#include "platform/FlushQueue.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <future>
#include <map>
#include <stdexcept>
#include <thread>

#include "tests/support/ChildProcess.h"

namespace ostrel::platform {
namespace {

// What one piece of work does: returns `returns`, or throws; a throw is a failure.
struct WorkRow {
    int returns;
    bool throws;
} constexpr kRows[] = {{0, false}, {EIO, false}, {0, true}};

FlushQueue::Work Make(const WorkRow& row) {
    return [row]() -> int { return row.throws ? throw std::runtime_error("failed") : row.returns; };
}

// Every work comes back once, under its tag, with its own error; a throw is never a success.
TEST(FlushQueueTest, EachWorkIsCollectedOnceWithItsOwnOutcome) {
    FlushQueue queue(3);
    for (std::uint64_t tag = 0; tag < 12; ++tag) {
        queue.Submit(Make(kRows[tag % 3]), tag);
    }
    std::map<std::uint64_t, int> seen;
    for (int polls = 0; seen.size() < 12 && polls < 1000; ++polls) {
        for (const auto& done : queue.Collect(std::chrono::milliseconds(50))) {
            EXPECT_TRUE(seen.emplace(done.tag, done.error).second) << "tag " << done.tag;
        }
    }
    ASSERT_EQ(seen.size(), 12u);
    for (const auto& [tag, error] : seen) {
        const WorkRow& row = kRows[tag % 3];
        EXPECT_EQ(error != 0, row.throws || row.returns != 0) << tag;
        EXPECT_TRUE(row.throws || error == row.returns) << tag;
    }
}

// A caller that hands over a file while every thread is busy is not held without end.
TEST(FlushQueueTest, ACallerWaitingForAThreadRunsWhatItGaveMeanwhile) {
    FlushQueue queue(1);
    std::atomic<bool> release{false};
    queue.Submit(
        [&] {
            while (!release) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return 0;
        },
        1);
    int waited = 0;
    queue.Submit([] { return 0; }, 2,
                 [&] {
                     if (++waited == 3) {
                         release = true;
                     }
                 });
    EXPECT_GE(waited, 3);
    std::map<std::uint64_t, int> outcomes;
    for (int tries = 0; outcomes.size() < 2 && tries < 100; ++tries) {
        for (const auto& done : queue.Collect(std::chrono::milliseconds(50))) {
            outcomes[done.tag] = done.error;
        }
    }
    EXPECT_EQ(outcomes, (std::map<std::uint64_t, int>{{1, 0}, {2, 0}}));
}

// Where no thread can be started, the caller does the work itself, with the same outcomes.
TEST(FlushQueueTest, WithoutThreadsTheCallerDoesTheWorkAndCatchesWhatItThrows) {
    const int result = test::RunInChild([] {
        const rlimit none{0, 0};
        if ((geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) ||
            setrlimit(RLIMIT_NPROC, &none) != 0) {
            return 10;
        }
        const std::thread::id caller = std::this_thread::get_id();
        std::atomic<int> elsewhere = 0;
        FlushQueue queue;
        for (std::uint64_t tag = 0; tag < std::size(kRows); ++tag) {
            auto work = [&, make = Make(kRows[tag])] {
                return (elsewhere += std::this_thread::get_id() != caller ? 1 : 0), make();
            };
            queue.Submit(work, tag);
        }
        const auto done = queue.Collect(std::chrono::milliseconds(1000));
        if (elsewhere != 0 || done.size() != std::size(kRows)) {
            return elsewhere != 0 ? 12 : 13;  // 12: a thread was started after all
        }
        for (const auto& completion : done) {
            const WorkRow& row = kRows[completion.tag];
            if ((completion.error != 0) != (row.throws || row.returns != 0)) {
                return 20 + static_cast<int>(completion.tag);
            }
        }
        return 0;
    });
    if (result == 10 || result == 12) {
        GTEST_SKIP() << "could not keep the child from starting threads (" << result << ")";
    }
    EXPECT_EQ(result, 0) << "125: an exception escaped Submit; 2x: the row that came back wrong";
}

// A flush already under way may have begun before the caller's data was written.
TEST(FlushGroupsTest, ACallerIsServedOnlyByAFlushBegunAfterItsCall) {
    FlushGroups groups;
    std::promise<void> begun, release;
    std::shared_future<void> released = release.get_future().share();
    auto first = std::async(std::launch::async, [&] {
        return groups.Join({1, 0}, [&] {
            begun.set_value();
            released.wait();
            return 0;
        });
    });
    begun.get_future().wait();
    // Three callers come while the first flush runs; the flush run for them fails.
    std::atomic<int> laterRuns = 0;
    std::vector<std::future<int>> later;
    for (int i = 0; i < 3; ++i) {
        later.push_back(std::async(std::launch::async, [&] {
            return groups.Join({1, 0}, [&] {
                ++laterRuns;
                return EIO;
            });
        }));
    }
    // Another key is not held up by the first flush, and does not take the failure.
    EXPECT_EQ(groups.Join({2, 0}, [] { return 0; }), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let the three wait
    release.set_value();
    EXPECT_EQ(first.get(), 0);
    for (auto& result : later) {
        EXPECT_EQ(result.get(), EIO) << "served by the flush that was under way when it came";
    }
    EXPECT_TRUE(laterRuns >= 1 && laterRuns <= 3) << laterRuns;
    EXPECT_EQ(groups.Join({1, 0}, [] { return 0; }), 0) << "the failure stuck to the key";
}

// Callers at once on one key share flushes; a flush that throws fails every caller it served.
TEST(FlushGroupsTest, CallersAtOnceShareFlushesAndTheirFailure) {
    for (const bool throws : {false, true}) {
        FlushGroups groups;
        std::vector<std::future<int>> callers;
        for (int i = 0; i < 32; ++i) {
            callers.push_back(std::async(std::launch::async, [&] {
                return groups.Join({7, 7}, [&]() -> int {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    return throws ? throw std::runtime_error("flush failed") : 0;
                });
            }));
        }
        for (auto& result : callers) {
            EXPECT_EQ(result.get() != 0, throws);
        }
        EXPECT_LT(groups.Runs(), 16u);
    }
}

}  // namespace
}  // namespace ostrel::platform
