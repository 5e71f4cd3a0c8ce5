// The real `ostrel` with a display, as a user starts it from a desktop: an X server of the
// test's own (Xvfb); without one the tests are skipped and say why.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <utility>

#include "shredder/FillData.h"
#include "tests/e2e/Ostrel.h"
#include "tests/e2e/Xvfb.h"
#include "tests/support/ChildProcess.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

constexpr char kConsoleProgress[] = "%] ";  // what the console host prints for a file

#define SKIP_WITHOUT_DISPLAY(server)                                   \
    if (!(server).Running()) {                                         \
        GTEST_SKIP() << (server).Why() << ": no display to test with"; \
    }
#define SKIP_WITHOUT_WINDOWS(server)                                              \
    SKIP_WITHOUT_DISPLAY(server)                                                  \
    if (!RunQuietly("command -v xdotool")) {                                      \
        GTEST_SKIP() << "xdotool is not installed: windows cannot be looked for"; \
    }

// The name of the visible window titled "Ostrel" once it shows (30 s at most), or "".
std::string WaitForMainWindow(const XvfbServer& server) {
    std::string found;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (found.empty() && std::chrono::steady_clock::now() < deadline) {
        found = OutputOf("DISPLAY=" + server.Display() +
                         " xdotool search --onlyvisible --name '^Ostrel$' getwindowname")
                    .value_or("");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return found;
}

// Runs `argv` on `server`'s display; once the main window shows (its name goes to `found`),
// `meanwhile` runs with the program's id, and the program is then asked to end.
RunResult RunUntilMainWindow(const XvfbServer& server, const UserSandbox& user,
                             std::vector<std::string> argv, std::string& found,
                             const std::function<void(int pid)>& meanwhile = {}) {
    RunOptions options;
    options.env = {"DISPLAY=" + server.Display()};
    options.whileRunning = [&](int pid) {
        found = WaitForMainWindow(server);
        if (meanwhile) {
            meanwhile(pid);
        }
        ::kill(pid, SIGTERM);
    };
    return RunProgram(user, std::move(argv), options);
}

TEST(WithDisplay, WithoutPathsTheMainWindowAppears) {
    XvfbServer server;
    SKIP_WITHOUT_WINDOWS(server);
    UserSandbox user;
    user.WriteSettings("English.lng", nullptr, -1);
    std::string found;
    bool stillRunning = false;

    const RunResult run = RunUntilMainWindow(server, user, {"ostrel"}, found,
                                             [&](int pid) { stillRunning = ::kill(pid, 0) == 0; });

    EXPECT_EQ(found, "Ostrel") << run.err;
    EXPECT_TRUE(stillRunning) << "the program lives while its window is open";
    EXPECT_EQ(run.out, "") << "the main window's texts are not printed";
}

// A second start while the window is open (and may run jobs through the holding folder) does
// its own job and leaves the files there alone.
TEST(WithDisplay, AStartWhileTheWindowIsOpenLeavesItsHoldingFolderAlone) {
    XvfbServer server;
    SKIP_WITHOUT_WINDOWS(server);
    UserSandbox user;
    user.WriteSettings("English.lng", nullptr, 0);
    WriteFile(user.work() / "second", "the second start's");
    const fs::path inFlight = user.holding() / (std::string(95, FillAlphabet[0]) + ".tmp");
    std::string found;
    RunResult second;

    const RunResult first = RunUntilMainWindow(server, user, {"ostrel"}, found, [&](int) {
        WriteFile(inFlight, "on its way");  // as a job of the window leaves it between passes
        second = RunOstrel(user, {"--no-gui", "second"});
    });

    ASSERT_EQ(found, "Ostrel") << first.err;
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_FALSE(fs::exists(user.work() / "second"));
    EXPECT_EQ(ReadFile(inFlight), "on its way");
}

// Processes still running with `user`'s home, by id: what a run left behind (a program it
// started inherits the environment).
std::vector<std::string> ProcessesOf(const UserSandbox& user) {
    std::vector<std::string> found;
    const std::string home = std::string("\0HOME=", 6) + user.home().c_str() + '\0';
    for (const auto& entry : fs::directory_iterator("/proc")) {
        if (('\0' + ReadFile(entry.path() / "environ")).find(home) != std::string::npos) {
            found.push_back(entry.path().filename());
        }
    }
    return found;
}

// A display that does not answer: one line, then the console host; with one: the windows, and
// nothing left running after the program (no message bus started for it where there was none).
TEST(WithDisplay, WithAPathTheFileGoesAndTheProgramEnds) {
    XvfbServer server;
    for (const bool answers : {false, true}) {
        if (answers) {
            SKIP_WITHOUT_DISPLAY(server);
        }
        UserSandbox user;
        user.WriteSettings("English.lng", nullptr, 0);
        WriteFile(user.work() / "secret", std::string(100000, 's'));
        const std::string display = answers ? server.Display() : UnusedDisplay();
        RunOptions options;
        options.env = {"DISPLAY=" + display};

        RunResult run = RunOstrel(user, {"secret"}, options);

        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_FALSE(fs::exists(user.work() / "secret"));
        EXPECT_EQ(run.err.find(kConsoleProgress) == std::string::npos, answers) << run.err;
        EXPECT_EQ(ProcessesOf(user), std::vector<std::string>{});
        if (!answers) {
            const std::string line =
                "ostrel: cannot open display " + display + "; running without windows\n";
            EXPECT_EQ(run.err.substr(0, line.size()), line) << run.err;
            EXPECT_EQ(run.err.find("display", line.size()), std::string::npos) << "said once";
        }
    }
}

// A server that resets when its last client leaves refuses connections for a moment: the
// program's own look for a display must not be that last client before the toolkit connects.
TEST(WithDisplay, AServerThatResetsWhenIdleNeverAbortsTheProgram) {
    XvfbServer server(XvfbServer::Idle::Reset);
    SKIP_WITHOUT_DISPLAY(server);
    UserSandbox user;
    user.WriteSettings("English.lng", nullptr, 0);
    RunOptions options;
    options.env = {"DISPLAY=" + server.Display(), "OSTREL_SUMMARY_MS=0"};
    for (int run = 0; run < 8; ++run) {
        WriteFile(user.work() / "secret", "s");

        const RunResult result = RunOstrel(user, {"secret"}, options);

        ASSERT_EQ(result.exitCode, 0) << "run " << run << ": " << result.err;
        EXPECT_FALSE(fs::exists(user.work() / "secret"));
    }
}

// Not a local file, where nobody reads standard error: told in a window, nothing shredded.
TEST(WithDisplay, NotALocalFileIsToldInAWindow) {
    XvfbServer server;
    SKIP_WITHOUT_WINDOWS(server);
    UserSandbox user;
    user.WriteSettings("English.lng", nullptr, 0);
    WriteFile(user.work() / "trash:/x", "look-alike");
    const std::string helper =
        (fs::path(OSTREL_SOURCE_DIR) / "packaging/filemanagers/ostrel-shred-uris").string();
    std::string found;

    const RunResult run = RunUntilMainWindow(server, user, {helper, "trash:///x"}, found);

    EXPECT_EQ(found, "Ostrel") << run.err;
    EXPECT_EQ(run.err.find("local file"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(user.work() / "trash:/x"), "look-alike");
}

}  // namespace
}  // namespace ostrel::test
