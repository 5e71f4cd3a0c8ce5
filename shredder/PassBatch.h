#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/FlushQueue.h"
#include "platform/Folder.h"

namespace ostrel {

class PassRun;

// Gathers small files moved into the holding folder, whose folders are not flushed yet, and
// hands them to the flush queue as batches of at most kFiles files and kBytes bytes, each one
// queue thread's work: the folders are flushed once for the batch, then each pass is written to
// every file of the batch, their write-backs started together and waited for, and one disk cache
// flush (where the file system allows; a flush of each file elsewhere) makes the pass durable
// for all of them before any is closed or its next pass written. A file's verdict is collected
// from the queue under its tag, as for a file handed over alone.
class PassBatch {
  public:
    static constexpr std::size_t kFiles = 32;
    static constexpr std::int64_t kBytes = std::int64_t{8} << 20;

    PassBatch(platform::FlushQueue& queue, const platform::Folder& holding)
        : m_queue(queue), m_holding(holding) {}
    // Hands over what is gathered.
    ~PassBatch();
    PassBatch(const PassBatch&) = delete;
    PassBatch& operator=(const PassBatch&) = delete;

    // Adds the file of `run`, which left the folder `source`, under `tag`; hands the batch over
    // when it is full (calling `whileWaiting` while the queue has no room).
    void Add(std::shared_ptr<PassRun> run, std::shared_ptr<const platform::Folder> source,
             std::int64_t size, std::uint64_t tag, const std::function<void()>& whileWaiting);
    // Hands over the files gathered so far, if any.
    void HandOver(const std::function<void()>& whileWaiting = {});
    // A second handle of `folder`, shared by the files of this batch that left it: the batch
    // flushes it after their moves, when the caller may have closed its own.
    std::shared_ptr<const platform::Folder> Reopened(const platform::Folder& folder);

    struct Entry {
        std::shared_ptr<PassRun> run;
        std::shared_ptr<const platform::Folder> source;
    };

  private:
    platform::FlushQueue& m_queue;
    const platform::Folder& m_holding;
    std::vector<Entry> m_entries;
    std::vector<std::uint64_t> m_tags;
    std::int64_t m_bytes = 0;
    std::shared_ptr<const platform::Folder> m_lastReopened;
};

}  // namespace ostrel
