#pragma once

#include <QImage>
#include <QJsonDocument>
#include <QWidget>
#include <string>

#include "controls/PropertyBag.h"

namespace ostrel::controls::testing {

// "r,g,b" of one pixel, so a failing comparison shows the colours.
inline std::string PixelAt(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return std::to_string(c.red()) + "," + std::to_string(c.green()) + "," +
           std::to_string(c.blue());
}

inline std::string Rgb(int r, int g, int b) {
    return std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b);
}

// What the widget shows, at device pixel ratio 1.
inline QImage Shot(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A stored design given as JSON text, as a form's design file holds it.
inline PropertyBag Bag(const QByteArray& json) {
    return PropertyBag(QJsonDocument::fromJson(json).object());
}

}  // namespace ostrel::controls::testing
