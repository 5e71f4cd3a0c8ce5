#pragma once

#include <optional>
#include <string>
#include <vector>

#include "job/modMain.h"

namespace ostrel::ui {

// Runs the program with its windows (the Qt host) when the environment names a display that
// accepts a connection: Main with `paths`, then, without paths, the main window until it is
// closed. Returns the exit status, or nullopt without having touched anything when there is no
// display; a display that is named but does not answer is then reported in one line on
// standard error. `programName` is the executable's name as started (argv[0]); `overrides` are
// the command line's choices for this run.
// Names the program to the desktop: task bars and docks find its entry (ostrel.desktop) and its
// icon by the desktop file name, and every window carries the program's icon.
void SetApplicationIdentity();

std::optional<int> RunWithWindows(const char* programName, const std::vector<std::string>& paths,
                                  const RunOverrides& overrides = {});

}  // namespace ostrel::ui
