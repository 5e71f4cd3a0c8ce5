#include "tests/e2e/Xvfb.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/ChildProcess.h"

namespace ostrel::test {

XvfbServer::XvfbServer(Idle idle) {
    if (!RunQuietly("command -v Xvfb")) {
        m_why = "Xvfb is not installed";
        return;
    }
    int ready[2];
    if (::pipe(ready) != 0) {
        m_why = "no pipe";
        return;
    }
    m_pid = ::fork();
    if (m_pid == 0) {
        ::close(ready[0]);
        const std::string fd = std::to_string(ready[1]);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        const char* args[] = {"Xvfb",         "-displayfd", fd.c_str(), "-screen",  "0",
                              "1280x1024x24", "-nolisten",  "tcp",      "-noreset", nullptr};
        if (idle == Idle::Reset) {
            args[8] = nullptr;
        }
        ::execvp("Xvfb", const_cast<char* const*>(args));
        ::_exit(127);
    }
    ::close(ready[1]);
    // The server writes its display number once it accepts connections.
    std::string number;
    char c;
    while (::read(ready[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    ::close(ready[0]);
    if (number.empty()) {
        m_why = "Xvfb did not start";
        return;
    }
    m_display = ":" + number;
}

XvfbServer::~XvfbServer() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

std::string UnusedDisplay() {
    namespace fs = std::filesystem;
    for (int n = 250; n < 1000; ++n) {
        const std::string id = std::to_string(n);
        if (!fs::exists("/tmp/.X" + id + "-lock") && !fs::exists("/tmp/.X11-unix/X" + id)) {
            return ":" + id;
        }
    }
    return ":999";
}

}  // namespace ostrel::test
