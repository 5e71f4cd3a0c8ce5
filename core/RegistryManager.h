#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <variant>

#include "core/ProductNames.h"
#include "platform/Registry.h"

namespace ostrel {

// The result of a settings read: empty, a text (exact bytes, NULs included), or a 32-bit
// integer.
class RegVariant {
  public:
    RegVariant() = default;
    explicit RegVariant(std::string text) : m_value(std::move(text)) {}
    explicit RegVariant(std::int32_t number) : m_value(number) {}

    bool IsEmpty() const { return std::holds_alternative<std::monostate>(m_value); }
    bool IsString() const { return std::holds_alternative<std::string>(m_value); }
    bool IsLong() const { return std::holds_alternative<std::int32_t>(m_value); }

    // The text; empty for an empty result; the decimal digits of an integer.
    std::string ToString() const;
    // The integer; 0 for an empty result or a text.
    std::int32_t ToLong() const;

    bool operator==(const RegVariant&) const = default;

  private:
    std::variant<std::monostate, std::string, std::int32_t> m_value;
};

// The hive and key of the program's settings, and its value names.
using platform::kHkeyCurrentUser;
// "Software\Tolvane\Quarrix\Shredder": the vendor folder's parts are keys.
inline const std::string kSettingsKey = [] {
    std::string key = std::string("Software/") + kVendorFolder + "/Shredder";
    std::ranges::replace(key, '/', '\\');
    return key;
}();
inline constexpr char kSettingDefaultLang[] = "DefaultLang";
inline constexpr char kSettingMethod[] = "Method";
inline constexpr char kSettingConfirm[] = "Confirm";

// The text of REG_SZ value `strValueName`: the value up to (not including) its first NUL.
// Empty when the key or value is missing or the value is of another type. Never fails.
RegVariant RegGetString(std::uint32_t hKey, const std::string& strPath,
                        const std::string& strValueName);

// The value `strValueName` as stored: a REG_SZ as the whole text the store reports, its
// terminating NUL included ("abc" reads as "abc\0"); a REG_DWORD as a 32-bit integer; any
// other type as empty. `lngError` is set to 1 when the key or the value is missing (or the
// key's file cannot be read or parsed), else to 0, also for a type that gives empty.
RegVariant RegGetValue(std::uint32_t hKey, const std::string& strPath,
                       const std::string& strValueName, std::int32_t& lngError);

// Stores `strValue` as REG_SZ value `strValueName` (its bytes, no terminating NUL), creating
// the key path when missing. Failures are silent.
void RegSetString(std::uint32_t hKey, const std::string& strPath, const std::string& strValueName,
                  const std::string& strValue);

// Stores `lngValue` as REG_DWORD value `strValueName`, creating the key path when missing.
// Failures are silent.
void RegSetDword(std::uint32_t hKey, const std::string& strPath, const std::string& strValueName,
                 std::int32_t lngValue);

}  // namespace ostrel
