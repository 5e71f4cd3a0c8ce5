#include "shredder/ShredderContext.h"

#include <optional>
#include <utility>

#include "platform/Environment.h"

namespace ostrel {
namespace {

std::optional<std::string>& ExplicitDataFolder() {
    static std::optional<std::string> folder;
    return folder;
}

}  // namespace

std::string DataFolder() {
    if (const auto& folder = ExplicitDataFolder()) {
        return *folder;
    }
    std::string home = platform::GetEnvOr("HOME", "");
    return platform::GetEnvOr("XDG_DATA_HOME", home + "/.local/share") + "/Tolvane/Quarrix";
}

void SetDataFolder(std::string folder) {
    ExplicitDataFolder() = std::move(folder);
}

std::string HoldingFolder() {
    return DataFolder() + "/Safetemp/";
}

}  // namespace ostrel
