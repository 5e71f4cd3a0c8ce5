#include "app/CommandLine.h"

#include <ostream>
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
Destroys every file and folder PATH beyond recovery: each file is overwritten pass by pass and
deleted, each folder walked and removed. Without a PATH, opens the main window.

Options apply to this run only; nothing is stored.
      --method=NAME  shred by this method instead of the stored one:
                       simple  "Simple Overwrite (1 Pass)"
                       dod3    "DoD 5220.22-M (3 Passes)"
                       dod7    "DoD 5220.22-M (7 Passes)"
                       trash   "Recycle Bin" (the desktop trash)
                     (the short name or the full name)
      --yes          do not ask before shredding
      --no-gui       use the terminal even where a display is reachable
      --help         print this help and exit
      --version      print the version and exit
      --             end of options: every argument after it is a path

A path that starts with '-' is given after '--' or written as ./-name.

Exit status:
  0  everything given was destroyed, or the question was answered No
  1  the report at the end lists something that was not destroyed
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

}  // namespace

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
    bool options = true;
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
        if (name != "--yes" && name != "--no-gui" && name != "--help" && name != "--version") {
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
        } else {
            line.noGui = true;
        }
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
