#include "platform/SpecialFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "platform/Environment.h"

namespace ostrel::platform {
namespace {

// `path` without trailing separators (the root stays "/").
std::string TrimTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// The environment variable `name` when it is an absolute path, else empty.
std::string AbsoluteEnv(const char* name) {
    std::string value = GetEnvOr(name, "");
    return !value.empty() && value.front() == '/' ? TrimTrailingSlashes(value) : std::string();
}

std::string XdgFolder(const char* variable, const char* belowHome) {
    std::string value = AbsoluteEnv(variable);
    if (!value.empty()) {
        return value;
    }
    std::string home = HomeFolder();
    if (home.empty()) {
        return {};
    }
    return (home == "/" ? std::string() : home) + "/" + belowHome;
}

}  // namespace

std::string HomeFolder() {
    std::string home = AbsoluteEnv("HOME");
    if (!home.empty()) {
        return home;
    }
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') {
        return {};
    }
    return TrimTrailingSlashes(found->pw_dir);
}

std::string XdgDataHome() {
    return XdgFolder("XDG_DATA_HOME", ".local/share");
}
std::string XdgConfigHome() {
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}
std::string XdgStateHome() {
    return XdgFolder("XDG_STATE_HOME", ".local/state");
}
std::string XdgRuntimeDir() {
    return AbsoluteEnv("XDG_RUNTIME_DIR");
}

std::string SpecialFolderPath(std::int32_t csidl) {
    return csidl == kCsidlCommonAppData ? XdgDataHome() : std::string();
}

}  // namespace ostrel::platform
