#include "ui/AniGif.h"

#include <QFileInfo>
#include <QMovie>
#include <QPainter>

namespace ostrel::ui {

AniGif::AniGif(QWidget* parent) : QWidget(parent) {}

AniGif::~AniGif() = default;

void AniGif::LoadFile(const QString& path, bool startPaused) {
    m_movie.reset();
    m_frame = QImage();
    update();
    if (!QFileInfo(path).isFile()) {
        return;
    }
    auto movie = std::make_unique<QMovie>(path, QByteArray("gif"));
    if (!movie->isValid()) {
        return;
    }
    movie->setCacheMode(QMovie::CacheAll);  // a few small frames, decoded once
    connect(movie.get(), &QMovie::frameChanged, this, &AniGif::FrameChanged);
    m_movie = std::move(movie);
    m_movie->start();
    if (startPaused) {
        m_movie->setPaused(true);
    }
}

bool AniGif::IsPlaying() const {
    return m_movie && m_movie->state() == QMovie::Running;
}

int AniGif::FrameCount() const {
    return m_movie ? m_movie->frameCount() : 0;
}

void AniGif::FrameChanged() {
    m_frame = QImage();
    update();
}

void AniGif::paintEvent(QPaintEvent*) {
    if (!m_movie) {
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize device = (QSizeF(size()) * ratio).toSize();
    if (m_frame.isNull() || m_frame.size() != device) {
        const QImage frame = m_movie->currentImage();
        if (frame.isNull()) {
            return;
        }
        m_frame = frame.scaled(device, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        m_frame.setDevicePixelRatio(ratio);
    }
    QPainter painter(this);
    const QSizeF shown = m_frame.deviceIndependentSize();
    painter.drawImage(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2),
                      m_frame);
}

}  // namespace ostrel::ui
