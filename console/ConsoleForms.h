#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "core/ShredMethods.h"
#include "job/Forms.h"

namespace ostrel {

// The windows without a display. Progress goes to `err` (redrawn in place on a terminal),
// the main window's texts to `out`, and the first-run question is asked on `in` when it is a
// terminal.
class ConsoleForms {
  public:
    ConsoleForms();  // standard streams and the platform's terminal tests
    ConsoleForms(std::istream& in, std::ostream& out, std::ostream& err, bool inputIsTerminal,
                 bool errorIsTerminal);

    Forms& forms() { return m_forms; }

  private:
    class Options final : public OptionsForm {
      public:
        std::string CheckIfFirstRun() override;
        void SetLanguageText(const std::string& fileName) override;
        std::string DeleteMethod() override { return m_method; }
        void SetDeleteMethod(const std::string& method) override;
        int Confirm() override { return m_confirm; }
        void SetConfirm(int value) override;
        const std::string& LanguageText() const { return m_language; }

      private:
        void EnsureLoaded();
        bool m_loaded = false;
        std::string m_language = "English";
        std::string m_method = kDefaultMethod;
        int m_confirm = 1;
    };

    class Progress final : public ProgressForm {
      public:
        Progress(std::ostream& err, bool terminal) : m_err(err), m_terminal(terminal) {}
        void Load() override;
        void LoadAnimation(const std::string&, bool) override {}
        bool Visible() override { return m_visible; }
        void SetVisible(bool visible) override;
        void Show() override { SetVisible(true); }
        void SetTitle(const std::string& working, const std::string&) override;
        void SetMax(std::int32_t max) override { m_max = max; }
        // A new file: a log line of its own where standard error is not a terminal.
        void SetCaption(const std::string& caption) override;
        void SetValue(std::int32_t value) override { m_value = value; }
        // Comes last in each update: the line is redrawn (at a terminal, at most twenty times a
        // second).
        void SetStatus(const std::string& status) override;
        void ShowSummary(const std::string& summary) override;
        void Unload() override;

      private:
        void Compose();
        void DrawSoon();
        void Draw();
        // Draws the last value if it is waiting, and ends the line.
        void EndLine();

        std::ostream& m_err;
        bool m_terminal;
        bool m_visible = false;
        bool m_lineOpen = false;
        std::string m_title;
        std::string m_caption;
        std::string m_status;
        std::string m_line;  // the progress line, drawn or waiting to be
        bool m_drawn = true;
        std::chrono::steady_clock::time_point m_lastDraw;
        std::int32_t m_max = 100;
        std::int32_t m_value = 0;
    };

    class Language final : public LanguageForm {
      public:
        Language(std::istream& in, std::ostream& err, bool terminal)
            : m_in(in), m_err(err), m_terminal(terminal) {}
        void ShowModal() override;

      private:
        std::istream& m_in;
        std::ostream& m_err;
        bool m_terminal;
    };

    class About final : public MainForm {
      public:
        About(std::ostream& out, Options& options) : m_out(out), m_options(options) {}
        void Show() override;

      private:
        std::ostream& m_out;
        Options& m_options;
    };

    Options m_options;
    Progress m_progress;
    Language m_language;
    About m_about;
    Forms m_forms;
};

}  // namespace ostrel
