#include "job/ConfirmQuestion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "lang/Encoding.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "lang/tools/LngTable.h"
#include "tests/support/TempDir.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

const std::string kQuestion =
    "The files and folders given will be destroyed and cannot be recovered. Shred them now?";

class ConfirmQuestionTest : public ::testing::Test {
  protected:
    ConfirmQuestionTest() { OpenLanguageFile("English.lng"); }
    ~ConfirmQuestionTest() override { CloseLanguageFile(); }

    std::string Path(const std::string& name) const { return (m_temp / name).string(); }

    TempDir m_temp;
};

// Catches a link to a folder counted as a folder (or its contents counted), a path counted twice
// or left out, and a relative path shown other than as given.
TEST_F(ConfirmQuestionTest, CountsFilesAndFoldersAsGivenAndListsThePaths) {
    WriteFile(m_temp / "file", "x");
    WriteFile(m_temp / "folder/inner/deep", "x");
    fs::create_directory(m_temp / "empty");
    fs::create_directory_symlink(m_temp / "folder", m_temp / "link to folder");
    fs::create_symlink(m_temp / "missing", m_temp / "dangling");
    const struct {
        std::vector<std::string> names;
        std::string counts;
    } rows[] = {
        {{"link to folder", "dangling", "file"}, "3 files"},
        {{"missing", "folder", "empty"}, "2 folders, 1 not found"},
        {{"folder/inner/deep", "folder/inner", "folder"}, "1 file, 2 folders"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.counts);
        std::vector<std::string> paths;
        std::string listed;
        for (const auto& name : row.names) {
            paths.push_back(Path(name));
            listed += "\n\xE2\x80\xA2 " + Path(name);
        }
        EXPECT_EQ(ConfirmQuestion(paths), kQuestion + "\n\n" + row.counts + ":" + listed);
    }
    EXPECT_EQ(ConfirmQuestion({"no such file here"}),
              kQuestion + "\n\n1 not found:\n\xE2\x80\xA2 no such file here");
}

// Catches a name that forges a line (a newline) or breaks the text (not UTF-8), and language texts
// passed on in their single-byte encoding.
TEST_F(ConfirmQuestionTest, TextIsUtf8WithEveryPathEscaped) {
    const std::vector<LngEntry> texts = {{lang::kConfirmQuestion, "Jetzt l\xF6schen?", 0},
                                         {lang::kConfirmOneFile, "Datei", 0},
                                         {lang::kConfirmFiles, "Dateien", 0},
                                         {lang::kConfirmMoreBefore, "\x85 und", 0},
                                         {lang::kConfirmMoreAfter, "weitere", 0}};
    WriteFile(m_temp / "Test.lng", BuildLngFile(texts));
    OpenLanguageFile("Test.lng", m_temp.str());
    const std::string latin1 = Path("caf\xE9"), twoLines = Path("a\nb"), utf8 = Path("caf\xC3\xA9");
    for (const auto& path : {latin1, twoLines, utf8}) {
        WriteFile(path, "x");
    }

    const std::string text = ConfirmQuestion({latin1, twoLines, utf8});

    const std::string bullet = "\n\xE2\x80\xA2 ";
    EXPECT_EQ(text, "Jetzt l\xC3\xB6schen?\n\n3 Dateien:" + bullet + Path("caf\\xE9") + bullet +
                        Path("a\\nb") + bullet + utf8);
    EXPECT_EQ(DisplayText(text), text);
    std::vector<std::string> many(kListedPaths + 2, utf8);
    EXPECT_TRUE(ConfirmQuestion(many).ends_with("\n\xE2\x80\xA6 und 2 weitere"));
}

}  // namespace
}  // namespace ostrel::test
