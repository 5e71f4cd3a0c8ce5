#include "controls/Line.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "controls/AssignChanged.h"

namespace ostrel::controls {
namespace {

int ToPixels(double twips) {
    return RoundHalfEven(twips / kTwipsPerPixel);
}

}  // namespace

Line::Line(QWidget* parent) : DrawingSurface(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);  // the form shows around the line
    setAttribute(Qt::WA_TransparentForMouseEvents);
    Place();
}

void Line::InitProperties() {
    SetBorderColor(kDefaultBorderColor);
    SetBorderWidth(1);
}

void Line::ReadProperties(const PropertyBag& bag) {
    SetEndPoints(bag.ReadProperty("X1", 0.0).toDouble(), bag.ReadProperty("Y1", 0.0).toDouble(),
                 bag.ReadProperty("X2", 0.0).toDouble(), bag.ReadProperty("Y2", 0.0).toDouble());
    SetBorderColor(bag.ReadProperty("BorderColor", kDefaultBorderColor).toUInt());
    SetBorderWidth(bag.ReadProperty("BorderWidth", 1).toInt());
}

void Line::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty("X1", m_x1, 0.0);
    bag.WriteProperty("Y1", m_y1, 0.0);
    bag.WriteProperty("X2", m_x2, 0.0);
    bag.WriteProperty("Y2", m_y2, 0.0);
    bag.WriteProperty("BorderColor", m_borderColor, kDefaultBorderColor);
    bag.WriteProperty("BorderWidth", m_borderWidth, 1);
}

void Line::SetX1(double twips) {
    SetEndPoints(twips, m_y1, m_x2, m_y2);
}

void Line::SetY1(double twips) {
    SetEndPoints(m_x1, twips, m_x2, m_y2);
}

void Line::SetX2(double twips) {
    SetEndPoints(m_x1, m_y1, twips, m_y2);
}

void Line::SetY2(double twips) {
    SetEndPoints(m_x1, m_y1, m_x2, twips);
}

void Line::SetEndPoints(double x1, double y1, double x2, double y2) {
    m_x1 = x1;
    m_y1 = y1;
    m_x2 = x2;
    m_y2 = y2;
    Place();
}

void Line::SetBorderColor(OleColor color) {
    if (AssignChanged(m_borderColor, color)) {
        Refresh();
    }
}

void Line::SetBorderWidth(int pixels) {
    m_borderWidth = std::max(pixels, 1);
    Place();
}

void Line::Place() {
    const int half = (m_borderWidth - 1) / 2;
    const int left = std::min(ToPixels(m_x1), ToPixels(m_x2)) - half;
    const int top = std::min(ToPixels(m_y1), ToPixels(m_y2)) - half;
    const int width = std::abs(ToPixels(m_x2) - ToPixels(m_x1)) + m_borderWidth;
    const int height = std::abs(ToPixels(m_y2) - ToPixels(m_y1)) + m_borderWidth;
    setGeometry(left, top, width, height);
    Refresh();
}

void Line::Redraw() {
    Surface().fill(Qt::transparent);
    QPainter painter(&Surface());
    const QPoint origin = pos();
    const QPoint from = QPoint(ToPixels(m_x1), ToPixels(m_y1)) - origin;
    const QPoint to = QPoint(ToPixels(m_x2), ToPixels(m_y2)) - origin;
    QPen pen(ToQColor(TranslateColor(m_borderColor, palette())));
    pen.setWidth(m_borderWidth);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    painter.drawLine(from, to);
}

}  // namespace ostrel::controls
