#pragma once

#include <string>

namespace ostrel::platform {

// Moves `path` (the name itself: a link is moved, not its target) into the user's trash, laid out
// as freedesktop.org desktops expect: the home trash under $XDG_DATA_HOME/Trash, or
// the trash folder of the file's own mount. False, with the reason in `error` when given, when
// the file stays where it was.
bool MoveToTrash(const std::string& path, std::string* error = nullptr);

}  // namespace ostrel::platform
