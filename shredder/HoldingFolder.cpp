#include "shredder/Shredder.h"

#include <cerrno>
#include <memory>
#include <utility>

#include "core/Globals.h"
#include "core/Host.h"
#include "platform/FileSystem.h"
#include "platform/InProgressList.h"
#include "shredder/FillData.h"
#include "shredder/PassBatch.h"
#include "shredder/PassRun.h"

namespace ostrel {

platform::Folder OpenHoldingFolder() {
    platform::Folder holding = platform::Folder::Open(HoldingFolderPath());
    const platform::FileStatus& status = holding.Status();
    if (holding.IsOpen() &&
        (status.owner != platform::EffectiveUserId() || (status.permissions & 077) != 0)) {
        return {};
    }
    return holding;
}

// Hides the file under a random name: in the holding folder, or in its own folder when the
// holding folder lies on another file system (recorded on the in-progress list until the file
// is gone). Never replaces an existing file. On success `at` names the new place; where the
// in-progress list cannot take the entry it is left as it is (and 0 returned): the file is then
// overwritten under its own name rather than hidden where no later start would look for it.
int clsShredder::MoveOutOfSight(const ShredRequest& request, Location& at,
                                const platform::FileStatus& status) {
    const std::string name = RandFileName();
    const auto& given = request.holding;
    const platform::Folder* holding = given ? &given->folder : nullptr;
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
    if (given && given->queue != nullptr && target.folder == &given->folder &&
        status.size <= kHandOverLimit) {
        if (given->batch != nullptr) {
            m_unsyncedSource = given->batch->Reopened(source);
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

}  // namespace ostrel
