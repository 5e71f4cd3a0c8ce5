// The main window's Wipe free space button: the folder chooser, the question, the job.
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "controls/VistaButton.h"
#include "core/ShredMethods.h"
#include "job/ConfirmQuestion.h"
#include "job/ShredJob.h"
#include "lang/LangStrings.h"
#include "tests/ui/UiFixture.h"
#include "ui/frmAbout.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

class WipeButtonTest : public UiTest {
  protected:
    // The main window as a start without paths shows it. The stored method is the trash, which
    // a wipe refuses: the job runs and reports without filling the disk the tests run on.
    ui::frmAbout* StartMainWindow(const char* language = "English.lng", int confirm = 1) {
        StoreSettings(language, kMethodRecycle, confirm);
        EXPECT_FALSE(RunMain({}));
        return qobject_cast<ui::frmAbout*>(VisibleWindow("frmAbout"));
    }

    // Runs `action` (a click, a key) and lets `inChooser` handle the folder chooser it opens;
    // whether the chooser was shown. Nothing keeps watching for a chooser afterwards.
    static bool OpensChooser(
        const std::function<void()>& action,
        const std::function<void(QFileDialog&)>& inChooser = [](QFileDialog& c) { c.reject(); }) {
        bool shown = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* chooser =
                    qobject_cast<QFileDialog*>(VisibleWindow(ui::frmAbout::kWipeChooserName))) {
                poll.stop();
                shown = true;
                inChooser(*chooser);
            }
        });
        poll.start(1);
        action();
        return shown;
    }
};

// Types `folder` into the chooser's name field and presses Return, as a user picks a folder.
void Choose(QFileDialog& chooser, const std::string& folder) {
    auto* field = chooser.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(field, nullptr);
    field->setText(QString::fromStdString(folder));
    QTest::keyClick(field, Qt::Key_Return);
    if (chooser.isVisible()) {
        ADD_FAILURE() << "the chooser did not take " << folder;
        chooser.reject();
    }
}

// The chooser shows the home folder under its own title; Escape and Cancel leave everything
// as it was, and the button works again afterwards. While a job runs the button opens nothing.
TEST_F(WipeButtonTest, TheChooserOpensAtHomeAndACancelTouchesNothing) {
    ui::frmAbout* about = StartMainWindow();
    ASSERT_NE(about, nullptr);
    const std::function<void(QFileDialog&)> cancels[] = {
        [](QFileDialog& chooser) {
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus != nullptr ? focus : &chooser, Qt::Key_Escape);
        },
        [](QFileDialog& chooser) {
            auto* buttons = chooser.findChild<QDialogButtonBox*>();
            ASSERT_NE(buttons, nullptr);
            Click(buttons->button(QDialogButtonBox::Cancel));
        },
    };
    for (std::size_t way = 0; way < std::size(cancels); ++way) {
        SCOPED_TRACE(way);
        QString title, shownFolder;
        ASSERT_TRUE(OpensChooser([about] { Click(about->cbWipe()); },
                                 [&](QFileDialog& chooser) {
                                     title =
                                         chooser.isModal() ? chooser.windowTitle() : "not modal";
                                     shownFolder = chooser.directory().absolutePath();
                                     cancels[way](chooser);
                                 }));
        EXPECT_EQ(title, EnglishTexts().at(lang::kWipeChooserTitle));
        EXPECT_EQ(shownFolder, QDir(QString::fromStdString(m_xdg.Home())).absolutePath());
        EXPECT_EQ(VisibleWindow(ui::frmAbout::kWipeChooserName), nullptr);
        EXPECT_TRUE(m_host.msgBoxes.empty()) << "nothing was asked or reported";
        EXPECT_EQ(VisibleWindow("frmProgress"), nullptr);
    }

    ShredJob running(m_forms.forms());
    EXPECT_FALSE(OpensChooser([about] { Click(about->cbWipe()); })) << "a second job was begun";
}

// A chosen folder is asked about with the wipe's own question when the settings say so; No
// runs nothing, Yes (or no question) runs the wipe of that folder, whose report follows.
TEST_F(WipeButtonTest, AChosenFolderIsAskedAboutAndOnlyYesWipesIt) {
    const struct {
        int confirm;
        int answer;
        bool asked;
        bool ran;
    } rows[] = {
        {1, kAnswerNo, true, false},
        {1, kAnswerYes, true, true},
        {0, kAnswerNo, false, true},
    };
    const std::string folder = (m_temp / "wipe here").string();
    fs::create_directories(folder);
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.confirm << " " << row.answer);
        ui::frmAbout* about = StartMainWindow("English.lng", row.confirm);
        ASSERT_NE(about, nullptr);
        m_host.msgBoxes.clear();
        m_host.answers = {row.answer};

        ASSERT_TRUE(OpensChooser([about] { Click(about->cbWipe()); },
                                 [&](QFileDialog& chooser) { Choose(chooser, folder); }));

        std::size_t next = 0;
        if (row.asked) {
            ASSERT_GE(m_host.msgBoxes.size(), 1u);
            EXPECT_EQ(m_host.msgBoxes[0].text, WipeQuestion(folder));
            EXPECT_EQ(m_host.msgBoxes[0].style, kMsgYesNo);
            next = 1;
        }
        // The job's report names the folder; a wipe that did not run reports nothing.
        ASSERT_EQ(m_host.msgBoxes.size(), next + (row.ran ? 1 : 0));
        if (row.ran) {
            EXPECT_NE(m_host.msgBoxes[next].text.find(folder), std::string::npos)
                << m_host.msgBoxes[next].text;
        }
        EXPECT_FALSE(ShredJob::AnyRunning());
        EXPECT_EQ(VisibleWindow("frmProgress"), nullptr);
        EXPECT_NE(VisibleWindow("frmAbout"), nullptr) << "the main window stays";
        EXPECT_TRUE(fs::is_directory(folder));
        about->hide();
    }
}

// The button's access key opens the chooser in each language, apart from the other buttons'
// keys; Return on the focused button does too, and Tab goes on to Options and then Close.
TEST_F(WipeButtonTest, TheKeyboardReachesTheButton) {
    for (const char* language : {"English.lng", "German.lng"}) {
        SCOPED_TRACE(language);
        ui::frmAbout* about = StartMainWindow(language);
        ASSERT_NE(about, nullptr);
        about->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(about));
        const QKeySequence key = QKeySequence::mnemonic(about->cbWipe()->Caption());
        ASSERT_FALSE(key.isEmpty()) << about->cbWipe()->Caption().toStdString();
        EXPECT_NE(key, QKeySequence::mnemonic(about->cbOptions()->Caption()));
        EXPECT_NE(key, QKeySequence::mnemonic(about->cbClose()->Caption()));

        EXPECT_TRUE(OpensChooser([&] { QTest::keySequence(about, key); }))
            << "the access key opens the chooser";
        about->cbWipe()->setFocus();
        EXPECT_TRUE(OpensChooser([&] { QTest::keyClick(about->cbWipe(), Qt::Key_Return); }))
            << "Return on the focused button opens the chooser";

        about->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(about));
        about->cbWipe()->setFocus();
        QTest::keyClick(about->focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(about->focusWidget(), about->cbOptions());
        QTest::keyClick(about->focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(about->focusWidget(), about->cbClose());
        EXPECT_TRUE(m_host.msgBoxes.empty());
        about->hide();
    }
}

}  // namespace
}  // namespace ostrel::test
