#include "controls/xFrame.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "tests/controls/PanelHost.h"

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

INSTANTIATE_TEST_SUITE_P(
    Zones, HeaderClickTest,
    ::testing::Values(
        ClickCase{"ButtonOnly", true, false, false, 100, kCollapsed, kFullHeight, false},
        ClickCase{"PinOnlyNeverCollapses", false, true, false, 100, kFullHeight, kFullHeight, true},
        ClickCase{"BothPinZone", true, true, false, 25, kFullHeight, kFullHeight, true},
        ClickCase{"BothLeftOfPinZone", true, true, false, 40, kCollapsed, kFullHeight, false},
        ClickCase{"PinnedKeepsHeight", true, true, true, 100, kFullHeight, kFullHeight, true},
        ClickCase{"NoGlyphsNothingHappens", false, false, false, 100, kFullHeight, kFullHeight,
                  false}),
    [](const auto& info) { return std::string(info.param.name); });

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

}  // namespace
}  // namespace ostrel::controls
