#pragma once

#include "controls/Colors.h"
#include "controls/DrawingSurface.h"
#include "controls/PropertyBag.h"

namespace ostrel::controls {

// A straight line on a form between (X1, Y1) and (X2, Y2), in twips of its container. The widget
// covers the line's bounding box, is transparent around the line and lets the mouse through.
class Line : public DrawingSurface {
    Q_OBJECT
  public:
    explicit Line(QWidget* parent = nullptr);

    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    double X1() const { return m_x1; }
    void SetX1(double twips);
    double Y1() const { return m_y1; }
    void SetY1(double twips);
    double X2() const { return m_x2; }
    void SetX2(double twips);
    double Y2() const { return m_y2; }
    void SetY2(double twips);
    void SetEndPoints(double x1, double y1, double x2, double y2);
    OleColor BorderColor() const { return m_borderColor; }
    void SetBorderColor(OleColor color);
    // In pixels.
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int pixels);

  protected:
    void Redraw() override;

  private:
    // Moves the widget over the line's bounding box and redraws.
    void Place();

    double m_x1 = 0;
    double m_y1 = 0;
    double m_x2 = 0;
    double m_y2 = 0;
    OleColor m_borderColor = kDefaultBorderColor;
    int m_borderWidth = 1;

    static constexpr OleColor kDefaultBorderColor = SystemColor(8);  // window text
};

}  // namespace ostrel::controls
