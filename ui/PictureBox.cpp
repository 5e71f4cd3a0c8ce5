#include "ui/PictureBox.h"

#include <QAccessible>

#include "controls/Accessible.h"

#include <QPainter>
#include <QPainterPath>

namespace ostrel::ui {
namespace {

// A rounded amber triangle with a dark outline and an exclamation mark, in a 100 x 100 box.
void DrawExclamation(QPainter& painter) {
    QPainterPath triangle;
    triangle.moveTo(50, 6);
    triangle.lineTo(96, 90);
    triangle.lineTo(4, 90);
    triangle.closeSubpath();
    QLinearGradient fill(0, 6, 0, 90);
    fill.setColorAt(0, QColor(255, 222, 89));
    fill.setColorAt(1, QColor(245, 166, 35));
    painter.setPen(QPen(QColor(150, 95, 10), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(fill);
    painter.drawPath(triangle);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 32, 20));
    QPainterPath bar;
    bar.moveTo(44, 32);
    bar.lineTo(56, 32);
    bar.lineTo(53, 66);
    bar.lineTo(47, 66);
    bar.closeSubpath();
    painter.drawPath(bar);
    painter.drawEllipse(QPointF(50, 77), 6, 6);
}

// A blue globe with meridians and parallels, in a 100 x 100 box.
void DrawGlobe(QPainter& painter) {
    const QRectF ball(6, 6, 88, 88);
    QRadialGradient fill(QPointF(38, 34), 64);
    fill.setColorAt(0, QColor(140, 190, 240));
    fill.setColorAt(1, QColor(38, 90, 170));
    painter.setPen(QPen(QColor(26, 52, 110), 4));
    painter.setBrush(fill);
    painter.drawEllipse(ball);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(235, 242, 252, 210), 3));
    painter.drawEllipse(QRectF(30, 6, 40, 88));
    painter.drawLine(QPointF(50, 6), QPointF(50, 94));
    painter.drawLine(QPointF(6, 50), QPointF(94, 50));
    painter.drawLine(QPointF(14, 28), QPointF(86, 28));
    painter.drawLine(QPointF(14, 72), QPointF(86, 72));
}

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setProperty(controls::kAccessibleRoleProperty, QAccessible::Graphic);
}

void PictureBox::SetArtwork(const QString& name) {
    m_artwork = name;
    m_picture = QImage();
    m_cache = QImage();
    update();
}

void PictureBox::SetPicture(const QImage& picture) {
    m_picture = picture;
    m_artwork.clear();
    m_cache = QImage();
    update();
}

QImage PictureBox::Render(QSize size, qreal ratio) const {
    QImage image((QSizeF(size) * ratio).toSize().expandedTo(QSize(1, 1)),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_picture.isNull()) {
        painter.drawImage(QRectF(QPointF(0, 0), QSizeF(image.size())), m_picture);
    } else {
        // The drawings are made for a 100 x 100 box, scaled to the control's device pixels.
        painter.scale(image.width() / 100.0, image.height() / 100.0);
        if (m_artwork == "Exclamation") {
            DrawExclamation(painter);
        } else if (m_artwork == "Globe") {
            DrawGlobe(painter);
        }
    }
    painter.end();
    image.setDevicePixelRatio(ratio);
    return image;
}

void PictureBox::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    if (m_cache.isNull() || m_cache.deviceIndependentSize() != QSizeF(size()) ||
        m_cache.devicePixelRatio() != ratio) {
        m_cache = Render(size(), ratio);
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_cache);
}

}  // namespace ostrel::ui
