#pragma once

#include <QPointer>
#include <QString>
#include <string>

#include "job/Forms.h"

namespace ostrel::ui {

class frmAbout;
class frmLanguage;
class frmOptions;
class frmProgress;

// The default instance of each window: made and loaded on first reference, made anew after it
// was unloaded. Through forms() start-up and the job drive them as they drive any windows.
class DefaultForms {
  public:
    DefaultForms();
    ~DefaultForms();
    DefaultForms(const DefaultForms&) = delete;
    DefaultForms& operator=(const DefaultForms&) = delete;

    Forms& forms() { return m_forms; }

    // The default instances; a reference loads the form when it is not loaded.
    frmAbout& About();
    frmOptions& Options();
    frmProgress& Progress();
    frmLanguage& Language();

    // The default instance when it is loaded, else nullptr (no reference is made).
    frmOptions* LoadedOptions() const;
    frmProgress* LoadedProgress() const;

    // The language file name start-up gave the options dialog to show; empty before.
    const std::string& LanguageText() const { return m_optionsFace.LanguageText(); }

  private:
    // The run's settings: read from the store when first needed, set by start-up (the stored
    // values, or the command line's) and by the dialog's Apply. They live here rather than in the
    // dialog's controls, so that a change shown in the dialog but not applied never reaches a
    // job, and a dialog made anew after it was unloaded leaves them as they are.
    class OptionsFace final : public OptionsForm {
      public:
        explicit OptionsFace(DefaultForms& owner) : m_owner(owner) {}
        std::string CheckIfFirstRun() override;
        void SetLanguageText(const std::string& fileName) override;
        std::string DeleteMethod() override;
        void SetDeleteMethod(const std::string& method) override;
        // 1 = ask, 0 = do not; values other than 0 and 1 are refused and change nothing.
        int Confirm() override;
        void SetConfirm(int value) override;
        const std::string& LanguageText() const { return m_language; }

      private:
        void EnsureRead();

        DefaultForms& m_owner;
        bool m_read = false;
        std::string m_language;
        std::string m_method;
        int m_confirm = 1;
    };

    class ProgressFace final : public ProgressForm {
      public:
        explicit ProgressFace(DefaultForms& owner) : m_owner(owner) {}
        void Load() override;
        void LoadAnimation(const std::string& path, bool flag) override;
        bool Visible() override;
        void SetVisible(bool visible) override;
        void Show() override;
        void SetTitle(const std::string& working, const std::string& stopping) override;
        void SetMax(std::int32_t max) override;
        void SetCaption(const std::string& caption) override;
        void SetValue(std::int32_t value) override;
        void SetStatus(const std::string& status) override;
        void ShowSummary(const std::string& summary) override;
        void Unload() override;

      private:
        DefaultForms& m_owner;
    };

    class LanguageFace final : public LanguageForm {
      public:
        explicit LanguageFace(DefaultForms& owner) : m_owner(owner) {}
        void ShowModal() override;

      private:
        DefaultForms& m_owner;
    };

    class AboutFace final : public MainForm {
      public:
        explicit AboutFace(DefaultForms& owner) : m_owner(owner) {}
        void Show() override;

      private:
        DefaultForms& m_owner;
    };

    template <typename T>
    T& Instance(QPointer<T>& slot);

    QPointer<frmAbout> m_about;
    QPointer<frmOptions> m_options;
    QPointer<frmProgress> m_progress;
    QPointer<frmLanguage> m_language;
    // The animation start-up handed to the progress window; a progress window made again
    // after an unload (a job started from the main window) plays it too.
    QString m_animation;
    bool m_animationPaused = false;

    OptionsFace m_optionsFace{*this};
    ProgressFace m_progressFace{*this};
    LanguageFace m_languageFace{*this};
    AboutFace m_aboutFace{*this};
    Forms m_forms{m_optionsFace, m_progressFace, m_languageFace, m_aboutFace};
};

}  // namespace ostrel::ui
