#pragma once

namespace ostrel::platform {

// System calls of the platform layer that a test can make fail, the way a failing device would.
enum class SysCall { Open, Write, Fsync, Lease, Flock, Rename, Unlink, Count };

// Lets the next `okCalls` calls of `call` succeed, then makes `failCount` calls fail with the
// errno value `error` (a negative failCount: every later call). Replaces an earlier fault on
// the same call.
void InjectFault(SysCall call, int error, int okCalls = 0, int failCount = -1);

// Removes every injected fault.
void ClearFaults();

}  // namespace ostrel::platform
