#pragma once

#include <QImage>
#include <QWidget>

namespace ostrel::controls {

// Twips on forms and in control geometry: 15 twips are one pixel.
inline constexpr int kTwipsPerPixel = 15;
constexpr int TwipsToPixels(int twips) {
    return twips / kTwipsPerPixel;
}
constexpr int PixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

// The base of every owner-drawn control: it paints into a retained image of its surface (in
// logical pixels, made at the window's device pixel ratio) and paintEvent only copies that
// image. Subclasses draw in Redraw() through Surface() and call Refresh() when their look
// changes; a resize makes a new image and redraws.
class DrawingSurface : public QWidget {
    Q_OBJECT
  public:
    explicit DrawingSurface(QWidget* parent = nullptr);

    // The retained image; its size is the widget's size times the device pixel ratio.
    QImage& Surface() { return m_surface; }
    const QImage& Surface() const { return m_surface; }

    // Redraws the retained image now and schedules a repaint of the widget.
    void Refresh();

  protected:
    // Draws the whole look into Surface(). The default fills it with the background colour.
    virtual void Redraw();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // Makes the image match the widget's size and pixel ratio; true when it was made anew.
    bool EnsureSurface();

  private:
    QImage m_surface;
};

}  // namespace ostrel::controls
