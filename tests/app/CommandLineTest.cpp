#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <tuple>

namespace ostrel::test {
namespace {

using Action = CommandLine::Action;

// What one command line must come to. A dash before "--" is never taken for a path, nothing
// after "--" for an option, and with --uris a URI that names no local file never for a path: a
// mistake either way shreds the wrong file. The folder to wipe is taken exactly, shredding none.
TEST(CommandLine, EachArgumentIsAnOptionOrOnePath) {
    struct Expected {
        Action action = Action::Run;
        std::vector<std::string> paths = {};
        std::string method = {};
        bool yes = false, noGui = false;
        std::string wipe = {};
        std::vector<std::string> notLocal = {};
    };
    const struct {
        std::vector<std::string> args;
        Expected is;
    } rows[] = {
        {{"a b", "c:d", "-", "./-x"}, {.paths = {"a b", "c:d", "-", "./-x"}}},
        {{"--", "-x", "--help", "--"}, {.paths = {"-x", "--help", "--"}}},
        {{"file", "--yes", "--no-gui"}, {.paths = {"file"}, .yes = true, .noGui = true}},
        {{"--method=dod7", "f"}, {.paths = {"f"}, .method = "DoD 5220.22-M (7 Passes)"}},
        {{"--method", "trash", "--method=dod3", "--method=Simple Overwrite (1 Pass)"},
         {.method = "Simple Overwrite (1 Pass)"}},
        {{"f", "--help", "--bogus"}, {.action = Action::Help}},
        {{"--version", "f"}, {.action = Action::Version}},
        {{"--", "--version", "file:///x"}, {.paths = {"--version", "file:///x"}}},
        {{"--wipe-free-space=-a b", "--yes"}, {.yes = true, .wipe = "-a b"}},
        {{"--wipe-free-space", "--", "-a b"}, {.wipe = "-a b"}},
        {{"--uris", "--wipe-free-space", "--", "file:///-a%20b"}, {.wipe = "/-a b"}},
        {{"--uris", "--wipe-free-space", "sftp://h/d"}, {.notLocal = {"sftp://h/d"}}},
        {{"--uris", "--", "file:///a%0A", "--yes", "trash:///b", "file:///-c", "sftp://h/d"},
         {.paths = {"/a\n", "/-c"}, .notLocal = {"--yes", "trash:///b", "sftp://h/d"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        const CommandLine line = ParseCommandLine(row.args);
        ASSERT_EQ(line.action, row.is.action) << line.error;
        if (row.is.action == Action::Run) {
            const RunOverrides& run = line.overrides;
            EXPECT_EQ(std::tie(line.paths, run.method, run.noQuestion, line.noGui,
                               run.wipeFreeSpace, run.notLocal),
                      std::tie(row.is.paths, row.is.method, row.is.yes, row.is.noGui, row.is.wipe,
                               row.is.notLocal));
        }
    }
}

// Every mistake is a usage error of one line that names the culprit, whatever else was given.
TEST(CommandLine, MistakesAreOneLineUsageErrors) {
    for (const auto& [args, named] :
         std::initializer_list<std::pair<std::vector<std::string>, std::string>>{
             {{"--bogus", "--help"}, "'--bogus'"},
             {{"--ver"}, "'--ver'"},  // no abbreviations
             {{"--yes=no", "file"}, "'--yes'"},
             {{"--method=dod5"}, "'dod5'"},
             {{"--method"}, "'--method'"},
             {{"--new\nline"}, "'--new?line'"},
             {{"--uris", "--"}, "'--uris'"},
             {{"--wipe-free-space"}, "'--wipe-free-space'"},
             {{"--wipe-free-space=/mnt", "file"}, "'--wipe-free-space'"}}) {
        SCOPED_TRACE(testing::PrintToString(args));
        std::ostringstream out, err;
        EXPECT_EQ(AnswerCommandLine(ParseCommandLine(args), out, err), 2);
        EXPECT_EQ(out.str(), "");
        EXPECT_NE(err.str().find(named), std::string::npos) << err.str();
        EXPECT_EQ(err.str().find('\n'), err.str().size() - 1) << err.str();
    }
}

// A file: URI names one exact local path: every %XX is that byte, decoded once, nothing else is.
// Anything that is not plainly a local file names no path, so it can never be taken for a local
// name that happens to exist.
TEST(CommandLine, LocalFileUrisBecomeExactPaths) {
    for (const auto& [uri, path] :
         std::initializer_list<std::pair<std::string, std::optional<std::string>>>{
             {"file:///tmp/a%20b%0A%FF%fe", "/tmp/a b\n\xFF\xFE"},
             {"file:///tmp/vic%25ftim%2541", "/tmp/vic%ftim%41"},
             {"FILE://LocalHost/tmp/x", "/tmp/x"},
             {"file://host/tmp/x", std::nullopt},
             {"file://localhost.example/tmp/x", std::nullopt},
             {"trash:///x", std::nullopt},
             {"file:///tmp/x?y", std::nullopt},
             {"file:///tmp/%4", std::nullopt},
             {"file:///tmp/nul%00x", std::nullopt}}) {
        EXPECT_EQ(LocalPathOfUri(uri), path) << uri;
    }
}

}  // namespace
}  // namespace ostrel::test
