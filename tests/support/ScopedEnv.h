#pragma once

#include <optional>
#include <string>

namespace ostrel::test {

// Sets (or, with nullopt, unsets) one environment variable for the object's lifetime and
// restores the previous state afterwards.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

}  // namespace ostrel::test
