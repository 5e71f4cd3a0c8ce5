#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/TempDir.h"

namespace ostrel::test {

// A user's world for the real `ostrel` executable: a fresh HOME with its own XDG folders.
class UserSandbox {
  public:
    UserSandbox();
    // The same world in a fresh folder in `under` (on another file system, say).
    explicit UserSandbox(const std::filesystem::path& under);

    std::filesystem::path home() const { return m_dir.path() / "home"; }
    std::filesystem::path config() const { return home() / ".config"; }
    std::filesystem::path data() const { return home() / ".local/share"; }
    std::filesystem::path state() const { return home() / ".local/state"; }
    std::filesystem::path runtime() const { return m_dir.path() / "run"; }
    // The holding folder the program uses for this user.
    std::filesystem::path holding() const { return data() / "Tolvane/Quarrix/Safetemp"; }
    // A folder for the files a test shreds.
    std::filesystem::path work() const { return m_dir.path() / "work"; }

    // Writes the settings file with the given values; nullptr or a negative confirm leaves
    // that value out.
    void WriteSettings(const char* language, const char* method, int confirm);

  private:
    void MakeFolders();

    TempDir m_dir;
};

struct RunResult {
    int exitCode = -1;  // -1: killed by a signal
    std::string out;
    std::string err;
};

struct RunOptions {
    std::string input;          // written to standard input, which is then closed
    bool terminal = false;      // standard input is a pseudo-terminal instead of a pipe
    int killAfterMs = -1;       // SIGKILL the program after this many milliseconds
    bool closeOutputs = false;  // start it with standard output and error closed
    // More environment entries ("NAME=value"), such as the display to use.
    std::vector<std::string> env = {};
    // Runs while the program runs, with its process id (to watch its windows, or end it).
    std::function<void(int pid)> whileRunning = {};
};

// What a user's programs find in their environment: the sandbox's HOME and XDG folders, the
// built programs first on PATH, a UTF-8 locale.
std::vector<std::pair<std::string, std::string>> UserEnvironment(const UserSandbox& user);

// Starts the program `argv[0]` (a bare name: the built program of that name) with the rest of
// `argv` as its arguments, as a user would: in the sandbox's work folder, with no display, the
// sandbox's HOME and XDG folders, and the built programs first on PATH. Waits for it.
RunResult RunProgram(const UserSandbox& user, std::vector<std::string> argv,
                     const RunOptions& options = {});

// RunProgram for the built `ostrel` with `args` as its arguments.
RunResult RunOstrel(const UserSandbox& user, const std::vector<std::string>& args,
                    const RunOptions& options = {});

// Every regular file below `root` with its contents, keyed by path relative to root; links
// are recorded by their target, prefixed with "->".
std::map<std::string, std::string> Snapshot(const std::filesystem::path& root);

// What is wrong with the user's stored files: the settings do not parse or lost the language or
// `method`, a state list does not parse or still lists a path, or one was set aside as unreadable.
std::vector<std::string> StoredFileProblems(const UserSandbox& user, const std::string& method);

// The paths on the user's in-progress list.
std::vector<std::string> InProgress(const UserSandbox& user);

// Whether anything (a dangling link too) is at `path`.
bool Exists(const std::filesystem::path& path);

// The number in the environment variable `name`, or `fallback` when it is unset or empty.
int EnvNumber(const char* name, int fallback);

// `size` bytes of "<prefix><id>>" repeated, so that any piece left on a disk says whose it is.
std::string Marked(const std::string& prefix, const std::string& id, std::size_t size);

// The ids of every marker with `prefix` in `bytes`.
std::set<std::string> MarkersIn(const std::string& prefix, std::string_view bytes);

}  // namespace ostrel::test
