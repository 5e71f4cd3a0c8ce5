#include "controls/PanelHeader.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/controls/PanelHost.h"

namespace ostrel::controls {
namespace {

TEST(GradientPictureTest, EndRowsAreTheColoursAndHalvesRoundToEven) {
    const QImage tall = MakeGradientPicture(7, 20, RGB(222, 233, 248), RGB(64, 110, 192));
    ASSERT_EQ(tall.size(), QSize(7, 20));
    EXPECT_EQ(tall.pixelColor(0, 0), QColor(222, 233, 248));
    EXPECT_EQ(tall.pixelColor(6, 19), QColor(64, 110, 192));
    EXPECT_EQ(tall.pixelColor(6, 7), tall.pixelColor(0, 7)) << "rows are one colour";
    // The middle of three rows: 2.5 -> 2, 1.5 -> 2, 127.5 -> 128, from either side.
    const QImage halves = MakeGradientPicture(1, 3, RGB(5, 3, 255), RGB(0, 0, 0));
    EXPECT_EQ(halves.pixelColor(0, 1), QColor(2, 2, 128));
    const QImage rising = MakeGradientPicture(1, 3, RGB(0, 0, 0), RGB(5, 3, 255));
    EXPECT_EQ(rising.pixelColor(0, 1), QColor(2, 2, 128));
    // A system colour is taken apart byte by byte: its index becomes the red part.
    const QImage system = MakeGradientPicture(1, 2, SystemColor(15), SystemColor(15));
    EXPECT_EQ(system.pixelColor(0, 0), QColor(15, 0, 0));
}

// Probe pixels that only one glyph lights, x from the header's right edge; without the chevrons
// the pin stands 12 further right.
struct GlyphCase {
    const char* name;
    bool button, buttonPin, pinned, collapsed;
    bool pinUp, pinDown, chevronsUp, chevronsDown;
};

void PrintTo(const GlyphCase& c, std::ostream* os) {
    *os << c.name;
}

class HeaderGlyphTest : public ::testing::TestWithParam<GlyphCase> {};

TEST_P(HeaderGlyphTest, EachZoneShowsItsGlyphAndNothingOutsideTheZones) {
    const GlyphCase& c = GetParam();
    PanelHost host;
    ASSERT_TRUE(host.exposed);
    xFrame& panel = *host.panel;
    panel.SetCaption("");
    panel.SetButtonColor(RGB(255, 0, 255));
    panel.SetButton(c.button);
    panel.SetButtonPin(c.buttonPin);
    panel.SetFramePinned(c.pinned);
    if (c.collapsed) {
        panel.SetExpanded(false);
        ASSERT_EQ(panel.height() * kTwipsPerPixel, xFrame::kCollapsedHeight);
    }
    const QImage shot = host.Shot();
    const int w = host.HeaderWidth();
    const int shift = c.button ? 0 : 12;
    auto lit = [&](int x, int y) {
        return shot.pixelColor(w + x + 1, y + 1) == QColor(255, 0, 255);
    };
    EXPECT_EQ(lit(-26 + shift, 12), c.pinUp);
    EXPECT_EQ(lit(-24 + shift, 13), c.pinDown);
    if (c.button) {  // without the chevrons the pin stands where they would be
        EXPECT_EQ(lit(-13, 5), c.chevronsUp);
        EXPECT_EQ(lit(-16, 5), c.chevronsDown);
    }
    for (int x = -w; x < 0; ++x) {
        const bool inPin = c.buttonPin && x >= -29 + shift && x <= -20 + shift;
        const bool inChevrons = c.button && x >= -16 && x <= -10;
        for (int y = 0; y < 20; ++y) {
            if (!inPin && !inChevrons) {
                ASSERT_FALSE(lit(x, y)) << x << "," << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Glyphs, HeaderGlyphTest,
    ::testing::Values(
        GlyphCase{"UnpinnedWithButton", true, true, false, false, true, false, true, false},
        GlyphCase{"PinnedWithButton", true, true, true, false, false, true, true, false},
        GlyphCase{"UnpinnedAlone", false, true, false, false, true, false, false, false},
        GlyphCase{"PinnedAlone", false, true, true, false, false, true, false, false},
        GlyphCase{"CollapsedChevronsPointDown", true, false, false, true, false, false, false,
                  true},
        GlyphCase{"NoGlyphs", false, false, false, false, false, false, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HeaderPaintTest, SeparatorLies30TwipsAboveTheBottomInBackColor) {
    PanelHost host;
    ASSERT_TRUE(host.exposed);
    host.panel->SetBackColor(RGB(1, 2, 3));
    const QImage shot = host.Shot();
    for (int x = 0; x < host.HeaderWidth(); ++x) {
        ASSERT_EQ(shot.pixelColor(x + 1, 1 + 18), QColor(1, 2, 3)) << "column " << x;
    }
    EXPECT_NE(shot.pixelColor(1, 1 + 17), QColor(1, 2, 3));
    EXPECT_NE(shot.pixelColor(1, 1 + 19), QColor(1, 2, 3));
}

}  // namespace
}  // namespace ostrel::controls
