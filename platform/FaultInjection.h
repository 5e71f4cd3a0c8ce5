#pragma once

namespace ostrel::platform {

// System calls of the platform layer that a test can make fail, the way a failing device would.
// Read is the read of a small file read whole (settings, state lists, language files); Replace is
// the rename that puts an atomically replaced file in place (the same files, WinInit.ini).
enum class SysCall { Open, Write, Fsync, Lease, Flock, Rename, Unlink, Read, Replace, Count };

// Lets the next `okCalls` calls of `call` succeed, then makes `failCount` calls fail with the
// errno value `error` (a negative failCount: every later call). Replaces an earlier fault on
// the same call.
void InjectFault(SysCall call, int error, int okCalls = 0, int failCount = -1);

// Removes every injected fault.
void ClearFaults();

}  // namespace ostrel::platform
