#pragma once

#include <cstdint>
#include <functional>

namespace ostrel::platform {

inline constexpr std::uint32_t kVerPlatformWin32Windows = 1;  // the Windows 9x family
inline constexpr std::uint32_t kVerPlatformWin32Nt = 2;

// The version record GetVersionExA fills (OSVERSIONINFOA, 148 bytes).
struct OsVersionInfo {
    std::uint32_t dwOSVersionInfoSize = 0;
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
static_assert(sizeof(OsVersionInfo) == 148);

// Fills `info` and returns 1; returns 0 and leaves it alone unless its size field is 148. This
// system reports the NT family, with the kernel's release numbers as version and build.
int GetVersionExA(OsVersionInfo& info);

// Replaces the source of the record (an empty function: the real system again), so that a test
// can present another release. Returns the source installed before.
using VersionSource = std::function<int(OsVersionInfo&)>;
VersionSource SetVersionSource(VersionSource source);

}  // namespace ostrel::platform
