#include "platform/FlushQueue.h"

#include <cerrno>
#include <utility>

namespace ostrel::platform {

FlushQueue::FlushQueue(int threads, int inFlight) : m_inFlight(inFlight < 1 ? 1 : inFlight) {
    for (int i = 0; i < threads; ++i) {
        m_threads.emplace_back([this] { Serve(); });
    }
}

FlushQueue::~FlushQueue() {
    {
        std::unique_lock<std::mutex> hold(m_lock);
        m_stopping = true;
    }
    m_work.notify_all();
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

void FlushQueue::Submit(Work work, std::uint64_t tag) {
    if (m_threads.empty()) {  // no threads: finish here and now
        const int error = work();
        std::lock_guard<std::mutex> hold(m_lock);
        m_done.push_back({tag, error == 0, error});
        return;
    }
    {
        std::unique_lock<std::mutex> hold(m_lock);
        m_room.wait(hold, [this] { return m_unfinished < m_inFlight; });
        m_waiting.emplace_back(tag, std::move(work));
        ++m_unfinished;
    }
    m_work.notify_one();  // one thread takes it; waking them all costs more than the flush saves
}

std::vector<FlushQueue::Completion> FlushQueue::Collect(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> hold(m_lock);
    if (wait.count() > 0) {
        m_room.wait_for(hold, wait, [this] { return m_unfinished == 0; });
    }
    std::vector<Completion> done = std::move(m_done);
    m_done.clear();
    return done;
}

void FlushQueue::Serve() {
    for (;;) {
        std::unique_lock<std::mutex> hold(m_lock);
        m_work.wait(hold, [this] { return m_stopping || !m_waiting.empty(); });
        if (m_waiting.empty()) {
            return;  // stopping, and nothing left to finish
        }
        auto [tag, work] = std::move(m_waiting.front());
        m_waiting.pop_front();
        hold.unlock();
        int error = EIO;
        try {
            error = work();
        } catch (...) {  // out of memory, say: the file is not finished, and the thread goes on
        }
        work = nullptr;  // what the work held (a file, its buffer) is released here
        hold.lock();
        m_done.push_back({tag, error == 0, error});
        --m_unfinished;
        hold.unlock();
        m_room.notify_all();  // the caller, waiting for a place or for the last file
    }
}

}  // namespace ostrel::platform
