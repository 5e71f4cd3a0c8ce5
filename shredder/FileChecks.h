#pragma once

#include <optional>
#include <string>

#include "platform/FileSystem.h"

namespace ostrel {

// True when the attributes of `path` can be read and carry the directory bit (a link to a folder
// does not).
bool FolderExists(const std::string& path);

// True when `folder` is a real folder of this user that nobody else may enter: the only kind
// that serves as the holding folder.
bool IsPrivateFolder(const std::string& folder);

// Writes spaces over the whole length of the regular file at `path`, in 32768-byte pieces, without
// flushing, deleting or taking it from other holders. Does nothing when the file cannot be
// opened for writing, when it has another hard link, or when `expected` is given and the path
// names another file.
void OverwriteFileWithSpaces(const std::string& path,
                             const std::optional<platform::FileIdentity>& expected);

}  // namespace ostrel
