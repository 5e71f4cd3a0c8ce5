#pragma once

#include <string>
#include <vector>

#include "platform/StateFolder.h"

namespace ostrel::platform {

// The files being shredded outside the holding folder (renamed in their own folder because the
// holding folder lies on another file system), so that a run interrupted half-way can be
// finished by the next start. Written atomically, mode 0600.

// Records that the file `status` describes is about to be, or is, at `path`. False on failure.
bool AddInProgress(const std::string& path, const FileStatus& status);

// Removes every entry for `path`. False when the list cannot be written.
bool RemoveInProgress(const std::string& path);

std::vector<StateEntry> InProgressEntries();

}  // namespace ostrel::platform
