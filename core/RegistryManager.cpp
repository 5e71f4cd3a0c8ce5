#include "core/RegistryManager.h"

namespace ostrel {

std::string RegVariant::ToString() const {
    if (const auto* text = std::get_if<std::string>(&m_value)) {
        return *text;
    }
    if (const auto* number = std::get_if<std::int32_t>(&m_value)) {
        return std::to_string(*number);
    }
    return {};
}

std::int32_t RegVariant::ToLong() const {
    const auto* number = std::get_if<std::int32_t>(&m_value);
    return number ? *number : 0;
}

RegVariant RegGetString(std::uint32_t hKey, const std::string& strPath,
                        const std::string& strValueName) {
    platform::RegKey key;
    if (platform::RegOpenKey(hKey, strPath, key) != platform::kRegOk) {
        return {};
    }
    platform::RegValue value;
    if (key.QueryValue(strValueName, value) != platform::kRegOk || value.type != platform::kRegSz) {
        return {};
    }
    return RegVariant(value.data.substr(0, value.data.find('\0')));
}

RegVariant RegGetValue(std::uint32_t hKey, const std::string& strPath,
                       const std::string& strValueName, std::int32_t& lngError) {
    platform::RegKey key;
    if (platform::RegOpenKey(hKey, strPath, key) != platform::kRegOk) {
        lngError = 1;
        return {};
    }
    platform::RegValue value;
    if (key.QueryValue(strValueName, value) != platform::kRegOk) {
        lngError = 1;
        return {};
    }
    lngError = 0;
    if (value.type == platform::kRegSz) {
        return RegVariant(value.data);
    }
    // A DWORD query fills a 4-byte buffer: shorter data fills its low bytes, longer data does
    // not fit and the query fails.
    if (value.type == platform::kRegDword && value.data.size() <= 4) {
        std::uint32_t number = 0;
        for (size_t i = value.data.size(); i-- > 0;) {
            number = (number << 8) | static_cast<unsigned char>(value.data[i]);
        }
        return RegVariant(static_cast<std::int32_t>(number));
    }
    return {};
}

void RegSetString(std::uint32_t hKey, const std::string& strPath, const std::string& strValueName,
                  const std::string& strValue) {
    platform::RegKey key;
    if (platform::RegCreateKey(hKey, strPath, key) == platform::kRegOk) {
        key.SetValue(strValueName, platform::kRegSz, strValue);  // failures are silent
    }
}

void RegSetDword(std::uint32_t hKey, const std::string& strPath, const std::string& strValueName,
                 std::int32_t lngValue) {
    auto bits = static_cast<std::uint32_t>(lngValue);
    std::string data;
    for (int i = 0; i < 4; ++i) {
        data.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
    }
    platform::RegKey key;
    if (platform::RegCreateKey(hKey, strPath, key) == platform::kRegOk) {
        key.SetValue(strValueName, platform::kRegDword, data);  // failures are silent
    }
}

}  // namespace ostrel
