#include "platform/ProgramFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/Environment.h"
#include "platform/ProductNames.h"

namespace ostrel::platform {
namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string ExecutableFolder() {
    std::vector<char> buffer(4096);
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) {
        return {};
    }
    std::string exe(buffer.data(), static_cast<size_t>(n));
    auto slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash == 0 ? 1 : slash);
}

std::string ProgramFolder() {
    const ProductNames& names = GetProductNames();
    if (auto overridden =
            names.folderVariable.empty() ? std::nullopt : GetEnv(names.folderVariable);
        overridden && !overridden->empty()) {
        return *overridden;
    }
    std::string exeDir = ExecutableFolder();
    auto slash = exeDir.rfind('/');
    if (slash != std::string::npos && !names.dataFolder.empty()) {
        std::string installed = exeDir.substr(0, slash) + "/share/" + names.dataFolder;
        if (IsDirectory(installed)) {
            return installed;
        }
    }
    return exeDir;
}

}  // namespace ostrel::platform
