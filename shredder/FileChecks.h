#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Folder.h"
#include "platform/OverwriteReach.h"

namespace ostrel {

// True when `folder` is a real folder of this user that nobody else may enter: the only kind
// that serves as the holding folder.
bool IsPrivateFolder(const std::string& folder);

// What OverwriteFileWithSpaces did.
struct SpacesWritten {
    bool complete = false;           // every byte of data was written (none to write counts)
    std::int64_t written = 0;        // the bytes that reached the file, also when a write failed
    bool opened = false;             // the file could be opened for writing
    platform::OverwriteReach reach;  // found before the first write, when it was opened
};

// Writes spaces over the data of the regular file `name` in `folder` (its holes stay holes), in
// pieces of up to 1 MiB, without flushing, deleting or taking it from other holders. Does nothing
// when the file cannot be opened for writing, when it has another hard link, or when `expected`
// is given and the name leads to another file.
SpacesWritten OverwriteFileWithSpaces(const platform::Folder& folder, const std::string& name,
                                      const std::optional<platform::FileIdentity>& expected);

}  // namespace ostrel
