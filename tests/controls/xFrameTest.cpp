#include "controls/xFrame.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QSignalSpy>
#include <QTimer>

#include "tests/controls/PanelHost.h"
#include "tests/controls/Support.h"

namespace ostrel::controls {
namespace {

constexpr int kFullHeight = 100;  // pixels
constexpr int kCollapsed = xFrame::kCollapsedHeight / kTwipsPerPixel;

struct ClickCase {
    const char* name;
    bool button, buttonPin, pinned;
    int xFromRight;  // where the pointer moves and clicks, pixels from the header's right edge
    int heightAfterFirst, heightAfterSecond;
    bool pinnedAfterFirst;
};

void PrintTo(const ClickCase& c, std::ostream* os) {
    *os << c.name;
}

class HeaderClickTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(HeaderClickTest, ClicksCollapseRestoreOrTogglePinAndAlwaysRaiseClick) {
    const ClickCase& c = GetParam();
    PanelHost host(200, kFullHeight);
    ASSERT_TRUE(host.exposed);
    xFrame& panel = *host.panel;
    panel.SetButton(c.button);
    panel.SetButtonPin(c.buttonPin);
    panel.SetFramePinned(c.pinned);
    QSignalSpy clicks(&panel, &xFrame::Click);
    QSignalSpy changes(&panel, &xFrame::PropertyChanged);
    const int x = host.HeaderWidth() - c.xFromRight;

    host.ClickHeader(x);
    EXPECT_EQ(panel.height(), c.heightAfterFirst);
    EXPECT_EQ(panel.FramePinned(), c.pinnedAfterFirst);
    EXPECT_EQ(panel.Expanded(), c.heightAfterFirst == kFullHeight);
    host.ClickHeader(x);
    EXPECT_EQ(panel.height(), c.heightAfterSecond);
    EXPECT_EQ(panel.FramePinned(), c.pinned) << "a second pin click toggles back";

    EXPECT_EQ(clicks.count(), 2);
    ASSERT_EQ(changes.count(), 2);
    EXPECT_EQ(changes.at(1).at(0).toString(), "Expanded");
}

// Pixel x from the right edge w: the pin zone W - 450 .. W - 300 twips is w - 30 .. w - 20.
INSTANTIATE_TEST_SUITE_P(
    Zones, HeaderClickTest,
    ::testing::Values(
        ClickCase{"ButtonOnly", true, false, false, 100, kCollapsed, kFullHeight, false},
        ClickCase{"ButtonOnlyPinZoneIsInert", true, false, false, 25, kFullHeight, kFullHeight,
                  false},
        ClickCase{"PinOnlyNeverCollapses", false, true, false, 100, kFullHeight, kFullHeight, true},
        ClickCase{"BothPinZoneLeftEdge", true, true, false, 30, kFullHeight, kFullHeight, true},
        ClickCase{"BothPinZoneRightEdge", true, true, false, 20, kFullHeight, kFullHeight, true},
        ClickCase{"BothLeftOfPinZone", true, true, false, 31, kCollapsed, kFullHeight, false},
        ClickCase{"BothRightOfPinZone", true, true, false, 19, kCollapsed, kFullHeight, false},
        ClickCase{"PinnedKeepsHeight", true, true, true, 100, kFullHeight, kFullHeight, true},
        ClickCase{"NoGlyphsNothingHappens", false, false, false, 100, kFullHeight, kFullHeight,
                  false}),
    [](const auto& info) { return std::string(info.param.name); });

// A setter given the current value neither notifies nor repaints: a form setting its panel's
// caption at every load would otherwise mark its design changed and flicker.
TEST(xFrameTest, ASetterGivenTheCurrentValueNeitherNotifiesNorRepaints) {
    struct Row {
        const char* name;
        void (*set)(xFrame&);
        int notices;
    };
    const Row rows[] = {
        {"BorderColor", [](xFrame& p) { p.SetBorderColor(p.BorderColor()); }, 0},
        {"ButtonPin", [](xFrame& p) { p.SetButtonPin(p.ButtonPin()); }, 0},
        {"Caption", [](xFrame& p) { p.SetCaption(p.Caption()); }, 0},
        {"GradientBottom", [](xFrame& p) { p.SetGradientBottom(p.GradientBottom()); }, 0},
        {"changed BorderColor", [](xFrame& p) { p.SetBorderColor(p.BorderColor() ^ 0xff); }, 1},
    };
    PanelHost host;
    ASSERT_TRUE(host.exposed);
    host.panel->SetEnableGradient(true);
    testing::PaintCounter paints(host.form);
    for (const Row& row : rows) {
        QSignalSpy changes(host.panel, &xFrame::PropertyChanged);
        paints.Reset();
        row.set(*host.panel);
        EXPECT_EQ(changes.count(), row.notices) << row.name;
        EXPECT_EQ(paints.Count() > 0, row.notices > 0) << row.name;
    }
}

TEST(xFrameTest, ACollapsedResizeKeepsTheRememberedHeightAnyOtherReplacesIt) {
    PanelHost host(200, kFullHeight);
    ASSERT_TRUE(host.exposed);
    xFrame& panel = *host.panel;
    panel.SetButton(true);
    panel.resize(200, kCollapsed);
    host.ClickHeader(50);
    EXPECT_EQ(panel.height(), kFullHeight) << "315 twips is never remembered";

    panel.resize(200, 60);
    panel.resize(200, kCollapsed);
    host.ClickHeader(50);
    EXPECT_EQ(panel.height(), 60);

    panel.SetFramePinned(true);
    panel.SetExpanded(false);
    EXPECT_EQ(panel.height(), 60) << "pinned: the setter leaves the height";
    EXPECT_FALSE(panel.Expanded());
}

// Counts the ticks of a timer, so a test can wait for polls to have happened.
class TickCounter : public QObject {
  public:
    int ticks = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Timer) {
            ++ticks;
        }
        return false;
    }
};

TEST(xFrameTest, HoverPollingLightsTheZoneGlyphAndRepaintsOnlyOnAChange) {
    PanelHost host;
    ASSERT_TRUE(host.exposed);
    xFrame& panel = *host.panel;
    panel.SetButton(true);
    panel.SetButtonPin(true);
    panel.SetButtonColor(RGB(255, 0, 255));
    panel.SetButtonHighlightColor(RGB(0, 255, 0));
    const int w = host.HeaderWidth();
    const QPoint pinPixel(w - 26, 8);      // on the pin's head
    const QPoint chevronPixel(w - 13, 5);  // the apex of the upper chevron
    auto colorAt = [&](QPoint p) { return host.HeaderPixel(p.x(), p.y()); };

    QTest::mouseMove(&host.Header(), QPoint(w - 25, 10));  // into the pin zone
    ASSERT_TRUE(QTest::qWaitFor([&] { return colorAt(pinPixel) == QColor(0, 255, 0); }));
    EXPECT_EQ(colorAt(chevronPixel), QColor(255, 0, 255)) << "only the zone's glyph is lit";

    // While the colour stays, ticks leave the header image alone.
    auto* timer = panel.findChild<QTimer*>("tmrMouseMove");
    ASSERT_NE(timer, nullptr);
    TickCounter counter;
    timer->installEventFilter(&counter);
    host.Header().Canvas().setPixelColor(0, 0, QColor(9, 9, 9));
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.ticks >= 5; }));
    host.Header().update();
    EXPECT_EQ(colorAt({0, 0}), QColor(9, 9, 9));

    QCursor::setPos(host.form.mapToGlobal(QPoint(host.form.width() - 2, host.form.height() - 2)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return colorAt(pinPixel) == QColor(255, 0, 255); }));
    EXPECT_NE(colorAt({0, 0}), QColor(9, 9, 9)) << "the colour change repainted the header";
}

// Scheme 7 leaves the colours the scheme before set.
TEST(xFrameTest, SchemeSevenKeepsTheColours) {
    xFrame panel("xFrame1");
    panel.SetColorScheme(2);
    const OleColor border = panel.BorderColor(), bottom = panel.HeaderGradientBottom();
    panel.SetColorScheme(7);
    EXPECT_EQ(panel.BorderColor(), border);
    EXPECT_EQ(panel.HeaderGradientBottom(), bottom);
}

}  // namespace
}  // namespace ostrel::controls
