#pragma once

namespace ostrel::platform {

// Asks for a higher scheduling priority for this process (nice -10, never lower than it
// already is). Best effort: returns false when the system refused, and nothing changes then.
bool RaiseProcessPriority();

// The process's current nice value (lower runs first).
int ProcessNiceValue();

// Flushes the C and C++ standard streams and ends the process with `exitCode` at once: no
// exit handlers or static destructors run.
[[noreturn]] void ExitProcess(int exitCode);

// True when standard input is a terminal (a person can answer a question there).
bool StandardInputIsTerminal();

// The system error number left by the last failed system call of this thread.
int LastOsError();

}  // namespace ostrel::platform
