#include "platform/InProgressList.h"

#include <algorithm>

#include "platform/posix/StateList.h"

namespace ostrel::platform {
namespace {

constexpr const char* kListName = posix::kInProgressListName;

}  // namespace

bool AddInProgress(const std::string& path, const FileStatus& status) {
    StateEntry entry = MakeStateEntry(path, status);
    return posix::UpdateStateList(
        kListName, [&entry](std::vector<StateEntry>& entries) { entries.push_back(entry); });
}

bool RemoveInProgress(const std::string& path) {
    return posix::UpdateStateList(kListName, [&path](std::vector<StateEntry>& entries) {
        std::erase_if(entries, [&path](const StateEntry& e) { return e.path == path; });
    });
}

std::vector<StateEntry> InProgressEntries() {
    return posix::ReadStateList(kListName);
}

}  // namespace ostrel::platform
