#include "controls/VistaButton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

namespace ostrel::controls {
namespace {

// A shown, active form holding a 75 x 23 button with an empty caption and a second widget to
// take the focus; the pointer starts over the form, away from the button.
class VistaButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form.resize(200, 100);
        button.setObjectName("cbApply");
        button.InitProperties();
        button.SetCaption("");
        button.setGeometry(10, 10, 75, 23);
        other.setGeometry(10, 50, 75, 23);
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        other.setFocus();
        ParkPointer();
    }

    void ParkPointer() { QTest::mouseMove(&form, QPoint(150, 80)); }
    QPoint Centre() const { return button.rect().center(); }

    QWidget form;
    VistaButton button{&form};
    VistaButton other{&form};
};

TEST_F(VistaButtonTest, LeavingWhileHeldShowsHoverAndReleasingOutsideRaisesNoClick) {
    QSignalSpy clicks(&button, &VistaButton::Click);
    QSignalSpy ups(&button, &VistaButton::MouseUp);
    QTest::mouseMove(&button, Centre());
    EXPECT_EQ(button.State(), VistaButton::kHover);
    QTest::mousePress(&button, Qt::LeftButton, {}, Centre());
    EXPECT_EQ(button.State(), VistaButton::kPressed);
    QTest::mouseMove(&button, QPoint(-20, 5));
    EXPECT_EQ(button.State(), VistaButton::kHover);
    QTest::mouseMove(&button, Centre());
    EXPECT_EQ(button.State(), VistaButton::kPressed);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(-20, 5));
    EXPECT_EQ(ups.count(), 1);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(button.State(), VistaButton::kFocused);  // the press gave it the focus

    QTest::mouseClick(&button, Qt::LeftButton, {}, Centre());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button.State(), VistaButton::kHover);
}

// Space shows the pressed look and clicks once, on its release.
TEST_F(VistaButtonTest, SpaceClicksOnReleaseAndTheMarkedLetterFromElsewhere) {
    QSignalSpy clicks(&button, &VistaButton::Click);
    QSignalSpy downs(&button, &VistaButton::KeyDown);
    button.setFocus();
    QTest::keyPress(&button, Qt::Key_Space);
    EXPECT_EQ(button.State(), VistaButton::kPressed);
    EXPECT_EQ(clicks.count(), 0);
    QTest::keyRelease(&button, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs[0][0].toInt(), 32);
    EXPECT_EQ(button.State(), VistaButton::kFocused);  // the pointer is elsewhere

    // The caption's marked letter clicks it from elsewhere and gives it the focus.
    button.SetCaption("&Go");
    other.setFocus();
    QTest::keyClick(&other, Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_TRUE(button.hasFocus());
    button.SetCaption("Go");
    QTest::keyClick(&other, Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 2);
}

// Return and the keypad's Enter click the focused button once, when it is enabled, as a push
// button of the desktop does; other keys go on to the form.
TEST_F(VistaButtonTest, ReturnClicksTheFocusedButton) {
    const struct {
        Qt::Key key;
        bool enabled;
        int clicks;
    } rows[] = {
        {Qt::Key_Return, true, 1},
        {Qt::Key_Enter, true, 1},
        {Qt::Key_Return, false, 0},
        {Qt::Key_A, true, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        button.SetEnabled(row.enabled);
        button.setFocus();
        QSignalSpy clicks(&button, &VistaButton::Click);
        QKeyEvent press(QEvent::KeyPress, row.key, Qt::NoModifier);
        QApplication::sendEvent(&button, &press);
        QTest::keyRelease(&button, row.key);
        EXPECT_EQ(clicks.count(), row.clicks);
        EXPECT_EQ(press.isAccepted(), row.clicks > 0) << "a key that does not click goes on";
    }
}

TEST_F(VistaButtonTest, DisabledRaisesOnlyMouseOutAndLeavesTheTabOrderUntilEnabled) {
    QTest::mouseMove(&button, Centre());
    button.SetEnabled(false);
    EXPECT_FALSE(button.focusPolicy() & Qt::TabFocus);
    QSignalSpy downs(&button, &VistaButton::MouseDown);
    QSignalSpy clicks(&button, &VistaButton::Click);
    QSignalSpy keys(&button, &VistaButton::KeyDown);
    QSignalSpy outs(&button, &VistaButton::MouseOut);
    QTest::mouseClick(&button, Qt::LeftButton, {}, Centre());
    QTest::keyClick(&button, Qt::Key_Space);
    ParkPointer();
    ASSERT_TRUE(outs.wait(1000));
    EXPECT_EQ(downs.count() + clicks.count() + keys.count(), 0);
    EXPECT_EQ(button.State(), VistaButton::kDisabled);

    button.SetEnabled(true);
    EXPECT_TRUE(button.focusPolicy() & Qt::TabFocus);
    other.setFocus();
    QTest::keyClick(&other, Qt::Key_Tab);
    EXPECT_TRUE(button.hasFocus());

    other.setFocusPolicy(Qt::ClickFocus);  // not a tab stop: enabling must not make it one
    other.SetEnabled(false);
    other.SetEnabled(true);
    EXPECT_FALSE(other.focusPolicy() & Qt::TabFocus);
}

}  // namespace
}  // namespace ostrel::controls
