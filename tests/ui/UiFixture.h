#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/SandboxTest.h"
#include "ui/DefaultForms.h"
#include "ui/frmAbout.h"
#include "ui/frmOptions.h"

namespace ostrel::test {

// The sandbox with the recording host's DoEvents letting Qt's events run, and a fresh set of
// default windows for each test.
class UiTest : public SandboxTest {
  public:
    // The visible top-level window named `name`, or nullptr.
    static QWidget* VisibleWindow(const QString& name);
    // Runs `action` with the window named `name` as soon as it is visible (a modal window is
    // handled from inside its own event loop).
    static void WhenShown(const QString& name, std::function<void(QWidget&)> action);
    // Clicks `widget` as a user would, in its middle or at `at`; true when the click ended
    // the process.
    static bool Click(QWidget* widget, std::optional<QPoint> at = std::nullopt);
    // Clicks the main window's Options button: the dialog, or nullptr when none shows.
    static ui::frmOptions* OpenOptions(ui::frmAbout& about);

  protected:
    UiTest();
    ~UiTest() override;

    // Runs Main with these windows as the executable does; true when it ended the process.
    bool RunMain(const std::vector<std::string>& paths) {
        return SandboxTest::RunMain(paths, m_forms.forms());
    }
    // Stores the settings and starts without paths, as from a desktop: the main window, or
    // nullptr when none shows.
    ui::frmAbout* StartMainWindow(const char* language, const char* method, int confirm);
    // The settings file's bytes ("" when there is none).
    std::string SettingsFile() const;

    ui::DefaultForms m_forms;
};

// English.txt's strings as the windows show them, by number.
const std::map<int, QString>& EnglishTexts();

}  // namespace ostrel::test
