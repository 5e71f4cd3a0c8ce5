#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace ostrel::platform {

// Joins the flushes that many threads ask for at once into few. A caller whose data (or folder
// entry) is already written asks for a flush under a key (a disk, a folder); it is served by the
// first flush under that key that begins after its call, run by whichever caller finds none
// running, and every caller served by it gets its result. A flush that was already under way
// when a caller came may have begun before that caller's data was written, so it never serves
// that caller. A flush that fails fails every caller it served.
class FlushGroups {
  public:
    struct Key {
        std::uint64_t first = 0;
        std::uint64_t second = 0;
        auto operator<=>(const Key&) const = default;
    };
    // Returns 0 once a run of `flush` (this one, or another caller's under `key`) that began
    // after this call succeeded, else that run's error.
    int Join(Key key, const std::function<int()>& flush);
    // How many flushes have run (for tests and measurement).
    std::uint64_t Runs() const;

  private:
    struct Group {
        std::uint64_t begun = 0;     // flushes begun under the key
        std::uint64_t finished = 0;  // the last of them that finished (all before it did)
        int error = 0;               // the result of flush `finished`
        bool running = false;
    };
    mutable std::mutex m_lock;
    std::condition_variable m_finished;
    std::map<Key, Group> m_groups;
    std::uint64_t m_runs = 0;
};

// Finishes files on threads of their own: the flush to the disk and the close (which deletes a
// delete-on-close file), or whatever else is left of a file's work, so that the disk commits the
// flushes of many files together while the caller writes the next ones. Each file handed over
// has a thread (started when first needed) until it is finished; Submit waits for one. A batch
// of files handed over together is one thread's work.
class FlushQueue {
  public:
    struct Completion {
        std::uint64_t tag = 0;
        int error = 0;  // 0: the work (the flush and the close, with its delete) succeeded
    };
    // What is left of one file's work; returns 0 when all of it succeeded, else the error.
    using Work = std::function<int()>;
    // What is left of the work of several files; returns each file's result, in order.
    using BatchWork = std::function<std::vector<int>()>;

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
    // Hands over the work of the files `tags` (one result each, in order) as one; waits the same
    // way, and while kBatchesAtOnce batches are unfinished (which bounds the files open at once).
    // A work that throws or gives a result of another length fails every file with EIO.
    static constexpr int kBatchesAtOnce = 8;
    void SubmitBatch(BatchWork work, std::vector<std::uint64_t> tags,
                     const std::function<void()>& whileWaiting = {});
    // The files finished since the last call. With a `wait`, waits up to that long for every
    // file handed over to be finished.
    std::vector<Completion> Collect(std::chrono::milliseconds wait = {});
    // The flushes that the work of this queue's threads may join.
    FlushGroups& Groups() { return m_groups; }

  private:
    struct Item {
        std::vector<std::uint64_t> tags;
        BatchWork work;
        bool batch = false;
    };
    void Hand(Item item, const std::function<void()>& whileWaiting);
    void Finished(const Item& item, const std::vector<int>& errors);
    void Serve();

    mutable std::mutex m_lock;
    std::condition_variable m_work;  // something waits to be done, or the queue stops
    std::condition_variable m_room;  // a file was finished
    std::deque<Item> m_waiting;
    std::vector<Completion> m_done;
    int m_unfinished = 0;  // works handed over, not yet finished
    int m_batches = 0;     // batches among them
    int m_idle = 0;        // threads waiting for work
    std::size_t m_maxThreads;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
    FlushGroups m_groups;
};

}  // namespace ostrel::platform
