#include "shredder/FileChecks.h"

#include <algorithm>
#include <cerrno>
#include <optional>

#include "core/PathHelpers.h"
#include "platform/RawFile.h"
#include "platform/Trash.h"
#include "shredder/Shredder.h"

namespace ostrel {
namespace {

constexpr std::int64_t kSpacesChunk = std::int64_t{1} << 20;  // written whole, unbuffered

}  // namespace

bool IsPrivateFolder(const std::string& folder) {
    auto status = platform::StatPath(RemoveTrailingSeparators(folder));
    return status && status->type == platform::FileType::Directory &&
           status->owner == platform::EffectiveUserId() && (status->permissions & 077) == 0;
}

SpacesWritten OverwriteFileWithSpaces(const platform::Folder& folder, const std::string& name,
                                      const std::optional<platform::FileIdentity>& expected) {
    platform::RawFile::Options options;
    options.create = false;
    options.writeOnly = true;
    options.exclusive = false;
    options.expected = expected;
    platform::RawFile file = platform::RawFile::OpenAt(folder, name, options);
    SpacesWritten result;
    if (!file.IsValid() || file.LinkCount() > 1) {
        return result;
    }
    result.opened = true;
    result.reach = platform::FindOverwriteReach(file);
    const std::string spaces(kSpacesChunk, ' ');
    bool ok = true;
    for (const auto& [first, end] : file.DataRanges()) {
        ok = file.SeekTo(first) && ok;
        for (std::int64_t at = first; at < end && ok;) {
            const std::int64_t chunk = std::min(end - at, kSpacesChunk);
            ok = file.Write(std::string_view(spaces.data(), static_cast<std::size_t>(chunk)));
            at += chunk;
        }
    }
    result.complete = file.Close() && ok;
    result.written = file.BytesWritten();
    return result;
}

void clsShredder::RecycleFile(const ShredRequest& request, std::string& path) {
    m_result = {};
    const auto [folderPath, name] = platform::SplitFolderAndName(path);
    const platform::Folder* given = request.source ? &request.source->folder : nullptr;
    const platform::Folder* folder = given;
    if (folder == nullptr) {
        m_ownSource = platform::Folder::Open(folderPath);
        folder = &m_ownSource;
    }
    if (!folder->IsOpen()) {
        if (folder->Error() != ENOENT && folder->Error() != ENOTDIR) {
            m_result.trashProblem = platform::TrashProblem::Failed;
            Finish(ShredOutcome::TrashRefused, folder->Error());
        }
        return;
    }
    // A name that is gone, or is a folder, is not this routine's: nothing happens.
    const auto status = request.source && folder == given ? std::optional(request.source->status)
                                                          : folder->Stat(name);
    if (!status || status->type == platform::FileType::Directory) {
        return;
    }
    const platform::TrashResult moved = platform::MoveToTrash(*folder, name, status->id, path);
    if (moved.Ok()) {
        Finish(ShredOutcome::Trashed);
        return;
    }
    m_result.trashProblem = moved.problem;
    m_result.trashFolder = moved.trashFolder;
    Finish(ShredOutcome::TrashRefused, moved.error);
}

}  // namespace ostrel
