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

// The same for a queued item: one result per file, each EIO when the work throws or does not
// give one result per file.
std::vector<int> RunAll(const auto& item) {
    try {
        std::vector<int> errors = item.work();
        if (errors.size() == item.tags.size()) {
            return errors;
        }
    } catch (...) {
    }
    return std::vector<int>(item.tags.size(), EIO);
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
    Hand({{tag}, [work = std::move(work)] { return std::vector<int>{work()}; }, false},
         whileWaiting);
}

void FlushQueue::SubmitBatch(BatchWork work, std::vector<std::uint64_t> tags,
                             const std::function<void()>& whileWaiting) {
    if (!tags.empty()) {
        Hand({std::move(tags), std::move(work), true}, whileWaiting);
    }
}

void FlushQueue::Hand(Item item, const std::function<void()>& whileWaiting) {
    std::unique_lock<std::mutex> hold(m_lock);
    const bool batch = item.batch;
    const auto room = [this, batch] {
        return m_unfinished < static_cast<int>(m_maxThreads) &&
               (!batch || m_batches < kBatchesAtOnce);
    };
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
    m_waiting.push_back(std::move(item));
    ++m_unfinished;
    m_batches += batch ? 1 : 0;
    if (m_waiting.size() > static_cast<std::size_t>(m_idle) && m_threads.size() < m_maxThreads) {
        try {
            m_threads.emplace_back([this] { Serve(); });
            return;
        } catch (const std::system_error&) {  // no thread to be had: the threads there are do it
            if (m_threads.empty()) {
                Item here = std::move(m_waiting.back());
                m_waiting.pop_back();
                hold.unlock();
                const std::vector<int> errors = RunAll(here);
                hold.lock();
                Finished(here, errors);
                return;
            }
        }
    }
    hold.unlock();
    m_work.notify_one();  // one thread takes it; waking them all costs more than the flush saves
}

// Called with m_lock held.
void FlushQueue::Finished(const Item& item, const std::vector<int>& errors) {
    for (std::size_t i = 0; i < item.tags.size(); ++i) {
        m_done.push_back({item.tags[i], errors[i]});
    }
    --m_unfinished;
    m_batches -= item.batch ? 1 : 0;
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
        Item item = std::move(m_waiting.front());
        m_waiting.pop_front();
        hold.unlock();
        const std::vector<int> errors = RunAll(item);
        item.work = nullptr;  // what the work held (files, their buffers) is released here
        hold.lock();
        Finished(item, errors);
        hold.unlock();
        m_room.notify_all();  // the caller, waiting for a place or for the last file
    }
}

}  // namespace ostrel::platform
