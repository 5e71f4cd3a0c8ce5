#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/Clock.h"
#include "shredder/FillData.h"
#include "tests/support/RecordingHost.h"

namespace ostrel::test {
namespace {

class RandDataTest : public ::testing::TestWithParam<bool> {
  protected:
    ~RandDataTest() override { platform::SetClockSource({}); }
};

// Guards uniformity of the fill data, also when the clock does not move between draws (a
// generator replaced by the clock, instead of mixed with it, then repeats one character).
TEST_P(RandDataTest, ManyBlocksPassAChiSquareTestForTheDocumentedFrequencies) {
    if (GetParam()) {
        platform::SetClockSource([] { return 43200.25; });
    }
    const std::string alphabet = FillAlphabet;
    std::array<double, 65> counts{};
    for (int block = 0; block < 100; ++block) {
        std::string data = RandData(8192);
        ASSERT_EQ(data.size(), 8192u);
        for (char c : data) {
            ASSERT_NE(alphabet.find(c), std::string::npos) << "byte " << int(c);
            counts[alphabet.find(c)] += 1;
        }
    }
    double chiSquare = 0;
    for (std::size_t k = 0; k < counts.size(); ++k) {
        double expected = 100 * 8192 * ((k == 0 || k == 64) ? 1.0 / 128 : 1.0 / 64);
        chiSquare += (counts[k] - expected) * (counts[k] - expected) / expected;
    }
    EXPECT_LT(chiSquare, 133.0);  // 64 degrees of freedom, p = 1e-6
}

INSTANTIATE_TEST_SUITE_P(Clocks, RandDataTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Frozen" : "Running"; });

// Guards the name's draw count, alphabet and suffix, and the lengths of the fill strings.
TEST(FillDataTest, NamesAndFillStringsHaveTheirDocumentedShape) {
    RecordingHost host;
    for (int i = 0; i < 100; ++i) {
        std::string name = RandFileName();
        ASSERT_TRUE(name.ends_with(".tmp") && name.size() <= 105 && name.size() > 90) << name;
        ASSERT_EQ(name.find_first_not_of(FillAlphabet), name.size() - 4) << name;
    }
    EXPECT_EQ(host.doEventsCount, 100);
    EXPECT_EQ(RandData(0) + RandData(-5), "");
    EXPECT_EQ(FillString(4, 255), std::string(4, '\xFF'));
    EXPECT_EQ(FillString(3, 256 + 65), "AAA");
    EXPECT_EQ(FillString(4, -1) + FillString(-1, 7), "");
    EXPECT_EQ(FillString2(4, 65), "AAAAA");
    EXPECT_LE(RandData2(9).size(), 10u);
}

}  // namespace
}  // namespace ostrel::test
