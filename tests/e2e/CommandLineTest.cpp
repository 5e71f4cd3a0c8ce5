#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/Ostrel.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

// The executable's exit status, and what it touches: help and a usage error touch nothing (not
// even the holding folder); a run's options (--yes: nobody answers here) hold for it only.
TEST(CommandLine, ExitStatusesAndWhatARunTouches) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* out;  // a regular expression for standard output
        const char* err;  // a regular expression for standard error
        bool runs;        // a run starts (and makes its holding folder)
    } rows[] = {
        {{"--help"}, 0, "Usage: ostrel .*Exit status:.*", "", false},
        {{"file", "--bogus"}, 2, "", "ostrel: unknown option '--bogus'[^\n]*\n", false},
        {{"--yes", "gone"}, 1, "", ".*Not found:\ngone\n.*", true},
        {{"--method=trash", "--yes", "file"}, 0, "", ".*moved to the trash.*", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        UserSandbox user;
        user.WriteSettings("English.lng", "Simple Overwrite (1 Pass)", -1);
        for (const char* name : {"file", "--help", "--bogus"}) {
            WriteFile(user.work() / name, name);
        }
        const auto home = Snapshot(user.home()), config = Snapshot(user.config());
        auto work = Snapshot(user.work());

        RunResult run = RunOstrel(user, row.args, {"", true, -1});

        EXPECT_EQ(run.exitCode, row.status);
        EXPECT_THAT(run.out, testing::MatchesRegex(row.out));
        EXPECT_THAT(run.err, testing::MatchesRegex(row.err));
        const bool trashed = row.runs && row.args.back() == "file";
        EXPECT_EQ(fs::exists(user.data() / "Trash/files/file"), trashed);
        work.erase(trashed ? "file" : "");
        EXPECT_EQ(Snapshot(user.work()), work);
        EXPECT_TRUE(row.runs || Snapshot(user.home()) == home) << "no holding folder made";
        EXPECT_EQ(Snapshot(user.config()), config) << "the options are not stored";
    }
}

}  // namespace
}  // namespace ostrel::test
