#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrel::platform {

// For tests only: these functions exist in the platform the test executables link
// (ostrel_platform_faults). The programs link one without them, so code of theirs that called
// one would not link.

// System calls of the platform layer that a test can make fail, the way a failing device would.
// Read is the read of a small file read whole (settings, state lists, language files); Replace is
// the rename that puts an atomically replaced file in place (the same files, WinInit.ini).
// RemoveFolder is the removal of an empty folder, Link the hard link of a move on a file system
// without the no-replace rename, AttributeFlush the flush between overwriting a file's extended
// attributes and removing them, SeekData the look for the parts of a file that hold data,
// CacheFlush the disk cache flush that several files' passes share.
enum class SysCall {
    Open,
    Write,
    Fsync,
    Lease,
    Flock,
    Rename,
    Unlink,
    Read,
    Replace,
    RemoveFolder,
    Link,
    AttributeFlush,
    SeekData,
    CacheFlush,
    Count
};

// Lets the next `okCalls` calls of `call` succeed, then makes `failCount` calls fail with the
// errno value `error` (a negative failCount: every later call). Replaces an earlier fault on
// the same call.
void InjectFault(SysCall call, int error, int okCalls = 0, int failCount = -1);

// Makes the writes of file contents (SysCall::Write) behave as a disk that is nearly full or
// interrupted: each puts at most `perCall` bytes in the file and reports that shorter count
// (0: no limit per call), and once `total` more bytes have been written every write fails with
// `error`, the one that reaches the limit writing only the bytes up to it (negative: no limit).
void InjectShortWrites(std::size_t perCall, std::int64_t total = -1, int error = 0);

// Removes every injected fault.
void ClearFaults();

}  // namespace ostrel::platform
