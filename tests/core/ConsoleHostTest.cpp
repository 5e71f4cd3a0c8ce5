#include "core/ConsoleHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace ostrel {
namespace {

// Only a clear yes typed at a terminal may start a shred: anything else is No.
TEST(ConsoleHostTest, OnlyAYesAtATerminalIsYes) {
    struct Row {
        std::string input;
        bool terminal;
        int expected;
    };
    for (const Row& row : {Row{"y\n", true, kAnswerYes}, Row{"  YES \r\n", true, kAnswerYes},
                           Row{"Yes", true, kAnswerYes}, Row{"yes please\n", true, kAnswerNo},
                           Row{"n\n", true, kAnswerNo}, Row{"\n", true, kAnswerNo},
                           Row{"", true, kAnswerNo}, Row{"y\n", false, kAnswerNo}}) {
        SCOPED_TRACE(::testing::PrintToString(row.input) + (row.terminal ? "" : " no terminal"));
        std::istringstream in(row.input);
        std::ostringstream out;
        ConsoleHost host(in, out, [&] { return row.terminal; });
        EXPECT_EQ(host.MsgBox("Shred these files?", kMsgYesNo, "Ostrel"), row.expected);
        EXPECT_EQ(out.str().rfind("Ostrel: Shred these files?", 0), 0u) << out.str();
    }
}

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
