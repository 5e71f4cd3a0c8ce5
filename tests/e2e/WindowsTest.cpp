// The real `ostrel` with a display, as a user starts it from a desktop: an X server of the
// test's own (Xvfb); without one the tests are skipped and say why.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

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

// Started without paths, the program shows its main window, titled with the product name, and
// keeps running until it is closed.
TEST(WithDisplay, WithoutPathsTheMainWindowAppears) {
    XvfbServer server;
    SKIP_WITHOUT_DISPLAY(server);
    if (!RunQuietly("command -v xdotool")) {
        GTEST_SKIP() << "xdotool is not installed: the window cannot be looked for";
    }
    UserSandbox user;
    user.WriteSettings("English.lng", nullptr, -1);
    std::string found;
    bool stillRunning = false;
    RunOptions options;
    options.env = {"DISPLAY=" + server.Display()};
    options.whileRunning = [&](int pid) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (found.empty() && std::chrono::steady_clock::now() < deadline) {
            found = RunWithDisplay(server.Display(),
                                   "xdotool search --onlyvisible --name '^Ostrel$' getwindowname");
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        stillRunning = ::kill(pid, 0) == 0;
        ::kill(pid, SIGTERM);
    };

    RunResult run = RunOstrel(user, {}, options);

    EXPECT_EQ(found, "Ostrel\n") << run.err;
    EXPECT_TRUE(stillRunning) << "the program lives while its window is open";
    EXPECT_EQ(run.out, "") << "the main window's texts are not printed";
}

// With a path and no question to ask, the file goes and the program ends with status 0: with a
// display that does not answer, after one line saying so, by the console host; with a display,
// by the windows (no console progress).
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
        if (!answers) {
            const std::string line =
                "ostrel: cannot open display " + display + "; running without windows\n";
            EXPECT_EQ(run.err.substr(0, line.size()), line) << run.err;
            EXPECT_EQ(run.err.find("display", line.size()), std::string::npos) << "said once";
        }
    }
}

// A server started by hand resets whenever its last client leaves and refuses connections for
// that moment. The program's look for a display is such a client: were it to leave before the
// toolkit connected, the toolkit would find the door shut and abort. Every run here either gets
// its windows or says there is no display and uses the console; none aborts.
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

// A file manager that hands over something that is not a local file (Nemo or Nautilus in the
// Trash) started the program where nobody reads standard error: it says so in a window, and
// shreds nothing.
TEST(WithDisplay, NotALocalFileIsToldInAWindow) {
    XvfbServer server;
    SKIP_WITHOUT_DISPLAY(server);
    if (!RunQuietly("command -v xdotool")) {
        GTEST_SKIP() << "xdotool is not installed: the window cannot be looked for";
    }
    UserSandbox user;
    user.WriteSettings("English.lng", nullptr, 0);
    WriteFile(user.work() / "trash:/x", "look-alike");
    std::string found;
    RunOptions options;
    options.env = {"DISPLAY=" + server.Display()};
    options.whileRunning = [&](int pid) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (found.empty() && std::chrono::steady_clock::now() < deadline) {
            found = RunWithDisplay(server.Display(),
                                   "xdotool search --onlyvisible --name '^Ostrel$' getwindowname");
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ::kill(pid, SIGTERM);
    };
    const std::string helper =
        (fs::path(OSTREL_SOURCE_DIR) / "packaging/filemanagers/ostrel-shred-uris").string();

    RunResult run = RunProgram(user, {helper, "trash:///x"}, options);

    EXPECT_EQ(found, "Ostrel\n") << run.err;
    EXPECT_EQ(run.err.find("local file"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(user.work() / "trash:/x"), "look-alike");
}

}  // namespace
}  // namespace ostrel::test
