#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Forms.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgSandbox.h"

namespace ostrel::test {

// The four windows as a test sees them: every call is recorded, the chooser answers with
// `chosenLanguage`.
class RecordingForms {
  public:
    RecordingForms();
    Forms& forms() { return m_forms; }

    struct Options final : OptionsForm {
        std::string CheckIfFirstRun() override;
        void SetLanguageText(const std::string& fileName) override { language = fileName; }
        std::string DeleteMethod() override { return method; }
        void SetDeleteMethod(const std::string& m) override { method = m; }
        int Confirm() override { return confirm; }
        void SetConfirm(int value) override { confirm = value; }
        std::string language;
        std::string method = "Simple Overwrite (1 Pass)";
        int confirm = 0;
    } options;

    struct Progress final : ProgressForm {
        void Load() override { ++loads; }
        void LoadAnimation(const std::string& path, bool) override { animation = path; }
        bool Visible() override { return visible; }
        void SetVisible(bool v) override { visible = v; }
        void Show() override { visible = true; }
        void SetMax(std::int32_t m) override { maxima.push_back(m); }
        void SetCaption(const std::string& c) override { captions.push_back(c); }
        void SetValue(std::int32_t v) override { values.push_back(v); }
        void Unload() override { ++unloads; }
        bool visible = false;
        int loads = 0;
        int unloads = 0;
        std::string animation;
        std::vector<std::int32_t> maxima;
        std::vector<std::string> captions;
        std::vector<std::int32_t> values;
    } progress;

    struct Language final : LanguageForm {
        void ShowModal() override;
        int shown = 0;
        std::string chosenLanguage = "English";
    } language;

    struct About final : MainForm {
        void Show() override { ++shown; }
        int shown = 0;
    } about;

  private:
    Forms m_forms;
};

// A temporary folder, a sandboxed account whose data folder holds the holding folder, the
// recording host and recording windows.
class JobTest : public ::testing::Test {
  protected:
    JobTest();
    ~JobTest() override;

    std::string Holding() const;
    std::string MakeFile(const std::string& relative, const std::string& bytes) const;

    TempDir m_temp;
    XdgSandbox m_xdg;
    RecordingHost m_host;
    RecordingForms m_windows;
};

}  // namespace ostrel::test
