#include "controls/PanelHeader.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "tests/controls/PanelHost.h"

namespace ostrel::controls {
namespace {

TEST(GradientPictureTest, EndRowsAreTheColoursAndHalvesRoundToEven) {
    const QImage tall = MakeGradientPicture(7, 20, RGB(222, 233, 248), RGB(64, 110, 192));
    ASSERT_EQ(tall.size(), QSize(7, 20));
    EXPECT_EQ(tall.pixelColor(0, 0), QColor(222, 233, 248));
    EXPECT_EQ(tall.pixelColor(6, 19), QColor(64, 110, 192));
    for (int x = 0; x < 7; ++x) {
        EXPECT_EQ(tall.pixelColor(x, 7), tall.pixelColor(0, 7)) << "rows are one colour";
    }
    // Three rows: the middle one is the exact average, 2.5 -> 2, 1.5 -> 2, 127.5 -> 128, and
    // the same from the other side (bottom brighter than top).
    const QImage halves = MakeGradientPicture(1, 3, RGB(5, 3, 255), RGB(0, 0, 0));
    EXPECT_EQ(halves.pixelColor(0, 1), QColor(2, 2, 128));
    const QImage rising = MakeGradientPicture(1, 3, RGB(0, 0, 0), RGB(5, 3, 255));
    EXPECT_EQ(rising.pixelColor(0, 1), QColor(2, 2, 128));
    // A system colour is taken apart byte by byte: its index becomes the red part.
    const QImage system = MakeGradientPicture(1, 2, SystemColor(15), SystemColor(15));
    EXPECT_EQ(system.pixelColor(0, 0), QColor(15, 0, 0));
}

// Pixel rectangles (inclusive), x counted from the header's right edge, y from its top.
struct Box {
    int x1, x2, y1, y2;
};
using Boxes = std::vector<Box>;

const Boxes kPinUnpinned = {{-29, -27, 9, 9},   {-26, -26, 6, 12},  {-26, -22, 7, 7},
                            {-26, -22, 10, 10}, {-26, -22, 11, 11}, {-21, -21, 7, 11}};
const Boxes kPinPinned = {{-26, -23, 5, 5}, {-26, -26, 5, 9},   {-23, -23, 5, 9},
                          {-22, -22, 5, 9}, {-28, -20, 10, 10}, {-24, -24, 10, 13}};
const Boxes kChevronsUp = {{-13, -13, 5, 5},   {-14, -12, 6, 6},   {-15, -14, 7, 7},
                           {-12, -11, 7, 7},   {-16, -15, 8, 8},   {-11, -10, 8, 8},
                           {-13, -13, 9, 9},   {-14, -12, 10, 10}, {-15, -14, 11, 11},
                           {-12, -11, 11, 11}, {-16, -15, 12, 12}, {-11, -10, 12, 12}};
const Boxes kChevronsDown = {{-16, -15, 5, 5},   {-11, -10, 5, 5},   {-15, -14, 6, 6},
                             {-12, -11, 6, 6},   {-14, -12, 7, 7},   {-13, -13, 8, 8},
                             {-16, -15, 9, 9},   {-11, -10, 9, 9},   {-15, -14, 10, 10},
                             {-12, -11, 10, 10}, {-14, -12, 11, 11}, {-13, -13, 12, 12}};

using Pixels = std::set<std::pair<int, int>>;

Pixels Expand(const std::vector<Boxes>& glyphs, int shift) {
    Pixels pixels;
    for (const Boxes& boxes : glyphs) {
        for (const Box& box : boxes) {
            for (int x = box.x1; x <= box.x2; ++x) {
                for (int y = box.y1; y <= box.y2; ++y) {
                    pixels.insert({x + shift, y});
                }
            }
        }
    }
    return pixels;
}

struct GlyphCase {
    const char* name;
    bool button, buttonPin, pinned, collapsed;
    std::vector<Boxes> glyphs;
    int shift;  // pixels; the pin moves 12 to the right without the expand/collapse glyph
};

void PrintTo(const GlyphCase& c, std::ostream* os) {
    *os << c.name;
}

class HeaderGlyphTest : public ::testing::TestWithParam<GlyphCase> {};

TEST_P(HeaderGlyphTest, GlyphPixelsAreExactlyTheTablesGeometry) {
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
    Pixels drawn;
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < 20; ++y) {
            if (shot.pixelColor(x + 1, y + 1) == QColor(255, 0, 255)) {
                drawn.insert({x - w, y});
            }
        }
    }
    EXPECT_EQ(drawn, Expand(c.glyphs, c.shift));
}

INSTANTIATE_TEST_SUITE_P(
    Glyphs, HeaderGlyphTest,
    ::testing::Values(
        GlyphCase{"UnpinnedWithButton", true, true, false, false, {kPinUnpinned, kChevronsUp}, 0},
        GlyphCase{"PinnedWithButton", true, true, true, false, {kPinPinned, kChevronsUp}, 0},
        GlyphCase{"UnpinnedAlone", false, true, false, false, {kPinUnpinned}, 12},
        GlyphCase{"PinnedAlone", false, true, true, false, {kPinPinned}, 12},
        GlyphCase{"CollapsedChevronsPointDown", true, false, false, true, {kChevronsDown}, 0},
        GlyphCase{"NoGlyphs", false, false, false, false, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HeaderPaintTest, SeparatorLies30TwipsAboveTheBottomInBackColor) {
    PanelHost host;
    ASSERT_TRUE(host.exposed);
    host.panel->SetBackColor(RGB(1, 2, 3));
    const QImage shot = host.Shot();
    for (int x = 0; x < host.HeaderWidth(); ++x) {
        ASSERT_EQ(shot.pixelColor(x + 1, 1 + 18), QColor(1, 2, 3)) << "column " << x;
    }
    EXPECT_EQ(shot.pixelColor(1, 1 + 19), QColor(64, 110, 192)) << "last row: gradient bottom";
    EXPECT_EQ(shot.pixelColor(1, 1), QColor(222, 233, 248)) << "first row: gradient top";
    EXPECT_NE(shot.pixelColor(1, 1 + 17), QColor(1, 2, 3));
}

}  // namespace
}  // namespace ostrel::controls
