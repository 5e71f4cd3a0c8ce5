#include "controls/VistaButton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include "tests/controls/Support.h"

namespace ostrel::controls {
namespace {

using testing::PixelAt;
using testing::Rgb;
using testing::Shot;

constexpr QColor kFormColor{255, 0, 255};

// A shown, active form holding a 75 x 23 button with an empty caption and a second widget to
// take the focus; the pointer starts over the form, away from the button.
class VistaButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QPalette palette = form.palette();
        palette.setColor(QPalette::Window, kFormColor);
        form.setPalette(palette);
        form.setAutoFillBackground(true);
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

TEST_F(VistaButtonTest, TheCornersAreLeftToTheForm) {
    const QImage onForm = Shot(form);
    for (const QPoint corner : {QPoint(0, 0), QPoint(74, 0), QPoint(0, 22), QPoint(74, 22)}) {
        EXPECT_FALSE(button.mask().contains(corner));
        const QPoint p = corner + button.pos();
        EXPECT_EQ(PixelAt(onForm, p.x(), p.y()), Rgb(255, 0, 255)) << p.x() << "," << p.y();
    }
    EXPECT_NE(PixelAt(onForm, 11, 10), Rgb(255, 0, 255)) << "(1, 0) is the button's";
}

// A setter given the value the button already has does not repaint it (the last row shows that
// a change is counted).
TEST_F(VistaButtonTest, ASetterGivenTheCurrentValueDoesNotRepaint) {
    struct Row {
        const char* name;
        void (*set)(VistaButton&);
        bool repaints;
    };
    const Row rows[] = {
        {"Caption", [](VistaButton& b) { b.SetCaption(b.Caption()); }, false},
        {"Picture", [](VistaButton& b) { b.SetPicture(b.Picture()); }, false},
        {"BackColor", [](VistaButton& b) { b.SetBackColor(b.BackColor()); }, false},
        {"changed ForeColor", [](VistaButton& b) { b.SetForeColor(b.ForeColor() ^ 0xff); }, true},
    };
    QImage strip(20, 8, QImage::Format_RGB32);
    strip.fill(qRgb(200, 30, 30));
    button.SetPicture(strip);
    button.SetCaption("&Go");
    testing::PaintCounter paints(button);
    for (const Row& row : rows) {
        paints.Reset();
        row.set(button);
        EXPECT_EQ(paints.Count() > 0, row.repaints) << row.name;
    }
}

TEST_F(VistaButtonTest, LeavingWhileHeldShowsHoverAndReleasingOutsideRaisesNoClick) {
    QSignalSpy clicks(&button, &VistaButton::Click);
    QSignalSpy ups(&button, &VistaButton::MouseUp);
    QTest::mouseMove(&button, Centre());
    EXPECT_EQ(button.State(), VistaButton::kHover);
    QTest::mousePress(&button, Qt::LeftButton, {}, Centre());
    EXPECT_EQ(button.State(), VistaButton::kPressed);
    QTest::mouseMove(&button, QPoint(-20, 5));
    EXPECT_EQ(button.State(), VistaButton::kHover);
    EXPECT_EQ(PixelAt(Shot(button), 0, 11), Rgb(60, 127, 177));
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
    EXPECT_EQ(PixelAt(Shot(button), 0, 11), Rgb(44, 98, 139));
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

TEST_F(VistaButtonTest, PressedPictureIsFrame2MovedByTheOffsetWithMaskColourTransparent) {
    // Three 10 x 10 frames: red, blue, yellow, each with a pure green top-left pixel.
    QImage strip(30, 10, QImage::Format_RGB32);
    const QRgb frames[] = {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
    for (int f = 0; f < 3; ++f) {
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 10; ++x) {
                strip.setPixel(f * 10 + x, y, x == 0 && y == 0 ? qRgb(0, 255, 0) : frames[f]);
            }
        }
    }
    button.SetPicture(strip);
    button.SetPictures(3);
    button.SetPictureOffset(2);
    const QImage resting = Shot(button);  // frame at ((75 - 10) / 2, round(13 / 2)) = (32, 6)
    EXPECT_EQ(PixelAt(resting, 33, 7), Rgb(255, 0, 0));
    EXPECT_EQ(PixelAt(resting, 32, 6), PixelAt(resting, 31, 6));  // green left out: body shows

    QTest::mousePress(&button, Qt::LeftButton, {}, Centre());
    const QImage pressed = Shot(button);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, Centre());
    EXPECT_EQ(PixelAt(pressed, 35, 9), Rgb(255, 255, 0));
    EXPECT_NE(PixelAt(pressed, 33, 7), Rgb(255, 255, 0));

    button.SetUseMaskColor(false);
    EXPECT_EQ(PixelAt(Shot(button), 32, 6), Rgb(0, 255, 0));
}

}  // namespace
}  // namespace ostrel::controls
