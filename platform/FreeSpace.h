#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Folder.h"
#include "platform/StateFolder.h"

namespace ostrel::platform {

// What the file system holding an open folder says of its space (statvfs), in bytes.
struct FreeSpace {
    std::int64_t freeBytes = 0;       // every free block, those kept for the administrator too
    std::int64_t availableBytes = 0;  // the free blocks an ordinary user may fill
    std::int64_t totalBytes = 0;
};

// The space of the file system that holds `folder`; nullopt when it cannot be read.
std::optional<FreeSpace> FreeSpaceOf(const Folder& folder);

// The name of the file system that holds `folder` when it keeps its files in memory ("tmpfs",
// "ramfs"): its free space holds nothing of deleted files, and filling it would push the machine's
// memory into swap. Empty for any other.
std::string MemoryFileSystem(const Folder& folder);

// True when the file system of `folder` lies on a block device the kernel reports as not
// rotational (flash: an SSD, an SD card), whose controller writes changed blocks elsewhere and
// keeps the old ones until it erases them. False when that cannot be told (no block device).
bool OnFlashStorage(const Folder& folder);

// The fill files of a free-space wipe live in a folder of their own that holds nothing else. Their
// names are these, numbered from 0, so that a start deletes only fill files.
std::string FillFileName(std::uint32_t index);
bool IsFillFileName(std::string_view name);

// Keeps every other process off the open fill folder `folder` while this process fills it (an
// exclusive lock on the folder, released when it is closed or the process ends). False when
// another process still holds it after `waitMs` milliseconds: that process is filling it now. (The
// system lets go of a killed process's lock a moment after the process is gone, so a start that
// follows a kill waits that moment.)
bool LockFillFolder(const Folder& folder, int waitMs = 0);

// The fill folders a wipe made and has not removed yet, recorded in the state folder before the
// folder is made (as `folder` with inode 0: still to be made on that device) and again once it is
// (its identity), so that a start finds them on any file system without searching.
bool RecordFillFolder(const std::string& path, const FileIdentity& folder);
bool ForgetFillFolder(const std::string& path);
std::vector<StateEntry> FillFolderEntries();

// What deleting the fill files of one folder did.
struct FillDeletion {
    std::int32_t files = 0;  // fill files deleted
    std::int64_t bytes = 0;  // their size together
    int error = 0;           // the first failure (0: every fill file and the folder are gone)
};

// Deletes every fill file in the open fill folder `folder` (only regular files of fill-file
// names); `othersLeft` says whether anything else is in it.
FillDeletion DeleteFillFiles(const Folder& folder, bool& othersLeft);

// Deletes every fill file in the open fill folder `folder` (only files of fill-file names), then
// the folder itself, entry `name` of `parent`, and its record. The folder stays, recorded, when a
// file could not be deleted; anything else found in it is left alone and keeps the folder.
FillDeletion DeleteFillFolder(const Folder& parent, const std::string& name, const Folder& folder,
                              const std::string& path);

// What a start found of the fill folders recorded by wipes that were interrupted.
struct FillSweep {
    std::vector<std::pair<std::string, FillDeletion>> deleted;  // folders cleared, and what went
    std::vector<std::string> waiting;                           // its disk is not there now
    std::vector<std::pair<std::string, int>> failed;            // not cleared, and why
};

// Deletes the fill files and folders that recorded wipes left, unless a running wipe holds the
// folder. A folder that is no longer the one recorded, or is not this user's private folder, is
// never touched; its record is dropped. A folder whose disk is not there keeps its record.
FillSweep DeleteLeftFillFolders();

}  // namespace ostrel::platform
