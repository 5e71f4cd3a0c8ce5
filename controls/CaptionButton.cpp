#include "controls/CaptionButton.h"

#include <QMouseEvent>
#include <QPainter>

namespace ostrel::controls {

CaptionButton::CaptionButton(GlyphKind kind, QWidget* parent) : QWidget(parent), m_kind(kind) {
    setMouseTracking(true);
}

bool CaptionButton::ShowGlyph(int index) {
    if (index == m_glyph) {
        return false;
    }
    QImage image = CaptionGlyph(m_kind, index, devicePixelRatioF());
    if (image.isNull()) {
        return false;
    }
    m_glyph = index;
    m_image = std::move(image);
    resize(m_image.deviceIndependentSize().toSize());
    update();
    return true;
}

void CaptionButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_image);
}

void CaptionButton::mousePressEvent(QMouseEvent* event) {
    emit Pressed(event->button());
}

void CaptionButton::mouseMoveEvent(QMouseEvent*) {
    emit Moved();
}

void CaptionButton::leaveEvent(QEvent*) {
    emit Left();
}

}  // namespace ostrel::controls
