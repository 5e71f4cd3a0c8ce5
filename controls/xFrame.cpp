#include "controls/xFrame.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>

#include "controls/PanelHeader.h"

namespace ostrel::controls {
namespace {

constexpr int kHeaderHeight = 300;
constexpr int kHoverInterval = 10;  // ms

}  // namespace

xFrame::xFrame(const QString& name, QWidget* parent) : DrawingSurface(parent) {
    setObjectName(name);
    setMouseTracking(true);
    InitProperties();
}

xFrame::xFrame(const QString& name, const PropertyBag& bag, QWidget* parent)
    : DrawingSurface(parent) {
    setObjectName(name);
    setMouseTracking(true);
    ReadProperties(bag);
}

void xFrame::CreateParts() {
    if (m_partsCreated) {
        return;
    }
    m_partsCreated = true;
    m_picHeader = new PanelHeader(this);
    m_picHeader->setObjectName("picHeader");
    m_picHeader->show();
    connect(m_picHeader, &PanelHeader::Clicked, this, &xFrame::picHeader_Click);
    connect(m_picHeader, &PanelHeader::MouseMoved, this, &xFrame::picHeader_MouseMove);
    connect(m_picHeader, &PanelHeader::SurfaceRenewed, this, &xFrame::RepaintHeader);

    m_tmrMouseMove = new QTimer(this);
    m_tmrMouseMove->setObjectName("tmrMouseMove");
    m_tmrMouseMove->setInterval(kHoverInterval);
    connect(m_tmrMouseMove, &QTimer::timeout, this, &xFrame::tmrMouseMove_Timer);

    m_imgFramePic = new QLabel(m_picHeader);
    m_imgFramePic->setObjectName("imgFramePic");
    m_imgFramePic->resize(0, 0);
    m_imgFramePic->hide();
}

void xFrame::ResizeHandler() {
    CreateParts();
    m_picHeader->setGeometry(1, 1, width() - 2, TwipsToPixels(kHeaderHeight));
    m_picHeader->raise();
    RepaintHeader();
    if (m_enableGradient) {
        m_gradientReady = false;
    }
    if (HeightTwips() != kCollapsedHeight) {
        m_fullHeight = HeightTwips();
    }
}

void xFrame::resizeEvent(QResizeEvent* event) {
    ResizeHandler();
    DrawingSurface::resizeEvent(event);  // body painting follows the resize
}

void xFrame::Redraw() {
    QImage& surface = Surface();
    surface.fill(ToQColor(TranslateColor(m_backColor)));
    QPainter painter(&surface);
    if (m_enableGradient && !m_gradientReady) {
        m_gradientReady = true;
        // The screen's twips per pixel are the fixed 15, so the picture is the widget's size.
        m_backgroundPicture =
            MakeGradientPicture(width(), height(), m_gradientTop, m_gradientBottom);
    }
    if (!m_backgroundPicture.isNull()) {
        painter.drawImage(0, 0, m_backgroundPicture);
    }
    const int w = PixelsToTwips(width());
    const int h = HeightTwips();
    const QColor border = ToQColor(TranslateColor(m_borderColor));
    DrawTwipsLine(painter, 0, 0, w, 0, border);
    DrawTwipsLine(painter, 0, h - kTwipsPerPixel, w, h - kTwipsPerPixel, border);
    DrawTwipsLine(painter, 0, 0, 0, h, border);
    DrawTwipsLine(painter, w - kTwipsPerPixel, 0, w - kTwipsPerPixel, h, border);
    painter.end();
    RepaintHeader();
}

void xFrame::RepaintHeader() {
    m_headerPainted = false;
    picHeader_Paint();
}

void xFrame::DropGradient() {
    m_gradientReady = false;
    m_backgroundPicture = QImage();
}

void xFrame::SendPendingResize() {
    if (testAttribute(Qt::WA_PendingResizeEvent)) {
        setAttribute(Qt::WA_PendingResizeEvent, false);
        QResizeEvent event(size(), size());
        QCoreApplication::sendEvent(this, &event);
    }
}

void xFrame::SetHeightTwips(int twips) {
    SendPendingResize();
    resize(width(), TwipsToPixels(twips));
    SendPendingResize();
}

}  // namespace ostrel::controls
