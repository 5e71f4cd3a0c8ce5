#include <cerrno>
#include <cstdint>
#include <exception>

#include "core/Globals.h"
#include "core/Host.h"
#include "core/RuntimeError.h"
#include "platform/FileSystem.h"
#include "platform/InProgressList.h"
#include "platform/OverwriteReach.h"
#include "platform/RawFile.h"
#include "shredder/FileChecks.h"
#include "shredder/FillData.h"
#include "shredder/Shredder.h"

namespace ostrel {
namespace {

constexpr std::int64_t kBlockSize = 8192;

// Pass tables: a pattern code, or a block of random alphabet characters.
constexpr std::int32_t kRandomPass = -1;
constexpr std::int32_t kSimplePasses[] = {kRandomPass};
constexpr std::int32_t kDod3Passes[] = {0, 255, kRandomPass};
constexpr std::int32_t kDod7Passes[] = {0, 255, kRandomPass, kRandomPass, 0, 255, kRandomPass};

std::string PassData(std::int32_t pass, std::int64_t length) {
    return pass == kRandomPass ? RandData(length) : FillString(length, pass);
}

// A pass that did not do all it had to: the file was not overwritten as promised.
struct PassFailed {
    int error;
};

void Require(bool ok, const platform::RawFile& file) {
    if (!ok) {
        throw PassFailed{file.Error() != 0 ? file.Error() : EIO};
    }
}

std::string WithSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder.push_back('/');
    }
    return folder;
}

}  // namespace

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

void clsShredder::WipeFileDod3(std::string& spath, std::int32_t&) {
    WipeFile(spath, kDod3Passes);
}

void clsShredder::WipeFileDod7(std::string& spath, std::int32_t&) {
    WipeFile(spath, kDod7Passes);
}

void clsShredder::FinishLastPass(bool ok, int error) {
    if (m_result.outcome != ShredOutcome::Finishing) {
        return;
    }
    if (ok) {
        Finish(ShredOutcome::Destroyed);
    } else {
        RunFallback(m_finishing, m_entryPath, error);
    }
}

void clsShredder::WipeFile(std::string& spath, std::span<const std::int32_t> passes) {
    const std::string entryPath = spath;
    m_entryPath = entryPath;
    m_result = {};
    m_file.reset();
    m_inProgressPath.clear();
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
    const auto status = at.folder->Stat(at.name);
    if (!status || status->type == platform::FileType::Directory) {
        return;
    }
    m_file = status->id;
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
        if (error != 0) {
            RunFallback(at, entryPath, error);
            return;
        }
        spath = at.Path();
    }
    CurrentHost().DoEvents();
    RunPasses(at, passes);
    DoEventsIgnoringErrors();
}

// Writes every pass and deletes the file with the close of the last. A pass counts only when
// every write, the flush and the close succeeded and the file is still the one the shred began
// with; anything less sends the file to the fallback.
void clsShredder::RunPasses(const Location& at, std::span<const std::int32_t> passes) {
    Host& host = CurrentHost();
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
    std::int64_t size = 0;
    try {
        for (std::size_t pass = 0; pass < passes.size(); ++pass) {
            const bool last = pass + 1 == passes.size();
            platform::RawFile::Options options;
            options.deleteOnClose = last;
            options.create = false;
            options.expected = m_file;
            platform::RawFile file = platform::RawFile::OpenAt(*at.folder, at.name, options);
            if (!file.IsValid()) {
                m_result.inUse = file.OpenFailure() == platform::RawFile::Failure::InUse;
                throw PassFailed{file.Error()};
            }
            if (file.LinkCount() > 1) {  // a second name appeared meanwhile
                throw PassFailed{EMLINK};
            }
            // Only the ranges that hold data are written: filling a sparse file's holes could
            // fill the disk before the data is reached. They and the length are fixed by the
            // first pass; a file that changes length meanwhile is not the file that was given.
            if (pass == 0) {
                size = file.Size();
                ranges = file.DataRanges();
                // Before the first write: on a copy-on-write file system that write would give
                // the file new blocks and hide that the old ones were shared.
                m_result.reach = platform::FindOverwriteReach(file);
            } else if (file.Size() != size) {
                throw PassFailed{ESTALE};
            }
            for (const auto& [first, end] : ranges) {
                Require(file.SeekTo(first), file);
                const std::int64_t blocks = (end - first) / kBlockSize;
                // The pass's block is built once and written for every whole block; a range
                // too small for one never needs it.
                const std::string block = blocks > 0 ? PassData(passes[pass], kBlockSize) : "";
                for (std::int64_t i = 0; i < blocks; ++i) {
                    Require(file.Write(block), file);
                    host.DoEvents();
                }
                Require(file.Write(PassData(passes[pass], (end - first) % kBlockSize)), file);
            }
            if (last && !file.ScrubExtendedAttributes()) {
                throw PassFailed{EPERM};
            }
            if (last && p_FlushQueue != nullptr && at.folder == p_HoldingFolder) {
                // The flush and the deleting close run on the queue's threads; the outcome
                // waits for them.
                m_finishing = at;
                m_result.outcome = ShredOutcome::Finishing;
                p_FlushQueue->Submit(std::move(file), reinterpret_cast<std::uintptr_t>(this));
                return;
            }
            Require(file.Flush(), file);
            host.DoEvents();
            Require(file.Close(), file);
            host.DoEvents();
        }
    } catch (const PassFailed& failure) {
        RunFallback(at, at.Path(), failure.error);
        return;
    } catch (const std::exception&) {
        RunFallback(at, at.Path(), EIO);
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
// is gone). Never replaces an existing file. On success `at` names the new place.
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
        const bool recorded = platform::AddInProgress(target.Path(), status);
        error = recorded ? at.folder->Rename(at.name, *at.folder, name) : EIO;
        if (error == 0) {
            m_inProgressPath = target.Path();
        } else if (recorded) {
            platform::RemoveInProgress(target.Path());
        }
    }
    if (error != 0) {
        return error;
    }
    CurrentHost().DoEvents();
    at = target;
    CurrentHost().DoEvents();
    return 0;
}

// Spaces over what can be written, then deletion at restart, but only where that deletion can
// work: the path still names the file this shred began with, in a folder whose entries this
// user may remove.
void clsShredder::RunFallback(const Location& at, const std::string& entryPath, int error) {
    if (error != ENOSPC) {  // a full file system takes no spaces either
        OverwriteFileWithSpaces(*at.folder, at.name, m_file);
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

void clsShredder::Finish(ShredOutcome outcome, int error) {
    m_result.outcome = outcome;
    m_result.error = error;
    bool settled =
        outcome == ShredOutcome::Destroyed || outcome == ShredOutcome::ScheduledAtRestart;
    if (settled && !m_inProgressPath.empty()) {
        platform::RemoveInProgress(m_inProgressPath);
        m_inProgressPath.clear();
    }
}

}  // namespace ostrel
