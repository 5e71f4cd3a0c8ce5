// Start-up with the windows, driven as a user drives them.
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

// The first run asks for the language in the chooser, stores the choice and shows every text
// of the main window from that language's file.
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
    EXPECT_EQ(about->Control<controls::xFrame>("xFrameOstrel")->Caption(), english.at(818));
    const std::pair<const char*, int> labels[] = {
        {"lblShredder", 818}, {"Label1", 819},   {"lblLine2", 822}, {"lblLine3", 820},
        {"lblLine4", 823},    {"lblLine5", 824}, {"lblLine6", 825}};
    for (const auto& [name, number] : labels) {
        EXPECT_EQ(about->Control<QLabel>(name)->text(), english.at(number)) << name;
    }
    const QString copyright = english.at(1);
    EXPECT_EQ(about->Control<QLabel>("lblCopyright")->text(),
              copyright.left(copyright.indexOf('.') + 1));
    EXPECT_EQ(about->cbOptions()->Caption(), english.at(69));
    EXPECT_EQ(about->cbClose()->Caption(), english.at(821));
    EXPECT_EQ(m_forms.Options().cboLanguage()->currentText(), "English.lng");
}

// Closing the chooser without a choice ends the program and stores nothing.
TEST_F(WindowsTest, ClosingTheChooserEndsTheProgram) {
    WhenShown("frmLanguage", [](QWidget& chooser) { chooser.close(); });
    EXPECT_TRUE(RunMain({}));
    EXPECT_EQ(SettingsFile(), "");
}

// A check box takes a click on its box, at its left.
void ClickBox(QCheckBox* box) {
    UiTest::Click(box, QPoint(6, box->height() / 2));
}

ui::frmOptions* OpenOptions(ui::frmAbout& about) {
    UiTest::Click(about.cbOptions());
    return qobject_cast<ui::frmOptions*>(UiTest::VisibleWindow("frmOptions"));
}

// The dialog offers the overwrite methods; Apply stores the method picked as text and the box as
// a number, creating the settings when there are none yet; the dialog shows them when opened
// again.
TEST_F(WindowsTest, ApplyStoresTheSettingsAndReopeningShowsThem) {
    for (const bool settingsRemoved : {false, true}) {
        SCOPED_TRACE(settingsRemoved ? "settings removed while running" : "settings present");
        StoreSettings("English.lng", nullptr, -1);
        ASSERT_FALSE(RunMain({}));
        auto* about = qobject_cast<ui::frmAbout*>(VisibleWindow("frmAbout"));
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

// Cancel, the title bar's close button and the main window's Close all drop the dialog's
// changes; Close also ends the program.
TEST_F(WindowsTest, LeavingTheDialogOtherwiseStoresNothing) {
    StoreSettings("English.lng", kSimple, 1);
    const std::string before = SettingsFile();
    ASSERT_FALSE(RunMain({}));
    auto* about = qobject_cast<ui::frmAbout*>(VisibleWindow("frmAbout"));
    ASSERT_NE(about, nullptr);
    const std::function<bool(ui::frmOptions&)> ways[] = {
        [](ui::frmOptions& options) { return Click(options.cbCancel()); },
        [](ui::frmOptions& options) {
            QWidget* close = options.Control<controls::TitelBar>("TitelBar1")->TBARX();
            QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
            return false;
        },
        [about](ui::frmOptions&) { return Click(about->cbClose()); },
    };
    for (std::size_t way = 0; way < std::size(ways); ++way) {
        SCOPED_TRACE(way);
        ui::frmOptions* options = OpenOptions(*about);
        ASSERT_NE(options, nullptr);
        options->cboDelete()->setCurrentIndex(2);
        ClickBox(options->chlConfirm());

        const bool ended = ways[way](*options);

        EXPECT_EQ(ended, way == 2);
        EXPECT_EQ(SettingsFile(), before);
        EXPECT_EQ(m_forms.LoadedOptions(), nullptr) << "the dialog is unloaded";
        EXPECT_EQ(m_forms.forms().options.DeleteMethod(), kSimple) << "a new one reads the store";
    }
    EXPECT_EQ(m_host.endProcessCalls, std::vector<int>{0});
}

}  // namespace
}  // namespace ostrel::test
