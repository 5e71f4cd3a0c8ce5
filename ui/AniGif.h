#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

class QMovie;

namespace ostrel::ui {

// Plays an animated GIF file in a loop, scaled to the control. Each frame is scaled to the
// control's device pixels once, so a file drawn at twice the size stays sharp at scale 2.
// Without a readable file the control shows nothing.
class AniGif : public QWidget {
    Q_OBJECT
  public:
    explicit AniGif(QWidget* parent = nullptr);
    ~AniGif() override;

    // Plays `path` from its first frame. `startPaused` true would wait for Play(); the
    // program passes false.
    void LoadFile(const QString& path, bool startPaused);
    // True while a file is loaded and its frames advance.
    bool IsPlaying() const;
    // The number of frames of the loaded file; 0 without one.
    int FrameCount() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::unique_ptr<QMovie> m_movie;
    // The frames as shown, scaled to the control's device size once each.
    std::vector<QImage> m_scaled;
    QSize m_scaledSize;
};

}  // namespace ostrel::ui
