#pragma once

#include <optional>
#include <string>

namespace ostrel::platform {

// The value of environment variable `name`, or nullopt when it is not set.
std::optional<std::string> GetEnv(const std::string& name);

// The value of `name` when it is set and not empty, else `fallback`.
std::string GetEnvOr(const std::string& name, const std::string& fallback);

}  // namespace ostrel::platform
