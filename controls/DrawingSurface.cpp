#include "controls/DrawingSurface.h"

#include <QPainter>

namespace ostrel::controls {

DrawingSurface::DrawingSurface(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool DrawingSurface::EnsureSurface() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_surface.size() != pixels || m_surface.devicePixelRatio() != ratio) {
        m_surface = QImage(pixels.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        m_surface.setDevicePixelRatio(ratio);
        return true;
    }
    return false;
}

void DrawingSurface::Refresh() {
    EnsureSurface();
    Redraw();
    update();
}

void DrawingSurface::Redraw() {
    m_surface.fill(palette().color(backgroundRole()));
}

void DrawingSurface::paintEvent(QPaintEvent*) {
    // A move to a screen with another scale needs an image of the new size.
    if (EnsureSurface()) {
        Redraw();
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_surface);
}

void DrawingSurface::resizeEvent(QResizeEvent*) {
    Refresh();
}

}  // namespace ostrel::controls
