#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace ostrel {

// A run-time error as the program's error handlers report it: an error number, a
// description, and the error number of the system call that failed (0 where none did).
class RuntimeError : public std::runtime_error {
  public:
    RuntimeError(std::int32_t number, const std::string& description, std::int32_t lastOsError);

    std::int32_t Number() const { return m_number; }
    const std::string& Description() const { return m_description; }
    std::int32_t LastOsError() const { return m_lastOsError; }

  private:
    std::int32_t m_number;
    std::string m_description;
    std::int32_t m_lastOsError;
};

// Error numbers raised by the core.
enum RuntimeErrorNumber : std::int32_t {
    kErrInvalidArgument = 5,  // "Invalid procedure call or argument": also a bad item position
    kErrOutOfMemory = 7,
};

}  // namespace ostrel
