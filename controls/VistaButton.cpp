#include "controls/VistaButton.h"

#include <QPainter>
#include <array>

namespace ostrel::controls {
namespace {

struct Rgb {
    int r, g, b;
};

QColor ToColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

// Gradient stops g0..g7, one row per stop, one column per visual state (normal, hover, pressed,
// focused, disabled): g0 -> g1 upper body, g2 -> g3 lower body, g4 -> g5 and g6 -> g7 the inner
// edge columns of the upper and lower part.
constexpr std::array<std::array<Rgb, 5>, 8> kStops{{
    {{{242, 242, 242}, {234, 246, 253}, {228, 243, 251}, {236, 245, 250}, {244, 244, 244}}},
    {{{235, 235, 235}, {217, 240, 252}, {196, 229, 246}, {230, 242, 248}, {244, 244, 244}}},
    {{{221, 221, 221}, {190, 230, 253}, {152, 209, 239}, {206, 231, 244}, {244, 244, 244}}},
    {{{207, 207, 207}, {167, 217, 245}, {104, 179, 219}, {187, 219, 237}, {244, 244, 244}}},
    {{{251, 251, 251}, {249, 253, 254}, {176, 195, 206}, {52, 213, 254}, {252, 252, 252}}},
    {{{250, 250, 250}, {245, 251, 254}, {154, 186, 203}, {51, 212, 253}, {252, 252, 252}}},
    {{{246, 246, 246}, {239, 249, 254}, {120, 170, 197}, {56, 210, 252}, {252, 252, 252}}},
    {{{243, 243, 243}, {233, 246, 253}, {85, 146, 181}, {42, 207, 250}, {252, 252, 252}}},
}};

// Edge colours e0..e20 by visual state: e0 the outline, e1 the top inner line, e20 the bottom
// inner line, the others the pixels that round the corners.
constexpr std::array<std::array<Rgb, 5>, 21> kEdges{{
    {{{112, 112, 112}, {60, 127, 177}, {44, 98, 139}, {60, 127, 177}, {173, 178, 181}}},
    {{{252, 252, 252}, {250, 253, 254}, {158, 176, 186}, {52, 213, 254}, {252, 252, 252}}},
    {{{144, 144, 144}, {102, 147, 181}, {57, 89, 113}, {160, 190, 212}, {183, 187, 190}}},
    {{{119, 119, 119}, {66, 131, 179}, {46, 96, 134}, {86, 143, 186}, {175, 180, 183}}},
    {{{135, 136, 136}, {88, 138, 175}, {51, 86, 113}, {158, 188, 211}, {177, 181, 184}}},
    {{{145, 145, 145}, {105, 157, 195}, {58, 104, 138}, {50, 146, 195}, {192, 195, 198}}},
    {{{232, 232, 232}, {223, 235, 243}, {134, 157, 171}, {44, 199, 243}, {241, 242, 242}}},
    {{{117, 117, 117}, {62, 128, 178}, {44, 95, 134}, {83, 142, 185}, {174, 179, 182}}},
    {{{234, 234, 234}, {225, 237, 244}, {134, 157, 171}, {45, 200, 244}, {242, 242, 243}}},
    {{{250, 250, 250}, {247, 251, 254}, {186, 203, 213}, {107, 223, 253}, {251, 251, 251}}},
    {{{112, 112, 112}, {62, 128, 178}, {44, 98, 139}, {60, 127, 177}, {173, 178, 181}}},
    {{{252, 252, 252}, {249, 253, 254}, {170, 188, 199}, {52, 213, 254}, {252, 252, 252}}},
    {{{134, 134, 134}, {87, 138, 175}, {75, 117, 147}, {155, 187, 210}, {176, 181, 184}}},
    {{{117, 117, 117}, {62, 128, 178}, {46, 100, 140}, {81, 140, 184}, {174, 179, 182}}},
    {{{136, 136, 136}, {90, 139, 176}, {71, 110, 140}, {158, 188, 211}, {177, 182, 185}}},
    {{{143, 143, 143}, {100, 155, 195}, {47, 100, 138}, {50, 145, 194}, {192, 195, 198}}},
    {{{228, 228, 228}, {212, 231, 243}, {99, 172, 211}, {37, 197, 242}, {243, 243, 244}}},
    {{{117, 117, 117}, {62, 129, 178}, {45, 97, 136}, {83, 142, 185}, {174, 179, 182}}},
    {{{226, 226, 226}, {211, 230, 242}, {85, 146, 181}, {37, 196, 241}, {242, 242, 243}}},
    {{{236, 236, 236}, {220, 240, 251}, {109, 181, 220}, {84, 210, 247}, {251, 251, 251}}},
    {{{243, 243, 243}, {232, 245, 252}, {104, 179, 219}, {41, 206, 250}, {252, 252, 252}}},
}};

constexpr Rgb kDisabledText{131, 131, 131};

// Fills the rows y1 <= y < y2 of the columns x1 <= x < x2 from `top` to `bottom`. Each channel
// runs in 16 bits from c * 256 and is cut back to 8 bits per row, so the first row has exactly
// the top colour and the last row stops one step short of the bottom colour.
void GradientRect(QPainter& painter, int x1, int y1, int x2, int y2, Rgb top, Rgb bottom) {
    const int rows = y2 - y1;
    if (rows <= 0 || x2 <= x1) {
        return;
    }
    const auto channel = [rows](int from, int to, int row) {
        return (from * 256 + (to * 256 - from * 256) * row / rows) >> 8;
    };
    for (int row = 0; row < rows; ++row) {
        const QColor color(channel(top.r, bottom.r, row), channel(top.g, bottom.g, row),
                           channel(top.b, bottom.b, row));
        painter.fillRect(x1, y1 + row, x2 - x1, 1, color);
    }
}

// A horizontal or vertical line including both end points, so edges meet the corner pixels.
void StraightLine(QPainter& painter, int x1, int y1, int x2, int y2, Rgb color) {
    painter.fillRect(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)),
                           QPoint(std::max(x1, x2), std::max(y1, y2))),
                     ToColor(color));
}

void Pixel(QPainter& painter, int x, int y, Rgb color) {
    painter.fillRect(x, y, 1, 1, ToColor(color));
}

// The colour halfway between `a` and `b`, each channel rounded half to even.
Rgb Halfway(Rgb a, Rgb b) {
    return {RoundHalfEven((a.r + b.r) / 2.0), RoundHalfEven((a.g + b.g) / 2.0),
            RoundHalfEven((a.b + b.b) / 2.0)};
}

}  // namespace

VistaButton::VistaButton(QWidget* parent) : DrawingSurface(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);  // hover needs moves without a held button
}

void VistaButton::Redraw() {
    DrawButton(m_state);
    if (size() != m_regionSize) {
        SetButtonRegion();
        m_regionSize = size();
    }
}

void VistaButton::SetButtonRegion() {
    const int w = width();
    const int h = height();
    QRegion region(0, 0, w, h);
    for (const QPoint corner :
         {QPoint(0, 0), QPoint(0, h - 1), QPoint(w - 1, 0), QPoint(w - 1, h - 1)}) {
        region -= QRegion(corner.x(), corner.y(), 1, 1);
    }
    setMask(region);
}

void VistaButton::DrawButton(int state) {
    QPainter painter(&Surface());
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), ToQColor(TranslateColor(m_backColor, palette())));
    if (m_noBackground && (state == kNormal || state == kFocused || state == kDisabled)) {
        DrawCaption(painter);
        return;
    }
    const auto g = [state](int stop) { return kStops[stop][state]; };
    const auto e = [state](int edge) { return kEdges[edge][state]; };
    const int split = RoundHalfEven(h / 2.2);
    GradientRect(painter, 2, 2, w - 2, split, g(0), g(1));
    GradientRect(painter, 2, split, w - 2, h - 2, g(2), g(3));
    for (const int x : {1, w - 2}) {
        GradientRect(painter, x, 3, x + 1, split, g(4), g(5));
        GradientRect(painter, x, split, x + 1, h - 3, g(6), g(7));
    }

    if (state == kPressed) {
        // A shadow under the top corners; the frame's top line later covers its first row.
        StraightLine(painter, 3, 1, 6, 1, {151, 170, 180});
        StraightLine(painter, w - 7, 1, w - 4, 1, {151, 170, 180});
        StraightLine(painter, 3, 2, 6, 2, {220, 237, 246});
        StraightLine(painter, w - 7, 2, w - 4, 2, {220, 237, 246});
        StraightLine(painter, 7, 1, 10, 1, {157, 175, 185});
        StraightLine(painter, w - 11, 1, w - 8, 1, {157, 175, 185});
        Pixel(painter, 2, 3, {220, 237, 245});
        Pixel(painter, w - 3, 3, {220, 237, 245});
        // The lower body sinks in: darker sides and two lines above the bottom edge.
        StraightLine(painter, 2, split, 2, h - 4, {99, 172, 211});
        StraightLine(painter, w - 3, split, w - 3, h - 4, {99, 172, 211});
        StraightLine(painter, 3, h - 3, w - 4, h - 3, {109, 181, 220});
        StraightLine(painter, 7, h - 4, w - 8, h - 4, {104, 178, 218});
    } else if (state == kFocused) {
        // A glow two pixels wide: inner lines and a second pair of edge columns, each halfway
        // between the glow of the outer ones and the body next to them.
        StraightLine(painter, 3, 2, w - 4, 2, Halfway(e(1), g(0)));
        StraightLine(painter, 3, h - 3, w - 4, h - 3, Halfway(e(20), g(3)));
        for (const int x : {2, w - 3}) {
            GradientRect(painter, x, 3, x + 1, split, Halfway(g(4), g(0)), Halfway(g(5), g(1)));
            GradientRect(painter, x, split, x + 1, h - 3, Halfway(g(6), g(2)), Halfway(g(7), g(3)));
        }
    }

    DrawCaption(painter);

    StraightLine(painter, 0, 0, w - 1, 0, e(0));
    StraightLine(painter, 0, h - 1, w - 1, h - 1, e(0));
    StraightLine(painter, 0, 0, 0, h - 1, e(0));
    StraightLine(painter, w - 1, 0, w - 1, h - 1, e(0));
    StraightLine(painter, 3, 1, w - 4, 1, e(1));
    StraightLine(painter, 3, h - 2, w - 4, h - 2, e(20));
    // The corners, each listed for the left side and mirrored to the right.
    struct CornerPixel {
        int x, y, edge;
    };
    constexpr CornerPixel kTop[] = {{1, 0, 2}, {2, 0, 3}, {0, 1, 4}, {1, 1, 5},  {2, 1, 6},
                                    {0, 2, 7}, {1, 2, 8}, {2, 2, 9}, {0, 3, 10}, {1, 3, 11}};
    constexpr CornerPixel kBottom[] = {{1, 1, 12}, {2, 1, 13}, {0, 2, 14}, {1, 2, 15},
                                       {2, 2, 16}, {0, 3, 17}, {1, 3, 18}, {2, 3, 19}};
    for (const CornerPixel& p : kTop) {
        Pixel(painter, p.x, p.y, e(p.edge));
        Pixel(painter, w - 1 - p.x, p.y, e(p.edge));
    }
    for (const CornerPixel& p : kBottom) {  // y counts up from the bottom row
        Pixel(painter, p.x, h - p.y, e(p.edge));
        Pixel(painter, w - 1 - p.x, h - p.y, e(p.edge));
    }
}

void VistaButton::DrawCaption(QPainter& painter) {
    const int w = width();
    const int h = height();
    painter.setFont(font());
    const int flags = Qt::TextWordWrap | Qt::TextShowMnemonic;
    const QRect measured =
        painter.fontMetrics().boundingRect(QRect(0, 0, w, h), flags | Qt::AlignHCenter, m_caption);
    const int textHeight = m_caption.isEmpty() ? 0 : measured.height();

    int left = 0;
    bool pictureDrawn = false;
    if (!m_prepared.isNull() && m_pictures >= 1) {
        const int frameWidth = m_prepared.width() / m_pictures;
        // Picture, a 5-pixel gap and the text are centred as a group.
        const double x = m_caption.isEmpty() ? (w - frameWidth) / 2.0
                                             : (w - measured.width() - frameWidth - 5) / 2.0;
        const int y = RoundHalfEven((h - m_prepared.height()) / 2.0);
        pictureDrawn = DrawPicture(painter, RoundHalfEven(x), y);
        left = RoundHalfEven(x) + frameWidth + 5;
    }

    const int top = RoundHalfEven((h - textHeight) / 2.0);
    const int bottom = RoundHalfEven((h + textHeight) / 2.0);
    const int right = w - 3;
    if (!pictureDrawn) {
        left = 0;
    }
    const OleColor text = m_enabled ? TranslateColor(m_foreColor, palette())
                                    : RGB(kDisabledText.r, kDisabledText.g, kDisabledText.b);
    painter.setPen(ToQColor(text));
    painter.drawText(QRect(left, top, right - left, bottom - top),
                     flags | Qt::AlignTop | (pictureDrawn ? Qt::AlignLeft : Qt::AlignHCenter),
                     m_caption);
}

bool VistaButton::DrawPicture(QPainter& painter, int x, int y) {
    const int w = width();
    const int h = height();
    const int frameWidth = m_prepared.width() / m_pictures;
    int frame = 0;
    if (m_pictures >= 2 && !m_enabled) {
        frame = 1;
    } else if (m_pictures == 3 && m_enabled && m_pressed) {
        frame = 2;
    }
    if (m_pressed) {
        x += m_pictureOffset;
        y += m_pictureOffset;
    }
    y = std::max(y, 3);
    const int shownWidth = std::min(frameWidth, w - 3 - x);
    const int shownHeight = std::min(m_prepared.height(), h - 3 - y);
    if (shownWidth <= 0 || shownHeight <= 0) {
        return false;
    }
    QImage piece = m_prepared.copy(frame * frameWidth, 0, shownWidth, shownHeight);
    if (m_useMaskColor) {
        piece = piece.convertToFormat(QImage::Format_ARGB32);
        const QRgb mask = ToQColor(m_maskColor).rgb();
        for (int row = 0; row < piece.height(); ++row) {
            auto* line = reinterpret_cast<QRgb*>(piece.scanLine(row));
            for (int col = 0; col < piece.width(); ++col) {
                if (line[col] == mask) {
                    line[col] = 0;
                }
            }
        }
    }
    painter.drawImage(x, y, piece);
    return true;
}

void VistaButton::PreparePicture() {
    // Pixels are copied as they are (alpha dropped), the way a bitmap is.
    if (!m_picture.isNull() && m_picture.width() >= 1 && m_picture.height() >= 1) {
        m_prepared = m_picture.convertToFormat(QImage::Format_RGB32);
    } else {
        m_prepared = QImage();
    }
}

}  // namespace ostrel::controls
