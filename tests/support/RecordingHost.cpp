#include "tests/support/RecordingHost.h"

#include <utility>

namespace ostrel::test {

RecordingHost::RecordingHost(std::string programFolder)
    : m_programFolder(std::move(programFolder)), m_previous(SetCurrentHost(this)) {}

RecordingHost::~RecordingHost() {
    SetCurrentHost(m_previous);
}

void RecordingHost::DoEvents() {
    ++doEventsCount;
    if (onDoEvents) {
        onDoEvents();
    }
}

int RecordingHost::MsgBox(const std::string& text, int style, const std::string& title) {
    msgBoxes.push_back({text, style, title});
    if (!answers.empty()) {
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return (style & kMsgYesNo) == kMsgYesNo ? kAnswerNo : kAnswerOk;
}

void RecordingHost::EndProcess(int exitCode) {
    endProcessCalls.push_back(exitCode);
    throw EndProcessCalled{exitCode};
}

}  // namespace ostrel::test
