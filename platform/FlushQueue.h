#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/RawFile.h"

namespace ostrel::platform {

// Finishes files whose data is written: the flush to the disk and the close (which deletes a
// delete-on-close file) run on a few threads of their own, so that the disk commits the flushes
// of several files together while the caller writes the next ones. At most `inFlight` files are
// handed over and not yet finished; Submit waits for a place.
class FlushQueue {
  public:
    struct Completion {
        std::uint64_t tag = 0;
        bool ok = false;  // the flush and the close (with its delete) succeeded
        int error = 0;    // the system error number when not
    };

    // Sixteen threads: the disk commits concurrent flushes together, and on the machines
    // measured the rate rose up to about that many (bench/job.sh).
    explicit FlushQueue(int threads = 16, int inFlight = 64);
    // Waits for every file handed over (they are finished, not abandoned).
    ~FlushQueue();
    FlushQueue(const FlushQueue&) = delete;
    FlushQueue& operator=(const FlushQueue&) = delete;

    // Hands over `file` under `tag`; waits while `inFlight` files are not yet finished.
    void Submit(RawFile file, std::uint64_t tag);
    // The files finished since the last call; with `all`, waits until every file handed over
    // is finished.
    std::vector<Completion> Collect(bool all);

  private:
    void Work();

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<std::pair<std::uint64_t, RawFile>> m_waiting;
    std::vector<Completion> m_done;
    int m_unfinished = 0;  // handed over, not yet flushed and closed
    int m_inFlight;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

}  // namespace ostrel::platform
