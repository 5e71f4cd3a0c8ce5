#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::platform::posix {

// The text form of one key's values (the syntax is described in platform/Registry.h).

struct NamedRegValue {
    std::string name;
    std::uint32_t type = 0;
    std::string data;
};

using RegValueList = std::vector<NamedRegValue>;

// The values of a file that holds key `keyName` (for example
// "HKEY_CURRENT_USER\Software\A\B"), in file order; a later line for the same name replaces an
// earlier one. nullopt when `text` is not a well-formed file of that key.
std::optional<RegValueList> ParseRegFile(std::string_view text, std::string_view keyName);

// The file text for `values` of key `keyName`, with the "REGEDIT4" header and LF line ends.
std::string FormatRegFile(const RegValueList& values, std::string_view keyName);

// The value named `name` (compared without regard to ASCII case), or nullptr.
NamedRegValue* FindRegValue(RegValueList& values, std::string_view name);
const NamedRegValue* FindRegValue(const RegValueList& values, std::string_view name);

// True when `name` can be written as a value name (no NUL, CR or LF).
bool IsStorableValueName(std::string_view name);

}  // namespace ostrel::platform::posix
