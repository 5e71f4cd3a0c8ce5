#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <tuple>

#include "core/Host.h"
#include "lang/LanguageFile.h"
#include "ui/DefaultForms.h"
#include "ui/QtHost.h"
#include "ui/frmAbout.h"

namespace ostrel::test {
namespace {

// Counts the events it receives.
class Counter : public QObject {
  public:
    int events = 0;
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            ++events;
            return true;
        }
        return QObject::event(event);
    }
};

// A burst of DoEvents calls within the interval costs one pass of the event loop.
TEST(QtHostTest, DoEventsRunsEventsAtMostOncePerInterval) {
    ui::QtHost host({}, 40);
    Counter counter;
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    host.DoEvents();
    EXPECT_EQ(counter.events, 1) << "the first call runs what is pending";

    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    const auto burstStart = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i) {
        host.DoEvents();
    }
    if (std::chrono::steady_clock::now() - burstStart < std::chrono::milliseconds(40)) {
        EXPECT_EQ(counter.events, 1) << "calls within the interval return at once";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(45));
    host.DoEvents();
    EXPECT_EQ(counter.events, 2) << "once the interval has passed, events run again";
    QCoreApplication::sendPostedEvents(&counter);
}

// Events posted by a handler run in the same DoEvents, not one interval later.
TEST(QtHostTest, WorkAHandlerSetsGoingIsDoneInTheSameDoEvents) {
    ui::QtHost host({}, 40);
    Counter followUp;
    QObject clicked;
    QTimer::singleShot(0, &clicked,
                       [&] { QCoreApplication::postEvent(&followUp, new QEvent(QEvent::User)); });
    host.DoEvents();
    EXPECT_EQ(followUp.events, 1);
    QCoreApplication::sendPostedEvents(&followUp);
}

// Each style's buttons and icon; the button pressed is the answer, Escape gives the safe one.
TEST(QtHostTest, MessageBoxStylesAndAnswers) {
    const struct {
        int style;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton press;  // NoButton: Escape
        int answer;
    } rows[] = {
        {kMsgOkOnly, QMessageBox::Ok, QMessageBox::NoIcon, QMessageBox::Ok, kAnswerOk},
        {kMsgCritical, QMessageBox::Ok, QMessageBox::Critical, QMessageBox::Ok, kAnswerOk},
        {kMsgYesNo, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::Yes,
         kAnswerYes},
        {kMsgYesNo | 48, QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning, QMessageBox::No,
         kAnswerNo},
        {kMsgYesNo | 32, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
         QMessageBox::NoButton, kAnswerNo},
    };
    ui::QtHost host;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.style);
        QMessageBox::StandardButtons seenButtons;
        QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
        QString seenTitle, seenText;
        bool noIsDefault = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seenButtons = box->standardButtons();
            seenIcon = box->icon();
            seenTitle = box->windowTitle();
            seenText = box->text();
            noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
            if (row.press == QMessageBox::NoButton) {
                box->reject();
            } else {
                box->button(row.press)->click();
            }
        });
        EXPECT_EQ(host.MsgBox("Shred \xE4 now?", row.style, "Ostrel"), row.answer);
        EXPECT_EQ(seenButtons, row.buttons);
        EXPECT_EQ(seenIcon, row.icon);
        EXPECT_EQ(seenTitle, "Ostrel");
        EXPECT_EQ(seenText, QString::fromUtf8("Shred \xC3\xA4 now?")) << "Windows-1252 text";
        EXPECT_EQ(noIsDefault, bool(row.buttons & QMessageBox::No))
            << "Enter must not destroy files";
    }
}

// Yes and No speak the question's language; the (already escaped) paths are shown as given.
TEST(QtHostTest, QuestionButtonsSpeakTheLanguageOfTheQuestion) {
    const std::string text = "Jetzt schreddern?\n\n1 Datei:\n/tmp/not utf8 \\xFF \xC3\xBC";
    for (const auto& [file, yes, no] :
         {std::tuple{"English.lng", "&Yes", "&No"}, std::tuple{"German.lng", "&Ja", "&Nein"}}) {
        SCOPED_TRACE(file);
        OpenLanguageFile(file);
        ui::QtHost host;
        QString seenYes, seenNo, seenText;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seenYes = box->button(QMessageBox::Yes)->text();
            seenNo = box->button(QMessageBox::No)->text();
            seenText = box->text();
            box->button(QMessageBox::Yes)->click();
        });
        EXPECT_EQ(host.MsgBox(text, kMsgYesNo, "Ostrel"), kAnswerYes);
        EXPECT_EQ(seenYes, QString::fromUtf8(yes));
        EXPECT_EQ(seenNo, QString::fromUtf8(no));
        EXPECT_EQ(seenText, QString::fromUtf8(text.c_str()));
    }
    CloseLanguageFile();
}

// A long path gets break points inside the box and is otherwise unchanged.
TEST(QtHostTest, LongPathsWrapInsteadOfBeingCutOff) {
    std::string path = "/home/u/";
    for (int i = 0; i < 25; ++i) {
        path += "IMG_000" + std::to_string(i % 10) + "_\xC3\xBC\xF0\x9F\x98\x80";
    }
    const std::string text = "Shred?\n\n1 file:\n\xE2\x80\xA2 " + path;
    ui::QtHost host;
    QString seen;
    int boxWidth = 0, screenWidth = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = box->text();
        boxWidth = box->width();
        screenWidth = box->screen()->availableGeometry().width();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(host.MsgBox(text, kMsgYesNo, "Ostrel"), kAnswerNo);

    EXPECT_EQ(QString(seen).remove(QChar(0x200B)), QString::fromUtf8(text.c_str()));
    int run = 0, longest = 0;
    for (const QChar c : seen) {
        run = c.isSpace() || c == QChar(0x200B) ? 0 : run + 1;
        longest = std::max(longest, run);
        EXPECT_FALSE(c.isLowSurrogate() && run == 1) << "a break inside a character";
    }
    EXPECT_LE(longest, 41);
    EXPECT_LT(boxWidth, screenWidth);
}

// With no active window (after a drop) the box stands over the program's window.
TEST(QtHostTest, BoxStandsOverTheProgramsWindowWhenNoneIsActive) {
    ui::DefaultForms forms;
    ui::frmAbout& about = forms.About();
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    about.move(20, 30);
    QApplication::setActiveWindow(nullptr);
    ui::QtHost host;
    QWidget* parent = nullptr;
    QPoint centre;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        parent = box->parentWidget();
        centre = box->frameGeometry().center();
        box->close();
    });
    host.MsgBox("Shred?", kMsgYesNo, "Ostrel");
    EXPECT_EQ(parent, &about);
    EXPECT_TRUE(about.frameGeometry().contains(centre))
        << centre.x() << "," << centre.y() << " outside the main window";
}

}  // namespace
}  // namespace ostrel::test
