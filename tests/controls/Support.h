#pragma once

#include <QCoreApplication>
#include <QEvent>
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

// Counts the paint events a shown widget and its children receive, so a test sees whether a call
// repainted anything.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget& widget) {
        widget.installEventFilter(this);
        for (QWidget* child : widget.findChildren<QWidget*>()) {
            child->installEventFilter(this);
        }
    }
    // Delivers what is pending, then counts from zero.
    void Reset() {
        QCoreApplication::processEvents();
        m_count = 0;
    }
    // The paint events since Reset(), once what is pending has been delivered.
    int Count() {
        QCoreApplication::processEvents();
        return m_count;
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++m_count;
        }
        return false;
    }

  private:
    int m_count = 0;
};

}  // namespace ostrel::controls::testing
