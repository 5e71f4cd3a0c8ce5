#pragma once

#include <functional>

namespace ostrel::test {

// Forks a child process that runs `body` and exits with its result (125 when it throws). The
// child never returns into the test framework. Returns the child's process id.
int StartChild(const std::function<int()>& body);

// Waits for child `pid`: its exit code, or 128 + the signal number that ended it.
int WaitChild(int pid);

// StartChild then WaitChild.
int RunInChild(const std::function<int()>& body);

}  // namespace ostrel::test
