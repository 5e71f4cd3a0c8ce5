#pragma once

#include <cstdint>
#include <string>

namespace ostrel::platform {

// The shell's number for the all-users application-data folder. On this platform it is the
// user's data folder (XDG_DATA_HOME): the program has no system-wide state.
constexpr std::int32_t kCsidlCommonAppData = 35;

// The path of special folder `csidl`, without a trailing separator; empty when the number is
// not one this platform knows or the folder cannot be resolved. The folder need not exist.
std::string SpecialFolderPath(std::int32_t csidl);

// The user's home folder: $HOME when it is an absolute path, else the password database's
// entry for the real user id; empty when neither is known.
std::string HomeFolder();

// The XDG base folders, without a trailing separator. Each is its environment variable when
// that holds an absolute path (relative values are ignored, as the XDG rules say), else the
// default below the home folder; empty when no home folder is known.
std::string XdgDataHome();    // $XDG_DATA_HOME, default ~/.local/share
std::string XdgConfigHome();  // $XDG_CONFIG_HOME, default ~/.config
std::string XdgStateHome();   // $XDG_STATE_HOME, default ~/.local/state

// $XDG_RUNTIME_DIR when it holds an absolute path; empty otherwise (there is no default).
std::string XdgRuntimeDir();

}  // namespace ostrel::platform
