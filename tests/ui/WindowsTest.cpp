// Start-up with the windows, driven as a user drives them.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <filesystem>

#include "controls/TitelBar.h"
#include "controls/VistaButton.h"
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
    EXPECT_EQ(about->Control<QLabel>("Label1")->text(), EnglishTexts().at(819));
    EXPECT_EQ(m_forms.Options().cboLanguage()->currentText(), "English.lng");
}

// Closing the chooser without a choice ends the program and stores nothing.
TEST_F(WindowsTest, ClosingTheChooserEndsTheProgram) {
    WhenShown("frmLanguage", [](QWidget& chooser) { chooser.close(); });
    EXPECT_TRUE(RunMain({}));
    EXPECT_EQ(SettingsFile(), "");
}

// A name typed in any case picks its language; a name without a file is refused.
TEST_F(WindowsTest, ChooserListsTheLanguagesAndTakesOnlyOneOfThem) {
    const struct {
        const char* typed;
        const char* stored;  // nullptr: refused, the chooser stays open
    } rows[] = {
        {"german", "German.lng"},
        {" ENGLISH ", "English.lng"},
        {"Klingon", nullptr},
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

}  // namespace
}  // namespace ostrel::test
