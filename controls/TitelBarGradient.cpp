#include "controls/TitelBarGradient.h"

#include <cmath>
#include <vector>

namespace ostrel::controls {
namespace {

int Channel(OleColor rgb, int channel) {
    return static_cast<int>((rgb >> (8 * channel)) & 0xFF);
}

void Pixel(QPainter& painter, int x, int y, OleColor rgb) {
    painter.fillRect(QRect(x, y, 1, 1), ToQColor(rgb));
}

// The bevel that styles 2, 4, 6, 8, 11, 12 and 13 draw along the boundary at x = edge: a light
// pixel on its left, a dark one on its right.
void Ridge(QPainter& painter, int edge, int y, OleColor light, OleColor dark) {
    Pixel(painter, edge - 1, y, light);
    Pixel(painter, edge, y, dark);
}

}  // namespace

void DrawLine(QPainter& painter, QPoint from, QPoint to, OleColor rgb) {
    const QColor color = ToQColor(rgb);
    if (from.y() == to.y() && from.x() != to.x()) {
        const int left = from.x() < to.x() ? from.x() : to.x() + 1;
        painter.fillRect(QRect(left, from.y(), std::abs(to.x() - from.x()), 1), color);
    } else if (from.x() == to.x() && from.y() != to.y()) {
        const int top = from.y() < to.y() ? from.y() : to.y() + 1;
        painter.fillRect(QRect(from.x(), top, 1, std::abs(to.y() - from.y())), color);
    }
}

RowGradient::RowGradient(OleColor begin, OleColor end, int rows) {
    for (int c = 0; c < 3; ++c) {
        m_begin[c] = Channel(begin, c);
        m_step[c] = static_cast<float>(m_begin[c] - Channel(end, c)) / static_cast<float>(rows);
    }
}

OleColor RowGradient::At(int row) const {
    int value[3];
    for (int c = 0; c < 3; ++c) {
        value[c] = RoundHalfEven(m_begin[c] - static_cast<double>(row) * m_step[c]);
    }
    return RGB(value[0], value[1], value[2]);
}

void PaintGradient(QPainter& painter, const GradientLayout& layout) {
    int rows = layout.scaleHeight;
    if (layout.style == 14) {
        rows = RoundHalfEven(rows / 2.0);
    }
    if (rows < 1) {
        rows = 25;
    }
    const RowGradient first(layout.v1Begin, layout.v1End, rows);
    const RowGradient second(layout.v2Begin, layout.v2End, rows);
    const RowGradient light(layout.highLight, layout.v1End, rows);
    const RowGradient dark(layout.darkLight, layout.v2End, rows);
    const float cover = layout.backColorCover / 10.0f;
    const int split = static_cast<int>(std::trunc(layout.scaleHeight * cover));
    const int width = layout.scaleWidth;

    int last = rows;
    switch (layout.style) {
        case 3:
        case 4:
        case 7:
        case 8:
            last = rows - (layout.borderNormal + 1);
            break;
        case 10:
            last = rows - (layout.borderNormal + 2);
            break;
        case 11:
            last = rows - (layout.borderNormal + 5);
            break;
        case 12:
            last = rows - (layout.borderNormal + 7);
            break;
        default:
            break;
    }

    auto fullRow = [&](const RowGradient& gradient, int y, int colourRow) {
        DrawLine(painter, {0, y}, {width, y}, gradient.At(colourRow));
    };
    auto splitRow = [&](int edge, int y, bool ridge) {
        DrawLine(painter, {0, y}, {edge, y}, first.At(y));
        DrawLine(painter, {edge, y}, {width, y}, second.At(y));
        if (ridge) {
            Ridge(painter, edge, y, light.At(y), dark.At(y));
        }
    };

    switch (layout.style) {
        case 0:
            for (int k = 0; k <= last; ++k) {
                fullRow(first, k, k);
            }
            break;
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
        case 8: {
            const bool slantsRight = layout.style >= 5;
            const bool ridge = layout.style % 2 == 0;
            for (int k = 0; k <= last; ++k) {
                splitRow(slantsRight ? split + k : split - k, k, ridge);
            }
            break;
        }
        case 9:
        case 10:
        case 11:
        case 12: {
            // A band of `last` rows, centred, whose boundary bends along a tangent from t = -1
            // to t = +1; the rows above and below it show the second pair.
            const int band = last;
            const int top = band > 0 ? (rows - band) / 2 : rows + 1;
            const bool ridge = layout.style >= 11;
            double t = -1.0;
            for (int y = 0; y <= rows; ++y) {
                if (y < top || y >= top + band) {
                    fullRow(second, y, y);
                    continue;
                }
                splitRow(RoundHalfEven(split + std::tan(t) * band / 1.3), y, ridge);
                t += 2.0 / band;
            }
            break;
        }
        case 13:
            // The first pair across, and the second pair as a tab under the caption buttons
            // whose left edge leans outwards towards the bottom.
            for (int k = 0; k <= last; ++k) {
                fullRow(first, k, k);
                const int edge = layout.buttonAreaLeft - k;
                DrawLine(painter, {edge, k}, {width, k}, second.At(k));
                Ridge(painter, edge, k, light.At(k), dark.At(k));
            }
            break;
        case 14:
            for (int k = 0; k <= rows; ++k) {
                fullRow(first, k, k);
            }
            for (int k = 0; k <= rows; ++k) {
                fullRow(second, rows + k, k);
            }
            break;
        default:
            break;
    }
}

void PaintDashBand(QImage& surface, int captionWidth, int borderNormal, int scaleHeight) {
    const int w = RoundHalfEven(captionWidth * 1.2);
    const int top = borderNormal + 2;
    const int h = RoundHalfEven(scaleHeight - 2.0 * top);
    if (h <= 0 || w <= 0) {
        return;
    }
    // Column x = 3, rows 2 .. h + 1, read upside down.
    const qreal ratio = surface.devicePixelRatio();
    std::vector<QColor> column(static_cast<size_t>(h));
    for (int r = 0; r < h; ++r) {
        const QPoint source(static_cast<int>(3 * ratio), static_cast<int>((2 + h - 1 - r) * ratio));
        column[static_cast<size_t>(r)] =
            surface.valid(source) ? surface.pixelColor(source) : QColor(Qt::black);
    }
    QPainter painter(&surface);
    // Stretches the column into `height` rows at (x, y) and `width` columns, nearest row first.
    auto stretch = [&](int x, int y, int width, int height) {
        for (int r = 0; r < height; ++r) {
            painter.fillRect(QRect(x, y + r, width, 1),
                             column[static_cast<size_t>(r * h / height)]);
        }
    };
    stretch(6, top, w, h);
    stretch(5, top + 1, 1, h - 2);
    stretch(6 + w, top + 1, 1, h - 2);
    stretch(4, top + 2, 1, h - 4);
    stretch(7 + w, top + 2, 1, h - 4);
}

}  // namespace ostrel::controls
