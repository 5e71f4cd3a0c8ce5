#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

namespace ostrel::test {
namespace {

using Action = CommandLine::Action;

// What one command line must come to. A dash before "--" is never taken for a path, and
// nothing after "--" is ever taken for an option: a mistake either way shreds the wrong file.
TEST(CommandLine, EachArgumentIsAnOptionOrOnePath) {
    const struct {
        std::vector<std::string> args;
        Action action;
        std::vector<std::string> paths;
        std::string method;
        bool yes, noGui;
    } rows[] = {
        {{"a b", "c:d", "-", "./-x"}, Action::Run, {"a b", "c:d", "-", "./-x"}, "", false, false},
        {{"--", "-x", "--help", "--"}, Action::Run, {"-x", "--help", "--"}, "", false, false},
        {{"file", "--yes", "--no-gui"}, Action::Run, {"file"}, "", true, true},
        {{"--method=dod7", "f"}, Action::Run, {"f"}, "DoD 5220.22-M (7 Passes)", false, false},
        {{"--method", "trash", "f"}, Action::Run, {"f"}, "Recycle Bin", false, false},
        {{"--method=dod3", "--method=Simple Overwrite (1 Pass)"},
         Action::Run,
         {},
         "Simple Overwrite (1 Pass)",
         false,
         false},
        {{"f", "--help", "--bogus"}, Action::Help, {}, "", false, false},
        {{"--version", "f"}, Action::Version, {}, "", false, false},
        {{"--", "--version"}, Action::Run, {"--version"}, "", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        const CommandLine line = ParseCommandLine(row.args);
        EXPECT_EQ(line.action, row.action) << line.error;
        if (row.action == Action::Run) {
            EXPECT_EQ(line.paths, row.paths);
            EXPECT_EQ(line.overrides.method, row.method);
            EXPECT_EQ(line.overrides.noQuestion, row.yes);
            EXPECT_EQ(line.noGui, row.noGui);
        }
    }
}

// The folder to wipe is taken exactly: after "=", or as the one path given (after "--", or as a
// local file: URI, as the file managers hand it over); nothing is shredded.
TEST(CommandLine, WipeFreeSpaceTakesOneFolder) {
    for (const auto& args : {std::vector<std::string>{"--wipe-free-space=-a b", "--yes"},
                             std::vector<std::string>{"--yes", "--wipe-free-space", "--", "-a b"},
                             std::vector<std::string>{"--uris", "--wipe-free-space", "--yes", "--",
                                                      "file:///-a%20b"}}) {
        SCOPED_TRACE(testing::PrintToString(args));
        const CommandLine line = ParseCommandLine(args);
        ASSERT_EQ(line.action, Action::Run) << line.error;
        EXPECT_EQ(line.overrides.wipeFreeSpace, args[0] == "--uris" ? "/-a b" : "-a b");
        EXPECT_TRUE(line.overrides.noQuestion);
        EXPECT_TRUE(line.paths.empty());
    }
    // A URI of another host or scheme is never wiped: it goes where the run refuses it.
    const CommandLine remote =
        ParseCommandLine({"--uris", "--wipe-free-space", "sftp://host/home"});
    ASSERT_EQ(remote.action, Action::Run) << remote.error;
    EXPECT_EQ(remote.overrides.wipeFreeSpace, "");
    EXPECT_EQ(remote.overrides.notLocal, std::vector<std::string>{"sftp://host/home"});
}

// Every mistake is a usage error of one line that names the culprit, whatever else was given.
TEST(CommandLine, MistakesAreOneLineUsageErrors) {
    const struct {
        std::vector<std::string> args;
        std::string named;
    } rows[] = {
        {{"-x", "file"}, "'-x'"},
        {{"--bogus", "--help"}, "'--bogus'"},
        {{"--ver"}, "'--ver'"},  // no abbreviations
        {{"--yes=no", "file"}, "'--yes'"},
        {{"--method=dod5"}, "'dod5'"},
        {{"--method"}, "'--method'"},
        {{"--new\nline"}, "'--new?line'"},
        {{"--uris", "--"}, "'--uris'"},
        {{"--wipe-free-space"}, "'--wipe-free-space'"},
        {{"--wipe-free-space=/mnt", "file"}, "'--wipe-free-space'"},
        {{"--uris", "--wipe-free-space", "file:///a", "file:///b"}, "'--wipe-free-space'"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        const CommandLine line = ParseCommandLine(row.args);
        ASSERT_EQ(line.action, Action::UsageError);
        EXPECT_TRUE(line.paths.empty() || line.paths == std::vector<std::string>{"file"});
        std::ostringstream out, err;

        EXPECT_EQ(AnswerCommandLine(line, out, err), 2);

        EXPECT_EQ(out.str(), "");
        EXPECT_NE(err.str().find(row.named), std::string::npos) << err.str();
        EXPECT_EQ(err.str().find('\n'), err.str().size() - 1) << err.str();
    }
}

// A file: URI names one exact local path: every %XX is that byte (a name that is not UTF-8, a
// newline, a literal "%"), nothing else is decoded. Anything that is not plainly a local file
// names no path at all, so it can never be taken for a local name that happens to exist.
TEST(CommandLine, LocalFileUrisBecomeExactPaths) {
    const struct {
        std::string uri;
        std::optional<std::string> path;
    } rows[] = {
        {"file:///tmp/a%20b", "/tmp/a b"},
        {"file:///tmp/vic%25ftim.txt", "/tmp/vic%ftim.txt"},
        {"file:///tmp/not%20utf8%20%FF%fe", "/tmp/not utf8 \xFF\xFE"},
        {"file:///tmp/new%0Aline", "/tmp/new\nline"},
        {"file:///tmp/it's%20$(x)%20%22q%22%20%5C", "/tmp/it's $(x) \"q\" \\"},
        {"FILE://LocalHost/tmp/x", "/tmp/x"},
        {"file:///tmp/%2541", "/tmp/%41"},
        {"file://host/tmp/x", std::nullopt},
        {"file://localhost.example/tmp/x", std::nullopt},
        {"file:/tmp/x", std::nullopt},
        {"/tmp/x", std::nullopt},
        {"trash:///x", std::nullopt},
        {"file:///tmp/x?y", std::nullopt},
        {"file:///tmp/50%", std::nullopt},
        {"file:///tmp/%4", std::nullopt},
        {"file:///tmp/nul%00x", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.uri);
        EXPECT_EQ(LocalPathOfUri(row.uri), row.path);
    }
}

// With --uris each argument is a URI: the local ones become paths in their order, the others are
// kept aside for the run to name and refuse. Options still work, and "--" still ends them.
TEST(CommandLine, UrisModeTakesPathsFromUrisAndSetsTheRestAside) {
    const CommandLine line = ParseCommandLine(
        {"--uris", "--", "file:///a%0A", "--yes", "trash:///b", "file:///-c", "sftp://h/d"});
    ASSERT_EQ(line.action, Action::Run) << line.error;
    EXPECT_EQ(line.paths, (std::vector<std::string>{"/a\n", "/-c"}));
    EXPECT_EQ(line.overrides.notLocal,
              (std::vector<std::string>{"--yes", "trash:///b", "sftp://h/d"}));
    EXPECT_FALSE(line.overrides.noQuestion);

    EXPECT_EQ(ParseCommandLine({"file:///x"}).paths, std::vector<std::string>{"file:///x"})
        << "without --uris an argument is a path, whatever it looks like";
}

}  // namespace
}  // namespace ostrel::test
