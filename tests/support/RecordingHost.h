#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/Host.h"

namespace ostrel::test {

// Thrown by RecordingHost::EndProcess so a test can see that the process would have ended.
struct EndProcessCalled {
    int exitCode;
};

// A host for tests: records every call, answers message boxes from a queue (kAnswerOk or
// kAnswerNo when the queue is empty, by style), and runs `onDoEvents` at every DoEvents so a
// test can look at a file between two writes. Installs itself for its lifetime.
class RecordingHost final : public Host {
  public:
    struct MsgBoxCall {
        std::string text;
        int style;
        std::string title;
    };

    explicit RecordingHost(std::string programFolder = ".");
    ~RecordingHost() override;
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    void DoEvents() override;
    int MsgBox(const std::string& text, int style, const std::string& title) override;
    std::string ProgramFolder() override { return m_programFolder; }
    [[noreturn]] void EndProcess(int exitCode) override;

    std::function<void()> onDoEvents;
    std::deque<int> answers;
    std::vector<MsgBoxCall> msgBoxes;
    long doEventsCount = 0;
    std::vector<int> endProcessCalls;

  private:
    std::string m_programFolder;
    Host* m_previous;
};

}  // namespace ostrel::test
