#include "shredder/Shredder.h"

#include <cerrno>

#include "platform/ErrorNumbers.h"
#include "platform/FileSystem.h"
#include "platform/InProgressList.h"
#include "shredder/FileChecks.h"
#include "shredder/PassRun.h"

namespace ostrel {

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
