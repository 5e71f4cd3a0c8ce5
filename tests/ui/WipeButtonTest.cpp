// The main window's Wipe free space button: the folder chooser, the question, the job.
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "controls/VistaButton.h"
#include "core/ShredMethods.h"
#include "job/ConfirmQuestion.h"
#include "job/ShredJob.h"
#include "lang/LangStrings.h"
#include "tests/ui/UiFixture.h"
#include "ui/Texts.h"
#include "ui/frmAbout.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

class WipeButtonTest : public UiTest {
  protected:
    // The main window as a start without paths shows it. The stored method is the trash, which
    // a wipe refuses: the job runs and reports without filling the disk the tests run on.
    ui::frmAbout* StartMainWindow(const char* language, int confirm) {
        ui::frmAbout* about = UiTest::StartMainWindow(language, kMethodRecycle, confirm);
        if (about != nullptr) {
            about->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(about));
        }
        return about;
    }

    // Runs `action` (a click, a key) and lets `inChooser` handle the folder chooser it opens;
    // whether the chooser was shown. Nothing keeps watching for a chooser afterwards.
    static bool OpensChooser(const std::function<void()>& action,
                             const std::function<void(QFileDialog&)>& inChooser) {
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

// Escape as the chooser's focused field gets it.
void PressEscape(QFileDialog& chooser) {
    QWidget* focus = chooser.focusWidget();
    QTest::keyClick(focus != nullptr ? focus : &chooser, Qt::Key_Escape);
    if (chooser.isVisible()) {
        ADD_FAILURE() << "Escape left the chooser open";
        chooser.reject();
    }
}

// The chooser is modal, titled in the language, at the home folder; Cancel and Escape leave it
// with nothing asked or run. While a job runs the button opens nothing.
TEST_F(WipeButtonTest, TheChooserOpensAtHomeAndLeavingItTouchesNothing) {
    ui::frmAbout* about = StartMainWindow("German.lng", 1);
    ASSERT_NE(about, nullptr);
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "Cancel");
        QString title, shownFolder;
        ASSERT_TRUE(OpensChooser(
            [&] { Click(about->cbWipe()); },
            [&](QFileDialog& chooser) {
                title = chooser.isModal() ? chooser.windowTitle() : "not modal";
                shownFolder = chooser.directory().absolutePath();
                if (escape) {
                    PressEscape(chooser);
                } else {
                    Click(chooser.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel));
                }
            }));
        EXPECT_EQ(title, ui::LangText(lang::kWipeChooserTitle));
        EXPECT_EQ(shownFolder, QDir(QString::fromStdString(m_xdg.Home())).absolutePath());
        EXPECT_EQ(VisibleWindow(ui::frmAbout::kWipeChooserName), nullptr);
        EXPECT_TRUE(m_host.msgBoxes.empty()) << "nothing was asked or reported";
        EXPECT_EQ(VisibleWindow("frmProgress"), nullptr);
    }
    ShredJob running(m_forms.forms());
    EXPECT_FALSE(OpensChooser([&] { Click(about->cbWipe()); }, PressEscape))
        << "a second job was begun";
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

        // The folder typed into the name field and Return pressed, as a user picks it.
        ASSERT_TRUE(OpensChooser([&] { Click(about->cbWipe()); },
                                 [&](QFileDialog& chooser) {
                                     auto* field = chooser.findChild<QLineEdit*>("fileNameEdit");
                                     field->setText(QString::fromStdString(folder));
                                     QTest::keyClick(field, Qt::Key_Return);
                                     if (chooser.isVisible()) {
                                         ADD_FAILURE() << "the chooser did not take " << folder;
                                         chooser.reject();
                                     }
                                 }));

        const std::size_t asked = row.asked ? 1 : 0;
        ASSERT_EQ(m_host.msgBoxes.size(), asked + (row.ran ? 1 : 0));
        if (row.asked) {
            EXPECT_EQ(m_host.msgBoxes[0].text, WipeQuestion(folder));
            EXPECT_EQ(m_host.msgBoxes[0].style, kMsgYesNo);
        }
        if (row.ran) {  // the job's report names the folder
            EXPECT_NE(m_host.msgBoxes[asked].text.find(folder), std::string::npos)
                << m_host.msgBoxes[asked].text;
        }
        EXPECT_FALSE(ShredJob::AnyRunning());
        EXPECT_EQ(VisibleWindow("frmProgress"), nullptr);
        EXPECT_NE(VisibleWindow("frmAbout"), nullptr) << "the main window stays";
        about->hide();
    }
}

// On a display of scale 2 the chooser, wide enough for its title in German, still fits the
// screen: its buttons stay within reach. Runs as part of UiAtScale2 in CTest.
class AtScale2Wipe : public WipeButtonTest {};

TEST_F(AtScale2Wipe, TheChooserFitsTheScreen) {
    if (qgetenv("QT_SCALE_FACTOR") != "2") {
        GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2 (the UiAtScale2 test)";
    }
    ui::frmAbout* about = StartMainWindow("German.lng", 1);
    ASSERT_NE(about, nullptr);
    QRect shown, screen;
    ASSERT_TRUE(OpensChooser([&] { Click(about->cbWipe()); },
                             [&](QFileDialog& chooser) {
                                 shown = chooser.frameGeometry();
                                 screen = chooser.screen()->availableGeometry();
                                 chooser.reject();
                             }));
    EXPECT_TRUE(screen.contains(shown)) << shown.width() << "x" << shown.height() << " on "
                                        << screen.width() << "x" << screen.height();
}

}  // namespace
}  // namespace ostrel::test
