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

// The string numbers `table` defines.
std::set<int> Numbers(const LngTable& table) {
    std::set<int> numbers;
    for (const LngEntry& entry : table.entries) {
        numbers.insert(entry.number);
    }
    return numbers;
}

LngTable SourceTable(const std::string& language) {
    const std::string path = std::string(OSTREL_LANG_TEXTS_DIR) + "/" + language + ".txt";
    return ParseLngSource(test::ReadFile(path), path);
}

class ShippedLanguageFile : public ::testing::TestWithParam<const char*> {
  protected:
    void TearDown() override { CloseLanguageFile(); }
};

// A build that ships stale or wrongly written files, or texts a language lacks: every record of
// the built file reads back as its source text, every other number as empty, and both languages
// define the same numbers, among them every string the program shows. The product name is right
// and the copyright line's first full stop comes after it and before the end.
TEST_P(ShippedLanguageFile, EveryRecordReadsBackAsItsSourceText) {
    if (platform::GetEnvOr("OSTREL_PROGRAM_DIR", "").empty()) {
        GTEST_SKIP() << "OSTREL_PROGRAM_DIR is not set: run through ctest";
    }
    const LngTable table = SourceTable(GetParam());
    ASSERT_EQ(table.errors, std::vector<std::string>{});
    OpenLanguageFile(std::string(GetParam()) + ".lng");
    ASSERT_NE(gLangFileNum, 0) << "no " << GetParam() << ".lng in " << gAppPath;
    EXPECT_EQ(gAppPath, platform::ProgramFolder() + "/");
    const std::set<int> defined = Numbers(table);
    for (const LngEntry& entry : table.entries) {
        EXPECT_EQ(GetLangString(entry.number), entry.text) << "string " << entry.number;
    }
    for (int number = 1; number <= *defined.rbegin() + 1; ++number) {
        if (!defined.count(number)) {
            EXPECT_EQ(GetLangString(static_cast<std::int16_t>(number)), "") << number;
        }
    }
    for (int used : {1,   41,  69,  101, 143, 478, 507, 661, 771, 817,
                     818, 819, 820, 821, 822, 823, 824, 825, 826, 827}) {
        EXPECT_TRUE(defined.count(used)) << "string " << used << " missing";
    }
    EXPECT_EQ(defined, Numbers(SourceTable("English")));

    EXPECT_EQ(GetLangString(818), "Ostrel");
    const std::string copyright = GetLangString(1);
    const auto stop = copyright.find('.');  // where the main window cuts the line
    ASSERT_NE(stop, std::string::npos) << copyright;
    EXPECT_NE(copyright.substr(0, stop).find("Ostrel"), std::string::npos) << copyright;
    EXPECT_GT(copyright.size(), stop + 2) << "nothing after the cut: " << copyright;
}

INSTANTIATE_TEST_SUITE_P(Languages, ShippedLanguageFile, ::testing::Values("English", "German"));

}  // namespace
}  // namespace ostrel
