#include "shredder/PassBatch.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "shredder/PassRun.h"

namespace ostrel {
namespace {

// One batch's work on a queue thread; returns each file's result, in order. A file drops out at
// its first failure (its handle is closed, never deleting) and the others go on.
std::vector<int> RunBatch(const platform::Folder& holding,
                          const std::vector<PassBatch::Entry>& batch,
                          platform::FlushGroups& groups) {
    const std::size_t n = batch.size();
    std::vector<int> errors(n, 0);
    // No byte is written before every file's new name is on the disk: the holding folder is
    // flushed once, and each folder the files left once.
    const int holdingError = SyncFolderJoining(groups, holding);
    std::vector<std::pair<platform::FileIdentity, int>> sources;
    for (std::size_t i = 0; i < n; ++i) {
        const platform::Folder& source = *batch[i].source;
        errors[i] = holdingError;
        if (errors[i] != 0 || source.Identity() == holding.Identity()) {
            continue;
        }
        auto known = std::find_if(sources.begin(), sources.end(), [&](const auto& seen) {
            return seen.first == source.Identity();
        });
        if (known == sources.end()) {
            sources.emplace_back(source.Identity(), SyncFolderJoining(groups, source));
            known = std::prev(sources.end());
        }
        errors[i] = known->second;
    }
    std::vector<platform::RawFile> files(n);
    for (std::size_t pass = 0;; ++pass) {
        std::vector<std::size_t> live;
        for (std::size_t i = 0; i < n; ++i) {
            if (errors[i] == 0 && pass < batch[i].run->Passes()) {
                live.push_back(i);
            }
        }
        if (live.empty()) {
            return errors;
        }
        const auto drop = [&](std::size_t i, int error) {
            errors[i] = error;
            files[i] = platform::RawFile();  // closed, not deleted
        };
        for (const std::size_t i : live) {
            try {
                files[i] = batch[i].run->WriteQueued(pass);
                files[i].StartWriteBack();  // a failure sticks, and shows below
            } catch (const PassFailed& failure) {
                drop(i, failure.error);
            } catch (...) {
                drop(i, EIO);
            }
        }
        // Each file's data taken by the disk; where one cache flush may serve them, it follows
        // for all of them together (per disk), else each file is flushed on its own.
        std::vector<std::size_t> sharing;
        for (const std::size_t i : live) {
            if (errors[i] != 0) {
                continue;
            }
            const bool shared = batch[i].run->OneFlushForAll();
            if (!(shared ? files[i].FinishWriteBack() : files[i].Flush())) {
                drop(i, ErrorOf(files[i]));
            } else if (shared) {
                sharing.push_back(i);
            }
        }
        while (!sharing.empty()) {
            const std::uint64_t disk = files[sharing.back()].Identity().device;
            const bool flushed = files[sharing.back()].FlushDiskCache(groups);
            const int error = flushed ? 0 : ErrorOf(files[sharing.back()]);
            std::erase_if(sharing, [&](std::size_t i) {
                if (files[i].Identity().device != disk) {
                    return false;
                }
                if (!flushed) {
                    drop(i, error);  // not known to be on the disk: not one of them counts
                }
                return true;
            });
        }
        // Closed only once durable; the last pass's close deletes the file.
        for (const std::size_t i : live) {
            if (errors[i] == 0 && !files[i].Close()) {
                drop(i, ErrorOf(files[i]));
            }
        }
    }
}

}  // namespace

PassBatch::~PassBatch() {
    HandOver();
}

void PassBatch::Add(std::shared_ptr<PassRun> run, std::shared_ptr<const platform::Folder> source,
                    std::int64_t size, std::uint64_t tag,
                    const std::function<void()>& whileWaiting) {
    m_entries.push_back({std::move(run), std::move(source)});
    m_tags.push_back(tag);
    m_bytes += std::max<std::int64_t>(size, 0);
    if (m_entries.size() >= kFiles || m_bytes >= kBytes) {
        HandOver(whileWaiting);
    }
}

void PassBatch::HandOver(const std::function<void()>& whileWaiting) {
    if (m_entries.empty()) {
        return;
    }
    platform::FlushGroups& groups = m_queue.Groups();
    m_queue.SubmitBatch([&holding = m_holding, batch = std::move(m_entries),
                         &groups] { return RunBatch(holding, batch, groups); },
                        std::move(m_tags), whileWaiting);
    m_entries.clear();
    m_tags.clear();
    m_bytes = 0;
    m_lastReopened.reset();
}

std::shared_ptr<const platform::Folder> PassBatch::Reopened(const platform::Folder& folder) {
    if (m_lastReopened == nullptr || m_lastReopened->Identity() != folder.Identity()) {
        auto reopened = std::make_shared<platform::Folder>(folder.Reopen());
        if (!reopened->IsOpen()) {
            return nullptr;
        }
        m_lastReopened = std::move(reopened);
    }
    return m_lastReopened;
}

}  // namespace ostrel
