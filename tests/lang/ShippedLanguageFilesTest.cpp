#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "lang/LanguageFile.h"
#include "lang/tools/LngTable.h"
#include "platform/Environment.h"
#include "platform/ProgramFolder.h"
#include "tests/support/TempDir.h"

namespace ostrel {
namespace {

// The numbers of every string the program shows somewhere.
constexpr std::int16_t kUsedNumbers[] = {1,   41,  69,  101, 143, 478, 507, 661, 771, 817,
                                         818, 819, 820, 821, 822, 823, 824, 825, 826, 827};

std::set<int> Numbers(const LngTable& table) {
    std::set<int> numbers;
    for (const LngEntry& entry : table.entries) {
        numbers.insert(entry.number);
    }
    return numbers;
}

// Reads the source table of `language` and opens its built language file from the program
// folder the tests are given.
class ShippedLanguageFile : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        if (platform::GetEnvOr("OSTREL_PROGRAM_DIR", "").empty()) {
            GTEST_SKIP() << "OSTREL_PROGRAM_DIR is not set: run through ctest";
        }
        const std::string path = std::string(OSTREL_LANG_TEXTS_DIR) + "/" + GetParam() + ".txt";
        m_table = ParseLngSource(test::ReadFile(path), path);
        ASSERT_EQ(m_table.errors, std::vector<std::string>{});
        OpenLanguageFile(std::string(GetParam()) + ".lng");
        ASSERT_NE(gLangFileNum, 0) << "no " << GetParam() << ".lng in " << gAppPath;
    }
    void TearDown() override { CloseLanguageFile(); }

    LngTable m_table;
};

// Guards against a build that ships stale or wrongly written files, or texts that a language
// lacks: every record reads back as its source text, every other number as empty, and both
// languages define the same numbers, among them every string the program shows.
TEST_P(ShippedLanguageFile, EveryRecordReadsBackAsItsSourceText) {
    const std::set<int> defined = Numbers(m_table);
    for (const LngEntry& entry : m_table.entries) {
        EXPECT_EQ(GetLangString(entry.number), entry.text) << "string " << entry.number;
    }
    for (int number = 1; number <= *defined.rbegin() + 1; ++number) {
        if (!defined.count(number)) {
            EXPECT_EQ(GetLangString(static_cast<std::int16_t>(number)), "") << number;
        }
    }
    for (std::int16_t number : kUsedNumbers) {
        EXPECT_TRUE(defined.count(number)) << "string " << number << " missing";
    }
    const std::string english = std::string(OSTREL_LANG_TEXTS_DIR) + "/English.txt";
    EXPECT_EQ(defined, Numbers(ParseLngSource(test::ReadFile(english), english)));
}

// Guards against a wrong product name and a copyright line whose first full stop comes too
// early (inside "(c." or a version number) or last, which the main window's cut would show.
TEST_P(ShippedLanguageFile, NamesTheProductAndCutsTheCopyrightLineAfterItsFirstSentence) {
    EXPECT_EQ(GetLangString(818), "Ostrel");
    const std::string copyright = GetLangString(1);
    const auto stop = copyright.find('.');
    ASSERT_NE(stop, std::string::npos) << copyright;
    EXPECT_NE(copyright.substr(0, stop).find("Ostrel"), std::string::npos) << copyright;
    EXPECT_GT(copyright.size(), stop + 2) << "nothing after the cut: " << copyright;
    EXPECT_EQ(gAppPath, platform::ProgramFolder() + "/");
}

INSTANTIATE_TEST_SUITE_P(Languages, ShippedLanguageFile, ::testing::Values("English", "German"));

}  // namespace
}  // namespace ostrel
