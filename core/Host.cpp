#include "core/Host.h"

#include <exception>

#include "platform/Process.h"
#include "platform/ProgramFolder.h"

namespace ostrel {
namespace {

Host* g_installed = nullptr;

// Stands in until an executable installs its host: shows nothing, answers every question
// with the safe answer (No, or OK where that is the only one).
class SilentHost final : public Host {
  public:
    void DoEvents() override {}
    int MsgBox(const std::string&, int style, const std::string&) override {
        return style == kMsgYesNo ? kAnswerNo : kAnswerOk;
    }
    std::string ProgramFolder() override { return platform::ProgramFolder(); }
    [[noreturn]] void EndProcess(int exitCode) override { platform::ExitProcess(exitCode); }
};

}  // namespace

Host& CurrentHost() {
    static SilentHost silent;
    return g_installed ? *g_installed : silent;
}

Host* SetCurrentHost(Host* host) {
    Host* previous = g_installed;
    g_installed = host;
    return previous;
}

bool Host::BeginJob(RunningJob& job) {
    if (m_job != nullptr) {
        return false;
    }
    m_job = &job;
    return true;
}

void Host::EndJob(const RunningJob& job) {
    if (m_job == &job) {
        m_job = nullptr;
    }
}

void Host::StopJob() {
    if (m_job != nullptr) {
        m_job->RequestStop();
    }
}

void DoEventsIgnoringErrors() {
    try {
        CurrentHost().DoEvents();
    } catch (const std::exception&) {
    }
}

}  // namespace ostrel
