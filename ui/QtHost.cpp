#include "ui/QtHost.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "platform/Process.h"
#include "platform/ProgramFolder.h"
#include "ui/Texts.h"

namespace ostrel::ui {
namespace {

constexpr int kShownReportLines = 25;

enum MsgBoxAnswers : int { kAnswerCancel = 2 };

QMessageBox::Icon IconOf(int style) {
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

}  // namespace

QtHost::QtHost(std::function<void(int)> endProcess, int doEventsIntervalMs)
    : m_endProcess(std::move(endProcess)), m_intervalMs(doEventsIntervalMs) {}

void QtHost::DoEvents() {
    if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < m_intervalMs) {
        return;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_sinceEvents.start();
}

int QtHost::MsgBox(const std::string& text, int style, const std::string& title) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(Displayed(title));
    box.setIcon(IconOf(style));
    box.setTextFormat(Qt::PlainText);
    const QString shown = Displayed(text);
    if (const QStringList lines = shown.split('\n'); lines.size() > kShownReportLines) {
        box.setText(lines.mid(0, kShownReportLines).join('\n') + "\n...");
        box.setDetailedText(shown);
    } else {
        box.setText(shown);
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
