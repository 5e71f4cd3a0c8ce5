#pragma once

#include <cstdint>
#include <string>

namespace ostrel {

// The windows that start-up and the shredding job drive, as they see them. The Qt windows
// implement these in the GUI; the console host implements them without a display.

// frmOptions: besides being the options dialog, it holds the current settings for the run: the
// stored ones, the command line's, or what the dialog's Apply stored. What the dialog shows but
// was not applied is not a setting.
class OptionsForm {
  public:
    virtual ~OptionsForm() = default;
    // The stored language file name, or "Error" when it cannot be read (first run). Lets
    // pending events run first; does not load the form.
    virtual std::string CheckIfFirstRun() = 0;
    // cboLanguage's text; setting it loads the form (captions and stored settings).
    virtual void SetLanguageText(const std::string& fileName) = 0;
    // The method the job hands to the shredder.
    virtual std::string DeleteMethod() = 0;
    virtual void SetDeleteMethod(const std::string& method) = 0;
    // 1 = ask before shredding, 0 = do not; other values are refused and change nothing.
    virtual int Confirm() = 0;
    virtual void SetConfirm(int value) = 0;
};

// frmProgress: shown while a job runs.
class ProgressForm {
  public:
    virtual ~ProgressForm() = default;
    virtual void Load() = 0;  // loads it hidden and sets its captions
    virtual void LoadAnimation(const std::string& path, bool flag) = 0;
    virtual bool Visible() = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual void Show() = 0;  // modeless
    // The progress bar `pb`.
    // What the job does, as the window's heading says it (language-file bytes), and what it says
    // while a job asked to stop is finishing. Load sets those of shredding.
    virtual void SetTitle(const std::string& working, const std::string& stopping) = 0;
    virtual void SetMax(std::int32_t max) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetValue(std::int32_t value) = 0;
    // The line below the bar: files done of all, the pass, the time left, or the phase.
    virtual void SetStatus(const std::string& status) = 0;
    // The end of a job: the bar full and `summary` (what was destroyed, the time taken) shown
    // long enough to be read, without asking for a click.
    virtual void ShowSummary(const std::string& summary) = 0;
    virtual void Unload() = 0;
};

// frmLanguage: the first-run chooser. ShowModal returns when the user has chosen; on a choice
// it has stored "DefaultLang" and set gChosenLanguage and gLanguageFile.
class LanguageForm {
  public:
    virtual ~LanguageForm() = default;
    virtual void ShowModal() = 0;
};

// frmAbout: the main window, shown without paths.
class MainForm {
  public:
    virtual ~MainForm() = default;
    virtual void Show() = 0;
};

// The default instances of the four forms.
struct Forms {
    OptionsForm& options;
    ProgressForm& progress;
    LanguageForm& language;
    MainForm& about;
};

}  // namespace ostrel
