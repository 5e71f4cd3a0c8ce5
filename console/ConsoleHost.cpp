#include "console/ConsoleHost.h"

#include <iostream>

#include "lang/Encoding.h"
#include "platform/Process.h"
#include "platform/ProgramFolder.h"
#include "platform/Terminal.h"

namespace ostrel {
namespace {

bool IsYes(std::string answer) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!answer.empty() && blank(answer.back())) {
        answer.pop_back();
    }
    size_t first = 0;
    while (first < answer.size() && blank(answer[first])) {
        ++first;
    }
    answer.erase(0, first);
    for (char& c : answer) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return answer == "y" || answer == "yes";
}

}  // namespace

ConsoleHost::ConsoleHost() : ConsoleHost(std::cin, std::cerr, platform::StandardInputIsTerminal) {}

ConsoleHost::ConsoleHost(std::istream& in, std::ostream& out, std::function<bool()> inputIsTerminal)
    : m_in(in), m_out(out), m_inputIsTerminal(std::move(inputIsTerminal)) {}

int ConsoleHost::MsgBox(const std::string& text, int style, const std::string& title) {
    m_out << DisplayText(title) << ": " << DisplayText(text);
    if ((style & 0xF) != kMsgYesNo) {  // the low four bits choose the buttons
        m_out << '\n' << std::flush;
        return kAnswerOk;
    }
    // Below a question that lists paths the answer goes on a line of its own, where it cannot be
    // read as part of the last path.
    m_out << (text.find('\n') != std::string::npos ? "\n[y/N] " : " [y/N] ") << std::flush;
    if (!m_inputIsTerminal()) {
        m_out << "(no terminal: No)\n" << std::flush;
        return kAnswerNo;
    }
    std::string answer;
    if (!std::getline(m_in, answer)) {
        m_out << '\n' << std::flush;
        return kAnswerNo;
    }
    return IsYes(answer) ? kAnswerYes : kAnswerNo;
}

std::string ConsoleHost::ProgramFolder() {
    return platform::ProgramFolder();
}

void ConsoleHost::EndProcess(int exitCode) {
    platform::ExitProcess(exitCode);
}

}  // namespace ostrel
