#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace ostrel::ui {

// A picture on a form: either a stored image or one of the program's own drawings, which is
// drawn at the window's pixel ratio so that it stays sharp at any scale. Transparent around
// the picture.
class PictureBox : public QWidget {
    Q_OBJECT
  public:
    explicit PictureBox(QWidget* parent = nullptr);

    // "Exclamation" (a warning sign) or "Globe"; an unknown name draws nothing.
    void SetArtwork(const QString& name);
    QString Artwork() const { return m_artwork; }
    // A stored image, scaled to the control; replaces the drawing.
    void SetPicture(const QImage& picture);

    // The picture as it is shown: `size` logical pixels at `ratio` device pixels each.
    QImage Render(QSize size, qreal ratio) const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString m_artwork;
    QImage m_picture;
    QImage m_cache;
};

}  // namespace ostrel::ui
