#include "platform/FlushQueue.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <future>
#include <map>
#include <new>
#include <stdexcept>
#include <thread>

#include "tests/support/ChildProcess.h"

namespace ostrel::platform {
namespace {

// What one piece of work does and the error its completion must carry.
struct WorkRow {
    const char* name;
    int returns;  // the work's result, when it does not throw
    int throws;   // 0: returns; 1: a standard exception; 2: out of memory
    bool failed;  // the completion carries an error
};

constexpr WorkRow kRows[] = {
    {"succeeds", 0, 0, false},
    {"fails with EIO", EIO, 0, true},
    {"throws", 0, 1, true},
    {"runs out of memory", 0, 2, true},
};

FlushQueue::Work Make(const WorkRow& row) {
    return [row]() -> int {
        if (row.throws == 1) {
            throw std::runtime_error("work failed");
        }
        if (row.throws == 2) {
            throw std::bad_alloc();
        }
        return row.returns;
    };
}

// Every piece of work handed over comes back once, under its tag, with its own error: a work
// that throws is a failure, never a success, and the queue goes on.
TEST(FlushQueueTest, EachWorkIsCollectedOnceWithItsOwnOutcome) {
    FlushQueue queue(3);
    for (int round = 0; round < 4; ++round) {
        for (std::uint64_t tag = 0; tag < std::size(kRows); ++tag) {
            queue.Submit(Make(kRows[tag]), 100 * static_cast<std::uint64_t>(round) + tag);
        }
    }
    std::map<std::uint64_t, int> seen;
    for (int polls = 0; seen.size() < 4 * std::size(kRows) && polls < 1000; ++polls) {
        for (const auto& done : queue.Collect(std::chrono::milliseconds(50))) {
            EXPECT_TRUE(seen.emplace(done.tag, done.error).second) << "tag " << done.tag;
        }
    }
    ASSERT_EQ(seen.size(), 4 * std::size(kRows));
    for (const auto& [tag, error] : seen) {
        const WorkRow& row = kRows[tag % 100];
        EXPECT_EQ(error != 0, row.failed) << row.name;
        if (row.throws == 0) {
            EXPECT_EQ(error, row.returns) << row.name;
        }
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
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            return 10;
        }
        const rlimit none{0, 0};
        if (setrlimit(RLIMIT_NPROC, &none) != 0) {
            return 11;
        }
        const std::thread::id caller = std::this_thread::get_id();
        std::atomic<int> elsewhere = 0;
        FlushQueue queue;
        for (std::uint64_t tag = 0; tag < std::size(kRows); ++tag) {
            FlushQueue::Work work = Make(kRows[tag]);
            queue.Submit(
                [&, work] {
                    elsewhere += std::this_thread::get_id() != caller ? 1 : 0;
                    return work();
                },
                tag);
        }
        const auto done = queue.Collect(std::chrono::milliseconds(1000));
        if (elsewhere != 0) {
            return 12;  // a thread was started after all: the test proves nothing
        }
        if (done.size() != std::size(kRows)) {
            return 13;
        }
        for (const auto& completion : done) {
            if ((completion.error != 0) != kRows[completion.tag].failed) {
                return 20 + static_cast<int>(completion.tag);
            }
        }
        return 0;
    });
    if (result == 10 || result == 11 || result == 12) {
        GTEST_SKIP() << "could not keep the child from starting threads (" << result << ")";
    }
    EXPECT_EQ(result, 0) << "125: an exception escaped Submit; 2x: the row that came back wrong";
}

// A flush already under way when a caller comes may have begun before the caller's data was
// written.
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
    EXPECT_GE(laterRuns.load(), 1);
    EXPECT_LE(laterRuns.load(), 3);
    EXPECT_EQ(groups.Join({1, 0}, [] { return 0; }), 0) << "the failure stuck to the key";
}

// Many callers at once on one key need far fewer flushes than callers; a flush that throws is a
// failure for every caller it served.
TEST(FlushGroupsTest, CallersAtOnceShareFlushesAndTheirFailure) {
    for (const bool throws : {false, true}) {
        FlushGroups groups;
        std::vector<std::future<int>> callers;
        for (int i = 0; i < 32; ++i) {
            callers.push_back(std::async(std::launch::async, [&] {
                return groups.Join({7, 7}, [&]() -> int {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    if (throws) {
                        throw std::runtime_error("flush failed");
                    }
                    return 0;
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
