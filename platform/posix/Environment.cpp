#include "platform/Environment.h"

#include <cstdlib>

namespace ostrel::platform {

std::optional<std::string> GetEnv(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

std::string GetEnvOr(const std::string& name, const std::string& fallback) {
    auto value = GetEnv(name);
    return value && !value->empty() ? *value : fallback;
}

}  // namespace ostrel::platform
