#include "tests/e2e/Ostrel.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace ostrel::test {
namespace fs = std::filesystem;

UserSandbox::UserSandbox() {
    for (const auto& dir : {config(), data(), state(), runtime(), work()}) {
        fs::create_directories(dir);
    }
    fs::permissions(runtime(), fs::perms::owner_all, fs::perm_options::replace);
}

void UserSandbox::WriteSettings(const char* language, const char* method, int confirm) {
    fs::create_directories(config() / "Tolvane/Quarrix");
    std::string text =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tolvane\\Quarrix\\Shredder]\r\n";
    if (language != nullptr) {
        text += std::string("\"DefaultLang\"=\"") + language + "\"\r\n";
    }
    if (method != nullptr) {
        text += std::string("\"Method\"=\"") + method + "\"\r\n";
    }
    if (confirm >= 0) {
        char dword[32];
        std::snprintf(dword, sizeof dword, "dword:%08x", confirm);
        text += std::string("\"Confirm\"=") + dword + "\r\n";
    }
    WriteFile(config() / "Tolvane/Quarrix/Shredder.reg", text);
}

fs::path Executable(const std::string& name) {
    const char* dir = std::getenv("OSTREL_PROGRAM_DIR");
    if (dir == nullptr) {
        throw std::runtime_error("OSTREL_PROGRAM_DIR is not set (run the tests through ctest)");
    }
    return fs::path(dir) / name;
}

namespace {

void DrainInto(int fd, std::string& sink, bool& open) {
    char buffer[4096];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
        sink.append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
        open = false;
    }
}

}  // namespace

RunResult RunOstrel(const UserSandbox& user, const std::vector<std::string>& args,
                    const RunOptions& options) {
    int outPipe[2], errPipe[2], inPipe[2] = {-1, -1};
    int master = -1, slave = -1;
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    if (options.terminal) {
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
    } else if (::pipe(inPipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const std::string exe = Executable("ostrel").string();
    std::vector<std::string> env = {
        "HOME=" + user.home().string(),
        "XDG_CONFIG_HOME=" + user.config().string(),
        "XDG_DATA_HOME=" + user.data().string(),
        "XDG_STATE_HOME=" + user.state().string(),
        "XDG_RUNTIME_DIR=" + user.runtime().string(),
        "PATH=/usr/local/bin:/usr/bin:/bin",
        "LANG=C.UTF-8",
    };
    for (const char* keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        if (const char* v = std::getenv(keep)) {
            env.push_back(std::string(keep) + "=" + v);
        }
    }
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        int in = options.terminal ? slave : inPipe[0];
        if (options.terminal) {
            ::ioctl(slave, TIOCSCTTY, 0);
        }
        ::dup2(in, 0);
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        ::closefrom(3);
        if (::chdir(user.work().c_str()) != 0) {
            ::_exit(126);
        }
        std::vector<char*> argv{const_cast<char*>(exe.c_str())};
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        ::execve(exe.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    int inWrite = options.terminal ? master : inPipe[1];
    if (options.terminal) {
        ::close(slave);
    } else {
        ::close(inPipe[0]);
    }
    ::signal(SIGPIPE, SIG_IGN);
    if (!options.input.empty()) {
        (void)!::write(inWrite, options.input.data(), options.input.size());
    }
    if (!options.terminal) {
        ::close(inWrite);
    }

    RunResult result;
    bool outOpen = true, errOpen = true;
    const auto start = std::chrono::steady_clock::now();
    bool killed = false;
    while (outOpen || errOpen) {
        pollfd fds[2] = {{outOpen ? outPipe[0] : -1, POLLIN, 0},
                         {errOpen ? errPipe[0] : -1, POLLIN, 0}};
        ::poll(fds, 2, 20);
        if (fds[0].revents) {
            DrainInto(outPipe[0], result.out, outOpen);
        }
        if (fds[1].revents) {
            DrainInto(errPipe[0], result.err, errOpen);
        }
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
        if (!killed && options.killAfterMs >= 0 && elapsed >= options.killAfterMs) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
        if (elapsed > 300000) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    if (options.terminal) {
        ::close(master);
    }
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(root, ec))) {
        return files;
    }
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::end(it);
         it.increment(ec)) {
        const auto rel = fs::relative(it->path(), root).string();
        if (it->is_symlink()) {
            files[rel] = "->" + fs::read_symlink(it->path()).string();
        } else if (it->is_regular_file()) {
            files[rel] = ReadFile(it->path());
        } else if (it->is_directory()) {
            files[rel + "/"] = "";
        }
    }
    return files;
}

}  // namespace ostrel::test
