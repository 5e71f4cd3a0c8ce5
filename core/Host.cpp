#include "core/Host.h"

#include "platform/ProgramFolder.h"

#include <cstdio>
#include <cstdlib>

namespace ostrel {
namespace {

// Stand-in until the console host exists: answers every question with No.
class FallbackHost final : public Host {
  public:
    void DoEvents() override {}
    int MsgBox(const std::string& text, int, const std::string& title) override {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        return kAnswerNo;
    }
    std::string ProgramFolder() override { return platform::ProgramFolder(); }
    [[noreturn]] void EndProcess(int exitCode) override { std::exit(exitCode); }
};

Host* g_installed = nullptr;

}  // namespace

Host& CurrentHost() {
    static FallbackHost fallback;
    return g_installed ? *g_installed : fallback;
}

Host* SetCurrentHost(Host* host) {
    Host* previous = g_installed;
    g_installed = host;
    return previous;
}

}  // namespace ostrel
