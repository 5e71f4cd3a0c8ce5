#pragma once

namespace ostrel::platform {

// Flushes the C and C++ standard streams and ends the process with `exitCode` at once: no
// exit handlers or static destructors run.
[[noreturn]] void ExitProcess(int exitCode);

}  // namespace ostrel::platform
