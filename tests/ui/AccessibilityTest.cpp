#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QSignalSpy>
#include <QTest>

#include "controls/TitelBar.h"
#include "controls/VistaButton.h"
#include "lang/LanguageFile.h"
#include "ui/DefaultForms.h"
#include "ui/frmAbout.h"

namespace ostrel::test {
namespace {

class AccessibilityTest : public ::testing::Test {
  protected:
    AccessibilityTest() { OpenLanguageFile("English.lng"); }
    ~AccessibilityTest() override { CloseLanguageFile(); }
    ui::DefaultForms m_forms;
};

// Press does what a click does: a push button raises its Click, the caption buttons minimise
// and close the window; a disabled button does nothing.
TEST_F(AccessibilityTest, PressActsAsAClick) {
    ui::frmAbout& about = m_forms.About();
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    const auto press = [](QWidget* widget) {
        QAccessible::queryAccessibleInterface(widget)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
    };
    controls::VistaButton* options = about.cbOptions();
    QSignalSpy clicks(options, &controls::VistaButton::Click);
    press(options);
    EXPECT_EQ(clicks.size(), 1);
    options->SetEnabled(false);
    press(options);
    EXPECT_EQ(clicks.size(), 1);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(options)->state().disabled);
    options->SetEnabled(true);

    auto* bar = about.Control<controls::TitelBar>("TitelBar1");
    press(bar->TBAR_());
    EXPECT_TRUE(about.windowState() & Qt::WindowMinimized);
    about.showNormal();
    press(bar->TBARMax());
    EXPECT_TRUE(about.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(bar->TBARMax())->text(QAccessible::Name),
              "Restore");
}

}  // namespace
}  // namespace ostrel::test
