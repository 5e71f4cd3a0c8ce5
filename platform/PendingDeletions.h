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

// Schedules `path` for deletion after the next restart: appends it (from the root), with the
// current boot id and the version of the file now, to the per-user pending list (written
// atomically, mode 0600), and installs the helper's autostart entry when there is none. Call it
// after the file's last write: any change after it (a write, a new name, a new file under the
// same inode number) keeps the file. False when no regular file exists under `path` or the list
// cannot be written.
bool ScheduleDeletionAtBoot(const std::string& path);

// The entries of the pending list, in the order they were scheduled.
std::vector<StateEntry> PendingDeletions();

// What to do with an entry of an earlier boot whose path names another file or a changed one.
enum class ChangedEntries {
    Keep,  // leave it on the list (the login helper: a start of the program reports it later)
    Drop,  // take it off (a start of the program, which reports it)
};

struct SweepResult {
    int deleted = 0;  // removed from disk and from the list
    int dropped = 0;  // left the list: gone already, or changed (with ChangedEntries::Drop)
    int kept = 0;     // stay on the list: this boot's entries, failed deletions, waiting ones
    // Entries of earlier boots that were not deleted, by path: the file there is another one,
    // or changed since it was scheduled (it is kept); the disk that holds it is not there.
    std::vector<std::string> changed;
    std::vector<std::string> waiting;
};

// The helper's work, and every start's: deletes each entry of an earlier boot whose path still
// names the very version recorded (see LocateEntry: device, inode, size, times, birth time and
// generation). Drops the entries whose name has gone from their folder. Keeps, untouched, the
// files that changed or were replaced since (their entries as `changed` says), and keeps on the
// list the entries whose disk is not there now, this boot's entries and deletions that failed.
SweepResult DeletePendingFromEarlierBoots(ChangedEntries changed = ChangedEntries::Keep);

// The absolute path of the helper program, named as ProductNames gives it (beside this
// executable, or in ../libexec); empty when it cannot be found.
std::string PendingHelperPath();

// $XDG_CONFIG_HOME/autostart/<helper name>.desktop (default ~/.config/autostart/...); empty
// without a helper name.
std::string AutostartEntryPath();

}  // namespace ostrel::platform
