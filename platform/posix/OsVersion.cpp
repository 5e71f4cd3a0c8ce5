#include "platform/OsVersion.h"

#include <sys/utsname.h>

#include <cstdio>
#include <utility>

namespace ostrel::platform {
namespace {

VersionSource& InstalledSource() {
    static VersionSource source;
    return source;
}

}  // namespace

int GetVersionExA(OsVersionInfo& info) {
    if (info.dwOSVersionInfoSize != sizeof(OsVersionInfo)) {
        return 0;
    }
    if (const auto& source = InstalledSource()) {
        return source(info);
    }
    unsigned major = 0, minor = 0, build = 0;
    struct utsname name {};
    if (::uname(&name) == 0) {
        std::sscanf(name.release, "%u.%u.%u", &major, &minor, &build);
    }
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    info.dwBuildNumber = build;
    info.dwPlatformId = kVerPlatformWin32Nt;
    info.szCSDVersion[0] = '\0';
    return 1;
}

VersionSource SetVersionSource(VersionSource source) {
    return std::exchange(InstalledSource(), std::move(source));
}

}  // namespace ostrel::platform
