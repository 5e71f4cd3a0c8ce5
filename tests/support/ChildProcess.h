#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace ostrel::test {

// Forks a child process that runs `body` and exits with its result (125 when it throws). The
// child never returns into the test framework. Returns the child's process id.
int StartChild(const std::function<int()>& body);

// Waits for child `pid`: its exit code, or 128 + the signal number that ended it.
int WaitChild(int pid);

// Waits for child `pid` up to `deadline`: its exit code as WaitChild gives it, or, when it is
// still running then, -1 after sending it SIGKILL. The child is then not reaped: a process
// waiting for a stopped file-system server dies only once the server runs, so the caller lets
// go of whatever holds it and then calls WaitChild.
int WaitChildFor(int pid, std::chrono::milliseconds deadline);

// StartChild then WaitChild.
int RunInChild(const std::function<int()>& body);

// Runs `command` through the shell with its output discarded; true when it exited with 0.
bool RunQuietly(const std::string& command);

// Runs `command` through the shell, its errors discarded: its output without the line end that
// closes it, or nullopt when it did not exit with 0.
std::optional<std::string> OutputOf(const std::string& command);

}  // namespace ostrel::test
