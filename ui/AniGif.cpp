#include "ui/AniGif.h"

#include <QAccessible>

#include "controls/Accessible.h"

#include <QFileInfo>
#include <QMovie>
#include <QPainter>

namespace ostrel::ui {

AniGif::AniGif(QWidget* parent) : QWidget(parent) {
    setProperty(controls::kAccessibleRoleProperty, QAccessible::Animation);
}

AniGif::~AniGif() = default;

void AniGif::LoadFile(const QString& path, bool startPaused) {
    m_movie.reset();
    m_scaled.clear();
    update();
    if (!QFileInfo(path).isFile()) {
        return;
    }
    auto movie = std::make_unique<QMovie>(path, QByteArray("gif"));
    if (!movie->isValid()) {
        return;
    }
    movie->setCacheMode(QMovie::CacheAll);  // a few small frames, decoded once
    connect(movie.get(), &QMovie::frameChanged, this, qOverload<>(&QWidget::update));
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

void AniGif::paintEvent(QPaintEvent*) {
    if (!m_movie) {
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize device = (QSizeF(size()) * ratio).toSize();
    const int number = m_movie->currentFrameNumber();
    if (number < 0) {
        return;
    }
    if (m_scaledSize != device) {
        m_scaled.clear();  // resized, or moved to a screen of another scale
        m_scaledSize = device;
    }
    if (m_scaled.size() <= static_cast<std::size_t>(number)) {
        m_scaled.resize(static_cast<std::size_t>(number) + 1);
    }
    QImage& frame = m_scaled[static_cast<std::size_t>(number)];
    if (frame.isNull()) {
        frame =
            m_movie->currentImage().scaled(device, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        frame.setDevicePixelRatio(ratio);
    }
    QPainter painter(this);
    const QSizeF shown = frame.deviceIndependentSize();
    painter.drawImage(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2),
                      frame);
}

}  // namespace ostrel::ui
