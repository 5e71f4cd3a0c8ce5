#pragma once

#include <QElapsedTimer>
#include <functional>

#include "core/Host.h"

namespace ostrel::ui {

// The host with windows. DoEvents is called after every written block, so it lets Qt's events
// run only when at least kDoEventsIntervalMs have passed since it last did and otherwise
// returns at once: windows stay live and the job is not slowed by them. When it runs them, what
// their handlers set going runs too, so a click is answered within one call.
class QtHost final : public Host {
  public:
    static constexpr int kDoEventsIntervalMs = 50;

    // `endProcess` ends the process (tests pass one that throws); it must not return.
    explicit QtHost(std::function<void(int)> endProcess = {},
                    int doEventsIntervalMs = kDoEventsIntervalMs);

    void DoEvents() override;
    // A message box over the active window, or over the program's window when another
    // program is active. The style's low four bits choose the buttons (0 OK, 1 OK and Cancel,
    // 3 Yes, No and Cancel, 4 Yes and No), the next four the icon (16 critical, 32 question,
    // 48 warning, 64 information; a question without one shows the question icon). A Yes/No
    // question defaults to No, and Yes and No are captioned from the language file. A text of many
    // lines shows its first lines and the whole text under Details. A long run of characters
    // without a blank (a path) is wrapped rather than cut off at the box's edge.
    int MsgBox(const std::string& text, int style, const std::string& title) override;
    // The report in a window of its own that fits the screen (ReportWindow).
    void ShowReport(const Report& report) override;
    std::string ProgramFolder() override;
    [[noreturn]] void EndProcess(int exitCode) override;

  private:
    std::function<void(int)> m_endProcess;
    int m_intervalMs;
    QElapsedTimer m_sinceEvents;
};

}  // namespace ostrel::ui
