#include "app/CommandLine.h"

#include <gtest/gtest.h>

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
        {{}, Action::Run, {}, "", false, false},
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
        {{"--method=dod3"}, Action::Run, {}, "DoD 5220.22-M (3 Passes)", false, false},
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

// Every mistake is a usage error of one line that names the culprit, whatever else was given.
TEST(CommandLine, MistakesAreOneLineUsageErrors) {
    const struct {
        std::vector<std::string> args;
        std::string named;
    } rows[] = {
        {{"-x", "file"}, "'-x'"},
        {{"file", "--bogus"}, "'--bogus'"},
        {{"--bogus", "--help"}, "'--bogus'"},
        {{"--Yes"}, "'--Yes'"},
        {{"--ver"}, "'--ver'"},  // no abbreviations
        {{"--yes=no", "file"}, "'--yes'"},
        {{"--method=dod5"}, "'dod5'"},
        {{"--method=simple overwrite (1 pass)"}, "'simple overwrite (1 pass)'"},
        {{"--method="}, "''"},
        {{"--method"}, "'--method'"},
        {{"--new\nline"}, "'--new?line'"},
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

}  // namespace
}  // namespace ostrel::test
