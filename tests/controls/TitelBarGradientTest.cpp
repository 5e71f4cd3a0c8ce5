// The title bar's background gradient painted alone: bands, rounding and the slanted edge.
#include "controls/TitelBarGradient.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace ostrel::controls {
namespace {

constexpr OleColor kRed = RGB(255, 0, 0);
constexpr OleColor kBlue = RGB(0, 0, 255);
constexpr OleColor kWhite = RGB(255, 255, 255);

// Paints `layout` into a white image of `rows` rows (more than the bar's height, so the rows the
// gradient paints past the bottom can be seen).
QImage Paint(const GradientLayout& layout, int rows) {
    QImage image(layout.scaleWidth, rows, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintGradient(painter, layout);
    return image;
}

OleColor At(const QImage& image, int x, int y) {
    return FromQColor(image.pixelColor(x, y));
}

// A band runs row by row from its begin colour to its end colour at the bar's height, rounding
// halves to even; style 14 stacks two bands, the lower one from half height; a bar of no height
// paints 25 rows.
TEST(TitelBarGradientTest, BandsRunFromBeginToEndAndRoundHalvesToEven) {
    GradientLayout layout;
    layout.style = 0;
    layout.scaleWidth = 8;
    layout.scaleHeight = 10;
    layout.v1Begin = RGB(0, 100, 200);
    layout.v1End = RGB(5, 0, 100);  // red steps by -0.5 a row: every odd row is a half
    QImage image = Paint(layout, 12);
    EXPECT_EQ(At(image, 7, 10), layout.v1End);
    EXPECT_EQ(At(image, 3, 11), kWhite);
    const int expectedRed[] = {0, 0, 1, 2, 2, 2, 3, 4, 4, 4, 5};  // 0.5 -> 0, 1.5 -> 2, 2.5 -> 2
    for (int row = 0; row <= 10; ++row) {
        EXPECT_EQ(At(image, 4, row), RGB(expectedRed[row], 100 - 10 * row, 200 - 10 * row))
            << "row " << row;
    }

    layout.style = 14;
    layout.scaleHeight = 20;
    layout.v1Begin = RGB(200, 200, 200);
    layout.v1End = RGB(100, 100, 100);
    layout.v2Begin = RGB(90, 0, 0);
    layout.v2End = RGB(10, 0, 0);
    image = Paint(layout, 22);
    EXPECT_EQ(At(image, 0, 0), layout.v1Begin);
    EXPECT_EQ(At(image, 0, 9), RGB(110, 110, 110));  // the upper band just above its end
    EXPECT_EQ(At(image, 0, 10), layout.v2Begin);     // the lower band starts at half height
    EXPECT_EQ(At(image, 0, 20), layout.v2End);

    layout.style = 0;
    layout.scaleHeight = 0;
    image = Paint(layout, 27);
    EXPECT_EQ(At(image, 0, 25), layout.v1End);
    EXPECT_EQ(At(image, 0, 26), kWhite);
}

TEST(TitelBarGradientTest, SlantedEdgeMovesOnePixelPerRowAndShortStylesStopAboveTheBorder) {
    for (int style = 1; style <= 8; ++style) {
        SCOPED_TRACE(style);
        GradientLayout layout;
        layout.style = style;
        layout.scaleWidth = 40;
        layout.scaleHeight = 20;
        layout.backColorCover = 5.0f;  // split at 20 * 0.5 = 10
        layout.borderNormal = 2;
        layout.v1Begin = layout.v1End = kRed;
        layout.v2Begin = layout.v2End = kBlue;
        layout.highLight = RGB(0, 255, 0);
        const QImage image = Paint(layout, 22);
        const bool ridge = style % 2 == 0;
        const int step = style <= 4 ? -1 : 1;
        for (int row = 0; row <= 8; ++row) {
            int edge = 0;
            while (At(image, edge, row) == kRed) {
                ++edge;
            }
            // The first pixel that is not the left panel's: the light ridge or the right panel.
            EXPECT_EQ(edge, 10 + step * row - (ridge ? 1 : 0)) << "row " << row;
            // A ridge is a light and a dark pixel fading down the rows towards the panels.
            const int blueFrom = edge + (ridge ? 2 : 0);
            EXPECT_NE(At(image, blueFrom - 1, row), kBlue);
            EXPECT_EQ(At(image, blueFrom, row), kBlue);
            EXPECT_EQ(At(image, 39, row), kBlue);
        }
        // Styles 3, 4, 7, 8 end BorderNormal + 1 rows early: row 17 is the last painted.
        const bool shortened = style == 3 || style == 4 || style == 7 || style == 8;
        EXPECT_NE(At(image, 39, 17), kWhite);
        EXPECT_EQ(At(image, 39, 18) == kWhite, shortened);
    }
}

}  // namespace
}  // namespace ostrel::controls
