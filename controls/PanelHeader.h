#pragma once

#include <QColor>
#include <QImage>

#include "controls/Colors.h"
#include "controls/DrawingSurface.h"

class QPainter;

namespace ostrel::controls {

// A vertical two-colour gradient of w x h pixels: row 0 is `top`, row h - 1 is `bottom`, each
// channel of the rows between interpolated and rounded halves to even. The colours are taken
// apart byte by byte, so they must be plain RGB values. A null image when w or h is under 1; a
// single row is the top colour.
QImage MakeGradientPicture(int w, int h, OleColor top, OleColor bottom);

// The red, green and blue bytes of `color`, taken by masking.
void SplitColor(OleColor color, int& red, int& green, int& blue);

// The pixel that holds twip `twips` (15 twips per pixel, counted from pixel 0's first twip).
int PixelOfTwips(int twips);

// Draws the horizontal or vertical line from (x1, y1) to (x2, y2), in twips, one pixel thick.
// The start point is drawn and the end point is not, so a line from x to x + 15 sets one pixel.
void DrawTwipsLine(QPainter& painter, int x1, int y1, int x2, int y2, const QColor& color);

// The collapsible panel's header strip. It keeps what its owner drew into Canvas() and asks
// for nothing on repaint; only when its image has to be made anew (a new size or pixel ratio)
// does it signal SurfaceRenewed, because a new image has nothing to keep. Mouse moves (also
// without a button held) and left-button clicks are passed on to the owner as signals.
class PanelHeader : public DrawingSurface {
    Q_OBJECT
  public:
    explicit PanelHeader(QWidget* parent);

    // The retained image, matching the widget's current size, to draw the header into.
    QImage& Canvas();

    OleColor TextColor() const { return m_textColor; }
    void SetTextColor(OleColor color) { m_textColor = color; }

  signals:
    void Clicked();
    // `x` in twips from the header's left edge.
    void MouseMoved(int x);
    void SurfaceRenewed();

  protected:
    void Redraw() override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    OleColor m_textColor = 0;
    bool m_pressed = false;
};

}  // namespace ostrel::controls
