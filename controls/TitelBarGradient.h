#pragma once

#include <QImage>
#include <QPainter>

#include "controls/Colors.h"

namespace ostrel::controls {

// Draws the straight line from `from` to `to` (horizontal or vertical) without its end point, the
// way the title bar's rules count pixels: (0, y)-(3, y) covers x = 0, 1, 2 and (5, y)-(2, y)
// covers x = 5, 4, 3.
void DrawLine(QPainter& painter, QPoint from, QPoint to, OleColor rgb);

// One colour per row from `begin` at row 0 to `end` at row `rows`: each channel steps by
// (begin - end) / rows in single precision and every row rounds, halves to even.
class RowGradient {
  public:
    RowGradient(OleColor begin, OleColor end, int rows);
    OleColor At(int row) const;

  private:
    int m_begin[3];
    float m_step[3];
};

// What the background gradient of a title bar depends on. Colours are already resolved to RGB.
struct GradientLayout {
    int style = 8;
    int scaleWidth = 0;
    int scaleHeight = 0;
    float backColorCover = 3.0f;
    int borderNormal = 2;
    OleColor v1Begin = 0, v1End = 0, v2Begin = 0, v2End = 0;
    OleColor highLight = 0, darkLight = 0;
    // Left edge of the caption buttons' area, laid out around by style 13.
    int buttonAreaLeft = 0;
};

// Paints the gradient of `layout.style` over the rows it covers; rows it leaves out keep what the
// painter's device holds (the cleared background).
void PaintGradient(QPainter& painter, const GradientLayout& layout);

// Lays the rounded band behind a caption of `captionWidth` pixels (measured in the bar's font)
// by stretching pixel column 3 of the finished background upside down.
void PaintDashBand(QImage& surface, int captionWidth, int borderNormal, int scaleHeight);

}  // namespace ostrel::controls
