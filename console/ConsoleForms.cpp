#include "console/ConsoleForms.h"

#include <algorithm>
#include <iostream>
#include <vector>

#include "core/Globals.h"
#include "core/Host.h"
#include "core/RegistryManager.h"
#include "core/StoredSettings.h"
#include "core/StringHelpers.h"
#include "lang/Encoding.h"
#include "lang/LanguageFile.h"
#include "platform/ProgramFolder.h"
#include "platform/Terminal.h"

namespace ostrel {
namespace {

constexpr char kChooserTitle[] = "Set Default Language";
constexpr char kChooserPrompt[] = "Please select a language";
constexpr char kDefaultLanguage[] = "English";

// A language string for the terminal.
std::string Text(std::int16_t number) {
    return DisplayText(GetLangString(number));
}

// A path for a one-line display: control characters (a newline in a name) would break the
// line, so they show as '?'.
std::string OneLine(const std::string& text) {
    std::string shown = DisplayText(text);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return shown;
}

}  // namespace

ConsoleForms::ConsoleForms()
    : ConsoleForms(std::cin, std::cout, std::cerr, platform::StandardInputIsTerminal(),
                   platform::StandardErrorIsTerminal()) {}

ConsoleForms::ConsoleForms(std::istream& in, std::ostream& out, std::ostream& err,
                           bool inputIsTerminal, bool errorIsTerminal)
    : m_progress(err, errorIsTerminal),
      m_language(in, err, inputIsTerminal),
      m_about(out, m_options),
      m_forms{m_options, m_progress, m_language, m_about} {}

std::string ConsoleForms::Options::CheckIfFirstRun() {
    return ostrel::CheckIfFirstRun();
}

// Setting a control first loads the form, whose Load reads the stored method and confirmation.
void ConsoleForms::Options::EnsureLoaded() {
    if (m_loaded) {
        return;
    }
    m_loaded = true;
    m_method = StoredMethod();
    SetConfirm(StoredConfirm());
}

void ConsoleForms::Options::SetLanguageText(const std::string& fileName) {
    EnsureLoaded();
    m_language = fileName;
}

void ConsoleForms::Options::SetDeleteMethod(const std::string& method) {
    EnsureLoaded();
    m_method = method;
}

// Like the dialog's check box, the setting takes only 0 and 1: any other value leaves it as it
// was (asking, unless a 0 was set), so no stray number turns the question off.
void ConsoleForms::Options::SetConfirm(int value) {
    EnsureLoaded();
    if (value == 0 || value == 1) {
        m_confirm = value;
    }
}

void ConsoleForms::Progress::Load() {
    m_title = Text(818) + " - " + Text(826);
}

void ConsoleForms::Progress::SetTitle(const std::string& working, const std::string&) {
    m_title = Text(818) + " - " + working;
}

void ConsoleForms::Progress::SetVisible(bool visible) {
    if (visible && !m_visible) {
        m_err << m_title << '\n' << std::flush;
    }
    if (!visible && m_visible) {
        EndLine();  // what comes next starts on a line of its own
    }
    m_visible = visible;
}

// "[ 35%] 12 of 300 files, pass 2 of 7, about 1 min 20 s left  /the/file"
void ConsoleForms::Progress::Compose() {
    const std::int64_t percent =
        m_max > 0 ? std::int64_t{std::clamp(m_value, 0, m_max)} * 100 / m_max : 0;
    std::string number = std::to_string(percent);
    number.insert(0, 3 - std::min<std::size_t>(number.size(), 3), ' ');
    m_line = "[" + number + "%] " + DisplayText(m_status);
    if (!m_caption.empty()) {
        m_line += "  " + OneLine(m_caption);
    }
}

void ConsoleForms::Progress::SetCaption(const std::string& caption) {
    m_caption = caption;
    Compose();
    if (!m_terminal) {
        if (!caption.empty()) {
            m_err << m_line + '\n' << std::flush;  // a log line per file, in one write
        }
        return;
    }
    DrawSoon();
}

void ConsoleForms::Progress::SetStatus(const std::string& status) {
    m_status = status;
    Compose();
    if (m_terminal) {
        DrawSoon();
    }
}

// Redrawing for every file would cost more than shredding a small one: the line is redrawn
// at most twenty times a second, and the last value when the window closes.
void ConsoleForms::Progress::DrawSoon() {
    m_drawn = false;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastDraw >= std::chrono::milliseconds(50)) {
        m_lastDraw = now;
        Draw();
    }
}

void ConsoleForms::Progress::ShowSummary(const std::string& summary) {
    if (m_terminal) {
        EndLine();
    }
    m_err << DisplayText(summary) + '\n' << std::flush;
}

void ConsoleForms::Progress::Draw() {
    m_err << "\r\x1b[K" + m_line << std::flush;  // redraw the line in place
    m_lineOpen = true;
    m_drawn = true;
}

void ConsoleForms::Progress::EndLine() {
    if (!m_drawn) {
        Draw();
    }
    if (m_lineOpen) {
        m_err << '\n' << std::flush;
        m_lineOpen = false;
    }
}

void ConsoleForms::Progress::Unload() {
    EndLine();
    m_visible = false;
}

// Asks until the answer names a language whose file lies beside the program (in any case);
// an empty answer, the end of the input or no terminal takes the default. Without any language
// file to offer, the name is taken as typed.
void ConsoleForms::Language::ShowModal() {
    const std::vector<std::string> available = AvailableLanguages(platform::ProgramFolder());
    std::string name = available.empty() || !MatchLanguage(available, kDefaultLanguage).empty()
                           ? kDefaultLanguage
                           : available.front();
    std::string choices;
    for (const std::string& language : available) {
        choices += (choices.empty() ? " (" : ", ") + OneLine(language);
    }
    if (!choices.empty()) {
        choices += ")";
    }
    m_err << kChooserTitle << '\n';
    for (;;) {
        m_err << kChooserPrompt << choices << " [" << OneLine(name) << "]: ";
        std::string answer;
        if (!m_terminal) {
            m_err << OneLine(name) << " (no terminal)\n";
            break;
        }
        m_err << std::flush;
        if (!std::getline(m_in, answer)) {
            m_err << '\n';
            break;
        }
        if (answer.find_first_not_of(" \t\r") == std::string::npos) {
            break;
        }
        if (available.empty()) {
            name = TrimSpaces(answer);
            break;
        }
        if (const std::string match = MatchLanguage(available, answer); !match.empty()) {
            name = match;
            break;
        }
        m_err << OneLine(answer) << ": no such language\n";
    }
    m_err << std::flush;
    gChosenLanguage = name + ".lng";
    RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang, gChosenLanguage);
    CurrentHost().DoEvents();
    gLanguageFile = gChosenLanguage;
}

void ConsoleForms::About::Show() {
    std::string copyright = Text(1);
    if (auto stop = copyright.find('.'); stop != std::string::npos) {
        copyright.erase(stop + 1);
    }
    m_out << Text(818) << '\n' << copyright << "\n\n";
    for (std::int16_t line : {819, 822, 820, 823, 824, 825}) {
        m_out << Text(line) << '\n';
    }
    m_out << '\n'
          << Text(507) << ' ' << DisplayText(m_options.DeleteMethod()) << '\n'
          << Text(143) << ' ' << DisplayText(m_options.LanguageText()) << '\n'
          << Text(817) << ": " << Text(m_options.Confirm() == 1 ? 832 : 833) << '\n'
          << std::flush;
}

}  // namespace ostrel
