#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "lang/LangRecord.h"
#include "lang/LanguageFile.h"
#include "tests/support/TempDir.h"

namespace ostrel {
namespace {

// Runs the writer tool as the build does on `source`, saved as texts.txt in `dir`, to write
// out.lng there: its exit code and messages.
std::pair<int, std::string> RunWriter(const test::TempDir& dir, const std::string& source) {
    test::WriteFile(dir / "texts.txt", source);
    const std::string d = dir.str();
    const std::string command = std::string("'") + OSTREL_LNGWRITE + "' '" + d + "/texts.txt' '" +
                                d + "/out.lng' 2>'" + d + "/messages'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::ReadFile(dir / "messages")};
}

// A table that would give a cut or ambiguous file is refused: the tool names file and line,
// fails, and leaves neither the output nor its temporary behind.
TEST(LngWriter, RefusesABadTableWithAMessageAndNoOutput) {
    for (const auto& [source, message] : std::initializer_list<std::pair<std::string, const char*>>{
             {"1\tok\n2\t" + std::string(121, 'x'), "texts.txt:2: text is 121 characters long"},
             {"5\tone\n# note\n5\ttwo\n", "texts.txt:3: string 5 is already defined on line 1"},
             {"7 seven\n", "texts.txt:1: expected NUMBER<TAB>TEXT"},
             {"0\tzero\n", "texts.txt:1: string number 0 is not from 1"},
             {"1\ttext \n", "texts.txt:1: text starts or ends"},
             {"1\tGr\xC3(\n", "texts.txt:1: text is not valid UTF-8"},
             {"1\t\xC5\x81\xC3\xB3\x64\xC5\xBA\n", ":1: character U+0141"}}) {
        SCOPED_TRACE(message);
        test::TempDir dir;
        const auto [exitCode, messages] = RunWriter(dir, source);
        EXPECT_NE(exitCode, 0);
        EXPECT_NE(messages.find(message), std::string::npos) << messages;
        for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
            const auto name = item.path().filename();
            EXPECT_TRUE(name == "texts.txt" || name == "messages") << "left " << name;
        }
    }
}

// A tool that rejects what editors write (CRLF, byte-order mark), passes UTF-8 through
// unconverted, or puts records in the wrong place.
TEST(LngWriter, WritesATableThatReadsBack) {
    test::TempDir dir;
    const std::string longest(120, 'w');
    // German quotes, u-umlaut and sharp s in UTF-8 ("e" is \x65 so that the escape before ends)
    const auto [exitCode, messages] =
        RunWriter(dir, "\xEF\xBB\xBF# texts\r\n3\t" + longest +
                           "\r\n\r\n1\t\xE2\x80\x9EGr\xC3\xBC\xC3\x9F\x65\xE2\x80\x9C\r\n");
    ASSERT_EQ(exitCode, 0) << messages;
    EXPECT_EQ(std::filesystem::file_size(dir / "out.lng"), 3 * kLangRecordSize);
    OpenLanguageFile("out.lng", dir.str());
    EXPECT_EQ(GetLangString(1), "\x84Gr\xFC\xDF\x65\x93");
    EXPECT_EQ(GetLangString(2), "");
    EXPECT_EQ(GetLangString(3), longest);
    CloseLanguageFile();
}

}  // namespace
}  // namespace ostrel
