#include "app/CommandLine.h"

#include <ostream>
#include <string_view>
#include <utility>

#include "shredder/Shredder.h"

namespace ostrel {
namespace {

constexpr std::pair<const char*, const char*> kMethodAliases[] = {
    {"simple", kMethodSimple},
    {"dod3", kMethodDod3},
    {"dod7", kMethodDod7},
    {"trash", kMethodRecycle},
};

constexpr char kHelp[] =
    R"help(Usage: ostrel [OPTION]... [--] [PATH]...
  or:  ostrel [OPTION]... --wipe-free-space [--] FOLDER
Destroys every file and folder PATH beyond recovery: each file is overwritten pass by pass and
deleted, each folder walked and removed. Without a PATH, opens the main window.

Options apply to this run only; nothing is stored.
      --method=NAME  shred by this method instead of the stored one:
                       simple  "Simple Overwrite (1 Pass)"
                       dod3    "DoD 5220.22-M (3 Passes)"
                       dod7    "DoD 5220.22-M (7 Passes)"
                       trash   "Recycle Bin" (the desktop trash)
                     (the short name or the full name)
      --yes          do not ask before shredding (or wiping)
      --wipe-free-space FOLDER, --wipe-free-space=FOLDER
                     shred nothing: fill the free space of the file system that
                       holds FOLDER with the method's passes, then delete the fill
                       files (files deleted earlier can no longer be recovered);
                       the Recycle Bin method is refused
      --no-gui       use the terminal even where a display is reachable
      --uris         every PATH is a file: URI naming a local file (as file managers
                       hand them over); with any other URI nothing is shredded
      --help         print this help and exit
      --version      print the version and exit
      --             end of options: every argument after it is a path

A path that starts with '-' is given after '--' or written as ./-name.

Exit status:
  0  everything given was destroyed, or the question was answered No
  1  the report at the end lists something that was not destroyed (or, for
       --wipe-free-space, free space that was not wiped)
  2  the command line was wrong; nothing was touched

Settings: ~/.config/Tolvane/Quarrix/Shredder.reg. See ostrel(1).
)help";

// An argument quoted in an error message, with control characters shown as '?' so that the
// message stays one line.
std::string Quoted(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = '?';
        }
    }
    return "'" + text + "'";
}

CommandLine UsageError(std::string message) {
    CommandLine line;
    line.action = CommandLine::Action::UsageError;
    line.error = std::move(message);
    return line;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool StartsWithNoCase(const std::string& text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::string> LocalPathOfUri(const std::string& uri) {
    std::size_t from = 0;
    if (StartsWithNoCase(uri, "file:///")) {
        from = 7;
    } else if (StartsWithNoCase(uri, "file://localhost/")) {
        from = 16;
    } else {
        return std::nullopt;
    }
    std::string path;
    for (std::size_t i = from; i < uri.size(); ++i) {
        const char c = uri[i];
        if (c == '?' || c == '#') {
            return std::nullopt;
        }
        if (c != '%') {
            path += c;
            continue;
        }
        const int high = i + 1 < uri.size() ? HexValue(uri[i + 1]) : -1;
        const int low = i + 2 < uri.size() ? HexValue(uri[i + 2]) : -1;
        if (high < 0 || low < 0 || (high == 0 && low == 0)) {
            return std::nullopt;
        }
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return path;
}

std::string MethodNamed(const std::string& value) {
    for (const auto& [alias, name] : kMethodAliases) {
        if (value == alias || value == name) {
            return name;
        }
    }
    return {};
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    bool options = true, uris = false, wipe = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!options || arg.size() < 2 || arg[0] != '-') {
            line.paths.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options = false;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const bool hasValue = equals != std::string::npos;
        if (name == "--method") {
            std::string value;
            if (hasValue) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return UsageError("option '--method' needs a method name (see 'ostrel --help')");
            }
            line.overrides.method = MethodNamed(value);
            if (line.overrides.method.empty()) {
                return UsageError("unknown method " + Quoted(value) +
                                  "; use simple, dod3, dod7 or trash (see 'ostrel --help')");
            }
            continue;
        }
        if (name == "--wipe-free-space") {
            // The folder comes after "=", or is the one path given (which may follow "--" or
            // be a file: URI, as a file manager hands a folder over).
            wipe = true;
            if (hasValue && (line.overrides.wipeFreeSpace = arg.substr(equals + 1)).empty()) {
                return UsageError(
                    "option '--wipe-free-space' needs a folder (see 'ostrel --help')");
            }
            continue;
        }
        if (name != "--yes" && name != "--no-gui" && name != "--uris" && name != "--help" &&
            name != "--version") {
            return UsageError("unknown option " + Quoted(name) +
                              "; a path that starts with '-' goes after '--' (see "
                              "'ostrel --help')");
        }
        if (hasValue) {
            return UsageError("option " + Quoted(name) + " takes no value (see 'ostrel --help')");
        }
        if (name == "--help") {
            line.action = CommandLine::Action::Help;
            return line;
        }
        if (name == "--version") {
            line.action = CommandLine::Action::Version;
            return line;
        }
        if (name == "--yes") {
            line.overrides.noQuestion = true;
        } else if (name == "--uris") {
            uris = true;
        } else {
            line.noGui = true;
        }
    }
    if (wipe) {
        const std::size_t folders =
            line.paths.size() + (line.overrides.wipeFreeSpace.empty() ? 0 : 1);
        if (folders != 1) {
            return UsageError(
                std::string("option '--wipe-free-space' ") +
                (folders == 0 ? "needs a folder" : "takes one folder and shreds no paths") +
                " (see 'ostrel --help')");
        }
    } else if (uris && line.paths.empty()) {
        return UsageError("option '--uris' needs at least one URI (see 'ostrel --help')");
    }
    if (uris) {
        std::vector<std::string> paths;
        for (const std::string& uri : line.paths) {
            if (auto path = LocalPathOfUri(uri)) {
                paths.push_back(std::move(*path));
            } else {
                line.overrides.notLocal.push_back(uri);
            }
        }
        line.paths = std::move(paths);
    }
    if (wipe && !line.paths.empty()) {
        line.overrides.wipeFreeSpace = std::move(line.paths.front());
        line.paths.clear();
    }
    return line;
}

int AnswerCommandLine(const CommandLine& line, std::ostream& out, std::ostream& err) {
    switch (line.action) {
        case CommandLine::Action::Help:
            out << kHelp << std::flush;
            return 0;
        case CommandLine::Action::Version:
            out << "ostrel " << OSTREL_VERSION << '\n' << std::flush;
            return 0;
        case CommandLine::Action::UsageError:
            err << "ostrel: " << line.error << '\n' << std::flush;
            return 2;
        case CommandLine::Action::Run:
            break;
    }
    return 0;
}

}  // namespace ostrel
