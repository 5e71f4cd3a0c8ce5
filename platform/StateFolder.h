#pragma once

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"
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

// One file named by a state list: the exact bytes of its path and what the file was when the
// entry was written, so that a later run acts only on that same file.
struct StateEntry {
    std::string bootId;
    FileIdentity id;
    std::int64_t size = 0;
    std::int64_t mtimeSeconds = 0;
    std::int64_t mtimeNanoseconds = 0;
    std::string path;
};

// The entry describing `status` under `path` in the current boot.
StateEntry MakeStateEntry(const std::string& path, const FileStatus& status);

// True when `status` is still the file `entry` describes: the same device and inode. Size and
// modification time are not compared: another process may have written to the file since, and
// it is still the file that was meant.
bool DescribesSameFile(const StateEntry& entry, const FileStatus& status);

}  // namespace ostrel::platform
