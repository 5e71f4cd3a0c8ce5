#include "core/ConsoleHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace ostrel {
namespace {

struct AnswerRow {
    std::string input;
    bool terminal;
    int expected;
};

void PrintTo(const AnswerRow& row, std::ostream* os) {
    *os << ::testing::PrintToString(row.input)
        << (row.terminal ? " at a terminal" : " without a terminal");
}

class ConsoleQuestionTest : public ::testing::TestWithParam<AnswerRow> {};

// Only a clear yes typed at a terminal may start a shred: anything else is No.
TEST_P(ConsoleQuestionTest, OnlyAYesAtATerminalIsYes) {
    std::istringstream in(GetParam().input);
    std::ostringstream out;
    ConsoleHost host(in, out, [&] { return GetParam().terminal; });
    EXPECT_EQ(host.MsgBox("Shred these files?", kMsgYesNo, "Ostrel"), GetParam().expected);
    EXPECT_EQ(out.str().rfind("Ostrel: Shred these files?", 0), 0u) << out.str();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ConsoleQuestionTest,
    ::testing::Values(AnswerRow{"y\n", true, kAnswerYes}, AnswerRow{"  YES \r\n", true, kAnswerYes},
                      AnswerRow{"Yes", true, kAnswerYes},
                      AnswerRow{"yes please\n", true, kAnswerNo}, AnswerRow{"n\n", true, kAnswerNo},
                      AnswerRow{"\n", true, kAnswerNo}, AnswerRow{"", true, kAnswerNo},
                      AnswerRow{"y\n", false, kAnswerNo}));

// Boxes that only inform must not wait for input, whatever is on standard input.
TEST(ConsoleHostTest, InformingBoxesPrintAndAnswerOkWithoutReading) {
    std::istringstream in("y\n");
    std::ostringstream out;
    ConsoleHost host(in, out, [] { return true; });
    EXPECT_EQ(host.MsgBox("Error 5 - bad", kMsgCritical, "Ostrel"), kAnswerOk);
    EXPECT_EQ(host.MsgBox("done", kMsgOkOnly, "Ostrel"), kAnswerOk);
    EXPECT_EQ(out.str(), "Ostrel: Error 5 - bad\nOstrel: done\n");
    EXPECT_EQ(in.tellg(), 0);
}

// EndProcess must end the process at once with the code, without losing buffered output.
TEST(ConsoleHostTest, EndProcessFlushesAndExitsWithTheCode) {
    test::TempDir temp;
    std::string out = temp.str() + "/out";
    int code = test::RunInChild([&] {
        if (std::freopen(out.c_str(), "w", stdout) == nullptr) {
            return 100;
        }
        std::printf("pending");
        ConsoleHost().EndProcess(3);
    });
    EXPECT_EQ(code, 3);
    EXPECT_EQ(test::ReadFile(out), "pending");
}

}  // namespace
}  // namespace ostrel
