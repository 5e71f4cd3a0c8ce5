#pragma once

#include <string>
#include <vector>

namespace ostrel {

// True when `text` holds two or more ':' characters: a Windows command line naming several
// drive-letter paths. (On Linux every argument is one path and this is never consulted.)
bool IsPathList(const std::string& text);

// Splits a multi-path Windows command line at its drive-letter colons into single paths.
// Double quotes are removed and `text` is consumed: it is empty on return. When the joined
// result ends with ',', it is shown in a plain message box first. Stops, rather than looping,
// on a text it cannot advance (a second colon right after the first at the very start).
std::vector<std::string> SplitPathList(std::string& text);

}  // namespace ostrel
