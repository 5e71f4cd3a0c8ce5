#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>

#include "lang/LangRecord.h"
#include "lang/LanguageFile.h"
#include "lang/tools/LngTable.h"
#include "tests/support/TempDir.h"

namespace ostrel {
namespace {

struct WriterRun {
    int exitCode;
    std::string messages;
};

// Runs the writer tool as the build does on `source`, saved as texts.txt in `dir`; it writes
// out.lng there.
WriterRun RunWriter(const test::TempDir& dir, const std::string& source) {
    test::WriteFile(dir / "texts.txt", source);
    const std::string d = dir.str();
    const std::string command = std::string("'") + OSTREL_LNGWRITE + "' '" + d + "/texts.txt' '" +
                                d + "/out.lng' 2>'" + d + "/messages'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::ReadFile(dir / "messages")};
}

struct RefusedSource {
    const char* fault;  // a test name
    std::string source;
    const char* message;
};
void PrintTo(const RefusedSource& row, std::ostream* os) {
    *os << row.fault;
}

class LngWriterRefuses : public ::testing::TestWithParam<RefusedSource> {};

// Guards against a table that would give a cut or ambiguous file being written anyway: the tool
// names file and line, fails, and leaves neither the output nor its temporary behind.
TEST_P(LngWriterRefuses, BadTableWithMessageAndNoOutput) {
    test::TempDir dir;
    WriterRun run = RunWriter(dir, GetParam().source);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.messages.find(GetParam().message), std::string::npos) << run.messages;
    for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
        const auto name = item.path().filename();
        EXPECT_TRUE(name == "texts.txt" || name == "messages") << "left " << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LngWriterRefuses,
    ::testing::Values(
        RefusedSource{"TextOf121Characters", "1\tok\n2\t" + std::string(121, 'x'),
                      "texts.txt:2: text is 121 characters long"},
        RefusedSource{"DuplicateNumber", "5\tone\n# note\n5\ttwo\n",
                      "texts.txt:3: string 5 is already defined on line 1"},
        RefusedSource{"NoTab", "7 seven\n", "texts.txt:1: expected NUMBER<TAB>TEXT"},
        RefusedSource{"NumberZero", "0\tzero\n", "texts.txt:1: string number 0 is not from 1"},
        RefusedSource{"BlankAtTheEnd", "1\ttext \n", "texts.txt:1: text starts or ends"},
        RefusedSource{"InvalidUtf8", "1\tGr\xC3(\n", "texts.txt:1: text is not valid UTF-8"},
        RefusedSource{"NotInWindows1252", "1\t\xC5\x81\xC3\xB3\x64\xC5\xBA\n",
                      ":1: character U+0141"}),
    [](const auto& info) { return std::string(info.param.fault); });

// Guards against a tool that rejects what editors write (CRLF, byte-order mark), passes UTF-8
// through unconverted, or puts records in the wrong place.
TEST(LngWriter, WritesATableThatReadsBack) {
    test::TempDir dir;
    const std::string longest(120, 'w');
    WriterRun run = RunWriter(dir, "\xEF\xBB\xBF# texts\r\n3\t" + longest +
                                       "\r\n\r\n1\t\xE2\x80\x9EGr\xC3\xBC\xC3\x9F"
                                       "e\xE2\x80\x9C\r\n");
    ASSERT_EQ(run.exitCode, 0) << run.messages;
    EXPECT_EQ(std::filesystem::file_size(dir / "out.lng"), 3 * kLangRecordSize);
    OpenLanguageFile("out.lng", dir.str());
    EXPECT_EQ(GetLangString(1),
              "\x84Gr\xFC\xDF"
              "e\x93");
    EXPECT_EQ(GetLangString(2), "");
    EXPECT_EQ(GetLangString(3), longest);
    CloseLanguageFile();
}

}  // namespace
}  // namespace ostrel
