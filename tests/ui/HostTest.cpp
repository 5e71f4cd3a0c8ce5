#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <string>

#include "core/Host.h"
#include "ui/QtHost.h"

namespace ostrel::test {
namespace {

// Each style's buttons and icon; the button pressed is the answer, Escape gives the safe one.
TEST(QtHostTest, MessageBoxStylesAndAnswers) {
    const struct {
        int style;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton press;  // NoButton: Escape
        int answer;
    } rows[] = {
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
        QString seenText;
        bool noIsDefault = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seenButtons = box->standardButtons();
            seenIcon = box->icon();
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
        EXPECT_EQ(seenText, QString::fromUtf8("Shred \xC3\xA4 now?")) << "Windows-1252 text";
        EXPECT_EQ(noIsDefault, bool(row.buttons & QMessageBox::No))
            << "Enter must not destroy files";
    }
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

}  // namespace
}  // namespace ostrel::test
