#pragma once

#include <QImage>
#include <QJsonDocument>
#include <QWidget>

#include "controls/PropertyBag.h"

namespace ostrel::controls::testing {

// What the widget shows, at device pixel ratio 1.
inline QImage Shot(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A stored design given as JSON text, as a form's design file holds it.
inline PropertyBag Bag(const QByteArray& json) {
    return PropertyBag(QJsonDocument::fromJson(json).object());
}

}  // namespace ostrel::controls::testing
