#pragma once

#include <QImage>
#include <QWidget>

#include "controls/CaptionGlyphs.h"

namespace ostrel::controls {

// One caption button of the title bar: it shows one glyph of its kind, is its own hit area and
// reports presses and moves to the bar, which decides what they do.
class CaptionButton : public QWidget {
    Q_OBJECT
  public:
    CaptionButton(GlyphKind kind, QWidget* parent);

    GlyphKind Kind() const { return m_kind; }
    // The index of the glyph shown, 0 before the first.
    int Glyph() const { return m_glyph; }
    // Shows glyph `index` and takes its size. Returns false, repainting nothing, when that glyph
    // is already shown or does not exist.
    bool ShowGlyph(int index);

  signals:
    void Pressed(Qt::MouseButton button);
    void Moved();
    void Left();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    GlyphKind m_kind;
    int m_glyph = 0;
    QImage m_image;
};

}  // namespace ostrel::controls
