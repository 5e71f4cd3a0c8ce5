#include "controls/TitelBar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>

namespace ostrel::controls {
namespace {

// A frameless form as the program's windows are: the bar docked at the top, a body below.
struct Form {
    QWidget window;
    TitelBar* bar;

    Form() : bar(new TitelBar(&window)) {
        window.setWindowFlag(Qt::FramelessWindowHint);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(bar);
        layout->addStretch();
        window.resize(300, 120);
        window.move(100, 100);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QWindow* Handle() { return window.windowHandle(); }
    static QPoint Centre(const QWidget* button) { return button->geometry().center(); }
};

TEST(TitelBarTest, CloseButtonClosesUnlessDisabledAndMaximiseButtonToggles) {
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        Form form;
        const QPoint at = Form::Centre(form.bar->TBARX());
        QTest::mousePress(form.Handle(), button, {}, at);
        EXPECT_FALSE(form.window.isVisible());
        QTest::mouseRelease(form.Handle(), button, {}, at);  // QTest's own button state
    }
    // A disabled close button does nothing, and a press on it never drags the window.
    Form form;
    form.bar->SetShowCloseEnabled(false);
    const QPoint start = form.window.pos();
    const QPoint at = Form::Centre(form.bar->TBARX());
    QTest::mousePress(form.Handle(), Qt::LeftButton, {}, at);
    QTest::mouseMove(form.Handle(), at - QPoint(60, -20));
    QTest::mouseRelease(form.Handle(), Qt::LeftButton, {}, at - QPoint(60, -20));
    EXPECT_TRUE(form.window.isVisible());
    EXPECT_EQ(form.window.pos(), start);

    // The maximise button toggles; after the first click it sits at the grown bar's right edge.
    form.bar->SetShowMaximized(true);
    for (const bool maximised : {true, false}) {
        const QPoint max = Form::Centre(form.bar->TBARMax());
        QTest::mousePress(form.Handle(), Qt::LeftButton, {}, max);
        QTest::mouseRelease(form.Handle(), Qt::LeftButton, {}, max);
        EXPECT_EQ(bool(form.window.windowState() & Qt::WindowMaximized), maximised);
    }
}

// A press and a move drags the window: by the window system when it takes the move (asked on the
// first move), by hand where it refuses; the release that ends a drag is no click.
TEST(TitelBarTest, PressAndReleaseIsAClickPressAndMoveDragsTheWindow) {
    for (const bool systemMove : {false, true}) {
        SCOPED_TRACE(systemMove ? "system move" : "moved by hand");
        Form form;
        int asked = 0;
        if (systemMove) {
            form.bar->Mover().startSystemMove = [&asked](QWindow*) { return ++asked, true; };
        }
        QSignalSpy clicks(form.bar, &TitelBar::Click);
        QSignalSpy downs(form.bar, &TitelBar::MouseDown);
        QSignalSpy ups(form.bar, &TitelBar::MouseUp);
        const QPoint start = form.window.pos();
        QTest::mouseClick(form.Handle(), Qt::LeftButton, {}, {50, 10});
        EXPECT_EQ(clicks.size(), 1);
        EXPECT_EQ(downs.size(), 1);
        EXPECT_EQ(ups.size(), 1);
        EXPECT_EQ(form.window.pos(), start);

        QSignalSpy moves(form.bar, &TitelBar::MouseMove);
        QTest::mousePress(form.Handle(), Qt::LeftButton, {}, {50, 10});
        EXPECT_EQ(asked, 0);
        QTest::mouseMove(form.Handle(), {80, 30});
        // By hand the window moved under the pointer: (50, 10) is where the pointer now is.
        QTest::mouseMove(form.Handle(), {60, 15});
        EXPECT_EQ(asked, systemMove ? 1 : 0);
        EXPECT_EQ(form.window.pos(), systemMove ? start : start + QPoint(40, 25));
        EXPECT_EQ(form.bar->Mover().State(),
                  systemMove ? WindowMover::Mode::System : WindowMover::Mode::Manual);
        QTest::mouseRelease(form.Handle(), Qt::LeftButton, {}, {60, 15});
        EXPECT_EQ(clicks.size(), 1);
        EXPECT_EQ(form.bar->Mover().State(), WindowMover::Mode::Idle);
        if (!systemMove) {  // the form sees the move that starts the drag, not its end
            EXPECT_EQ(moves.size(), 1);
            EXPECT_EQ(ups.size(), 1);
        }
    }
}

}  // namespace
}  // namespace ostrel::controls
