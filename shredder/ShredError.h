#pragma once

#include <stdexcept>
#include <string>

namespace ostrel {

// A run-time error inside the shredder: the error number and description its error box shows.
class ShredError : public std::runtime_error {
  public:
    ShredError(int number, const std::string& description)
        : std::runtime_error(description), m_number(number) {}
    int Number() const { return m_number; }

  private:
    int m_number;
};

inline constexpr int kErrFileNotFound = 53;
inline constexpr int kErrFileAlreadyExists = 58;
inline constexpr int kErrPathFileAccess = 75;
inline constexpr int kErrPathNotFound = 76;

}  // namespace ostrel
