#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "lang/LangRecord.h"
#include "lang/LanguageFile.h"
#include "lang/Rc4.h"
#include "lang/tools/LngTable.h"
#include "tests/support/TempDir.h"

namespace ostrel {
namespace {

using test::WriteFile;

constexpr std::int16_t kLowest = std::numeric_limits<std::int16_t>::min();
constexpr std::int16_t kHighest = std::numeric_limits<std::int16_t>::max();

class LanguageFileTest : public ::testing::Test {
  protected:
    void TearDown() override { CloseLanguageFile(); }
    test::TempDir m_dir;
};

// Guards against a text cut short or trimmed inside, a keystream carried from one record into
// the next, records at the wrong offset, and a writer that stores the text unenciphered.
TEST_F(LanguageFileTest, RecordsReadBackAsWrittenAtTheirOffsets) {
    std::string full;
    for (std::size_t n = 0; n < kLangTextSize; ++n) {
        full += static_cast<char>('!' + n % 90);
    }
    const std::vector<LngEntry> entries = {
        {1, full, 1}, {2, "a  b   c", 2}, {5, "Ostrel", 3}, {7, "Ostrel", 4}, {9, "\xC4\xDF", 5}};
    WriteFile(m_dir / "Test.lng", BuildLngFile(entries));
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

struct DamagedFile {
    const char* what;  // a test name
    std::string bytes;
    std::optional<std::string> first;  // string 1, when it is known
    int wholeRecords;
};
void PrintTo(const DamagedFile& row, std::ostream* os) {
    *os << row.what;
}

// Bytes from a fixed-seed generator: the same garbage on every run.
std::string RandomBytes(std::size_t count) {
    std::mt19937 generator(4);
    std::string bytes;
    std::generate_n(std::back_inserter(bytes), count,
                    [&] { return static_cast<char>(generator()); });
    return bytes;
}

class DamagedLanguageFile : public LanguageFileTest,
                            public ::testing::WithParamInterface<DamagedFile> {};

// Guards against crashes, negative offsets and reads outside the record buffer on files the
// writer did not make: every number gives at most 120 characters, a number below 1 or a record
// the file cuts short gives the empty string (not half a record), and a lookup after a failed
// one still reads (a failed read must not leave the stream failed).
TEST_P(DamagedLanguageFile, GivesEmptyOrGarbledStringsWithoutFailing) {
    const DamagedFile& damaged = GetParam();
    WriteFile(m_dir / "Damaged.lng", damaged.bytes);
    OpenLanguageFile("Damaged.lng", m_dir.str());
    for (int number = -2; number <= damaged.wholeRecords + 3; ++number) {
        std::string text = GetLangString(static_cast<std::int16_t>(number));
        EXPECT_LE(text.size(), kLangTextSize);
        if (number < 1 || number > damaged.wholeRecords) {
            EXPECT_EQ(text, "") << "string " << number;
        }
    }
    EXPECT_EQ(GetLangString(kLowest), "");
    EXPECT_EQ(GetLangString(kHighest), "");
    if (damaged.first) {
        EXPECT_EQ(GetLangString(1), *damaged.first);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedLanguageFile,
    ::testing::Values(
        DamagedFile{"Empty", "", "", 0}, DamagedFile{"CutInsideTheTag", "xyz", "", 0},
        DamagedFile{"CutInsideRecord2",
                    BuildLngFile({{1, "first", 1}, {2, "second", 2}}).substr(0, 184), "first", 1},
        DamagedFile{"RandomBytes", RandomBytes(10 * kLangRecordSize + 57), std::nullopt, 10}),
    [](const auto& info) { return std::string(info.param.what); });

// Guards against a start-up that hangs on a FIFO, reads a folder, or creates a missing file:
// only an existing regular file is opened.
TEST_F(LanguageFileTest, NoRegularFileMeansNoStrings) {
    std::filesystem::create_directory(m_dir / "Folder.lng");
    std::vector<std::string> names = {"Missing.lng", "Folder.lng"};
    const bool haveFifo = ::mkfifo((m_dir / "Pipe.lng").c_str(), 0600) == 0;
    if (haveFifo) {
        names.push_back("Pipe.lng");
    }
    for (const std::string& name : names) {
        OpenLanguageFile(name, m_dir.str());
        EXPECT_EQ(gLangFileNum, 0) << name;
        EXPECT_EQ(GetLangString(1), "") << name;
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir / "Missing.lng"));
    if (!haveFifo) {
        GTEST_SKIP() << "cannot create a FIFO in " << m_dir.str() << ": that case was not run";
    }
}

}  // namespace
}  // namespace ostrel
