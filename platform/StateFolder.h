#pragma once

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"
#include "platform/FileVersion.h"
#include "platform/OwnFolders.h"

namespace ostrel::platform {

// The per-user folder of the program's state files: XdgStateHome(), "/" and the vendor folder the
// program gave (see ProductNames), without a trailing separator. Missing folders on the way are
// created with mode 0700; empty when that fails or CheckStateFolder finds a problem, so that no
// list is read from or written to where someone else could change it.
std::string StateFolder();

// Makes the state folder as StateFolder does and checks that nobody but this user can change
// it, the folders leading to it or the lists in it (see CheckOwnFolder and CheckOwnFile). Without
// a vendor folder name the folder is Unusable.
OwnPathCheck CheckStateFolder();

// One file named by a state list: the exact bytes of its path and the version of the file
// when the entry was written, so that a later run acts only on that very file.
struct StateEntry {
    std::string bootId;
    FileVersion version;
    std::string path;
};

// `path` from the root: a relative path is taken from the current folder, as the system takes
// it now, so that a later run started elsewhere finds the same file. Empty when the current
// folder cannot be named.
std::string PathFromRoot(const std::string& path);

// The entry recording `version` under `path` (from the root) in the current boot.
StateEntry MakeStateEntry(const std::string& path, const FileVersion& version);

// What became of the file a state entry names.
enum class EntryState {
    Recorded,     // the path names the version recorded
    Replaced,     // the path names another file, or another version, on the entry's disk
    Gone,         // the path's folder is there, on the entry's disk, and the name is not
    Unreachable,  // the entry's disk is not there: the folder is missing or on another disk
};

// Looks for the file `entry` names, comparing what `compared` says (see SameVersion). Only a
// folder on the recorded device proves anything: a disk unmounted leaves its mount point (an
// empty folder of another file system) or no folder at all, and a disk attached as another
// device cannot be told from another disk.
EntryState LocateEntry(const StateEntry& entry, Compared compared);

}  // namespace ostrel::platform
