#include "controls/PanelHeader.h"

#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <span>

#include "controls/xFrame.h"

namespace ostrel::controls {
namespace {

// One line of a glyph in twips; x counts back from the header's right edge (x = W - fromRight).
struct GlyphLine {
    int x1FromRight, y1, x2FromRight, y2;
};

// A pin lying on its side, needle to the left.
constexpr GlyphLine kPinUnpinned[] = {
    {435, 135, 390, 135}, {390, 90, 390, 195},  {390, 105, 315, 105},
    {390, 155, 315, 155}, {390, 170, 315, 170}, {315, 105, 315, 180},
};
// A pin seen upright, needle down.
constexpr GlyphLine kPinPinned[] = {
    {390, 75, 330, 75},  {390, 75, 390, 150},  {345, 75, 345, 150},
    {330, 75, 330, 150}, {415, 150, 280, 150}, {360, 150, 360, 210},
};
// The pin moves this far right when the expand/collapse glyph is not shown.
constexpr int kPinShiftWithoutButton = 180;

// One chevron as its four rows, top to bottom: each row holds one or two horizontal runs
// (x1, x2 from the right edge; a zero-width run is absent).
struct ChevronRow {
    int a1, a2, b1, b2;
};
constexpr ChevronRow kChevronUp[] = {
    {195, 180, 0, 0},
    {210, 165, 0, 0},
    {225, 195, 180, 150},
    {240, 210, 165, 135},
};
constexpr ChevronRow kChevronDown[] = {
    {240, 210, 165, 135},
    {225, 195, 180, 150},
    {210, 165, 0, 0},
    {195, 180, 0, 0},
};
constexpr int kChevronTops[] = {75, 135};

constexpr int kHeaderTextLeft = 75;
constexpr int kPictureLeft = 15;
constexpr int kPictureTop = 15;
constexpr int kSeparatorAboveBottom = 30;

void DrawGlyph(QPainter& painter, std::span<const GlyphLine> lines, int w, int shift,
               const QColor& color) {
    for (const GlyphLine& line : lines) {
        DrawTwipsLine(painter, w - line.x1FromRight + shift, line.y1, w - line.x2FromRight + shift,
                      line.y2, color);
    }
}

void DrawChevrons(QPainter& painter, std::span<const ChevronRow> rows, int w, const QColor& color) {
    for (const int top : kChevronTops) {
        int y = top;
        for (const ChevronRow& row : rows) {
            DrawTwipsLine(painter, w - row.a1, y, w - row.a2, y, color);
            if (row.b1 != row.b2) {
                DrawTwipsLine(painter, w - row.b1, y, w - row.b2, y, color);
            }
            y += kTwipsPerPixel;
        }
    }
}

}  // namespace

void SplitColor(OleColor color, int& red, int& green, int& blue) {
    red = static_cast<int>(color & 0xFFu);
    green = static_cast<int>((color & 0xFF00u) / 256);
    blue = static_cast<int>((color & 0xFF0000u) / 65536);
}

QImage MakeGradientPicture(int w, int h, OleColor top, OleColor bottom) {
    if (w < 1 || h < 1) {
        return {};
    }
    int top_[3];
    int bottom_[3];
    SplitColor(top, top_[0], top_[1], top_[2]);
    SplitColor(bottom, bottom_[0], bottom_[1], bottom_[2]);
    QImage picture(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const double t = h > 1 ? static_cast<double>(h - 1 - y) / (h - 1) : 1.0;
        int channel[3];
        for (int i = 0; i < 3; ++i) {
            channel[i] = RoundHalfEven((top_[i] - bottom_[i]) * t + bottom_[i]);
        }
        const QRgb pixel = qRgb(channel[0], channel[1], channel[2]);
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        std::fill(row, row + w, pixel);
    }
    return picture;
}

int PixelOfTwips(int twips) {
    return static_cast<int>(std::floor(static_cast<double>(twips) / kTwipsPerPixel));
}

void DrawTwipsLine(QPainter& painter, int x1, int y1, int x2, int y2, const QColor& color) {
    const int px1 = PixelOfTwips(x1);
    const int py1 = PixelOfTwips(y1);
    const int px2 = PixelOfTwips(x2);
    const int py2 = PixelOfTwips(y2);
    // The pixels from the start towards the end point, the end point's own pixel left out.
    if (py1 == py2) {
        const int left = px1 <= px2 ? px1 : px2 + 1;
        painter.fillRect(left, py1, std::abs(px2 - px1), 1, color);
    } else if (px1 == px2) {
        const int top = py1 <= py2 ? py1 : py2 + 1;
        painter.fillRect(px1, top, 1, std::abs(py2 - py1), color);
    }
}

PanelHeader::PanelHeader(QWidget* parent) : DrawingSurface(parent) {
    setMouseTracking(true);
}

QImage& PanelHeader::Canvas() {
    EnsureSurface();
    return Surface();
}

void PanelHeader::Redraw() {
    emit SurfaceRenewed();
}

void PanelHeader::mouseMoveEvent(QMouseEvent* event) {
    emit MouseMoved(PixelsToTwips(event->position().toPoint().x()));
}

void PanelHeader::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
}

void PanelHeader::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        if (rect().contains(event->position().toPoint())) {
            emit Clicked();
        }
    }
}

// The whole strip is drawn again each time: gradient, picture, caption, the pin and
// expand/collapse glyphs, then the separator line in the panel's background colour.
void xFrame::picHeader_Paint() {
    if (m_headerPainted || !m_picHeader) {
        return;
    }
    PanelHeader& header = *m_picHeader;
    QImage& canvas = header.Canvas();
    const int w = PixelsToTwips(header.width());
    const int h = PixelsToTwips(header.height());

    canvas.fill(ToQColor(TranslateColor(SystemColor(kColorButtonFace))));
    QPainter painter(&canvas);
    // The screen's twips per pixel are the fixed 15, so the picture is the header's size.
    painter.drawImage(0, 0,
                      MakeGradientPicture(header.width(), header.height(), m_headerGradientTop,
                                          m_headerGradientBottom));

    QFont font = header.font();
    font.setBold(m_fontBold);
    font.setItalic(m_fontItalic);
    if (m_fontSize == 0) {
        m_fontSize = 8;  // a design stored without a size: the header keeps its size this time
    } else {
        font.setPointSizeF(m_fontSize);
    }
    font.setStrikeOut(m_fontStrikethru);
    font.setUnderline(m_fontUnderline);
    header.setFont(font);

    int textX = kHeaderTextLeft;
    if (m_displayPicture) {
        textX = PixelsToTwips(m_imgFramePic->width()) + kHeaderTextLeft;
        const QPixmap picture = m_imgFramePic->pixmap();
        if (!picture.isNull()) {
            painter.drawPixmap(QRect(PixelOfTwips(kPictureLeft), PixelOfTwips(kPictureTop),
                                     m_imgFramePic->width(), m_imgFramePic->height()),
                               picture);
        }
    }
    const QFontMetrics metrics(font);
    const int textY = (h - PixelsToTwips(metrics.height())) / 2;
    header.SetTextColor(m_foreColor);
    if (!m_caption.isEmpty()) {
        painter.setFont(font);
        painter.setPen(ToQColor(TranslateColor(m_foreColor)));
        painter.drawText(QPoint(PixelOfTwips(textX), PixelOfTwips(textY) + metrics.ascent()),
                         m_caption);
    }

    if (m_buttonPin) {
        m_glyphColor = m_overPin ? m_hoverColor : m_buttonColor;
        DrawGlyph(painter, m_framePinned ? std::span(kPinPinned) : std::span(kPinUnpinned), w,
                  m_button ? 0 : kPinShiftWithoutButton, ToQColor(TranslateColor(m_glyphColor)));
    }
    if (m_button) {
        m_glyphColor = m_overButton ? m_hoverColor : m_buttonColor;
        const bool full = HeightTwips() == m_fullHeight;
        DrawChevrons(painter, full ? std::span(kChevronUp) : std::span(kChevronDown), w,
                     ToQColor(TranslateColor(m_glyphColor)));
    }

    DrawTwipsLine(painter, 0, h - kSeparatorAboveBottom, w, h - kSeparatorAboveBottom,
                  ToQColor(TranslateColor(m_backColor)));
    painter.end();

    header.raise();
    header.SetTextColor(m_foreColor);
    m_headerPainted = true;
    header.update();
}

}  // namespace ostrel::controls
