#include "ui/QtHost.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "lang/LangStrings.h"
#include "platform/Process.h"
#include "platform/ProgramFolder.h"
#include "ui/Form.h"
#include "ui/ReportWindow.h"
#include "ui/Texts.h"

namespace ostrel::ui {
namespace {

constexpr int kShownReportLines = 25;
// The longest run of characters without a place to break the line: a label breaks lines only
// between words, so a longer run (a long path) would be cut off at the box's edge.
constexpr int kLongestUnbrokenRun = 40;

// `text` with an invisible break opportunity (U+200B) inside every run of more than
// kLongestUnbrokenRun characters without a blank, so the label can wrap it; never inside a
// surrogate pair.
QString Wrappable(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / kLongestUnbrokenRun);
    int run = 0;
    for (const QChar c : text) {
        if (c.isSpace() || c == QChar(0x200B)) {
            run = 0;
        } else if (run >= kLongestUnbrokenRun && !c.isLowSurrogate()) {
            out += QChar(0x200B);
            run = 0;
        }
        out += c;
        ++run;
    }
    return out;
}

enum MsgBoxAnswers : int { kAnswerCancel = 2 };

// The icon the style asks for; a question that names none shows the question icon.
QMessageBox::Icon IconOf(int style) {
    const int buttons = style & 0xF;
    if ((style & 0x70) == 0 && (buttons == kMsgYesNo || buttons == 3)) {
        return QMessageBox::Question;
    }
    switch (style & 0x70) {
        case 16:
            return QMessageBox::Critical;
        case 32:
            return QMessageBox::Question;
        case 48:
            return QMessageBox::Warning;
        case 64:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// The window a box stands over: the active one, or, when another program is active (a drop
// from a file manager), the program's own window in front (the last loaded that is visible).
QWidget* BoxParent() {
    if (QWidget* active = QApplication::activeWindow()) {
        return active;
    }
    const QList<Form*> forms = Form::LoadedForms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        if ((*it)->isVisible() && !(*it)->isMinimized()) {
            return *it;
        }
    }
    return nullptr;
}

}  // namespace

QtHost::QtHost(std::function<void(int)> endProcess, int doEventsIntervalMs)
    : m_endProcess(std::move(endProcess)), m_intervalMs(doEventsIntervalMs) {}

void QtHost::DoEvents() {
    if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < m_intervalMs) {
        return;
    }
    // Two passes: what the first one's handlers set going (a window shown by a click posts
    // events of its own, and its requests to the window system leave on the next pass) is done
    // now rather than a whole interval later. A pass with nothing to do costs a few microseconds.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_sinceEvents.start();
}

int QtHost::MsgBox(const std::string& text, int style, const std::string& title) {
    QMessageBox box(BoxParent());
    box.setWindowTitle(Displayed(title));
    box.setIcon(IconOf(style));
    box.setTextFormat(Qt::PlainText);
    const QString shown = Displayed(text);
    if (const QStringList lines = shown.split('\n'); lines.size() > kShownReportLines) {
        box.setText(Wrappable(lines.mid(0, kShownReportLines).join('\n') + "\n..."));
        box.setDetailedText(shown);
    } else {
        box.setText(Wrappable(shown));
    }
    struct Choice {
        QMessageBox::StandardButton button;
        int answer;
    };
    std::vector<Choice> choices;
    switch (style & 0xF) {
        case kMsgYesNo:
            choices = {{QMessageBox::Yes, kAnswerYes}, {QMessageBox::No, kAnswerNo}};
            break;
        case 3:
            choices = {{QMessageBox::Yes, kAnswerYes},
                       {QMessageBox::No, kAnswerNo},
                       {QMessageBox::Cancel, kAnswerCancel}};
            break;
        case 1:
            choices = {{QMessageBox::Ok, kAnswerOk}, {QMessageBox::Cancel, kAnswerCancel}};
            break;
        default:
            choices = {{QMessageBox::Ok, kAnswerOk}};
            break;
    }
    for (const Choice& choice : choices) {
        box.addButton(choice.button);
    }
    // Yes and No speak the language of the question (Qt would give them in its own language).
    if (QAbstractButton* yes = box.button(QMessageBox::Yes)) {
        yes->setText(LangText(lang::kYesButton));
    }
    if (QAbstractButton* no = box.button(QMessageBox::No)) {
        no->setText(LangText(lang::kNoButton));
    }
    // A question about destroying files is never answered by a stray Enter.
    box.setDefaultButton(choices.size() > 1 ? choices[1].button : choices[0].button);
    box.setEscapeButton(choices.back().button);
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const Choice& choice : choices) {
        if (choice.button == clicked) {
            return choice.answer;
        }
    }
    return choices.back().answer;
}

void QtHost::ShowReport(const Report& report) {
    ReportWindow window(report, BoxParent());
    window.exec();
}

std::string QtHost::ProgramFolder() {
    return platform::ProgramFolder();
}

void QtHost::EndProcess(int exitCode) {
    if (m_endProcess) {
        m_endProcess(exitCode);
    }
    platform::ExitProcess(exitCode);
}

}  // namespace ostrel::ui
