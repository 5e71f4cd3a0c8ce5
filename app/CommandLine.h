#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "job/modMain.h"

namespace ostrel {

// The command line as `ostrel` reads it: GNU-style long options, then paths. Every argument that
// starts with "-" (but is not "-" alone) before the first "--" is an option; every other
// argument, and everything after "--", is one path exactly as given. Options are not
// abbreviated.
struct CommandLine {
    enum class Action {
        Run,         // start-up with `paths` (none: the main window)
        Help,        // print the help and end with status 0
        Version,     // print the version and end with status 0
        UsageError,  // print `error` and end with status 2; nothing is touched
    };

    Action action = Action::Run;
    std::vector<std::string> paths;
    RunOverrides overrides;  // --method, --yes; with --uris, the URIs that name no local file
    bool noGui = false;      // --no-gui: the console host even where a display is reachable
    std::string error;       // for UsageError: one line, without the program's name
};

// Reads `args` (without the program's name). The first --help, --version or error met decides;
// later arguments are not looked at. With --uris every path given is a URI (as file managers hand
// them over): a local file: URI becomes the exact path it names, and any other goes into
// `overrides.notLocal`; --uris without a URI is a usage error.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The exact path a local file: URI names ("file:///..." or "file://localhost/...", the scheme and
// the host in any letter case), every %XX decoded to its byte and nothing else decoded; nullopt
// for any other URI, another host, a query or fragment ('?', '#'), a '%' without two hex digits
// after it, or an escaped NUL.
std::optional<std::string> LocalPathOfUri(const std::string& uri);

// The method a --method value names: one of the four method names as the settings store them,
// or its short alias (simple, dod3, dod7, trash). Empty for anything else.
std::string MethodNamed(const std::string& value);

// Prints what a Help, Version or UsageError line asks for (help and version to `out`, the error
// to `err`) and returns the exit status: 0, or 2 for a usage error.
int AnswerCommandLine(const CommandLine& line, std::ostream& out, std::ostream& err);

}  // namespace ostrel
