#pragma once

#include <string>
#include <string_view>

namespace ostrel {

// `text` without leading and trailing blanks (the space character only, as the runtime's
// Trim does; tabs and newlines are kept because they may be part of a file name).
std::string TrimSpaces(std::string_view text);

}  // namespace ostrel
