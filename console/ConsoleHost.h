#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "core/Host.h"

namespace ostrel {

// The host without a display: message boxes go to standard error, and a Yes/No question is
// answered on standard input after "[y/N]" (on a line of its own below a text of several lines)
// ("y" or "yes" in any case means Yes; anything else, the end of input, or an input that is not a
// terminal means No).
class ConsoleHost final : public Host {
  public:
    // Uses std::cin, std::cerr, and the platform's terminal test for standard input.
    ConsoleHost();
    // For tests: other streams and another terminal test.
    ConsoleHost(std::istream& in, std::ostream& out, std::function<bool()> inputIsTerminal);

    void DoEvents() override {}
    int MsgBox(const std::string& text, int style, const std::string& title) override;
    std::string ProgramFolder() override;
    [[noreturn]] void EndProcess(int exitCode) override;

  private:
    std::istream& m_in;
    std::ostream& m_out;
    std::function<bool()> m_inputIsTerminal;
};

}  // namespace ostrel
