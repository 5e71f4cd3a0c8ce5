#include "controls/TitelBar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>
#include <stdexcept>
#include <vector>

namespace ostrel::controls {
namespace {

// Records every copy of the caption the bar draws: where, in which colour and font.
class RecordingBar : public TitelBar {
  public:
    using TitelBar::TitelBar;
    struct Draw {
        QPoint at;
        OleColor rgb;
        bool bold;
        bool antialiased;
    };
    std::vector<Draw> draws;

  protected:
    void DrawCaptionText(QPainter& painter, int x, int y, OleColor rgb) override {
        const QFont& font = painter.font();
        draws.push_back({{x, y}, rgb, font.bold(), font.styleStrategy() != QFont::NoAntialias});
        TitelBar::DrawCaptionText(painter, x, y, rgb);
    }
};

// A frameless form as the program's windows are: the bar docked at the top, a body below.
struct Form {
    QWidget window;
    RecordingBar* bar;

    Form() : bar(new RecordingBar(&window)) {
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

TEST(TitelBarTest, CaptionButtonsSitAtTheRightEdgeCentredByStyleAndIconStyle) {
    struct Row {
        int style;
        quint8 iconStyle;
        bool maximize;
        int closeGap;  // pixels between the close button and the right edge
        int dy;        // how much lower than centred
        QSize size;
    };
    const Row rows[] = {
        {8, 0, false, 6, 0, {16, 16}},
        {13, 0, false, 19, 2, {16, 16}},
        {8, 1, true, 6, 0, {26, 18}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.style * 10 + row.iconStyle);
        Form form;
        TitelBar& bar = *form.bar;
        bar.SetStyle(row.style);
        bar.SetIconStyle(row.iconStyle);
        bar.SetShowMaximized(row.maximize);
        EXPECT_EQ(bar.TBARMax()->isHidden(), !row.maximize);
        const QRect close = bar.TBARX()->geometry();
        const QRect min = bar.TBAR_()->geometry();
        EXPECT_EQ(close.size(), row.size);
        EXPECT_EQ(bar.width() - (close.x() + close.width()), row.closeGap);
        const QRect& leftOfMin = row.maximize ? bar.TBARMax()->geometry() : close;
        EXPECT_EQ(leftOfMin.x() - (min.x() + min.width()), 6);
        if (row.maximize) {
            EXPECT_EQ(close.x() - (leftOfMin.x() + leftOfMin.width()), 6);
        }
        for (const QRect& r : {close, min}) {
            // Centred: the space above exceeds the space below by 2 * dy, give or take a pixel.
            const int above = r.y();
            const int below = bar.height() - r.y() - r.height();
            EXPECT_LE(std::abs(above - below - 2 * row.dy), 1);
        }
    }
}

TEST(TitelBarTest, SettersClampAndNotifyUnderTheDesignsNames) {
    TitelBar bar;
    bar.SetBackColorCover(25.0f);
    EXPECT_EQ(bar.BackColorCover(), 10.0f);
    bar.SetBackColorCover(-1.0f);
    EXPECT_EQ(bar.BackColorCover(), 1.0f);
    EXPECT_THROW(bar.SetStyle(40000), std::overflow_error);
    QSignalSpy changed(&bar, &TitelBar::PropertyChanged);
    bar.SetCaption3DTop(true);
    bar.SetCaption3DTop(true);  // unchanged: no second notice
    bar.SetStyle(3);
    ASSERT_EQ(changed.size(), 2);
    EXPECT_EQ(changed[0][0].toString(), "Caption3DappTop");
}

TEST(TitelBarTest, ExtrusionDrawsRingsPerDistanceThenOutlineThenFace) {
    struct Row {
        bool allSides;
        bool noSides;
        bool outline;
        int ring2, ring1, outlineDraws;
    };
    const Row rows[] = {
        {true, false, false, 20, 12, 0},  // a full ring at each distance
        {false, true, false, 0, 0, 0},    // only the face
        {false, false, true, 1, 1, 8},    // bottom-right, one step deeper for the outline
    };
    constexpr OleColor fade = RGB(100, 0, 0);
    constexpr OleColor shadow = RGB(0, 0, 50);
    for (const Row& row : rows) {
        RecordingBar bar;
        bar.resize(300, TitelBar::kNewHeight);
        QFont bold("DejaVu Sans", 10);
        bold.setBold(true);
        bar.SetFont(bold);
        bar.SetCaptionColorBack(fade);
        bar.SetCaptionShadowColor(shadow);
        bar.SetCaption3DTop(row.allSides);
        bar.SetCaption3DLeft(row.allSides);
        bar.SetCaption3DBottom(!row.noSides);
        bar.SetCaption3DRight(!row.noSides);
        bar.SetCaptionBorder(row.outline);  // CaptionBorderColor stays 0
        bar.draws.clear();
        bar.Refresh();

        ASSERT_FALSE(bar.draws.empty());
        const RecordingBar::Draw face = bar.draws.back();
        EXPECT_EQ(face.rgb, RGB(255, 255, 255));
        EXPECT_TRUE(face.bold && face.antialiased);
        int counts[4] = {};
        int outlines = 0;
        for (size_t i = 0; i + 1 < bar.draws.size(); ++i) {
            const RecordingBar::Draw& d = bar.draws[i];
            if (d.rgb == 0x010000) {
                ++outlines;
                continue;
            }
            const int distance =
                std::max(std::abs(d.at.x() - face.at.x()), std::abs(d.at.y() - face.at.y()));
            ASSERT_LE(distance, 3);
            ++counts[distance];
            EXPECT_FALSE(d.bold || d.antialiased);
            const int depth = row.outline ? 3 : 2;
            const OleColor expected = distance == depth ? fade
                                      : distance == 1
                                          ? RGB(row.outline ? 33 : 50, 0, row.outline ? 33 : 25)
                                          : RGB(67, 0, 17);
            EXPECT_EQ(d.rgb, expected) << "distance " << distance;
        }
        EXPECT_EQ(counts[2], row.ring2);
        EXPECT_EQ(counts[1], row.ring1);
        EXPECT_EQ(counts[3], row.outline ? 1 : 0);
        EXPECT_EQ(outlines, row.outlineDraws);
    }
}

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

// A double click on the bar maximises and restores the window where its maximise button is
// shown and enabled, and does nothing elsewhere; DblClick reaches the form either way.
TEST(TitelBarTest, DoubleClickTogglesMaximisedWhereTheWindowMayBeMaximised) {
    const struct {
        bool shown, enabled, toggles;
    } rows[] = {{true, true, true}, {false, true, false}, {true, false, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.shown << row.enabled);
        Form form;
        form.bar->SetShowMaximized(row.shown);
        form.bar->SetShowMaximizedEnabled(row.enabled);
        QSignalSpy doubles(form.bar, &TitelBar::DblClick);
        for (const bool maximised : {true, false}) {
            const QPointF at(50, 10);
            const QPointF global = form.bar->mapToGlobal(at);
            QMouseEvent twice(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton,
                              Qt::LeftButton, {});
            QApplication::sendEvent(form.bar, &twice);
            QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, {}, {});
            QApplication::sendEvent(form.bar, &release);
            EXPECT_EQ(bool(form.window.windowState() & Qt::WindowMaximized),
                      row.toggles && maximised);
        }
        EXPECT_EQ(doubles.size(), 2);
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

TEST(TitelBarTest, HoverTrackingEndsWhenTheTimerFindsThePointerGoneAndButtonsLightUp) {
    Form form;
    TitelBar& bar = *form.bar;
    QCursor::setPos(bar.mapToGlobal(QPoint(50, 10)));
    QTest::mouseMove(form.Handle(), {50, 10});
    EXPECT_TRUE(bar.IsTracking());
    // The window goes away from under a still pointer: no mouse event tells the bar, only the
    // timer notices.
    form.window.move(form.window.pos() + QPoint(0, 200));
    EXPECT_TRUE(bar.IsTracking());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !bar.IsTracking(); }, 1000));

    const QPoint close = Form::Centre(bar.TBARX());
    QCursor::setPos(bar.mapToGlobal(close));
    QTest::mouseMove(form.Handle(), close);
    EXPECT_EQ(bar.TBARX()->Glyph(), kGlyphHover);
    QTest::mouseMove(form.Handle(), {50, 10});
    EXPECT_EQ(bar.TBARX()->Glyph(), kGlyphNormal);
}

// A caption button pressed under the pointer shows its normal look again when its window comes
// back: a minimised or maximised window never sees the pointer leave the button.
TEST(TitelBarTest, CaptionButtonLooksNormalAgainAfterItsWindowIsRestored) {
    const struct {
        const char* name;
        CaptionButton* (TitelBar::*button)() const;
    } rows[] = {{"minimise", &TitelBar::TBAR_}, {"maximise", &TitelBar::TBARMax}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Form form;
        form.bar->SetShowMaximized(true);
        CaptionButton* button = (form.bar->*row.button)();
        const QPoint at = Form::Centre(button);
        QCursor::setPos(form.bar->mapToGlobal(at));
        QTest::mouseMove(form.Handle(), at);
        ASSERT_EQ(button->Glyph(), kGlyphHover);
        QTest::mousePress(form.Handle(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(form.Handle(), Qt::LeftButton, {}, at);
        EXPECT_NE(form.window.windowState(), Qt::WindowNoState);
        form.window.showNormal();
        EXPECT_EQ(button->Glyph(), kGlyphNormal);
    }
}

}  // namespace
}  // namespace ostrel::controls
