#include "tests/support/ChildProcess.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace ostrel::test {

int StartChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        int code = 125;
        try {
            code = body();
        } catch (...) {
        }
        _exit(code);
    }
    return pid;
}

int WaitChild(int pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return WEXITSTATUS(status);
}

int WaitChildFor(int pid, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
        }
        if (done < 0 && errno != EINTR) {
            return -1;
        }
        if (std::chrono::steady_clock::now() >= end) {
            kill(pid, SIGKILL);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // polls for the exit
    }
}

int RunInChild(const std::function<int()>& body) {
    return WaitChild(StartChild(body));
}

bool RunQuietly(const std::string& command) {
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

std::optional<std::string> OutputOf(const std::string& command) {
    FILE* pipe = ::popen(("(" + command + ") 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    std::string out;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, n);
    }
    if (::pclose(pipe) != 0) {
        return std::nullopt;
    }
    if (out.ends_with('\n')) {
        out.pop_back();
    }
    return out;
}

}  // namespace ostrel::test
