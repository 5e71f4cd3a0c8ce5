#include "platform/InProgressList.h"

#include <algorithm>

#include "platform/posix/StateList.h"

namespace ostrel::platform {
namespace {

constexpr const char* kListName = posix::kInProgressListName;

}  // namespace

bool AddInProgress(const std::string& path, const FileVersion& version) {
    StateEntry entry = MakeStateEntry(path, version);
    return !entry.path.empty() &&
           posix::UpdateStateList(
               kListName, [&entry](std::vector<StateEntry>& entries) { entries.push_back(entry); });
}

bool AddInProgress(const std::string& path, const Folder& folder, std::string_view name,
                   const FileStatus& status) {
    // A file swapped for another since `status` was read is recorded as `status` says.
    auto version = ReadFileVersion(folder, name);
    if (!version || version->id != status.id) {
        version = VersionOf(status);
    }
    return AddInProgress(path, *version);
}

bool RemoveInProgress(const std::string& path) {
    return posix::RemoveStateEntries(kListName, path);
}

std::vector<StateEntry> InProgressEntries() {
    return posix::ReadStateList(kListName);
}

}  // namespace ostrel::platform
