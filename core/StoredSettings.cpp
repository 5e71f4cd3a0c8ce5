#include "core/StoredSettings.h"

#include "core/Host.h"
#include "core/RegistryManager.h"

namespace ostrel {

inline constexpr char kDefaultMethod[] = "Simple Overwrite (1 Pass)";

std::string CheckIfFirstRun() {
    std::int32_t error = 0;
    RegVariant value = RegGetValue(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang, error);
    CurrentHost().DoEvents();
    return error == 1 ? "Error" : value.ToString();
}

std::string StoredMethod() {
    std::int32_t error = 0;
    RegGetValue(kHkeyCurrentUser, kSettingsKey, kSettingMethod, error);
    if (error != 0) {
        return kDefaultMethod;
    }
    return RegGetString(kHkeyCurrentUser, kSettingsKey, kSettingMethod).ToString();
}

int StoredConfirm() {
    std::int32_t error = 0;
    RegVariant value = RegGetValue(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, error);
    // Only a number turns the question off: text such as "1" (or "0") is no answer, so ask.
    if (error != 0 || !value.IsLong()) {
        return 1;
    }
    return static_cast<std::int16_t>(value.ToLong());
}

}  // namespace ostrel
