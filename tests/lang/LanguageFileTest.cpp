#include <gtest/gtest.h>
#include <sys/stat.h>

#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "lang/LangRecord.h"
#include "lang/LanguageFile.h"
#include "lang/Rc4.h"
#include "lang/tools/LngTable.h"
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
// (zero bytes enciphered) must match the RFC 6229 vectors from its first bytes to 4 KiB in; and
// every byte value comes back when deciphered, under the language key and a key of high bytes.
TEST(Rc4Crypt, MatchesPublishedVectorsAndIsItsOwnInverse) {
    for (const auto& [key, offset, expected] :
         {std::tuple{"0102030405", 0, "b2396305f03dc027ccc3524a0a1118a8"},
          {"0102030405", 4080, "068326a2118416d21f9d04b2cd1ca050"},
          {"01020304050607", 240, "914f02531c9218810df60f67e338154c"},
          {"0102030405060708090a0b0c0d0e0f10", 1008, "e7a72574f8782ae26aabcf9ebcd66065"},
          {"833222772a", 1008, "6da453dbf81e82334a3d8866cb50a1e3"}}) {
        const std::string keystream = RC4Crypt(std::string(offset + 16, '\0'), FromHex(key));
        EXPECT_EQ(keystream.substr(offset), FromHex(expected)) << key << " at " << offset;
    }
    std::string text(256, '\0');
    std::iota(text.begin(), text.end(), '\0');  // every byte value
    for (const std::string& key : {LangKey(), FromHex("ff80017f")}) {
        const std::string enciphered = RC4Crypt(text, key);
        EXPECT_NE(enciphered, text);
        EXPECT_EQ(RC4Crypt(enciphered, key), text);
    }
}

class LanguageFileTest : public ::testing::Test {
  protected:
    void TearDown() override { CloseLanguageFile(); }
    test::TempDir m_dir;
};

// A text cut short or trimmed inside, a keystream carried from one record into the next,
// records at the wrong offset, or a writer that stores the text unenciphered.
TEST_F(LanguageFileTest, RecordsReadBackAsWrittenAtTheirOffsets) {
    std::string full;
    for (std::size_t n = 0; n < kLangTextSize; ++n) {
        full += static_cast<char>('!' + n % 90);
    }
    const std::vector<LngEntry> entries = {
        {1, full, 1}, {2, "a  b   c", 2}, {5, "Ostrel", 3}, {7, "Ostrel", 4}, {9, "\xC4\xDF", 5}};
    test::WriteFile(m_dir / "Test.lng", BuildLngFile(entries));
    OpenLanguageFile("Test.lng", m_dir.str());
    for (const LngEntry& entry : entries) {
        EXPECT_EQ(GetLangString(entry.number), entry.text) << "string " << entry.number;
    }
    EXPECT_EQ(GetLangString(3), "");
    const std::string file = test::ReadFile(m_dir / "Test.lng");
    ASSERT_EQ(file.size(), 9 * kLangRecordSize);
    auto record = [&](int n) { return file.substr((n - 1) * kLangRecordSize, kLangRecordSize); };
    EXPECT_EQ(record(5), record(7));
    const std::string padded = "Ostrel" + std::string(kLangTextSize - 6, ' ');
    EXPECT_EQ(record(5), std::string(kLangTagSize, '\0') + RC4Crypt(padded, LangKey()));
}

// Files the writer did not make never crash or read outside the record buffer: every number
// gives at most 120 characters, a number below 1 or a record the file cuts short gives the
// empty string (not half a record), and a lookup after a failed one still reads.
TEST_F(LanguageFileTest, DamagedFilesGiveEmptyOrGarbledStringsWithoutFailing) {
    const std::string cut = BuildLngFile({{1, "first", 1}, {2, "second", 2}}).substr(0, 184);
    const std::string noise = RC4Crypt(std::string(10 * kLangRecordSize + 57, '\0'), "noise");
    for (const auto& [bytes, wholeRecords, first] :
         std::initializer_list<std::tuple<std::string, int, const char*>>{
             {"", 0, ""}, {"xyz", 0, ""}, {cut, 1, "first"}, {noise, 10, nullptr}}) {
        SCOPED_TRACE(std::to_string(bytes.size()) + " bytes");
        test::WriteFile(m_dir / "Damaged.lng", bytes);
        OpenLanguageFile("Damaged.lng", m_dir.str());
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
}

// A start-up that hangs on a FIFO, reads a folder, or creates a missing file: only an existing
// regular file is opened.
TEST_F(LanguageFileTest, NoRegularFileMeansNoStrings) {
    std::filesystem::create_directory(m_dir / "Folder.lng");
    ASSERT_EQ(::mkfifo((m_dir / "Pipe.lng").c_str(), 0600), 0);
    for (const char* name : {"Missing.lng", "Folder.lng", "Pipe.lng"}) {
        OpenLanguageFile(name, m_dir.str());
        EXPECT_EQ(gLangFileNum, 0) << name;
        EXPECT_EQ(GetLangString(1), "") << name;
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir / "Missing.lng"));
}

}  // namespace
}  // namespace ostrel
