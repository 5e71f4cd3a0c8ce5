#pragma once

#include <string>

namespace ostrel::platform {

// The folder that holds the program's data files (language files, animation), without a
// trailing separator: <prefix>/share/<data folder> when the executable lies in an installed bin/
// or libexec/ folder beside such a folder, otherwise the executable's own folder (the build tree).
// The environment variable the program names (see ProductNames), when set, overrides both (tests,
// relocated data).
std::string ProgramFolder();

// The folder of the running executable, without a trailing separator; empty if unknown.
std::string ExecutableFolder();

}  // namespace ostrel::platform
