#include "tests/e2e/Ostrel.h"

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include "platform/posix/RegFileFormat.h"
#include "platform/posix/StateList.h"

namespace ostrel::test {
namespace fs = std::filesystem;

UserSandbox::UserSandbox() {
    MakeFolders();
}

UserSandbox::UserSandbox(const fs::path& under) : m_dir(under) {
    MakeFolders();
}

void UserSandbox::MakeFolders() {
    for (const auto& dir : {config(), data(), state(), runtime(), work()}) {
        fs::create_directories(dir);
    }
    fs::permissions(runtime(), fs::perms::owner_all, fs::perm_options::replace);
}

void UserSandbox::WriteSettings(const char* language, const char* method, int confirm) {
    std::string text =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tolvane\\Quarrix\\Shredder]\r\n";
    if (language != nullptr) {
        text += std::string("\"DefaultLang\"=\"") + language + "\"\r\n";
    }
    if (method != nullptr) {
        text += std::string("\"Method\"=\"") + method + "\"\r\n";
    }
    if (confirm >= 0) {  // 0 or 1
        text += "\"Confirm\"=dword:0000000" + std::to_string(confirm) + "\r\n";
    }
    WriteFile(config() / "Tolvane/Quarrix/Shredder.reg", text);
}

RunResult RunOstrel(const UserSandbox& user, const std::vector<std::string>& args,
                    const RunOptions& options) {
    std::vector<std::string> argv{"ostrel"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(user, argv, options);
}

std::vector<std::pair<std::string, std::string>> UserEnvironment(const UserSandbox& user) {
    const char* programDir = std::getenv("OSTREL_PROGRAM_DIR");
    return {{"HOME", user.home().string()},
            {"XDG_CONFIG_HOME", user.config().string()},
            {"XDG_DATA_HOME", user.data().string()},
            {"XDG_STATE_HOME", user.state().string()},
            {"XDG_RUNTIME_DIR", user.runtime().string()},
            {"PATH", std::string(programDir != nullptr ? programDir : "") +
                         ":/usr/local/bin:/usr/bin:/bin"},
            {"LANG", "C.UTF-8"}};
}

RunResult RunProgram(const UserSandbox& user, std::vector<std::string> argv,
                     const RunOptions& options) {
    // Output goes to files, so the program never blocks on a full pipe nobody reads.
    const fs::path outFile = user.runtime() / "stdout", errFile = user.runtime() / "stderr";
    int in[2] = {-1, -1};  // [0]: the program's standard input, [1]: where the test writes
    if (options.terminal ? ::openpty(&in[1], &in[0], nullptr, nullptr, nullptr) != 0
                         : ::pipe(in) != 0) {
        throw std::runtime_error("cannot make standard input");
    }
    const char* programDir = std::getenv("OSTREL_PROGRAM_DIR");  // set by ctest
    if (programDir == nullptr) {
        throw std::runtime_error("OSTREL_PROGRAM_DIR is not set (run the tests through ctest)");
    }
    if (argv.at(0).find('/') == std::string::npos) {
        argv[0] = std::string(programDir) + "/" + argv[0];
    }
    const std::string exe = argv[0];
    std::vector<std::string> env;
    for (const auto& [name, value] : UserEnvironment(user)) {
        env.push_back(name + "=" + value);
    }
    env.insert(env.end(), options.env.begin(), options.env.end());
    for (const char* keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(keep)) {
            env.push_back(std::string(keep) + "=" + value);
        }
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        if (options.terminal) {
            ::ioctl(in[0], TIOCSCTTY, 0);
        }
        ::dup2(in[0], 0);
        ::dup2(::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        ::dup2(::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        ::closefrom(3);
        if (options.closeOutputs) {
            ::close(1);
            ::close(2);
        }
        if (::chdir(user.work().c_str()) != 0) {
            ::_exit(126);
        }
        std::vector<char*> args;
        for (auto& arg : argv) {
            args.push_back(arg.data());
        }
        args.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& entry : env) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        ::execve(exe.c_str(), args.data(), envp.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::signal(SIGPIPE, SIG_IGN);
    (void)!::write(in[1], options.input.data(), options.input.size());
    if (!options.terminal) {
        ::close(in[1]);  // a terminal stays open: its end would read as a hang-up
    }
    if (options.whileRunning) {
        options.whileRunning(pid);
    }
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
        if ((options.killAfterMs >= 0 && elapsed >= options.killAfterMs) || elapsed > 300000) {
            ::kill(pid, SIGKILL);
        }
        ::usleep(1000);
    }
    if (options.terminal) {
        ::close(in[1]);
    }
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(outFile);
    result.err = ReadFile(errFile);
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

std::vector<std::string> StoredFileProblems(const UserSandbox& user, const std::string& method) {
    std::vector<std::string> problems;
    const auto settings =
        platform::posix::ParseRegFile(ReadFile(user.config() / "Tolvane/Quarrix/Shredder.reg"),
                                      "HKEY_CURRENT_USER\\Software\\Tolvane\\Quarrix\\Shredder");
    const auto* stored = settings ? platform::posix::FindRegValue(*settings, "Method") : nullptr;
    if (stored == nullptr || stored->data != method ||
        !platform::posix::FindRegValue(*settings, "DefaultLang")) {
        problems.push_back("the settings do not parse or lost a value");
    }
    for (const char* list : {"in-progress", "pending-deletions"}) {
        const fs::path path = user.state() / "Tolvane/Quarrix" / list;
        std::vector<platform::StateEntry> entries;
        if (Exists(path) && !platform::posix::ParseStateList(ReadFile(path), entries)) {
            problems.push_back(std::string(list) + " does not parse");
        } else if (!entries.empty()) {
            problems.push_back(std::string(list) + " still lists " + entries.front().path);
        }
    }
    std::error_code ec;
    for (const fs::path& root : {user.config(), user.state()}) {
        for (const auto& entry : fs::recursive_directory_iterator(root, ec)) {
            if (entry.path().extension() == ".corrupt") {
                problems.push_back(entry.path().string() + " was set aside as unreadable");
            }
        }
    }
    return problems;
}

std::vector<std::string> InProgress(const UserSandbox& user) {
    std::vector<platform::StateEntry> entries;
    platform::posix::ParseStateList(ReadFile(user.state() / "Tolvane/Quarrix/in-progress"),
                                    entries);
    std::vector<std::string> paths;
    for (const auto& entry : entries) {
        paths.push_back(entry.path);
    }
    return paths;
}

bool Exists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

int EnvNumber(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

std::string Marked(const std::string& prefix, const std::string& id, std::size_t size) {
    const std::string marker = prefix + id + ">";
    std::string text;
    while (text.size() < size) {
        text += marker;
    }
    text.resize(size);
    return text;
}

std::set<std::string> MarkersIn(const std::string& prefix, std::string_view bytes) {
    std::set<std::string> found;
    for (std::size_t at = bytes.find(prefix); at != std::string_view::npos;
         at = bytes.find(prefix, at + 1)) {
        const std::size_t end = bytes.find('>', at);
        if (end != std::string_view::npos && end - at < 40) {
            found.insert(std::string(bytes.substr(at + prefix.size(), end - at - prefix.size())));
        }
    }
    return found;
}

}  // namespace ostrel::test
