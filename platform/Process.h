#pragma once

namespace ostrel::platform {

// Flushes the C and C++ standard streams and ends the process with `exitCode` at once: no
// exit handlers or static destructors run.
[[noreturn]] void ExitProcess(int exitCode);

// The system error number left by the last failed system call of this thread.
int LastOsError();

}  // namespace ostrel::platform
