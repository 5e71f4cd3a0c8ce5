#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/Clock.h"
#include "shredder/FillData.h"
#include "tests/support/RecordingHost.h"

namespace ostrel::test {
namespace {

std::size_t AlphabetIndex(char c) {
    return std::string(FillAlphabet).find(c);
}

struct ClockRow {
    const char* name;
    bool frozen;  // every draw sees the same clock reading
};

void PrintTo(const ClockRow& row, std::ostream* os) {
    *os << row.name;
}

class RandDataTest : public ::testing::TestWithParam<ClockRow> {
  protected:
    ~RandDataTest() override { platform::SetClockSource({}); }
};

// Guards uniformity of the fill data, also when the clock does not move between draws (a
// generator replaced by the clock, instead of mixed with it, then repeats one character).
TEST_P(RandDataTest, ManyBlocksPassAChiSquareTestForTheDocumentedFrequencies) {
    if (GetParam().frozen) {
        platform::SetClockSource([] { return 43200.25; });
    }
    SeedRandom(20240607);
    std::array<double, 65> counts{};
    double total = 0;
    for (int block = 0; block < 100; ++block) {
        std::string data = RandData(8192);
        ASSERT_EQ(data.size(), 8192u);
        for (char c : data) {
            std::size_t k = AlphabetIndex(c);
            ASSERT_NE(k, std::string::npos) << "byte " << int(c);
            counts[k] += 1;
            total += 1;
        }
    }
    double chiSquare = 0;
    for (std::size_t k = 0; k < counts.size(); ++k) {
        double p = (k == 0 || k == 64) ? 1.0 / 128 : 1.0 / 64;
        double expected = p * total;
        chiSquare += (counts[k] - expected) * (counts[k] - expected) / expected;
    }
    EXPECT_LT(chiSquare, 133.0);  // 64 degrees of freedom, p = 1e-6
}

INSTANTIATE_TEST_SUITE_P(Clocks, RandDataTest,
                         ::testing::Values(ClockRow{"RealClock", false},
                                           ClockRow{"FrozenClock", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FillDataTest, RandDataBelowOneIsEmpty) {
    EXPECT_EQ(RandData(0), "");
    EXPECT_EQ(RandData(-5), "");
}

// Guards the name's shape: the draw count, the alphabet and the suffix.
TEST(FillDataTest, RandFileNameIsAtMost101AlphabetCharactersAndTmp) {
    RecordingHost host;
    std::size_t shortest = 200;
    for (int i = 0; i < 200; ++i) {
        std::string name = RandFileName();
        ASSERT_TRUE(name.ends_with(".tmp")) << name;
        std::string stem = name.substr(0, name.size() - 4);
        ASSERT_LE(stem.size(), 101u);
        ASSERT_EQ(stem.find_first_not_of(FillAlphabet), std::string::npos) << name;
        shortest = std::min(shortest, stem.size());
    }
    EXPECT_GE(shortest, 90u);
    EXPECT_EQ(host.doEventsCount, 200);
}

struct FillRow {
    const char* name;
    std::int64_t size;
    std::int64_t pattern;
    std::string expected;
};

void PrintTo(const FillRow& row, std::ostream* os) {
    *os << row.name;
}

class FillStringTest : public ::testing::TestWithParam<FillRow> {};

// Guards the modulo of the code and the empty result for negative arguments.
TEST_P(FillStringTest, RepeatsTheCodeModulo256) {
    EXPECT_EQ(FillString(GetParam().size, GetParam().pattern), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, FillStringTest,
                         ::testing::Values(FillRow{"Ones", 4, 255, std::string(4, '\xFF')},
                                           FillRow{"Zeros", 4, 0, std::string(4, '\0')},
                                           FillRow{"Modulo", 3, 256 + 65, "AAA"},
                                           FillRow{"NoLength", 0, 7, ""},
                                           FillRow{"NegativeLength", -1, 7, ""},
                                           FillRow{"NegativeCode", 4, -1, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

// Guards the "+ 1" of the two variants that no routine calls, and their single DoEvents.
TEST(FillDataTest, SecondVariantsGiveOneMoreCharacter) {
    RecordingHost host;
    EXPECT_EQ(FillString2(4, 65), "AAAAA");
    EXPECT_EQ(FillString2(4, 256), "");
    std::string data = RandData2(9);
    EXPECT_LE(data.size(), 10u);
    EXPECT_EQ(data.find_first_not_of(FillAlphabet), std::string::npos);
    EXPECT_EQ(host.doEventsCount, 3);
}

}  // namespace
}  // namespace ostrel::test
