#include "core/RegistryManager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace ostrel {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

class RegistryManagerTest : public ::testing::Test {
  protected:
    fs::path KeyFile() const { return m_temp / "Tolvane" / "Quarrix" / "Shredder.reg"; }

    test::TempDir m_temp;
    test::ScopedEnv m_config{"XDG_CONFIG_HOME", m_temp.str()};
};

// The error flag tells presence only; RegGetValue keeps the NUL, RegGetString cuts at it.
TEST_F(RegistryManagerTest, ReadersGiveTheResultsTheCallersRelyOn) {
    struct Row {
        const char* lines;  // nullptr: no key at all
        RegVariant value;   // RegGetValue("Method")
        std::int32_t error;
        RegVariant text;  // RegGetString("Method")
    } rows[] = {
        {nullptr, RegVariant(), 1, RegVariant()},
        {"\"Other\"=\"x\"\n", RegVariant(), 1, RegVariant()},
        {"\"Method\"=\"abc\"\n", RegVariant("abc\0"s), 0, RegVariant("abc"s)},
        {"\"method\"=hex(1):65,6e,00,78\n", RegVariant("en\0x\0"s), 0, RegVariant("en"s)},
        {"\"Method\"=dword:fffffffe\n", RegVariant(std::int32_t{-2}), 0, RegVariant()},
        {"\"Method\"=hex(2):61,00\n", RegVariant(), 0, RegVariant()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.lines ? row.lines : "no key");
        if (row.lines) {
            test::WriteFile(KeyFile(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\" +
                                           std::string(kSettingsKey) + "]\n" + row.lines);
        }
        std::int32_t error = -1;
        EXPECT_EQ(RegGetValue(kHkeyCurrentUser, kSettingsKey, kSettingMethod, error), row.value);
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(RegGetString(kHkeyCurrentUser, kSettingsKey, kSettingMethod), row.text);
    }
}

// The writers must create the whole key path and store text with its NULs and integers of
// either sign; where the store cannot be written they must neither throw nor leave anything.
TEST_F(RegistryManagerTest, WritersCreateTheKeyPathAndFailSilently) {
    RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingMethod, "a\0b"s);
    RegSetDword(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, -5);
    std::int32_t error = -1;
    EXPECT_EQ(RegGetValue(kHkeyCurrentUser, kSettingsKey, kSettingMethod, error),
              RegVariant("a\0b\0"s));
    EXPECT_EQ(RegGetValue(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, error),
              RegVariant(std::int32_t{-5}));
    EXPECT_EQ(error, 0);

    test::ScopedEnv config("XDG_CONFIG_HOME", KeyFile().string());  // a file, not a folder
    EXPECT_NO_THROW(RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingMethod, "x"));
    EXPECT_NO_THROW(RegSetDword(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, 1));
    EXPECT_TRUE(RegGetValue(kHkeyCurrentUser, kSettingsKey, kSettingMethod, error).IsEmpty());
    EXPECT_EQ(error, 1);
}

}  // namespace
}  // namespace ostrel
