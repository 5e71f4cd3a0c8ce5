#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace ostrel::platform {

// Finishes files on threads of their own: the flush to the disk and the close (which deletes a
// delete-on-close file), or whatever else is left of a file's work, so that the disk commits the
// flushes of many files together while the caller writes the next ones. Each file handed over
// has a thread (started when first needed) until it is finished; Submit waits for one.
class FlushQueue {
  public:
    struct Completion {
        std::uint64_t tag = 0;
        int error = 0;  // 0: the work (the flush and the close, with its delete) succeeded
    };
    // What is left of one file's work; returns 0 when all of it succeeded, else the error.
    using Work = std::function<int()>;

    // The disk commits concurrent flushes together: on the machine measured (bench/job.sh, a
    // virtual disk where a flush takes about half a millisecond) small files went 16% faster
    // with 64 threads than with 16, and 5% more with 128.
    explicit FlushQueue(int threads = 64);
    // Waits for every file handed over (they are finished, not abandoned).
    ~FlushQueue();
    FlushQueue(const FlushQueue&) = delete;
    FlushQueue& operator=(const FlushQueue&) = delete;

    // Hands over `work` under `tag`; waits while every thread has a file, calling `whileWaiting`
    // (when given) about every kWaitSlice meanwhile, so that a caller with windows keeps them
    // live. The work is taken whatever `whileWaiting` does (what it throws is dropped).
    static constexpr std::chrono::milliseconds kWaitSlice{10};
    void Submit(Work work, std::uint64_t tag, const std::function<void()>& whileWaiting = {});
    // The files finished since the last call. With a `wait`, waits up to that long for every
    // file handed over to be finished.
    std::vector<Completion> Collect(std::chrono::milliseconds wait = {});

  private:
    void Serve();

    mutable std::mutex m_lock;
    std::condition_variable m_work;  // something waits to be done, or the queue stops
    std::condition_variable m_room;  // a file was finished
    std::deque<std::pair<std::uint64_t, Work>> m_waiting;
    std::vector<Completion> m_done;
    int m_unfinished = 0;  // handed over, not yet finished
    int m_idle = 0;        // threads waiting for work
    std::size_t m_maxThreads;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

}  // namespace ostrel::platform
