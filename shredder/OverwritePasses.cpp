#include <exception>

#include "core/Globals.h"
#include "core/Host.h"
#include "core/RuntimeError.h"
#include "platform/FileSystem.h"
#include "platform/InProgressList.h"
#include "platform/RawFile.h"
#include "shredder/FileChecks.h"
#include "shredder/FillData.h"
#include "shredder/Shredder.h"

namespace ostrel {
namespace {

constexpr std::int64_t kBlockSize = 8192;

constexpr std::int32_t kErrFileNotFound = 53;
constexpr std::int32_t kErrFileAlreadyExists = 58;
constexpr std::int32_t kErrPathFileAccess = 75;
constexpr std::int32_t kErrPathNotFound = 76;

// Pass tables: a pattern code, or a block of random alphabet characters.
constexpr std::int32_t kRandomPass = -1;
constexpr std::int32_t kSimplePasses[] = {kRandomPass};
constexpr std::int32_t kDod3Passes[] = {0, 255, kRandomPass};
constexpr std::int32_t kDod7Passes[] = {0, 255, kRandomPass, kRandomPass, 0, 255, kRandomPass};

std::string PassData(std::int32_t pass, std::int64_t length) {
    return pass == kRandomPass ? RandData(length) : FillString(length, pass);
}

// The file's size as the file system reports it now; an error when the file is gone.
std::int64_t CurrentSize(const std::string& path) {
    auto status = platform::StatPath(path);
    if (!status) {
        throw RuntimeError(kErrFileNotFound, "File not found");
    }
    return status->size;
}

// The folder part of `path`, with its trailing separator ("" for a bare name).
std::string FolderOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A reopen that finds another file (or none) under the path ends the overwrite.
void RequireSameFile(const platform::RawFile& file) {
    using Failure = platform::RawFile::Failure;
    Failure why = file.OpenFailure();
    if (why == Failure::NotSameFile || why == Failure::NotFound || why == Failure::NotRegular) {
        throw RuntimeError(kErrPathFileAccess, "Path/File access error");
    }
}

}  // namespace

void clsShredder::WipeFileSimple(std::string& spath) {
    WipeFile(spath, kSimplePasses);
}

void clsShredder::WipeFileDod3(std::string& spath, std::int32_t&) {
    WipeFile(spath, kDod3Passes);
}

void clsShredder::WipeFileDod7(std::string& spath, std::int32_t&) {
    WipeFile(spath, kDod7Passes);
}

void clsShredder::WipeFile(std::string& spath, std::span<const std::int32_t> passes) {
    std::string entryPath = spath;
    Host& host = CurrentHost();
    m_outcome = ShredOutcome::NotAttempted;
    m_file.reset();
    m_inProgressPath.clear();
    m_scheduled = false;
    bool lastCloseDone = false;
    bool lastCloseOk = false;
    try {
        if (!FileExist(spath)) {
            return;
        }
        auto status = platform::StatPath(spath);
        if (!status) {
            return;
        }
        m_file = status->id;
        if (RemovedAsUnwritable(spath, *status)) {
            return;
        }
        if (RenameFlag) {
            MoveOutOfSight(spath, *status);
        }
        host.DoEvents();

        std::int64_t tail = 0;
        for (std::size_t pass = 0; pass < passes.size(); ++pass) {
            const bool last = pass + 1 == passes.size();
            // The pass's block is built once and written for every whole block; a file too
            // small for one never needs it.
            std::string block;
            platform::RawFile::Options options;
            options.deleteOnClose = last;
            options.create = false;
            options.expected = m_file;
            platform::RawFile file = platform::RawFile::Open(spath, options);
            RequireSameFile(file);
            if (file.IsValid() && file.LinkCount() > 1) {  // a second name appeared meanwhile
                throw RuntimeError(kErrPathFileAccess, "Path/File access error");
            }
            if (pass == 0) {
                tail = CurrentSize(spath) % kBlockSize;
            }
            const std::int64_t blocks = CurrentSize(spath) / kBlockSize;
            if (blocks > 0) {
                block = PassData(passes[pass], kBlockSize);
            }
            for (std::int64_t i = 0; i < blocks; ++i) {
                file.Write(block);
                host.DoEvents();
            }
            file.Write(PassData(passes[pass], tail));
            file.Flush();
            host.DoEvents();
            const bool closed = file.Close();
            if (last) {
                lastCloseDone = true;
                lastCloseOk = closed;
            }
            host.DoEvents();
        }
    } catch (const std::exception&) {
        if (!lastCloseDone) {
            RunFallback(spath, entryPath);
            return;
        }
        // Errors from the last close onwards are ignored.
    }
    if (!lastCloseDone) {
        return;
    }
    if (lastCloseOk) {
        Finish(ShredOutcome::Destroyed);
    } else {
        RunFallback(spath, entryPath);
    }
    DoEventsIgnoringErrors();
}

// Links, FIFOs, devices and sockets are never written: the name is removed. So is the name of a
// file with other hard links, whose contents the other names still need.
bool clsShredder::RemovedAsUnwritable(std::string& spath, const platform::FileStatus& status) {
    ShredOutcome outcome;
    if (status.type != platform::FileType::Regular) {
        outcome = ShredOutcome::LinkOrSpecialRemoved;
    } else if (status.linkCount > 1) {
        outcome = ShredOutcome::NameRemovedContentsKept;
    } else {
        return false;
    }
    if (platform::DeletePath(spath)) {
        Finish(outcome);
    } else {
        std::string entryPath = spath;
        RunFallback(spath, entryPath);
    }
    DoEventsIgnoringErrors();
    return true;
}

// Hides the file under a random name: in the holding folder, or in its own folder when the
// holding folder lies on another file system (recorded on the in-progress list until the file
// is gone). Never replaces an existing file; any failure is an error.
void clsShredder::MoveOutOfSight(std::string& spath, const platform::FileStatus& status) {
    const std::string name = RandFileName();
    const std::string holding = gDataFolder + "/Safetemp/";
    if (!IsPrivateFolder(holding)) {
        throw RuntimeError(kErrPathNotFound, "Path not found");
    }
    std::string target = holding + name;
    platform::RenameResult result = platform::RenameNoReplace(spath, target);
    if (result == platform::RenameResult::CrossDevice) {
        target = FolderOf(spath) + name;
        bool recorded = platform::AddInProgress(target, status);
        result = platform::RenameNoReplace(spath, target);
        if (result == platform::RenameResult::Done && recorded) {
            m_inProgressPath = target;
        } else if (recorded) {
            platform::RemoveInProgress(target);
        }
    }
    if (result == platform::RenameResult::Exists) {
        throw RuntimeError(kErrFileAlreadyExists, "File already exists");
    }
    if (result != platform::RenameResult::Done) {
        throw RuntimeError(kErrPathFileAccess, "Path/File access error");
    }
    CurrentHost().DoEvents();
    spath = target;
    CurrentHost().DoEvents();
}

// Spaces over what can be written, then deletion at restart; only while the path still names
// the file this shred began with.
void clsShredder::RunFallback(std::string& spath, std::string& entryPath) {
    OverwriteWithSpaces(spath, entryPath);
    auto status = platform::StatPath(spath);
    if (status && m_file && status->id == *m_file) {
        DeleteOnReboot(spath, entryPath);
    }
    Finish(m_scheduled ? ShredOutcome::ScheduledAtRestart : ShredOutcome::Failed);
}

void clsShredder::Finish(ShredOutcome outcome) {
    m_outcome = outcome;
    bool settled =
        outcome == ShredOutcome::Destroyed || outcome == ShredOutcome::ScheduledAtRestart;
    if (settled && !m_inProgressPath.empty()) {
        platform::RemoveInProgress(m_inProgressPath);
        m_inProgressPath.clear();
    }
}

}  // namespace ostrel
