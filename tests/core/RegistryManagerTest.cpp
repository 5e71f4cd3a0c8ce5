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

    void WriteValues(const std::string& lines) {
        fs::create_directories(KeyFile().parent_path());
        test::WriteFile(KeyFile(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + std::string(kSettingsKey) +
                                       "]\n" + lines);
    }

    test::TempDir m_temp;
    test::ScopedEnv m_config{"XDG_CONFIG_HOME", m_temp.str()};
};

struct ReadRow {
    const char* what;
    std::string lines;  // "" with createKey false: no key at all
    bool createKey;
    RegVariant value;  // RegGetValue("Method")
    std::int32_t error;
    RegVariant text;  // RegGetString("Method")
};

void PrintTo(const ReadRow& row, std::ostream* os) {
    *os << row.what;
}

class RegistryReadRowsTest : public RegistryManagerTest,
                             public ::testing::WithParamInterface<ReadRow> {};

// Guards the callers' rules: the error flag tells presence only, RegGetValue keeps the
// terminating NUL, RegGetString cuts at the first NUL, and wrong types read as empty.
TEST_P(RegistryReadRowsTest, GivesTheResultsTheCallersRelyOn) {
    const ReadRow& row = GetParam();
    if (row.createKey) {
        WriteValues(row.lines);
    }
    std::int32_t error = -1;
    EXPECT_EQ(RegGetValue(kHkeyCurrentUser, kSettingsKey, kSettingMethod, error), row.value);
    EXPECT_EQ(error, row.error);
    EXPECT_EQ(RegGetString(kHkeyCurrentUser, kSettingsKey, kSettingMethod), row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RegistryReadRowsTest,
    ::testing::Values(
        ReadRow{"no key", "", false, RegVariant(), 1, RegVariant()},
        ReadRow{"unparsable file", "garbage\n", true, RegVariant(), 1, RegVariant()},
        ReadRow{"no value", "\"Other\"=\"x\"\n", true, RegVariant(), 1, RegVariant()},
        ReadRow{"text", "\"Method\"=\"abc\"\n", true, RegVariant("abc\0"s), 0, RegVariant("abc"s)},
        ReadRow{"empty text", "\"Method\"=\"\"\n", true, RegVariant("\0"s), 0, RegVariant(""s)},
        ReadRow{"NUL inside", "\"method\"=hex(1):65,6e,00,78\n", true, RegVariant("en\0x\0"s), 0,
                RegVariant("en"s)},
        ReadRow{"dword", "\"Method\"=dword:00000001\n", true, RegVariant(std::int32_t{1}), 0,
                RegVariant()},
        ReadRow{"negative dword", "\"Method\"=dword:fffffffe\n", true, RegVariant(std::int32_t{-2}),
                0, RegVariant()},
        ReadRow{"expandable text", "\"Method\"=hex(2):61,00\n", true, RegVariant(), 0,
                RegVariant()},
        ReadRow{"oversized dword", "\"Method\"=hex(4):01,00,00,00,00\n", true, RegVariant(), 0,
                RegVariant()}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

// The writers must create the whole key path, and what they store must read back as the
// callers expect: text without the NUL the store reports, integers of any sign.
TEST_F(RegistryManagerTest, WritersCreateTheKeyAndRoundTrip) {
    RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang, "English.lng");
    RegSetDword(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, 0);
    RegSetDword(kHkeyCurrentUser, kSettingsKey, "Negative", -5);
    RegSetString(kHkeyCurrentUser, kSettingsKey, "WithNul", "a\0b"s);
    ASSERT_TRUE(fs::is_regular_file(KeyFile()));

    std::int32_t error = -1;
    EXPECT_EQ(RegGetValue(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang, error),
              RegVariant("English.lng\0"s));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(RegGetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang).ToString(),
              "English.lng");
    EXPECT_EQ(RegGetValue(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, error),
              RegVariant(std::int32_t{0}));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(RegGetValue(kHkeyCurrentUser, kSettingsKey, "Negative", error).ToLong(), -5);
    EXPECT_EQ(RegGetValue(kHkeyCurrentUser, kSettingsKey, "WithNul", error), RegVariant("a\0b\0"s));
    EXPECT_EQ(RegGetString(kHkeyCurrentUser, kSettingsKey, "WithNul"), RegVariant("a"s));

    // A value written as a DWORD and then as text is text from then on.
    RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, "1");
    EXPECT_EQ(RegGetString(kHkeyCurrentUser, kSettingsKey, kSettingConfirm), RegVariant("1"s));
}

// Writers are silent: a store that cannot be written must neither throw nor leave anything.
TEST_F(RegistryManagerTest, FailedWritesAreSilent) {
    test::WriteFile(m_temp / "not-a-folder", "");
    test::ScopedEnv config("XDG_CONFIG_HOME", (m_temp / "not-a-folder").string());
    EXPECT_NO_THROW(RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingMethod, "x"));
    EXPECT_NO_THROW(RegSetDword(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, 1));
    std::int32_t error = 0;
    EXPECT_TRUE(RegGetValue(kHkeyCurrentUser, kSettingsKey, kSettingMethod, error).IsEmpty());
    EXPECT_EQ(error, 1);
}

}  // namespace
}  // namespace ostrel
