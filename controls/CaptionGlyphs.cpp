#include "controls/CaptionGlyphs.h"

#include <QLinearGradient>
#include <QPainter>

namespace ostrel::controls {
namespace {

struct Look {
    QColor faceTop, faceBottom, outline, symbol;
};

// Set 0: a light face, so the dark outline and symbol read on every gradient.
Look FlatLook(int offset) {
    switch (offset) {
        case kGlyphHover:
            return {{255, 238, 238}, {248, 200, 200}, {196, 32, 32}, {196, 24, 24}};
        case kGlyphDisabled:
            return {{236, 236, 236}, {222, 222, 222}, {168, 168, 168}, {176, 176, 176}};
        default:
            return {{246, 246, 246}, {208, 208, 212}, {72, 72, 76}, {64, 64, 68}};
    }
}

// Sets 1 and 2: a bevelled button with a white symbol.
Look BevelLook(int offset) {
    switch (offset) {
        case kGlyphHover:
            return {{250, 150, 96}, {204, 64, 28}, {112, 30, 10}, {255, 255, 255}};
        case kGlyphDisabled:
            return {{196, 198, 204}, {164, 166, 172}, {128, 130, 136}, {226, 226, 228}};
        default:
            return {{154, 170, 196}, {86, 102, 134}, {44, 54, 80}, {255, 255, 255}};
    }
}

void DrawSymbol(QPainter& painter, GlyphKind kind, const QRectF& box, const QColor& color,
                qreal pen) {
    painter.setPen(QPen(color, pen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    switch (kind) {
        case GlyphKind::Close:
            painter.drawLine(box.topLeft(), box.bottomRight());
            painter.drawLine(box.topRight(), box.bottomLeft());
            break;
        case GlyphKind::Minimize:
            painter.fillRect(QRectF(box.left(), box.bottom() - pen, box.width(), pen * 1.5), color);
            break;
        case GlyphKind::Maximize:
            painter.drawRect(box);
            painter.fillRect(QRectF(box.left(), box.top(), box.width(), pen * 1.5), color);
            break;
    }
}

}  // namespace

QSize CaptionGlyphSize(int iconStyle) {
    switch (iconStyle) {
        case 0:
            return {16, 16};
        case 1:
            return {26, 18};
        case 2:
            return {20, 14};
        default:
            return {};
    }
}

QImage CaptionGlyph(GlyphKind kind, int index, qreal devicePixelRatio) {
    const int iconStyle = index / 10;
    const int offset = index % 10;
    const QSize size = CaptionGlyphSize(iconStyle);
    if (size.isEmpty() || offset < kGlyphHover || offset > kGlyphDisabled) {
        return {};
    }
    QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const bool flat = iconStyle == 0;
    const Look look = flat ? FlatLook(offset) : BevelLook(offset);
    const QRectF frame = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = flat ? 3.0 : (iconStyle == 1 ? 3.5 : 2.5);
    QLinearGradient face(frame.topLeft(), frame.bottomLeft());
    face.setColorAt(0, look.faceTop);
    face.setColorAt(1, look.faceBottom);
    painter.setPen(QPen(look.outline, 1.0));
    painter.setBrush(face);
    painter.drawRoundedRect(frame, radius, radius);
    if (!flat) {
        // The bevel: a light line inside the top edge and a darker one inside the bottom.
        painter.setPen(QPen(QColor(255, 255, 255, 110), 1.0));
        painter.drawLine(QPointF(frame.left() + radius, 1.5), QPointF(frame.right() - radius, 1.5));
        painter.setPen(QPen(QColor(0, 0, 0, 60), 1.0));
        painter.drawLine(QPointF(frame.left() + radius, frame.bottom() - 1.0),
                         QPointF(frame.right() - radius, frame.bottom() - 1.0));
    }

    // The symbol sits in a centred square a little under half the glyph's height.
    const qreal side = flat ? 6.0 : (iconStyle == 1 ? 7.0 : 5.0);
    const QRectF box((size.width() - side) / 2.0, (size.height() - side) / 2.0, side, side);
    const qreal pen = flat ? 1.5 : (iconStyle == 1 ? 2.0 : 1.5);
    if (!flat && offset != kGlyphDisabled) {
        DrawSymbol(painter, kind, box.translated(0.0, 1.0), QColor(0, 0, 0, 90), pen);
    }
    DrawSymbol(painter, kind, box, look.symbol, pen);
    return image;
}

}  // namespace ostrel::controls
