#include "platform/FlushQueue.h"

#include <cerrno>
#include <system_error>
#include <utility>

namespace ostrel::platform {
namespace {

// Runs `work`: its result, or EIO when it throws (out of memory, say: the file is not finished,
// and whoever runs it goes on).
int Run(const std::function<int()>& work) {
    try {
        return work();
    } catch (...) {
        return EIO;
    }
}

}  // namespace

int FlushGroups::Join(Key key, const std::function<int()>& flush) {
    std::unique_lock<std::mutex> hold(m_lock);
    Group& group = m_groups[key];
    // Flush `wanted` is the first that cannot have begun before this call.
    const std::uint64_t wanted = group.begun + 1;
    for (;;) {
        if (group.finished >= wanted) {
            // A later flush than the one wanted may have finished meanwhile: it too began after
            // this call, and its result is the one known now.
            return group.error;
        }
        if (!group.running) {
            group.running = true;
            const std::uint64_t mine = ++group.begun;
            ++m_runs;
            hold.unlock();
            const int error = Run(flush);
            hold.lock();
            group.running = false;
            group.finished = mine;
            group.error = error;
            hold.unlock();
            m_finished.notify_all();
            return error;
        }
        m_finished.wait(hold);
    }
}

std::uint64_t FlushGroups::Runs() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_runs;
}

FlushQueue::FlushQueue(int threads) : m_maxThreads(threads < 1 ? 1 : threads) {}

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

void FlushQueue::Submit(Work work, std::uint64_t tag, const std::function<void()>& whileWaiting) {
    std::unique_lock<std::mutex> hold(m_lock);
    const auto room = [this] { return m_unfinished < static_cast<int>(m_maxThreads); };
    while (!m_room.wait_for(hold, whileWaiting ? kWaitSlice : std::chrono::hours(1), room)) {
        if (whileWaiting) {
            hold.unlock();
            try {
                whileWaiting();
            } catch (...) {  // the work is taken all the same: a file must not be left half done
            }
            hold.lock();
        }
    }
    m_waiting.emplace_back(tag, std::move(work));
    ++m_unfinished;
    if (m_waiting.size() > static_cast<std::size_t>(m_idle) && m_threads.size() < m_maxThreads) {
        try {
            m_threads.emplace_back([this] { Serve(); });
            return;
        } catch (const std::system_error&) {  // no thread to be had: the threads there are do it
            if (m_threads.empty()) {
                Work here = std::move(m_waiting.back().second);
                m_waiting.pop_back();
                hold.unlock();
                const int error = Run(here);
                hold.lock();
                m_done.push_back({tag, error});
                --m_unfinished;
                return;
            }
        }
    }
    hold.unlock();
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
        ++m_idle;
        m_work.wait(hold, [this] { return m_stopping || !m_waiting.empty(); });
        --m_idle;
        if (m_waiting.empty()) {
            return;  // stopping, and nothing left to finish
        }
        auto [tag, work] = std::move(m_waiting.front());
        m_waiting.pop_front();
        hold.unlock();
        const int error = Run(work);
        work = nullptr;  // what the work held (a file, its buffer) is released here
        hold.lock();
        m_done.push_back({tag, error});
        --m_unfinished;
        hold.unlock();
        m_room.notify_all();  // the caller, waiting for a place or for the last file
    }
}

}  // namespace ostrel::platform
