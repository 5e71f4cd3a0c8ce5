// Start-up with the windows, driven as a user drives them.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <filesystem>

#include "controls/TitelBar.h"
#include "controls/VistaButton.h"
#include "controls/xFrame.h"
#include "core/RegistryManager.h"
#include "tests/ui/UiFixture.h"
#include "ui/frmAbout.h"
#include "ui/frmLanguage.h"
#include "ui/frmOptions.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

using WindowsTest = UiTest;

constexpr char kSimple[] = "Simple Overwrite (1 Pass)";
constexpr char kDod3[] = "DoD 5220.22-M (3 Passes)";
constexpr char kDod7[] = "DoD 5220.22-M (7 Passes)";

// The first run asks for the language, stores it and the main window speaks it.
TEST_F(WindowsTest, FirstRunStoresTheChoiceAndTheWindowsSpeakIt) {
    bool chooserShown = false;
    WhenShown("frmLanguage", [&](QWidget& window) {
        auto& chooser = static_cast<ui::frmLanguage&>(window);
        chooserShown = chooser.isModal();
        Click(chooser.cbLanguageOK());
    });

    EXPECT_FALSE(RunMain({}));

    EXPECT_TRUE(chooserShown);
    EXPECT_EQ(RegGetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang).ToString(),
              "English.lng");
    auto* about = qobject_cast<ui::frmAbout*>(VisibleWindow("frmAbout"));
    ASSERT_NE(about, nullptr);
    const auto& english = EnglishTexts();
    EXPECT_EQ(about->windowTitle(), english.at(818));
    EXPECT_EQ(about->Control<QLabel>("Label1")->text(), english.at(819));
    const QString copyright = english.at(1);
    EXPECT_EQ(about->Control<QLabel>("lblCopyright")->text(),
              copyright.left(copyright.indexOf('.') + 1));
    EXPECT_EQ(m_forms.Options().cboLanguage()->currentText(), "English.lng");
}

// Closing the chooser without a choice ends the program and stores nothing.
TEST_F(WindowsTest, ClosingTheChooserEndsTheProgram) {
    WhenShown("frmLanguage", [](QWidget& chooser) { chooser.close(); });
    EXPECT_TRUE(RunMain({}));
    EXPECT_EQ(SettingsFile(), "");
}

// Escape closes the chooser, but with its list open only the list.
TEST_F(WindowsTest, EscapeClosesTheChooser) {
    ui::frmLanguage& chooser = m_forms.Language();
    chooser.show();
    chooser.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&chooser));
    chooser.cboLanguage()->setFocus();
    chooser.cboLanguage()->showPopup();
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    bool ended = false;
    auto escape = [&] {
        try {
            // To the open list when there is one, as the window system sends it.
            QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Escape);
        } catch (const EndProcessCalled&) {
            ended = true;
        }
    };
    escape();
    EXPECT_FALSE(ended) << "Escape closed the chooser under its open list";
    EXPECT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() == nullptr; }));
    escape();
    EXPECT_TRUE(ended);
    EXPECT_EQ(m_host.endProcessCalls, std::vector<int>{0});
    EXPECT_EQ(SettingsFile(), "");
}

// A name typed in any case picks its language; a name without a file is refused.
TEST_F(WindowsTest, ChooserListsTheLanguagesAndTakesOnlyOneOfThem) {
    const struct {
        const char* typed;
        const char* stored;  // nullptr: refused, the chooser stays open
    } rows[] = {
        {"German", "German.lng"}, {"german", "German.lng"}, {" ENGLISH ", "English.lng"},
        {"?", nullptr},           {"Klingon", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        fs::remove_all(m_xdg.ConfigHome() + "/Tolvane");
        ui::frmLanguage& chooser = m_forms.Language();
        chooser.show();
        QStringList listed;
        for (int i = 0; i < chooser.cboLanguage()->count(); ++i) {
            listed << chooser.cboLanguage()->itemText(i);
        }
        EXPECT_EQ(listed, (QStringList{"English", "German"}));
        chooser.cboLanguage()->setEditText(row.typed);

        Click(chooser.cbLanguageOK());

        EXPECT_EQ(chooser.IsLoaded(), row.stored == nullptr) << "a refused name keeps it open";
        EXPECT_EQ(RegGetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang).ToString(),
                  row.stored == nullptr ? "" : row.stored);
        chooser.Unload();
    }
}

// A check box takes a click on its box, at its left.
void ClickBox(QCheckBox* box) {
    UiTest::Click(box, QPoint(6, box->height() / 2));
}

// Apply stores the method and the box, creating the settings if gone; reopening shows them.
TEST_F(WindowsTest, ApplyStoresTheSettingsAndReopeningShowsThem) {
    for (const bool settingsRemoved : {false, true}) {
        SCOPED_TRACE(settingsRemoved ? "settings removed while running" : "settings present");
        ui::frmAbout* about = StartMainWindow("English.lng", nullptr, -1);
        ASSERT_NE(about, nullptr);
        if (settingsRemoved) {
            fs::remove_all(m_xdg.ConfigHome() + "/Tolvane");
        }

        ui::frmOptions* options = OpenOptions(*about);
        ASSERT_NE(options, nullptr);
        QStringList methods;  // the three overwrite methods in order, and not the trash
        for (int i = 0; i < options->cboDelete()->count(); ++i) {
            methods << options->cboDelete()->itemText(i);
        }
        EXPECT_EQ(methods, (QStringList{kSimple, kDod3, kDod7}));
        EXPECT_EQ(options->cboDelete()->currentText(), kSimple);
        EXPECT_TRUE(options->chlConfirm()->isChecked());
        options->cboDelete()->setCurrentIndex(1);  // the user picks the second method
        ClickBox(options->chlConfirm());
        Click(options->cbApply());

        EXPECT_EQ(VisibleWindow("frmOptions"), nullptr) << "Apply closes the dialog";
        std::int32_t error = -1;
        EXPECT_EQ(RegGetValue(kHkeyCurrentUser, kSettingsKey, kSettingMethod, error),
                  RegVariant(std::string(kDod3) + '\0'));
        EXPECT_EQ(RegGetValue(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, error),
                  RegVariant(std::int32_t{0}));

        options = OpenOptions(*about);
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(options->cboDelete()->currentText(), kDod3);
        EXPECT_FALSE(options->chlConfirm()->isChecked());
        Click(options->cbCancel());
        about->hide();
        fs::remove_all(m_xdg.ConfigHome() + "/Tolvane");
    }
}

// Cancel, Escape, the title bar's close and the main window's Close drop the changes.
TEST_F(WindowsTest, LeavingTheDialogOtherwiseStoresNothing) {
    ui::frmAbout* about = StartMainWindow("German.lng", kSimple, 1);
    ASSERT_NE(about, nullptr);
    const std::string before = SettingsFile();
    const std::function<bool(ui::frmOptions&)> ways[] = {
        [](ui::frmOptions& options) { return Click(options.cbCancel()); },
        [](ui::frmOptions& options) {
            options.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&options));
            options.cboLanguage()->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            return false;
        },
        [](ui::frmOptions& options) {
            QWidget* close = options.Control<controls::TitelBar>("TitelBar1")->TBARX();
            QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
            return false;
        },
        [about](ui::frmOptions&) { return Click(about->cbClose()); },
    };
    const std::size_t close = std::size(ways) - 1;
    for (std::size_t way = 0; way < std::size(ways); ++way) {
        SCOPED_TRACE(way);
        ui::frmOptions* options = OpenOptions(*about);
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(options->cboLanguage()->currentText(), "German.lng");
        EXPECT_EQ(options->cboDelete()->currentText(), kSimple);
        EXPECT_TRUE(options->chlConfirm()->isChecked());
        options->cboDelete()->setCurrentIndex(2);
        ClickBox(options->chlConfirm());

        const bool ended = ways[way](*options);

        EXPECT_EQ(ended, way == close);
        EXPECT_EQ(SettingsFile(), before);
        EXPECT_EQ(m_forms.LoadedOptions(), nullptr) << "the dialog is unloaded";
        EXPECT_EQ(m_forms.forms().options.DeleteMethod(), kSimple);
        EXPECT_EQ(m_forms.forms().options.Confirm(), 1);
    }
    EXPECT_EQ(m_host.endProcessCalls, std::vector<int>{0});
}

// The Options button's own access key and Return open and apply the dialog in every language.
TEST_F(WindowsTest, TheKeyboardOpensAndAppliesTheOptions) {
    for (const char* language : {"English.lng", "German.lng"}) {
        SCOPED_TRACE(language);
        ui::frmAbout* about = StartMainWindow(language, kSimple, 1);
        ASSERT_NE(about, nullptr);
        about->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(about));
        const QKeySequence optionsKey = QKeySequence::mnemonic(about->cbOptions()->Caption());
        ASSERT_FALSE(optionsKey.isEmpty()) << about->cbOptions()->Caption().toStdString();
        EXPECT_NE(optionsKey, QKeySequence::mnemonic(about->cbClose()->Caption()));
        QTest::keySequence(about, optionsKey);
        auto* options = qobject_cast<ui::frmOptions*>(VisibleWindow("frmOptions"));
        ASSERT_NE(options, nullptr) << "the access key opens the dialog";
        const QString title = options->Control<controls::xFrame>("xFrameOptions")->Caption();
        EXPECT_EQ(options->Control<controls::TitelBar>("TitelBar1")->Caption(), title)
            << "the title bar speaks the language";
        EXPECT_EQ(options->windowTitle(), title);
        options->Unload();

        about->cbOptions()->setFocus();
        QTest::keyClick(about->cbOptions(), Qt::Key_Return);
        options = qobject_cast<ui::frmOptions*>(VisibleWindow("frmOptions"));
        ASSERT_NE(options, nullptr) << "Return on the focused button opens the dialog";
        options->cboDelete()->setCurrentIndex(1);
        options->cbApply()->setFocus();
        QTest::keyClick(options->cbApply(), Qt::Key_Enter);
        EXPECT_EQ(VisibleWindow("frmOptions"), nullptr);
        EXPECT_EQ(RegGetString(kHkeyCurrentUser, kSettingsKey, kSettingMethod).ToString(), kDod3);
        about->hide();
    }
}

}  // namespace
}  // namespace ostrel::test
