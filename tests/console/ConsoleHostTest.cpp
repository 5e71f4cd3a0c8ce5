#include "console/ConsoleForms.h"
#include "console/ConsoleHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "core/Globals.h"
#include "core/ProductNames.h"
#include "core/RegistryManager.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgSandbox.h"

namespace ostrel {
namespace {

// Only a clear yes typed at a terminal may start a shred: anything else is No. Boxes that only
// inform print the line and answer Ok without reading standard input. Below a question that
// lists paths, "[y/N]" stands on its own line: after the last path it would read as part of that
// path's name.
TEST(ConsoleHostTest, OnlyAYesAtATerminalIsYesAndInformingBoxesNeverRead) {
    const std::string question = "Shred these files?", listing = "Shred?\n\n1 file:\n/tmp/a";
    const std::string asked = "Ostrel: " + question + " [y/N] ";
    struct Row {
        std::string input;
        bool terminal;
        int type, expected;
        std::string text, shown;
    };
    for (const Row& row :
         {Row{"  YES \r\n", true, kMsgYesNo, kAnswerYes, question, asked},
          Row{"Yes", true, kMsgYesNo, kAnswerYes, question, asked},
          Row{"yes please\n", true, kMsgYesNo, kAnswerNo, question, asked},
          Row{"", true, kMsgYesNo, kAnswerNo, question, asked + "\n"},
          Row{"y\n", false, kMsgYesNo, kAnswerNo, question, asked + "(no terminal: No)\n"},
          Row{"y\n", true, kMsgCritical, kAnswerOk, question, "Ostrel: " + question + "\n"},
          Row{"y\n", true, kMsgYesNo, kAnswerYes, listing, "Ostrel: " + listing + "\n[y/N] "}}) {
        SCOPED_TRACE(::testing::PrintToString(row.input) + " " + std::to_string(row.type) +
                     (row.terminal ? "" : " no terminal"));
        std::istringstream in(row.input);
        std::ostringstream out;
        ConsoleHost host(in, out, [&] { return row.terminal; });
        EXPECT_EQ(host.MsgBox(row.text, row.type, "Ostrel"), row.expected);
        EXPECT_EQ(out.str(), row.shown);
        if (row.type != kMsgYesNo) {
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

// At a terminal the progress line is redrawn in place, not once per file: a burst of ten
// thousand updates draws a few times, and the last one is on screen when the window closes.
// Elsewhere every file is a line of its own, with the job's progress before it. The end of the
// job is said on a line of its own, after the progress line.
TEST(ConsoleHostTest, ProgressRedrawsAtATerminalAFewTimesAndLogsEveryFileElsewhere) {
    for (const bool terminal : {true, false}) {
        std::istringstream in;
        std::ostringstream out, err;
        ConsoleForms console(in, out, err, false, terminal);
        ProgressForm& progress = console.forms().progress;
        progress.SetMax(1000);
        for (int i = 1; i <= 10000; ++i) {
            progress.SetValue(i / 10);
            progress.SetStatus(std::to_string(i) + " of 10000 files");
            progress.SetCaption("/tree/f" + std::to_string(i));
        }
        progress.ShowSummary("Done: 10000 files");
        progress.Unload();
        const std::string text = err.str();
        std::size_t lines = 0;
        for (std::size_t at = 0; (at = text.find(" files  /tree/f", at)) != text.npos; ++at) {
            ++lines;
        }
        if (terminal) {
            EXPECT_LT(lines, 100u);
            EXPECT_TRUE(text.ends_with(
                "\r\x1b[K[100%] 10000 of 10000 files  /tree/f10000\nDone: 10000 files\n"))
                << text.substr(text.size() - 80);
        } else {
            EXPECT_EQ(lines, 10000u);
            EXPECT_NE(text.find("\n[  1%] 100 of 10000 files  /tree/f100\n"), text.npos);
            EXPECT_TRUE(
                text.ends_with("[100%] 10000 of 10000 files  /tree/f10000\nDone: 10000 files\n"));
        }
    }
}

// The first-run question lists the languages whose files lie beside the program, takes an
// answer in any case and asks again until it names one of them; nothing given (an empty line, the
// end of the input, no terminal) takes English. Only a language that exists is ever stored. A
// file's name is shown as one line of text: control codes in it (a terminal's escape sequences)
// show as '?' and never reach the terminal, nor do those of an answer echoed back.
TEST(ConsoleFormsTest, FirstRunQuestionTakesOnlyALanguageThatExists) {
    const std::string odd = "Odd\x1b]0;title\x07\nName";
    const struct {
        std::string input;
        bool terminal;
        std::string stored;
        int asked;
    } rows[] = {
        {"?\nKlingon\nGERMAN\n", true, "German.lng", 3},
        {"klingon\n", true, "English.lng", 2},
        {"German.lng\n", true, "English.lng", 2},
        {"german\n", false, "English.lng", 1},
        {odd + "\n", true, "English.lng", 3},  // its name cannot be typed on one line
    };
    test::TempDir folder;
    for (const std::string name : {"English.lng", "German.lng", "Klingon.txt"}) {
        test::WriteFile(folder / name, std::string(124, 'x'));
    }
    test::WriteFile(folder / (odd + ".lng"), std::string(124, 'x'));
    test::ScopedEnv programFolder(kProgramFolderVariable, folder.str());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.input);
        test::XdgSandbox xdg;
        test::RecordingHost host;
        std::istringstream in(row.input);
        std::ostringstream out, err;
        ConsoleForms console(in, out, err, row.terminal, false);

        console.forms().language.ShowModal();

        EXPECT_EQ(RegGetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang).ToString(),
                  row.stored);
        EXPECT_EQ(gLanguageFile, row.stored);
        const std::string said = err.str();
        EXPECT_EQ(said.find_first_of("\x1b\x07"), std::string::npos) << said;
        std::size_t asked = 0;
        for (std::size_t at = 0;
             (at = said.find("(English, German, Odd?]0;title??Name)", at)) != said.npos; ++at) {
            ++asked;
        }
        EXPECT_EQ(asked, static_cast<std::size_t>(row.asked)) << said;
    }
}

// Only a stored 0 turns the question off; any other number asks, as the options dialog's check
// box, which takes only 0 and 1, does in the windows.
TEST(ConsoleFormsTest, OnlyAStoredZeroTurnsTheQuestionOff) {
    for (const auto& [stored, confirm] :
         std::initializer_list<std::pair<std::int32_t, int>>{{0, 0}, {2, 1}, {-1, 1}}) {
        SCOPED_TRACE(stored);
        test::XdgSandbox xdg;
        test::RecordingHost host;
        RegSetDword(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, stored);
        std::istringstream in;
        std::ostringstream out, err;
        ConsoleForms console(in, out, err, false, false);
        OptionsForm& options = console.forms().options;
        options.SetLanguageText("English.lng");
        EXPECT_EQ(options.Confirm(), confirm);
        options.SetConfirm(3);
        EXPECT_EQ(options.Confirm(), confirm) << "a value other than 0 or 1 changes nothing";
    }
}

}  // namespace
}  // namespace ostrel
