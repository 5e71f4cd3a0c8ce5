#include "platform/FlushQueue.h"

#include <utility>

namespace ostrel::platform {

FlushQueue::FlushQueue(int threads, int inFlight) : m_inFlight(inFlight < 1 ? 1 : inFlight) {
    for (int i = 0; i < threads; ++i) {
        m_threads.emplace_back([this] { Work(); });
    }
}

FlushQueue::~FlushQueue() {
    {
        std::unique_lock<std::mutex> hold(m_lock);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

void FlushQueue::Submit(RawFile file, std::uint64_t tag) {
    if (m_threads.empty()) {  // no threads: finish here and now
        const bool ok = file.Flush() && file.Close();
        std::lock_guard<std::mutex> hold(m_lock);
        m_done.push_back({tag, ok, ok ? 0 : file.Error()});
        return;
    }
    std::unique_lock<std::mutex> hold(m_lock);
    m_changed.wait(hold, [this] { return m_unfinished < m_inFlight; });
    m_waiting.emplace_back(tag, std::move(file));
    ++m_unfinished;
    m_changed.notify_all();
}

std::vector<FlushQueue::Completion> FlushQueue::Collect(bool all) {
    std::unique_lock<std::mutex> hold(m_lock);
    if (all) {
        m_changed.wait(hold, [this] { return m_unfinished == 0; });
    }
    std::vector<Completion> done = std::move(m_done);
    m_done.clear();
    return done;
}

void FlushQueue::Work() {
    for (;;) {
        std::unique_lock<std::mutex> hold(m_lock);
        m_changed.wait(hold, [this] { return m_stopping || !m_waiting.empty(); });
        if (m_waiting.empty()) {
            return;  // stopping, and nothing left to finish
        }
        auto [tag, file] = std::move(m_waiting.front());
        m_waiting.pop_front();
        hold.unlock();
        const bool ok = file.Flush() && file.Close();
        const int error = ok ? 0 : file.Error();
        hold.lock();
        m_done.push_back({tag, ok, error});
        --m_unfinished;
        m_changed.notify_all();
    }
}

}  // namespace ostrel::platform
