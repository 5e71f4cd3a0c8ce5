#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>

#include "tests/e2e/Ostrel.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

TEST(CommandLine, HelpVersionAndMistakesTouchNothing) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* out;  // a regular expression for standard output
        const char* err;  // text standard error holds (nullptr: it is empty)
    } rows[] = {
        {{"--help"}, 0, "Usage: ostrel .*Exit status:.*", nullptr},
        {{"file", "--bogus"}, 2, "", "unknown option '--bogus'"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        UserSandbox user;
        for (const char* name : {"file", "--help", "--bogus"}) {
            WriteFile(user.work() / name, name);
        }
        const auto home = Snapshot(user.home()), work = Snapshot(user.work());

        RunResult run = RunOstrel(user, row.args, {"", true, -1});

        EXPECT_EQ(run.exitCode, row.status);
        EXPECT_THAT(run.out, testing::MatchesRegex(row.out));
        if (row.err == nullptr) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_THAT(run.err, testing::StartsWith(std::string("ostrel: ")));
            EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
            EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
        }
        EXPECT_EQ(Snapshot(user.work()), work);
        EXPECT_EQ(Snapshot(user.home()), home) << "nothing stored, no holding folder made";
    }
}

// Passes written: each closes the file after writing. Opens are watched too, so that inotify
// does not merge two closes in a row.
int PassesSeen(int watch) {
    int closes = 0;
    alignas(inotify_event) char events[8192];
    for (ssize_t got; (got = ::read(watch, events, sizeof events)) > 0;) {
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            closes += (event->mask & IN_CLOSE_WRITE) != 0 ? 1 : 0;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return closes;
}

// --method and --yes hold for one run and are not stored.
TEST(CommandLine, OptionsChooseThePassesAndTheQuestionForOneRun) {
    const struct {
        const char* stored;
        int confirm;  // -1: no "Confirm" value
        std::vector<std::string> options;
        int passes;
        bool trashed;
    } rows[] = {
        {"Simple Overwrite (1 Pass)", 0, {"--method=dod7"}, 7, false},
        {"Simple Overwrite (1 Pass)", 0, {"--method", "DoD 5220.22-M (3 Passes)"}, 3, false},
        {"DoD 5220.22-M (7 Passes)", 0, {"--method=simple"}, 1, false},
        {"DoD 5220.22-M (7 Passes)", 0, {}, 7, false},
        {"DoD 5220.22-M (3 Passes)", 0, {"--method=trash"}, 0, true},
        {"Simple Overwrite (1 Pass)", -1, {"--yes"}, 1, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.stored) + " " + testing::PrintToString(row.options));
        UserSandbox user;
        user.WriteSettings("English.lng", row.stored, row.confirm);
        const std::string settings = ReadFile(user.config() / "Tolvane/Quarrix/Shredder.reg");
        WriteFile(user.work() / "victim", std::string(20000, 'v'));
        fs::create_directories(user.holding());
        fs::permissions(user.holding().parent_path(), fs::perms::owner_all);
        fs::permissions(user.holding(), fs::perms::owner_all);
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(::inotify_add_watch(watch, user.holding().c_str(), IN_OPEN | IN_CLOSE_WRITE), 0);
        std::vector<std::string> args = row.options;
        args.push_back("victim");

        RunResult run = RunOstrel(user, args, {"", true, -1});

        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err.find("[y/N]"), std::string::npos) << run.err;
        EXPECT_EQ(PassesSeen(watch), row.passes);
        ::close(watch);
        EXPECT_FALSE(fs::exists(user.work() / "victim"));
        EXPECT_EQ(fs::exists(user.data() / "Trash/files/victim"), row.trashed);
        EXPECT_EQ(ReadFile(user.config() / "Tolvane/Quarrix/Shredder.reg"), settings);
    }
}

}  // namespace
}  // namespace ostrel::test
