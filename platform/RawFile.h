#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/FlushQueue.h"
#include "platform/Folder.h"
#include "platform/Handle.h"

namespace ostrel::platform {

// A file opened for raw output, with the semantics the overwrite passes rely on: only regular
// files open, links are never followed, "no sharing" keeps other holders out, and a handle
// opened with delete-on-close removes its file when it is closed. Move-only; the destructor
// closes without deleting.
class RawFile {
  public:
    enum class Failure { None, NotFound, NotRegular, NotSameFile, InUse, Denied, Other };

    struct Options {
        bool deleteOnClose = false;
        // Create the file when nothing exists under the path (never with `expected`).
        bool create = true;
        bool writeOnly = false;
        // No other holder: a write lease (fails while anyone else has the file open), or an
        // exclusive advisory lock where a lease is not permitted.
        bool exclusive = true;
        // The file the path must still name; any other file gives Failure::NotSameFile.
        std::optional<FileIdentity> expected;
        // With `expected`: the folder is this user's own and nobody else may enter it, so its
        // entry cannot be swapped between a look at it and the open. The entry is then checked by
        // its status and opened directly, without the path-only probe and the reopen through it.
        bool privateFolder = false;
        // Where the handle adds the bytes its writes put in the file, besides BytesWritten(), so
        // that the passes of several handles over one file can be counted together.
        std::atomic<std::int64_t>* tally = nullptr;
    };

    // Opens `path` for reading and writing (or writing only) at offset 0. Anything but a regular
    // file, a file in use elsewhere (with `exclusive`) or a running executable gives an invalid
    // handle whose OpenFailure() says why; a non-regular file is never opened for writing.
    static RawFile Open(const std::string& path, const Options& options);
    // The same for entry `name` of the open folder `folder`: nothing above the entry is resolved
    // again, and delete-on-close removes the entry from that folder.
    static RawFile OpenAt(const Folder& folder, std::string_view name, const Options& options);

    RawFile() = default;
    ~RawFile();
    RawFile(RawFile&& other) noexcept;
    RawFile& operator=(RawFile&& other) noexcept;
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    bool IsValid() const { return m_handle.Valid(); }
    // The system's handle of the open file, for the platform layer's own use (not Valid() for
    // the invalid handle).
    const Handle& Native() const { return m_handle; }
    Failure OpenFailure() const { return m_failure; }
    // The system error number of the failed open, or of the first failed write, flush or
    // close; 0 when none failed.
    int Error() const { return m_error; }
    FileIdentity Identity() const { return m_id; }
    // The id of the mount the file was opened through (0 where the system does not tell).
    std::uint64_t MountId() const { return m_mountId; }
    // The file's names when it was opened, as the file system counts them (never a cached count).
    std::uint64_t LinkCount() const { return m_linkCount; }
    // How many bytes the writes of this handle have put in the file so far (a write that
    // failed half-way counts what it wrote).
    std::int64_t BytesWritten() const { return m_written; }
    // The open file's length in bytes (fstat); -1 for the invalid handle.
    std::int64_t Size() const;

    // The byte ranges [first, second) of the file that hold data, in order: holes (never
    // allocated) are left out. A file system that cannot tell gives one range over the whole
    // file. Empty for an empty file or the invalid handle.
    std::vector<std::pair<std::int64_t, std::int64_t>> DataRanges() const;

    // Moves the write position to `offset` (after handing on what is buffered).
    bool SeekTo(std::int64_t offset);

    // Overwrites the value of every extended attribute the file has with as many zero bytes,
    // then removes it, so the old value is not left in the freed inode. False when one could not
    // be overwritten or removed, or the overwritten values could not be flushed; Error() says why.
    bool ScrubExtendedAttributes();

    // Appends `bytes` at the current position. Writes are gathered in a write-behind buffer and
    // reach the file in large requests; false on an invalid handle or after a failed write.
    bool Write(std::string_view bytes);

    // Empties the write-behind buffer and forces the file's data to the medium (fsync).
    bool Flush();

    // The same for a file on a file system where one file's fdatasync flushes the disk's cache
    // for every file on it (OverwriteReach::oneFlushForAll), with that cache flush shared by the
    // files that ask at once: this file's data is written and waited for (FinishWriteBack), and
    // then a flush of `groups` under its disk that begins after that is waited for. What that
    // relies on: the data goes back to the blocks it was read from (an overwrite in place, the
    // length unchanged), so no metadata is needed to find it there; a write that completed
    // reached the disk, at worst into its volatile cache; and a cache flush sent afterwards, for
    // any file of the disk, makes every completed write durable.
    bool FlushJoining(FlushGroups& groups);
    // The cache flush of FlushJoining alone: for the last of many files whose write-backs were
    // each finished (FinishWriteBack), after which its success counts for all of them.
    bool FlushDiskCache(FlushGroups& groups);

    // Empties the buffer and starts writing the file's data back to the disk (sync_file_range),
    // without waiting: many files' write-backs then go to the disk together.
    bool StartWriteBack();
    // Empties the buffer, writes back what is not yet, and waits until the disk has taken all
    // of the file's data (sync_file_range). That data may still be in the disk's volatile cache:
    // only a cache flush afterwards makes it durable.
    bool FinishWriteBack();
    // For long sequential writes: starts writing the file's bytes in [offset, offset + length) to
    // the medium without waiting for them (after handing on what is buffered), or, with `wait`,
    // writes them and waits until they are on the medium. Keeping only a few such ranges unwritten
    // keeps the memory they hold, and the time a Flush or a stop waits, small. A hint only: a
    // failure here shows at Flush.
    void WriteBack(std::int64_t offset, std::int64_t length, bool wait);

    // Empties the buffer and closes. With delete-on-close the path is unlinked first, but only
    // while it still names this file and only when every write and flush succeeded. False for
    // the invalid handle, after any failed write or flush, or when the deletion failed.
    bool Close();

  private:
    // The failure an open that ended with the system error number `error` reports.
    static Failure FailureOf(int error);
    bool Drain();
    void HandOverBuffer();
    Status SyncRange(std::int64_t offset, std::int64_t length, unsigned flags) const;
    bool WriteOut(const char* data, std::size_t size);
    void Release();
    // Marks the handle failed, keeping the first error number.
    void Fail(int error);

    Handle m_handle;
    Failure m_failure = Failure::None;
    int m_error = 0;
    Handle m_folder;  // the folder holding the file (a handle of its own), for delete-on-close
    std::string m_name;
    bool m_deleteOnClose = false;
    bool m_failed = false;
    FileIdentity m_id;
    std::uint64_t m_linkCount = 0;
    std::uint64_t m_mountId = 0;
    std::int64_t m_written = 0;
    std::atomic<std::int64_t>* m_tally = nullptr;
    std::unique_ptr<char[]> m_buffer;  // the write-behind buffer, allocated on first write
    std::size_t m_capacity = 0;
    std::size_t m_used = 0;
    std::int64_t m_offset = 0;
};

}  // namespace ostrel::platform
