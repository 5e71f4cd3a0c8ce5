#include "core/RuntimeError.h"

namespace ostrel {

RuntimeError::RuntimeError(std::int32_t number, const std::string& description,
                           std::int32_t lastOsError)
    : std::runtime_error(std::to_string(number) + " - " + description),
      m_number(number),
      m_description(description),
      m_lastOsError(lastOsError) {}

}  // namespace ostrel
