#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/FileVersion.h"
#include "platform/Folder.h"
#include "platform/StateFolder.h"

namespace ostrel::platform {

// The files being shredded outside the holding folder (renamed in their own folder because the
// holding folder lies on another file system), so that a run interrupted half-way can be
// finished by the next start. Written atomically, mode 0600. Paths are recorded from the root.

// Records that the file `version` describes is about to be, or is, at `path`. False on failure.
bool AddInProgress(const std::string& path, const FileVersion& version);
// Records that the file `name` in `folder`, which `status` describes, is about to be at `path`,
// with its birth time and generation where the file system gives them.
bool AddInProgress(const std::string& path, const Folder& folder, std::string_view name,
                   const FileStatus& status);

// Removes every entry for `path`. False when the list cannot be written.
bool RemoveInProgress(const std::string& path);

std::vector<StateEntry> InProgressEntries();

}  // namespace ostrel::platform
