#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "lang/BuiltInTexts.h"
#include "lang/LangRecord.h"
#include "lang/LanguageFile.h"
#include "lang/Rc4.h"
#include "lang/tools/LngTable.h"
#include "platform/Environment.h"
#include "platform/ProgramFolder.h"
#include "tests/support/TempDir.h"

namespace ostrel {
namespace {

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t n = 0; n + 1 < hex.size(); n += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(n, 2), nullptr, 16));
    }
    return bytes;
}

// A wrong key schedule or output step, or key bytes above 127 taken as negative: the keystream
// (zero bytes enciphered) must match the RFC 6229 vectors from its first bytes to 4 KiB in.
TEST(Rc4Crypt, MatchesPublishedVectors) {
    for (const auto& [key, offset, expected] :
         {std::tuple{"0102030405", 0, "b2396305f03dc027ccc3524a0a1118a8"},
          {"0102030405", 4080, "068326a2118416d21f9d04b2cd1ca050"},
          {"833222772a", 1008, "6da453dbf81e82334a3d8866cb50a1e3"}}) {
        const std::string keystream = RC4Crypt(std::string(offset + 16, '\0'), FromHex(key));
        EXPECT_EQ(keystream.substr(offset), FromHex(expected)) << key << " at " << offset;
    }
}

// A temporary folder; the language file is closed after each test.
class LanguageFileTest : public ::testing::Test {
  protected:
    void TearDown() override { CloseLanguageFile(); }
    // Runs the writer tool as the build does on `source`, saved as texts.txt, to write out.lng
    // in the temporary folder: its exit code and messages.
    std::pair<int, std::string> RunWriter(const std::string& source) {
        test::WriteFile(m_dir / "texts.txt", source);
        const std::string d = m_dir.str();
        const std::string command = std::string("'") + OSTREL_LNGWRITE + "' '" + d +
                                    "/texts.txt' '" + d + "/out.lng' 2>'" + d + "/messages'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::ReadFile(m_dir / "messages")};
    }
    test::TempDir m_dir;
};

// A table that would give a cut or ambiguous file is refused: the tool names file and line,
// fails, and leaves neither the output nor its temporary behind.
TEST_F(LanguageFileTest, WriterRefusesABadTableWithAMessageAndNoOutput) {
    for (const auto& [source, message] : std::initializer_list<std::pair<std::string, const char*>>{
             {"1\tok\n2\t" + std::string(121, 'x'), "texts.txt:2: text is 121 characters long"},
             {"5\tone\n# note\n5\ttwo\n", "texts.txt:3: string 5 is already defined on line 1"},
             {"1\tGr\xC3(\n", "texts.txt:1: text is not valid UTF-8"},
             {"1\t\xC5\x81\xC3\xB3\x64\xC5\xBA\n", ":1: character U+0141"}}) {
        SCOPED_TRACE(message);
        const auto [exitCode, messages] = RunWriter(source);
        EXPECT_NE(exitCode, 0);
        EXPECT_NE(messages.find(message), std::string::npos) << messages;
        // texts.txt and messages, and nothing else
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.path()), {}), 2);
    }
}

// A tool that rejects what editors write (CRLF, byte-order mark) or passes UTF-8 through
// unconverted; a text cut short or trimmed inside, a keystream carried from one record into the
// next, records at the wrong offset, or a writer that stores the text unenciphered.
TEST_F(LanguageFileTest, WrittenRecordsReadBackAtTheirOffsets) {
    std::string full;
    for (std::size_t n = 0; n < kLangTextSize; ++n) {
        full += static_cast<char>('!' + n % 90);
    }
    // German quotes, u-umlaut and sharp s in UTF-8 ("e" is \x65 so that the escape before ends)
    const auto [exitCode, messages] = RunWriter(
        "\xEF\xBB\xBF# texts\r\n2\t" + full + "\r\n\r\n1\t\xE2\x80\x9EGr\xC3\xBC\xC3\x9F" +
        "\x65\xE2\x80\x9C\r\n3\ta  b   c\r\n5\tOstrel\r\n7\tOstrel\r\n");
    ASSERT_EQ(exitCode, 0) << messages;
    OpenLanguageFile("out.lng", m_dir.str());
    const std::vector<std::string> texts = {
        "", "\x84Gr\xFC\xDF\x65\x93", full, "a  b   c", "", "Ostrel", "", "Ostrel", ""};  // 0 to 8
    for (std::int16_t number = 1; number <= 8; ++number) {
        EXPECT_EQ(GetLangString(number), texts[number]) << "string " << number;
    }
    const std::string file = test::ReadFile(m_dir / "out.lng");
    ASSERT_EQ(file.size(), 7 * kLangRecordSize);
    auto record = [&](int n) { return file.substr((n - 1) * kLangRecordSize, kLangRecordSize); };
    EXPECT_EQ(record(5), record(7));
    const std::string padded = "Ostrel" + std::string(kLangTextSize - 6, ' ');
    EXPECT_EQ(record(5), std::string(kLangTagSize, '\0') + RC4Crypt(padded, LangKey()));
}

// Files the writer did not make never crash or read outside the record buffer: every number
// gives at most 120 characters, a number below 1 or past the end gives the empty string, a file
// that is not a whole number of records is not used at all, and a lookup after a failed one
// still reads. A start-up that hangs on a FIFO, reads a folder, or creates a missing file: only
// an existing regular file is opened.
TEST_F(LanguageFileTest, DamagedOrIrregularFilesGiveEmptyOrGarbledStringsWithoutFailing) {
    std::filesystem::create_directory(m_dir / "Folder.lng");
    ASSERT_EQ(::mkfifo((m_dir / "Pipe.lng").c_str(), 0600), 0);
    const std::string noise = RC4Crypt(std::string(10 * kLangRecordSize + 57, '\0'), "noise");
    for (const auto& [name, bytes, wholeRecords, first] :
         std::initializer_list<std::tuple<std::string, std::string, int, const char*>>{
             {"Missing.lng", "", 0, ""},
             {"Folder.lng", "", 0, ""},
             {"Pipe.lng", "", 0, ""},
             {"Damaged.lng", noise, 0, ""},
             {"Damaged.lng", noise.substr(0, 10 * kLangRecordSize), 10, nullptr}}) {
        SCOPED_TRACE(name + ", " + std::to_string(bytes.size()) + " bytes");
        if (name == "Damaged.lng") {
            test::WriteFile(m_dir / name, bytes);
        }
        OpenLanguageFile(name, m_dir.str());
        EXPECT_TRUE(name == "Damaged.lng" || gLangFileNum == 0);
        for (int number = -2; number <= wholeRecords + 3; ++number) {
            const std::string text = GetLangString(static_cast<std::int16_t>(number));
            EXPECT_LE(text.size(), kLangTextSize);
            if (number < 1 || number > wholeRecords) {
                EXPECT_EQ(text, "") << "string " << number;
            }
        }
        EXPECT_EQ(GetLangString(-32768), "");
        EXPECT_EQ(GetLangString(32767), "");
        if (first) {
            EXPECT_EQ(GetLangString(1), first);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir / "Missing.lng"));
}

// The texts of the source table of `language` by number; the table must have no errors.
std::map<int, std::string> SourceTexts(const std::string& language) {
    const std::string path = std::string(OSTREL_LANG_TEXTS_DIR) + "/" + language + ".txt";
    const LngTable table = ParseLngSource(test::ReadFile(path), path);
    EXPECT_EQ(table.errors, std::vector<std::string>{}) << language;
    std::map<int, std::string> texts;
    for (const LngEntry& entry : table.entries) {
        texts[entry.number] = entry.text;
    }
    return texts;
}

// The languages offered are the files that would open as language files: a regular file (or a
// link to one) named NAME.lng, a whole number of records long; a folder, a FIFO, a cut file, an
// empty one or another extension is no language.
TEST_F(LanguageFileTest, LanguagesAreTheFilesThatOpen) {
    const std::string record(kLangRecordSize, 'x');
    for (const auto& [name, bytes] :
         std::initializer_list<std::pair<const char*, std::string>>{{"German.lng", record + record},
                                                                    {"English.lng", record},
                                                                    {"Cut.lng", record + "x"},
                                                                    {"Empty.lng", ""},
                                                                    {".lng", record},
                                                                    {"Upper.LNG", record},
                                                                    {"English.lng.bak", record},
                                                                    {"notes.txt", record}}) {
        test::WriteFile(m_dir / name, bytes);
    }
    std::filesystem::create_directory(m_dir / "Folder.lng");
    ASSERT_EQ(::mkfifo((m_dir / "Pipe.lng").c_str(), 0600), 0);
    std::filesystem::create_symlink(m_dir / "German.lng", m_dir / "Linked.lng");
    std::filesystem::create_symlink(m_dir / "gone", m_dir / "Dangling.lng");

    const std::vector<std::string> available = AvailableLanguages(m_dir.str());

    EXPECT_EQ(available, (std::vector<std::string>{"English", "German", "Linked"}));
    EXPECT_TRUE(AvailableLanguages((m_dir / "missing").string()).empty());
}

// A cut, shifted, blanked or garbled file must never give an empty question, an empty product
// name, empty or garbled report headings or an empty refusal at start-up: those come in English
// then, the same English as the shipped file's.
TEST_F(LanguageFileTest, DamagedFileGivesEnglishQuestionAndReportHeadings) {
    const std::map<int, std::string> english = SourceTexts("English");
    std::vector<LngEntry> entries;
    for (const auto& [number, text] : english) {
        entries.push_back({static_cast<std::int16_t>(number), text, 0});
    }
    const std::string good = BuildLngFile(entries);
    std::vector<int> needed;  // 818, 827 to 831, 834, 840 to 848
    for (int number = 1; number < 1000; ++number) {
        if (!BuiltInText(static_cast<std::int16_t>(number)).empty()) {
            needed.push_back(number);
        }
    }
    std::string blanked = good;
    for (int number : needed) {
        blanked.replace((number - 1) * kLangRecordSize, kLangRecordSize, EncodeLangRecord(""));
    }
    for (const auto& [what, bytes] : std::initializer_list<std::pair<const char*, std::string>>{
             {"cut", good.substr(0, good.size() - 1)},
             {"shifted", std::string(7, '\0') + good},
             {"blanked", blanked},
             {"garbled", RC4Crypt(std::string(good.size(), '\0'), "noise")}}) {
        SCOPED_TRACE(what);
        test::WriteFile(m_dir / "Damaged.lng", bytes);
        OpenLanguageFile("Damaged.lng", m_dir.str());
        for (int number : needed) {
            EXPECT_EQ(GetLangString(static_cast<std::int16_t>(number)), english.at(number))
                << "string " << number;
        }
    }
}

// A build that ships stale or wrongly written files, or texts a language lacks: every record of
// the built file reads back as its source text, every other number as empty, and both languages
// define the same numbers.
TEST_F(LanguageFileTest, EveryShippedRecordReadsBackAsItsSourceText) {
    if (platform::GetEnvOr("OSTREL_PROGRAM_DIR", "").empty()) {
        GTEST_SKIP() << "OSTREL_PROGRAM_DIR is not set: run through ctest";
    }
    const std::map<int, std::string> english = SourceTexts("English");
    for (const std::string language : {"English", "German"}) {
        SCOPED_TRACE(language);
        const std::map<int, std::string> texts = SourceTexts(language);
        ASSERT_FALSE(texts.empty());
        EXPECT_TRUE(std::equal(texts.begin(), texts.end(), english.begin(), english.end(),
                               [](const auto& a, const auto& b) { return a.first == b.first; }))
            << "the same numbers as English";
        OpenLanguageFile(language + ".lng");
        ASSERT_NE(gLangFileNum, 0) << "no " << language << ".lng in " << gAppPath;
        EXPECT_EQ(gAppPath, platform::ProgramFolder() + "/");
        for (int number = 1; number <= texts.rbegin()->first + 1; ++number) {
            const auto text = texts.find(number);
            EXPECT_EQ(GetLangString(static_cast<std::int16_t>(number)),
                      text == texts.end() ? "" : text->second)
                << "string " << number;
        }
    }
}

}  // namespace
}  // namespace ostrel
