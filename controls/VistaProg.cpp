#include "controls/VistaProg.h"

#include <QLabel>
#include <QPainter>
#include <algorithm>

#include "controls/Colors.h"

namespace ostrel::controls {
namespace {

constexpr int kBarHeight = TwipsToPixels(225);
constexpr int kPieceWidth = 2;
constexpr int kDesignWidth = TwipsToPixels(1980);  // right cap's left edge plus its width

constexpr QRgb kEdge = qRgb(145, 145, 145);
constexpr QRgb kFillBody = qRgb(0, 210, 40);
constexpr QRgb kTrackBody = qRgb(202, 202, 202);
constexpr QRgb kCapOff = qRgb(209, 209, 209);

// The bar's pieces, 2 x 15 pixels each, drawn here rather than loaded.
struct Pieces {
    QImage fill, track, leftOn, leftOff, rightOn, rightOff;
};

// A body colour between grey top and bottom edge rows.
QImage Strip(QRgb body) {
    QImage image(kPieceWidth, kBarHeight, QImage::Format_RGB888);
    image.fill(body);
    for (int x = 0; x < kPieceWidth; ++x) {
        image.setPixel(x, 0, kEdge);
        image.setPixel(x, kBarHeight - 1, kEdge);
    }
    return image;
}

// An end cap: a grey outer column and an inner column of `inner` between grey edge rows.
QImage Cap(QRgb inner, bool left) {
    QImage image = Strip(inner);
    const int outer = left ? 0 : kPieceWidth - 1;
    for (int y = 0; y < kBarHeight; ++y) {
        image.setPixel(outer, y, kEdge);
    }
    return image;
}

const Pieces& BarPieces() {
    static const Pieces pieces{Strip(kFillBody),   Strip(kTrackBody),     Cap(kFillBody, true),
                               Cap(kCapOff, true), Cap(kFillBody, false), Cap(kCapOff, false)};
    return pieces;
}

}  // namespace

VistaProg::VistaProg(QWidget* parent) : DrawingSurface(parent), m_lblCaption(new QLabel(this)) {
    // The height never leaves 225 twips, whatever the form asks for.
    setFixedHeight(kBarHeight);
    m_lblCaption->setObjectName("lblCaption");
    m_lblCaption->setFont(QFont("Tahoma", 8));
    // The caption covers the bar from its top left corner, cut off at its edges: it changes with
    // every file of a job, and a label of fixed size need not measure each new text.
    m_lblCaption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblCaption->setGeometry(rect());
    const Pieces& pieces = BarPieces();
    m_barLeft = {QRect(0, 0, kPieceWidth, kBarHeight), &pieces.leftOff};
    m_barRight = {QRect(0, 0, kPieceWidth, kBarHeight), &pieces.rightOff};
    m_barMain = {QRect(0, 0, 1, kBarHeight), &pieces.fill};
    m_barBack = {QRect(1, 0, 111, kBarHeight), &pieces.track};
}

QSize VistaProg::sizeHint() const {
    return {kDesignWidth, kBarHeight};
}

void VistaProg::InitProperties() {
    SetMax(100);
    SetMin(0);
    SetValue(50);
}

void VistaProg::ReadProperties(const PropertyBag& bag) {
    SetMax(bag.ReadProperty("Max", 100).toInt());
    SetMin(bag.ReadProperty("Min", 0).toInt());
    SetValue(bag.ReadProperty("Value", 50).toInt());
}

void VistaProg::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty("Max", m_max, 100);
    bag.WriteProperty("Min", m_min, 0);
    bag.WriteProperty("Value", m_value, 50);
}

void VistaProg::SetValue(int value) {
    m_value = std::max(m_min, std::min(m_max, value));
    DrawBar();
    emit PropertyChanged("Value");
}

void VistaProg::SetMax(int max) {
    max = std::max(max, 1);
    if (max <= m_min) {
        max = m_min + 1;
    }
    m_max = max;
    if (m_value > m_max) {
        SetValue(m_max);
    }
    DrawBar();
    emit PropertyChanged("Max");
}

void VistaProg::SetMin(int min) {
    if (min >= m_max) {
        min = m_max - 1;
    }
    m_min = std::max(min, 0);
    if (m_value < m_min) {
        SetValue(m_min);
    }
    DrawBar();
    emit PropertyChanged("Min");
}

void VistaProg::SetCaption(const QString& caption) {
    m_lblCaption->setText(caption);
}

void VistaProg::SetCaptionFont(const QFont& font) {
    m_lblCaption->setFont(font);
}

void VistaProg::SetFontName(const QString& name) {
    QFont font = m_lblCaption->font();
    font.setFamily(name);
    SetCaptionFont(font);
}

void VistaProg::SetFontSize(int points) {
    QFont font = m_lblCaption->font();
    font.setPointSize(points);
    SetCaptionFont(font);
}

void VistaProg::SetFontBold(bool bold) {
    QFont font = m_lblCaption->font();
    font.setBold(bold);
    SetCaptionFont(font);
}

void VistaProg::SetFontItalic(bool italic) {
    QFont font = m_lblCaption->font();
    font.setItalic(italic);
    SetCaptionFont(font);
}

void VistaProg::SetFontUnderline(bool underline) {
    QFont font = m_lblCaption->font();
    font.setUnderline(underline);
    SetCaptionFont(font);
}

void VistaProg::resizeEvent(QResizeEvent* event) {
    m_lblCaption->setGeometry(rect());
    m_barRight.geometry.moveLeft(width() - m_barRight.geometry.width());
    m_barBack.geometry.setWidth(width());
    DrawBar();
    DrawingSurface::resizeEvent(event);
}

void VistaProg::DrawBar() {
    if (m_max < 1) {
        return;  // not yet given its properties
    }
    const Pieces& pieces = BarPieces();
    // The fraction is Value / Max even when Min is above 0.
    const double percent = m_value * 100.0 / m_max;
    const int fillTwips = RoundHalfEven(PixelsToTwips(width()) * percent / 100);
    if (m_value == 0) {
        m_barMain.geometry.setWidth(1);
        m_barRight.picture = &pieces.rightOff;
        m_barLeft.picture = &pieces.leftOff;
    }
    if (m_value >= 1) {
        m_barLeft.picture = &pieces.leftOn;
        m_barMain.geometry.setWidth(RoundHalfEven(fillTwips / double(kTwipsPerPixel)));
    }
    if (m_value == m_max) {
        m_barRight.picture = &pieces.rightOn;
    } else if (m_value < m_max) {
        m_barRight.picture = &pieces.rightOff;
    }
    Refresh();
}

void VistaProg::Redraw() {
    QPainter painter(&Surface());
    painter.fillRect(rect(), palette().color(backgroundRole()));
    // Back to front: the track, the fill, then the caps over both.
    for (const Piece* piece : {&m_barBack, &m_barMain, &m_barRight, &m_barLeft}) {
        painter.drawImage(piece->geometry, *piece->picture);
    }
}

}  // namespace ostrel::controls
