#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgSandbox.h"
#include "ui/DefaultForms.h"

namespace ostrel::test {

// A sandboxed account, the recording host (its DoEvents lets Qt's events run) and a fresh set
// of default windows for each test.
class UiTest : public ::testing::Test {
  public:
    // The visible top-level window named `name`, or nullptr.
    static QWidget* VisibleWindow(const QString& name);
    // Runs `action` with the window named `name` as soon as it is visible (a modal window is
    // handled from inside its own event loop).
    static void WhenShown(const QString& name, std::function<void(QWidget&)> action);
    // Clicks `widget` as a user would, in its middle or at `at`; true when the click ended
    // the process.
    static bool Click(QWidget* widget, std::optional<QPoint> at = std::nullopt);

  protected:
    UiTest();
    ~UiTest() override;

    // Runs Main as the executable does; true when it ended the process.
    bool RunMain(const std::vector<std::string>& paths);
    // Stores the three settings; nullptr or a negative confirm leaves that value out.
    void StoreSettings(const char* language, const char* method, int confirm);
    // The settings file's bytes ("" when there is none).
    std::string SettingsFile() const;
    std::string MakeFile(const std::string& relative, const std::string& bytes) const;
    std::string Holding() const;

    TempDir m_temp;
    XdgSandbox m_xdg;
    RecordingHost m_host;
    ui::DefaultForms m_forms;
};

// English.txt's strings as the windows show them, by number.
const std::map<int, QString>& EnglishTexts();

}  // namespace ostrel::test
