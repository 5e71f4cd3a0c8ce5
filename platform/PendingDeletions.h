#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/StateFolder.h"

namespace ostrel::platform {

// The id of the running boot (/proc/sys/kernel/random/boot_id), without the line end.
std::string BootId();

// Replaces the source of BootId (an empty function: the kernel's again), so that a test can
// pretend a restart. Returns the source installed before.
std::function<std::string()> SetBootIdSource(std::function<std::string()> source);

// Schedules `path` for deletion after the next restart: appends it, with the current boot id
// and what the file is now, to the per-user pending list (written atomically, mode 0600), and
// installs the helper's autostart entry when there is none. False when nothing exists under
// `path` or the list cannot be written.
bool ScheduleDeletionAtBoot(const std::string& path);

// The entries of the pending list, in the order they were scheduled.
std::vector<StateEntry> PendingDeletions();

struct SweepResult {
    int deleted = 0;  // removed from disk and from the list
    int dropped = 0;  // left the list: the path names another file, or nothing
    int kept = 0;     // stay on the list: this boot's entries, and deletions that failed
};

// The helper's work: deletes each entry of an earlier boot whose path still names the recorded
// file (device and inode; a file written to since is still that file), drops the entries of
// earlier boots whose path is gone or names another file, keeps this boot's entries and those
// whose file could not be deleted yet.
SweepResult DeletePendingFromEarlierBoots();

// The absolute path of the helper program, named as ProductNames gives it (beside this
// executable, or in ../libexec); empty when it cannot be found.
std::string PendingHelperPath();

// $XDG_CONFIG_HOME/autostart/<helper name>.desktop (default ~/.config/autostart/...); empty
// without a helper name.
std::string AutostartEntryPath();

}  // namespace ostrel::platform
