#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Globals.h"
#include "core/Host.h"
#include "core/RuntimeError.h"
#include "platform/ErrorNumbers.h"
#include "platform/FileSystem.h"
#include "platform/InProgressList.h"
#include "platform/OverwriteReach.h"
#include "platform/RawFile.h"
#include "shredder/FileChecks.h"
#include "shredder/FillData.h"
#include "shredder/PassTables.h"
#include "shredder/Shredder.h"

namespace ostrel {
namespace {

constexpr std::int64_t kBlockSize = 8192;
constexpr std::int64_t kChunkBlocks = 128;  // 1 MiB written at a time
// A file with at most this much data goes to the flush queue after its first pass, with all
// its later passes: they take the queue thread only briefly. A larger file writes its passes
// here, with events between the writes, and hands over only its last flush.
constexpr std::int64_t kHandOverLimit = std::int64_t{1} << 20;

// A pass that did not do all it had to: the file was not overwritten as promised.
struct PassFailed {
    int error;
};

void Require(bool ok, const platform::RawFile& file) {
    if (!ok) {
        throw PassFailed{file.Error() != 0 ? file.Error() : EIO};
    }
}

// The move under a random name failed, but the file can still be overwritten under its own name:
// a full disk (or quota) has no room for a new name yet needs none for writing over blocks the
// file already has, and a file system with neither a no-replace rename nor hard links cannot
// move a file without the risk of replacing another.
bool OverwritesInPlace(int moveError) {
    return moveError == ENOSPC || moveError == platform::kErrorQuota || moveError == EOPNOTSUPP ||
           moveError == ENAMETOOLONG;
}

// Flushes `folder`, or joins a flush of it that begins after this call.
int SyncFolderJoining(platform::FlushGroups& groups, const platform::Folder& folder) {
    const platform::FileIdentity id = folder.Identity();
    return groups.Join({id.device, id.inode}, [&folder] { return folder.Sync(); });
}

int ErrorOf(const platform::RawFile& file) {
    return file.Error() != 0 ? file.Error() : EIO;
}

std::string WithSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder.push_back('/');
    }
    return folder;
}

}  // namespace

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
    platform::RawFile WriteQueued(std::size_t pass) {
        if (pass == 0) {
            m_reach.emplace();
            return Write(0, nullptr, &*m_reach);
        }
        return Write(pass, nullptr, nullptr);
    }

    // The passes that finish on a flush queue's threads share its flushes with the other
    // files there: a folder's flush, and a disk's cache flush where the file system allows.
    void ShareFlushes(platform::FlushGroups& groups) { m_groups = &groups; }

    // For a small file handed over whole: flushes the holding folder and `source`, the folder
    // the file left, so that its new name is on the disk before the first byte is written; then
    // writes every pass and deletes the file. Returns 0 or the error that stopped it.
    int MakeMoveDurableAndRun(const platform::Folder& source) {
        int error = SyncFolder(m_folder);
        if (error == 0 && source.Identity() != m_folder.Identity()) {
            error = SyncFolder(source);
        }
        if (error != 0) {
            return error;
        }
        try {
            m_reach.emplace();
            platform::RawFile file = Write(0, nullptr, &*m_reach);
            return Finish(file, 0);
        } catch (const PassFailed& failure) {
            return failure.error;
        }
    }

    // Opens the file for pass `pass` and writes it; the last pass also scrubs the extended
    // attributes. `host` gets events between large writes (none on a queue thread); `reach`
    // receives what may keep the old contents out of reach (first pass only). Throws PassFailed.
    platform::RawFile Write(std::size_t pass, Host* host, platform::OverwriteReach* reach,
                            const std::function<void()>* onProgress = nullptr) {
        if (host != nullptr) {
            m_pass = static_cast<int>(pass) + 1;
        }
        platform::RawFile::Options options;
        options.deleteOnClose = pass + 1 == m_passes.size();
        options.create = false;
        options.expected = m_file;
        options.privateFolder = m_holding;
        options.tally = &m_written;
        platform::RawFile file = platform::RawFile::OpenAt(m_folder, m_name, options);
        if (!file.IsValid()) {
            m_inUse = file.OpenFailure() == platform::RawFile::Failure::InUse;
            throw PassFailed{file.Error()};
        }
        // Before the first write: on a copy-on-write file system that write would give the file
        // new blocks and hide that the old ones were shared.
        if (pass == 0) {
            m_opened = true;
            if (reach != nullptr) {
                *reach = platform::FindOverwriteReach(file);
                m_oneFlushForAll = reach->oneFlushForAll;
            }
        }
        if (file.LinkCount() > 1) {  // a second name appeared meanwhile
            throw PassFailed{EMLINK};
        }
        // Only the ranges that hold data are written: filling a sparse file's holes could fill
        // the disk before the data is reached. They and the length are fixed by the first pass;
        // a file that changes length meanwhile is not the file that was given.
        if (pass == 0) {
            m_size = file.Size();
            m_ranges = file.DataRanges();
        } else if (file.Size() != m_size) {
            throw PassFailed{platform::kErrorStale};
        }
        for (const auto& [first, end] : m_ranges) {
            Require(file.SeekTo(first), file);
            WriteRange(file, m_passes[pass], end - first, host, onProgress);
        }
        if (options.deleteOnClose) {
            Require(file.ScrubExtendedAttributes(), file);
        }
        return file;
    }

    // Flushes and closes `file`, written by pass `pass`, then runs every pass after it. Returns
    // 0 when the last close deleted the file, else the error that stopped the passes.
    int Finish(platform::RawFile& file, std::size_t pass) {
        try {
            for (;;) {
                const bool joined = m_groups != nullptr && m_oneFlushForAll;
                Require(joined ? file.FlushJoining(*m_groups) : file.Flush(), file);
                Require(file.Close(), file);
                if (++pass == m_passes.size()) {
                    return 0;
                }
                file = Write(pass, nullptr, nullptr);
            }
        } catch (const PassFailed& failure) {
            return failure.error;
        }
    }

  private:
    // Flushes `folder`, or joins a flush of it that begins after this call.
    int SyncFolder(const platform::Folder& folder) {
        return m_groups == nullptr ? folder.Sync() : SyncFolderJoining(*m_groups, folder);
    }

    // The pass's 8 KiB block is built once per range and repeated up to 1 MiB, which is
    // written whole: one request per megabyte, and events between them.
    static void WriteRange(platform::RawFile& file, std::int32_t pattern, std::int64_t length,
                           Host* host, const std::function<void()>* onProgress) {
        const std::int64_t blocks = length / kBlockSize;
        if (blocks > 0) {
            const std::string block = PassData(pattern, kBlockSize);
            std::string chunk;
            chunk.reserve(static_cast<std::size_t>(std::min(blocks, kChunkBlocks) * kBlockSize));
            for (std::int64_t i = 0; i < std::min(blocks, kChunkBlocks); ++i) {
                chunk += block;
            }
            for (std::int64_t left = blocks * kBlockSize; left > 0;) {
                const auto n = static_cast<std::size_t>(
                    std::min<std::int64_t>(left, static_cast<std::int64_t>(chunk.size())));
                Require(file.Write(std::string_view(chunk).substr(0, n)), file);
                left -= static_cast<std::int64_t>(n);
                if (host != nullptr) {
                    if (onProgress != nullptr && *onProgress) {
                        (*onProgress)();
                    }
                    host->DoEvents();
                }
            }
        }
        Require(file.Write(PassData(pattern, length % kBlockSize)), file);
    }

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

platform::Folder OpenHoldingFolder() {
    platform::Folder holding = platform::Folder::Open(HoldingFolderPath());
    const platform::FileStatus& status = holding.Status();
    if (holding.IsOpen() &&
        (status.owner != platform::EffectiveUserId() || (status.permissions & 077) != 0)) {
        return {};
    }
    return holding;
}

void clsShredder::WipeFileSimple(std::string& spath) {
    WipeFile(spath, kSimplePasses);
}

void clsShredder::WipeFileDod3(std::string& spath) {
    WipeFile(spath, kDod3Passes);
}

void clsShredder::WipeFileDod7(std::string& spath) {
    WipeFile(spath, kDod7Passes);
}

std::int64_t clsShredder::BytesWritten() const {
    return m_run != nullptr ? m_run->Written() : 0;
}

int clsShredder::CurrentPass() const {
    return m_run != nullptr && m_result.outcome != ShredOutcome::Finishing ? m_run->Pass() : 0;
}

void clsShredder::FinishLastPass(int error) {
    if (m_result.outcome != ShredOutcome::Finishing) {
        return;
    }
    if (m_run != nullptr && m_run->Reach()) {
        m_result.reach = *m_run->Reach();
    }
    m_origin.folder = nullptr;  // the caller may have closed the file's own folder since
    if (error == 0) {
        Finish(ShredOutcome::Destroyed);
    } else if (error == EMLINK && m_run != nullptr && m_run->Written() == 0) {
        RemoveNameOnly(m_finishing);  // linked before its first pass, which ran on the queue
    } else {
        m_result.inUse = m_run != nullptr && m_run->InUse();
        RunFallback(m_finishing, m_entryPath, error);
    }
}

void clsShredder::WipeFile(std::string& spath, std::span<const std::int32_t> passes) {
    const std::string entryPath = spath;
    m_entryPath = entryPath;
    m_result = {};
    m_run.reset();
    m_file.reset();
    m_inProgressPath.clear();
    m_inProgressFolder = nullptr;
    m_unsyncedSource.reset();
    m_scheduled = false;

    auto [folderPath, name] = platform::SplitFolderAndName(spath);
    Location at{p_SourceFolder, WithSeparator(folderPath), name};
    if (at.folder == nullptr) {
        m_ownSource = platform::Folder::Open(folderPath);
        at.folder = &m_ownSource;
    }
    if (!at.folder->IsOpen()) {
        if (at.folder->Error() != ENOENT) {
            Finish(ShredOutcome::NotOverwritten, at.folder->Error());
        }
        return;
    }
    // A name that is gone, or is a folder, is not this routine's: nothing happens.
    const auto status =
        p_SourceStatus && at.folder == p_SourceFolder ? p_SourceStatus : at.folder->Stat(at.name);
    if (!status || status->type == platform::FileType::Directory) {
        return;
    }
    m_file = status->id;
    m_origin = at;
    if (RemovedAsUnwritable(at, *status)) {
        return;
    }
    if (const int refusal = RefusalBeforeWriting(at, *status); refusal != 0) {
        Finish(ShredOutcome::NotOverwritten, refusal);
        return;
    }
    if (RenameFlag) {
        const int error = MoveOutOfSight(at, *status);
        if (error == ENOENT) {
            return;  // gone meanwhile (another instance took it): nothing to report
        }
        if (error == EACCES || error == EPERM || error == EROFS || error == EBUSY) {
            Finish(ShredOutcome::NotOverwritten, error);  // nothing was written
            return;
        }
        if (error != 0 && !OverwritesInPlace(error)) {
            RunFallback(at, entryPath, error);
            return;
        }
        spath = at.Path();
    }
    CurrentHost().DoEvents();
    RunPasses(at, passes);
    if (m_result.outcome == ShredOutcome::NotOverwritten && m_result.whereNow.empty()) {
        spath = entryPath;  // put back under its own name
    }
    DoEventsIgnoringErrors();
}

// Writes every pass and deletes the file with the close of the last. A pass counts only when
// every write, the flush and the close succeeded and the file is still the one the shred began
// with; anything less sends the file to the fallback. In the holding folder, what is left once
// the first pass of a small file is written (or the last pass of a large one) goes to the flush
// queue, so that the flushes of many files run together; the outcome then waits for the queue.
void clsShredder::RunPasses(const Location& at, std::span<const std::int32_t> passes) {
    Host& host = CurrentHost();
    const bool holding = at.folder == p_HoldingFolder || at.folder == &m_ownHolding;
    m_run = std::make_shared<PassRun>(*at.folder, holding, at.name, *m_file, passes);
    const bool queued = p_FlushQueue != nullptr && at.folder == p_HoldingFolder;
    if (queued) {
        m_run->ShareFlushes(p_FlushQueue->Groups());
    }
    if (queued && m_unsyncedSource != nullptr) {
        m_finishing = at;
        m_result.outcome = ShredOutcome::Finishing;
        if (p_PassBatch != nullptr) {
            p_PassBatch->Add(m_run, std::move(m_unsyncedSource), m_unsyncedSize, p_FlushTag,
                             DoEventsIgnoringErrors);
            return;
        }
        p_FlushQueue->Submit(
            [run = m_run, source = std::move(m_unsyncedSource)] {
                return run->MakeMoveDurableAndRun(*source);
            },
            p_FlushTag, DoEventsIgnoringErrors);
        return;
    }
    try {
        for (std::size_t pass = 0; pass < passes.size(); ++pass) {
            platform::RawFile file =
                m_run->Write(pass, &host, pass == 0 ? &m_result.reach : nullptr, &p_OnProgress);
            const bool last = pass + 1 == passes.size();
            if (queued && (last || m_run->DataSize() <= kHandOverLimit)) {
                m_finishing = at;
                m_result.outcome = ShredOutcome::Finishing;
                auto shared = std::make_shared<platform::RawFile>(std::move(file));
                p_FlushQueue->Submit(
                    [run = m_run, shared, pass] { return run->Finish(*shared, pass); }, p_FlushTag,
                    DoEventsIgnoringErrors);
                return;
            }
            Require(file.Flush(), file);
            host.DoEvents();
            Require(file.Close(), file);
            host.DoEvents();
        }
    } catch (const PassFailed& failure) {
        m_result.inUse = m_run->InUse();
        if (failure.error == EMLINK && m_run->Written() == 0) {
            RemoveNameOnly(at);  // linked before its first pass: the contents are the other name's
        } else {
            RunFallback(at, m_entryPath, failure.error);
        }
        return;
    } catch (const std::exception&) {
        RunFallback(at, m_entryPath, EIO);
        return;
    }
    Finish(ShredOutcome::Destroyed);
}

// Read-only file systems, immutable and append-only files and files this user may not write are
// left exactly as they are: no pass could touch them and no deletion could follow. A file of the
// user's own that is only write-protected by its mode is made writable: the user asked for it to
// be destroyed. A mount point is never written through.
int clsShredder::RefusalBeforeWriting(const Location& at, const platform::FileStatus& status) {
    if (status.mountId != at.folder->Status().mountId ||
        status.id.device != at.folder->Identity().device) {
        return EBUSY;
    }
    int error = at.folder->CheckWritable(at.name);
    if (error == EACCES && status.owner == platform::EffectiveUserId() &&
        at.folder->MakeOwnerWritable(at.name, status.id) == 0) {
        error = at.folder->CheckWritable(at.name);
    }
    return error == EROFS || error == EPERM || error == EACCES ? error : 0;
}

// Links, FIFOs, devices and sockets are never written: the name is removed. So is the name of a
// file with other hard links, whose contents the other names still need.
bool clsShredder::RemovedAsUnwritable(const Location& at, const platform::FileStatus& status) {
    ShredOutcome outcome;
    if (status.type != platform::FileType::Regular) {
        outcome = ShredOutcome::LinkOrSpecialRemoved;
    } else if (status.linkCount > 1) {
        outcome = ShredOutcome::NameRemovedContentsKept;
    } else {
        return false;
    }
    const int error = at.folder->Unlink(at.name);
    if (error == 0) {
        Finish(outcome);
    } else if (error != ENOENT) {
        Finish(ShredOutcome::Failed, error);
    }
    DoEventsIgnoringErrors();
    return true;
}

// Hides the file under a random name: in the holding folder, or in its own folder when the
// holding folder lies on another file system (recorded on the in-progress list until the file
// is gone). Never replaces an existing file. On success `at` names the new place; where the
// in-progress list cannot take the entry it is left as it is (and 0 returned): the file is then
// overwritten under its own name rather than hidden where no later start would look for it.
int clsShredder::MoveOutOfSight(Location& at, const platform::FileStatus& status) {
    const std::string name = RandFileName();
    const platform::Folder* holding = p_HoldingFolder;
    if (holding == nullptr) {
        m_ownHolding = OpenHoldingFolder();
        holding = &m_ownHolding;
    }
    if (!holding->IsOpen()) {
        return EACCES;  // no private holding folder: nothing is written anywhere else
    }
    Location target{holding, HoldingFolderPath() + "/", name};
    int error = at.folder->Rename(at.name, *holding, name);
    if (error == EXDEV) {
        target = Location{at.folder, at.folderPath, name};
        if (!platform::AddInProgress(target.Path(), *at.folder, at.name, status)) {
            return 0;
        }
        error = at.folder->Rename(at.name, *at.folder, name);
        if (error == 0) {
            m_inProgressPath = target.Path();
        } else {
            platform::RemoveInProgress(target.Path());
        }
    }
    if (error != 0) {
        return error;
    }
    CurrentHost().DoEvents();
    // No byte is written before the new name is on the disk, in both folders: after a power cut
    // the file must be where the next start looks for it, never half overwritten under its own
    // name (or under both names). A small file bound for the flush queue has both folders
    // flushed there, before its first pass, so that the flushes of many files reach the disk
    // together; any other file has them flushed now.
    const platform::Folder& source = *at.folder;
    if (p_FlushQueue != nullptr && target.folder == p_HoldingFolder &&
        status.size <= kHandOverLimit) {
        if (p_PassBatch != nullptr) {
            m_unsyncedSource = p_PassBatch->Reopened(source);
        } else if (auto reopened = std::make_shared<platform::Folder>(source.Reopen());
                   reopened->IsOpen()) {
            m_unsyncedSource = std::move(reopened);
        }
        m_unsyncedSize = status.size;
    }
    if (m_unsyncedSource == nullptr) {
        error = target.folder->Sync();
        if (error == 0 && source.Identity() != target.folder->Identity()) {
            error = source.Sync();
        }
    }
    if (error == 0 && !m_inProgressPath.empty()) {
        m_inProgressFolder = target.folder;
    }
    at = target;
    CurrentHost().DoEvents();
    return error;
}

// Spaces over what can be written, then deletion at restart, but only where that deletion can
// work: the path still names the file this shred began with, in a folder whose entries this
// user may remove. A file of which not a byte was overwritten, by the passes or by the spaces, is
// never said to be overwritten: it is put back where it was given and reported intact.
void clsShredder::RunFallback(const Location& at, const std::string& entryPath, int error) {
    const SpacesWritten spaces = OverwriteFileWithSpaces(*at.folder, at.name, m_file);
    if (m_run == nullptr || !m_run->Opened()) {
        m_result.reach = spaces.reach;
    }
    if ((m_run == nullptr || m_run->Written() == 0) && spaces.written == 0 && !spaces.complete) {
        LeaveIntact(at, error);
        return;
    }
    auto status = at.folder->Stat(at.name);
    if (status && m_file && status->id == *m_file && at.folder->CheckWritable(".") == 0) {
        std::string path = at.Path();
        std::string entry = entryPath;
        DeleteOnReboot(path, entry);
    }
    if (at.Path() != entryPath) {
        m_result.whereNow = at.Path();
    }
    Finish(m_scheduled ? ShredOutcome::ScheduledAtRestart : ShredOutcome::Failed, error);
}

// Nothing was written: a file moved under a random name gets its own name back (never replacing
// one that took its place), so that it is found where it was given; otherwise the report says
// where it is now.
void clsShredder::LeaveIntact(const Location& at, int error) {
    const bool moved = at.folder != m_origin.folder || at.name != m_origin.name;
    if (moved) {
        const auto status = at.folder->Stat(at.name);
        const bool same = status && m_file && status->id == *m_file;
        if (same && m_origin.folder != nullptr &&
            at.folder->Rename(at.name, *m_origin.folder, m_origin.name) == 0) {
            if (!m_inProgressPath.empty()) {
                platform::RemoveInProgress(m_inProgressPath);
                m_inProgressPath.clear();
            }
        } else if (status) {
            m_result.whereNow = at.Path();
        }
    }
    Finish(ShredOutcome::NotOverwritten, error);
}

// A second name was given to the file before a byte was written: the contents are that name's
// too and stay. Only the name this shred holds is removed, as for a file that had other names from
// the start.
void clsShredder::RemoveNameOnly(const Location& at) {
    const auto status = at.folder->Stat(at.name);
    if (!status || !m_file || status->id != *m_file) {
        Finish(ShredOutcome::Failed, platform::kErrorStale);
        return;
    }
    const int error = at.folder->Unlink(at.name);
    if (error == 0) {
        Finish(ShredOutcome::NameRemovedContentsKept);
    } else {
        LeaveIntact(at, error);
    }
}

void clsShredder::Finish(ShredOutcome outcome, int error) {
    m_result.outcome = outcome;
    m_result.error = error;
    bool settled = outcome == ShredOutcome::Destroyed ||
                   outcome == ShredOutcome::ScheduledAtRestart ||
                   outcome == ShredOutcome::NameRemovedContentsKept;
    if (settled && !m_inProgressPath.empty()) {
        // The entry goes only once the deletion is on the disk: a power cut in between would
        // bring the file back under a name that no start knows.
        if (outcome == ShredOutcome::Destroyed && m_inProgressFolder != nullptr &&
            m_inProgressFolder->Sync() != 0) {
            return;
        }
        platform::RemoveInProgress(m_inProgressPath);
        m_inProgressPath.clear();
    }
}

}  // namespace ostrel
