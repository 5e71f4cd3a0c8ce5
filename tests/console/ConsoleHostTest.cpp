#include "console/ConsoleHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace ostrel {
namespace {

// Only a clear yes typed at a terminal may start a shred: anything else is No. Boxes that only
// inform print the line and answer Ok without reading standard input.
TEST(ConsoleHostTest, OnlyAYesAtATerminalIsYesAndInformingBoxesNeverRead) {
    struct Row {
        std::string input;
        bool terminal;
        int type, expected;
    };
    for (const Row& row :
         {Row{"y\n", true, kMsgYesNo, kAnswerYes}, Row{"  YES \r\n", true, kMsgYesNo, kAnswerYes},
          Row{"Yes", true, kMsgYesNo, kAnswerYes}, Row{"yes please\n", true, kMsgYesNo, kAnswerNo},
          Row{"n\n", true, kMsgYesNo, kAnswerNo}, Row{"\n", true, kMsgYesNo, kAnswerNo},
          Row{"", true, kMsgYesNo, kAnswerNo}, Row{"y\n", false, kMsgYesNo, kAnswerNo},
          Row{"y\n", true, kMsgCritical, kAnswerOk}, Row{"y\n", true, kMsgOkOnly, kAnswerOk}}) {
        SCOPED_TRACE(::testing::PrintToString(row.input) + " " + std::to_string(row.type) +
                     (row.terminal ? "" : " no terminal"));
        std::istringstream in(row.input);
        std::ostringstream out;
        ConsoleHost host(in, out, [&] { return row.terminal; });
        EXPECT_EQ(host.MsgBox("Shred these files?", row.type, "Ostrel"), row.expected);
        EXPECT_EQ(out.str().rfind("Ostrel: Shred these files?", 0), 0u) << out.str();
        if (row.type != kMsgYesNo) {
            EXPECT_EQ(out.str(), "Ostrel: Shred these files?\n");
            EXPECT_EQ(in.tellg(), 0);
        }
    }
}

// EndProcess must end the process at once with the code, without losing buffered output.
TEST(ConsoleHostTest, EndProcessFlushesAndExitsWithTheCode) {
    test::TempDir temp;
    std::string out = temp.str() + "/out";
    EXPECT_EQ(test::RunInChild([&] {
                  if (std::freopen(out.c_str(), "w", stdout) == nullptr) {
                      return 100;
                  }
                  std::printf("pending");
                  ConsoleHost().EndProcess(3);
              }),
              3);
    EXPECT_EQ(test::ReadFile(out), "pending");
}

}  // namespace
}  // namespace ostrel
