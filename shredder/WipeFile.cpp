#include "shredder/Shredder.h"

#include <cerrno>
#include <exception>
#include <memory>
#include <optional>
#include <utility>

#include "core/Host.h"
#include "platform/ErrorNumbers.h"
#include "platform/FileSystem.h"
#include "platform/RawFile.h"
#include "shredder/PassBatch.h"
#include "shredder/PassRun.h"
#include "shredder/PassTables.h"

namespace ostrel {
namespace {

// The move under a random name failed, but the file can still be overwritten under its own name:
// a full disk (or quota) has no room for a new name yet needs none for writing over blocks the
// file already has, and a file system with neither a no-replace rename nor hard links cannot
// move a file without the risk of replacing another.
bool OverwritesInPlace(int moveError) {
    return moveError == ENOSPC || moveError == platform::kErrorQuota || moveError == EOPNOTSUPP ||
           moveError == ENAMETOOLONG;
}

std::string WithSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder.push_back('/');
    }
    return folder;
}

}  // namespace

void clsShredder::WipeFileSimple(const ShredRequest& request, std::string& spath) {
    WipeFile(request, spath, kSimplePasses);
}

void clsShredder::WipeFileDod3(const ShredRequest& request, std::string& spath) {
    WipeFile(request, spath, kDod3Passes);
}

void clsShredder::WipeFileDod7(const ShredRequest& request, std::string& spath) {
    WipeFile(request, spath, kDod7Passes);
}

std::int64_t clsShredder::BytesWritten() const {
    return m_run != nullptr ? m_run->Written() : 0;
}

int clsShredder::CurrentPass() const {
    return m_run != nullptr && m_result.outcome != ShredOutcome::Finishing ? m_run->Pass() : 0;
}

void clsShredder::WipeFile(const ShredRequest& request, std::string& spath,
                           std::span<const std::int32_t> passes) {
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
    const platform::Folder* given = request.source ? &request.source->folder : nullptr;
    Location at{given, WithSeparator(folderPath), name};
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
    const auto status = request.source && at.folder == given ? std::optional(request.source->status)
                                                             : at.folder->Stat(at.name);
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
    if (request.RenameFlag) {
        const int error = MoveOutOfSight(request, at, *status);
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
    RunPasses(request, at, passes);
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
void clsShredder::RunPasses(const ShredRequest& request, const Location& at,
                            std::span<const std::int32_t> passes) {
    Host& host = CurrentHost();
    const auto& given = request.holding;
    const bool inGivenHolding = given && at.folder == &given->folder;
    const bool holding = inGivenHolding || at.folder == &m_ownHolding;
    m_run = std::make_shared<PassRun>(*at.folder, holding, at.name, *m_file, passes);
    platform::FlushQueue* const queue = inGivenHolding ? given->queue : nullptr;
    const bool queued = queue != nullptr;
    if (queued) {
        m_run->ShareFlushes(queue->Groups());
    }
    if (queued && m_unsyncedSource != nullptr) {
        m_finishing = at;
        m_result.outcome = ShredOutcome::Finishing;
        if (given->batch != nullptr) {
            given->batch->Add(m_run, std::move(m_unsyncedSource), m_unsyncedSize, given->tag,
                              DoEventsIgnoringErrors);
            return;
        }
        queue->Submit(
            [run = m_run, source = std::move(m_unsyncedSource)] {
                return run->MakeMoveDurableAndRun(*source);
            },
            given->tag, DoEventsIgnoringErrors);
        return;
    }
    try {
        for (std::size_t pass = 0; pass < passes.size(); ++pass) {
            platform::RawFile file = m_run->Write(
                pass, &host, pass == 0 ? &m_result.reach : nullptr, &request.onProgress);
            const bool last = pass + 1 == passes.size();
            if (queued && (last || m_run->DataSize() <= kHandOverLimit)) {
                m_finishing = at;
                m_result.outcome = ShredOutcome::Finishing;
                auto shared = std::make_shared<platform::RawFile>(std::move(file));
                queue->Submit([run = m_run, shared, pass] { return run->Finish(*shared, pass); },
                              given->tag, DoEventsIgnoringErrors);
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

}  // namespace ostrel
