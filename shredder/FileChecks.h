#pragma once

#include <optional>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Folder.h"

namespace ostrel {

// True when the attributes of `path` can be read and carry the directory bit (a link to a folder
// does not).
bool FolderExists(const std::string& path);

// True when `folder` is a real folder of this user that nobody else may enter: the only kind
// that serves as the holding folder.
bool IsPrivateFolder(const std::string& folder);

// Writes spaces over the data of the regular file `name` in `folder` (its holes stay holes), in
// 32768-byte pieces, without flushing, deleting or taking it from other holders. Does nothing
// when the file cannot be opened for writing, when it has another hard link, or when `expected`
// is given and the name leads to another file. True when every byte of data was written.
bool OverwriteFileWithSpaces(const platform::Folder& folder, const std::string& name,
                             const std::optional<platform::FileIdentity>& expected);

}  // namespace ostrel
