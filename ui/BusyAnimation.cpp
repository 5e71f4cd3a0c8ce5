#include "ui/BusyAnimation.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <numbers>

namespace ostrel::ui {
namespace {

constexpr int kSpokes = 12;
constexpr int kAlphaLevels = 16;  // edge softness steps per shade
// The window colour behind the animation (the standard light palette's window colour).
constexpr QRgb kBehind = qRgb(239, 239, 239);
constexpr QRgb kDarkest = qRgb(38, 48, 79);
constexpr QRgb kLightest = qRgb(200, 204, 214);

QRgb Blend(QRgb from, QRgb to, double amount) {
    auto mix = [amount](int a, int b) {
        return static_cast<int>(std::lround(a + (b - a) * amount));
    };
    return qRgb(mix(qRed(from), qRed(to)), mix(qGreen(from), qGreen(to)),
                mix(qBlue(from), qBlue(to)));
}

// Shade s (0 darkest) of a spoke.
QRgb Shade(int s) {
    return Blend(kDarkest, kLightest, static_cast<double>(s) / (kSpokes - 1));
}

// How much of each pixel spoke `spoke` covers, 0 to 255.
QImage Coverage(int side, int spoke) {
    QImage image(side, side, QImage::Format_Alpha8);
    image.fill(0);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(side / 2.0, side / 2.0);
    painter.rotate(360.0 * spoke / kSpokes);
    painter.setPen(QPen(Qt::black, side * 0.09, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(0, -side * 0.22), QPointF(0, -side * 0.42));
    return image;
}

}  // namespace

GifAnimation BusyAnimation(int side) {
    GifAnimation animation;
    animation.size = QSize(side, side);
    animation.delay = 8;
    // Index 0 is transparent; then kAlphaLevels - 1 blends per shade.
    animation.transparentIndex = 0;
    animation.palette.append(kBehind);
    for (int s = 0; s < kSpokes; ++s) {
        for (int level = 1; level < kAlphaLevels; ++level) {
            animation.palette.append(
                Blend(kBehind, Shade(s), static_cast<double>(level) / (kAlphaLevels - 1)));
        }
    }
    std::vector<QImage> spokes;
    for (int spoke = 0; spoke < kSpokes; ++spoke) {
        spokes.push_back(Coverage(side, spoke));
    }
    for (int frame = 0; frame < kSpokes; ++frame) {
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(side) * side, 0);
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                // The spokes do not overlap: the one that covers the pixel most paints it.
                int best = 0;
                int bestSpoke = 0;
                for (int spoke = 0; spoke < kSpokes; ++spoke) {
                    const int alpha = spokes[spoke].constScanLine(y)[x];
                    if (alpha > best) {
                        best = alpha;
                        bestSpoke = spoke;
                    }
                }
                const int level = (best * (kAlphaLevels - 1) + 127) / 255;
                if (level == 0) {
                    continue;
                }
                // The leading spoke is darkest; those behind it lighter the further back.
                const int shade = (frame - bestSpoke + kSpokes) % kSpokes;
                pixels[static_cast<std::size_t>(y) * side + x] =
                    static_cast<std::uint8_t>(1 + shade * (kAlphaLevels - 1) + level - 1);
            }
        }
        animation.frames.push_back(std::move(pixels));
    }
    return animation;
}

}  // namespace ostrel::ui
