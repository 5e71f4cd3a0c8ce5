#pragma once

// Internal to the shredder: the passes of one file and what the files that run them share. Not
// an interface of the shredder; its callers see Shredder.h and PassBatch.h only.

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/Host.h"
#include "platform/FileSystem.h"
#include "platform/FlushQueue.h"
#include "platform/Folder.h"
#include "platform/OverwriteReach.h"
#include "platform/RawFile.h"

namespace ostrel {

// A file with at most this much data goes to the flush queue after its first pass, with all
// its later passes: they take the queue thread only briefly. A larger file writes its passes
// here, with events between the writes, and hands over only its last flush.
inline constexpr std::int64_t kHandOverLimit = std::int64_t{1} << 20;

// A pass that did not do all it had to: the file was not overwritten as promised.
struct PassFailed {
    int error;
};

inline void Require(bool ok, const platform::RawFile& file) {
    if (!ok) {
        throw PassFailed{file.Error() != 0 ? file.Error() : EIO};
    }
}

inline int ErrorOf(const platform::RawFile& file) {
    return file.Error() != 0 ? file.Error() : EIO;
}

// Flushes `folder`, or joins a flush of it that begins after this call.
int SyncFolderJoining(platform::FlushGroups& groups, const platform::Folder& folder);

// One file's passes at the place it was moved to: each pass opens the file again (checked to be
// the file the shred began with, and held by nobody else), writes the pass's data over the
// ranges that hold data, and is flushed and closed before the next opens; the close of the last
// deletes the file. Used by the caller's thread and, for what is handed over, by a queue thread.
class PassRun {
  public:
    // `holding`: the folder is the private holding folder, whose entries nobody else can swap.
    PassRun(const platform::Folder& folder, bool holding, std::string name,
            platform::FileIdentity file, std::span<const std::int32_t> passes)
        : m_folder(folder),
          m_holding(holding),
          m_name(std::move(name)),
          m_file(file),
          m_passes(passes) {}

    // The bytes one pass writes (known once the first pass has opened the file).
    std::int64_t DataSize() const {
        std::int64_t total = 0;
        for (const auto& [first, end] : m_ranges) {
            total += end - first;
        }
        return total;
    }
    // Another program held the file open when a pass tried to open it.
    bool InUse() const { return m_inUse; }
    // The bytes the passes have put in the file so far.
    std::int64_t Written() const { return m_written; }
    // The pass being written by the caller's thread, 1-based (0 before the first).
    int Pass() const { return m_pass; }
    // The first pass opened the file (and found what limits the overwrite's reach).
    bool Opened() const { return m_opened; }
    // What may keep the old contents out of reach, when the first pass ran here.
    const std::optional<platform::OverwriteReach>& Reach() const { return m_reach; }

    // How many passes the file gets.
    std::size_t Passes() const { return m_passes.size(); }
    // The first pass found that one disk cache flush may serve this file with others.
    bool OneFlushForAll() const { return m_oneFlushForAll; }

    // Opens the file for pass `pass` and writes it, on a queue thread (the first pass finds what
    // limits the overwrite's reach). Throws PassFailed.
    platform::RawFile WriteQueued(std::size_t pass);

    // The passes that finish on a flush queue's threads share its flushes with the other
    // files there: a folder's flush, and a disk's cache flush where the file system allows.
    void ShareFlushes(platform::FlushGroups& groups) { m_groups = &groups; }

    // For a small file handed over whole: flushes the holding folder and `source`, the folder
    // the file left, so that its new name is on the disk before the first byte is written; then
    // writes every pass and deletes the file. Returns 0 or the error that stopped it.
    int MakeMoveDurableAndRun(const platform::Folder& source);

    // Opens the file for pass `pass` and writes it; the last pass also scrubs the extended
    // attributes. `host` gets events between large writes (none on a queue thread); `reach`
    // receives what may keep the old contents out of reach (first pass only). Throws PassFailed.
    platform::RawFile Write(std::size_t pass, Host* host, platform::OverwriteReach* reach,
                            const std::function<void()>* onProgress = nullptr);

    // Flushes and closes `file`, written by pass `pass`, then runs every pass after it. Returns
    // 0 when the last close deleted the file, else the error that stopped the passes.
    int Finish(platform::RawFile& file, std::size_t pass);

  private:
    // Flushes `folder`, or joins a flush of it that begins after this call.
    int SyncFolder(const platform::Folder& folder);

    // The pass's 8 KiB block is built once per range and repeated up to 1 MiB, which is
    // written whole: one request per megabyte, and events between them.
    static void WriteRange(platform::RawFile& file, std::int32_t pattern, std::int64_t length,
                           Host* host, const std::function<void()>* onProgress);

    const platform::Folder& m_folder;
    const bool m_holding;
    const std::string m_name;
    const platform::FileIdentity m_file;
    const std::span<const std::int32_t> m_passes;
    std::vector<std::pair<std::int64_t, std::int64_t>> m_ranges;
    std::int64_t m_size = 0;
    bool m_inUse = false;
    bool m_opened = false;
    int m_pass = 0;
    std::atomic<std::int64_t> m_written{0};
    std::optional<platform::OverwriteReach> m_reach;
    platform::FlushGroups* m_groups = nullptr;
    bool m_oneFlushForAll = false;
};

}  // namespace ostrel
