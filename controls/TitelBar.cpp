#include "controls/TitelBar.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

#include "controls/TitelBarGradient.h"

namespace ostrel::controls {
namespace {

// Colour arithmetic splits resolved colours into channels.
int Red(OleColor rgb) {
    return static_cast<int>(rgb & 0xFF);
}
int Green(OleColor rgb) {
    return static_cast<int>((rgb / 256) & 0xFF);
}
int Blue(OleColor rgb) {
    return static_cast<int>(rgb / 65536);
}

// The caption's fonts: `size` points become a cell (ascent plus descent) of size * 1.5 pixels,
// weight 800 or normal, with or without antialiasing.
QFont CreateCaptionFont(const QString& faceName, int size, bool antiAlias, bool bold) {
    QFont font(faceName);
    font.setWeight(bold ? QFont::ExtraBold : QFont::Normal);
    font.setStyleStrategy(antiAlias ? QFont::PreferAntialias : QFont::NoAntialias);
    const int cell = RoundHalfEven(size * 1.5);
    int pixels = std::max(cell, 1);
    font.setPixelSize(pixels);
    while (pixels > 1 && QFontMetrics(font).height() > cell) {
        font.setPixelSize(--pixels);
    }
    return font;
}

// The font's size in points, also for a font given in pixels.
double PointSize(const QFont& font) {
    return font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
}

}  // namespace

TitelBar::TitelBar(QWidget* parent)
    : DrawingSurface(parent),
      m_tbarX(new CaptionButton(GlyphKind::Close, this)),
      m_tbarMin(new CaptionButton(GlyphKind::Minimize, this)),
      m_tbarMax(new CaptionButton(GlyphKind::Maximize, this)) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_timer1.setInterval(25);
    connect(&m_timer1, &QTimer::timeout, this, &TitelBar::Timer1Tick);
    for (CaptionButton* button : {m_tbarX, m_tbarMin, m_tbarMax}) {
        connect(button, &CaptionButton::Moved, this, [this, button] { ButtonMoved(button); });
        connect(button, &CaptionButton::Left, this, [this, button] { ButtonLeft(button); });
        connect(button, &CaptionButton::Pressed, this, [this, button](Qt::MouseButton mouseButton) {
            ButtonPressed(button, mouseButton);
        });
    }
    resize(width(), kNewHeight);
    InitProperties();
}

OleColor TitelBar::GetRealColor(OleColor color) const {
    return TranslateColor(color);
}

void TitelBar::Redraw() {
    m_persistentImage = true;
    Cls();
    m_foreColor = m_captionColor;
    SetTBX_();
    SetVerlauf(m_backColorV1Begin, m_backColorV1End, m_backColorV2Begin, m_backColorV2End);
    SetImageI();
    Shadow();
    BSetBorder(m_borderNormal);
    m_persistentImage = false;
}

void TitelBar::Cls() {
    Surface().fill(ToQColor(GetRealColor(m_backColor)));
    if (!m_picture.isNull()) {
        QPainter painter(&Surface());
        painter.drawImage(QPoint(0, 0), m_picture);
    }
    update();
}

void TitelBar::SetVerlauf(OleColor v1Begin, OleColor v1End, OleColor v2Begin, OleColor v2End) {
    GradientLayout layout;
    layout.style = m_style;
    layout.scaleWidth = width();
    layout.scaleHeight = height();
    layout.backColorCover = m_backColorCover;
    layout.borderNormal = m_borderNormal;
    layout.v1Begin = GetRealColor(v1Begin);
    layout.v1End = GetRealColor(v1End);
    layout.v2Begin = GetRealColor(v2Begin);
    layout.v2End = GetRealColor(v2End);
    layout.highLight = GetRealColor(m_borderColorHighLight);
    layout.darkLight = GetRealColor(m_borderColorDarkLight);
    layout.buttonAreaLeft = width();
    for (const CaptionButton* button : {m_tbarX, m_tbarMax, m_tbarMin}) {
        if (Shown(button)) {
            layout.buttonAreaLeft = std::min(layout.buttonAreaLeft, button->x() - 6);
        }
    }
    {
        QPainter painter(&Surface());
        PaintGradient(painter, layout);
    }
    if (m_dashBack) {
        PaintDashBand(Surface(), QFontMetrics(font()).horizontalAdvance(m_caption), m_borderNormal,
                      height());
    }
    update();
}

void TitelBar::SetImageI() {
    if (m_pictureButton.isNull()) {
        return;
    }
    const QSize size = m_pictureButton.deviceIndependentSize().toSize();
    // A centred position that does not fit its 16-bit field is skipped, the old one kept.
    if (m_picturePosMode == 1 || m_picturePosMode == 3) {
        const int x = RoundHalfEven((width() - size.width()) / 2.0);
        if (std::in_range<qint16>(x)) {
            m_picturePosX = static_cast<qint16>(x);
        }
    }
    if (m_picturePosMode == 2 || m_picturePosMode == 3) {
        const int y = RoundHalfEven((height() - size.height()) / 2.0);
        if (std::in_range<qint16>(y)) {
            m_picturePosY = static_cast<qint16>(y);
        }
    }
    QPainter painter(&Surface());
    painter.drawImage(QRect(QPoint(m_picturePosX, m_picturePosY), size), m_pictureButton);
    update();
}

void TitelBar::DrawCaptionText(QPainter& painter, int x, int y, OleColor rgb) {
    painter.setPen(ToQColor(rgb));
    painter.drawText(x, y + painter.fontMetrics().ascent(), m_caption);
}

void TitelBar::Shadow() {
    int depth = m_caption3DWidth;
    const OleColor shadow = GetRealColor(m_captionShadowColor);
    const OleColor fade = GetRealColor(m_captionColorBack);
    // The OR keeps a black outline from reading as "no outline".
    const OleColor outline = m_captionBorder ? (GetRealColor(m_captionBorderColor) | 0x010000) : 0;
    if (depth > 0 && outline != 0) {
        ++depth;
    }
    const QSize picture = m_pictureButton.deviceIndependentSize().toSize();
    int x = m_pictureButton.isNull() ? 6 : RoundHalfEven(m_picturePosX + 6.0 + picture.width());

    const OleColor textColor = GetRealColor(m_foreColor);
    const bool savedMode = m_persistentImage;
    m_persistentImage = true;

    const int size = RoundHalfEven(PointSize(font()));
    QPainter painter(&Surface());
    painter.setFont(CreateCaptionFont(font().family(), size, false, false));
    const QFontMetrics metrics = painter.fontMetrics();
    const int cx = metrics.horizontalAdvance(m_caption);
    const int cy = metrics.height();
    const int sw = width();
    const int sh = height();
    int y = 0;
    switch (m_captionPosY) {
        case 0:
            y = RoundHalfEven((sh - cy) / 2.0);
            break;
        case 2:
            y = static_cast<int>(std::trunc((sh - cy - m_borderNormal) / 2.0));
            break;
        case 3:
            y = RoundHalfEven(static_cast<double>(sh - cy - m_borderNormal));
            break;
        default:
            break;
    }
    switch (m_captionPosX) {
        case 1:
            x = 1 + m_borderNormal;
            break;
        case 2:
            x = RoundHalfEven((sw - cx) / 2.0);
            break;
        case 3:
            x = RoundHalfEven(static_cast<double>(sw - cx - m_borderNormal - 1 - depth));
            break;
        default:
            break;
    }

    const bool top = m_caption3DTop;
    const bool bottom = m_caption3DBottom;
    const bool left = m_caption3DLeft;
    const bool right = m_caption3DRight;
    for (int i = depth; i >= 1; --i) {
        // The farthest copy has the fade colour; nearer ones move towards the shadow colour.
        auto blend = [&](int f, int s) {
            return RoundHalfEven(static_cast<double>(f) / depth * i +
                                 static_cast<double>(s) / depth * (depth - i));
        };
        const OleColor rgb = RGB(blend(Red(fade), Red(shadow)), blend(Green(fade), Green(shadow)),
                                 blend(Blue(fade), Blue(shadow)));
        if (top && bottom && left && right) {
            for (int j = -i; j <= i; ++j) {
                DrawCaptionText(painter, x + j, y + i, rgb);
                DrawCaptionText(painter, x + j, y - i, rgb);
                DrawCaptionText(painter, x + i, y + j, rgb);
                DrawCaptionText(painter, x - i, y - j, rgb);
            }
        } else if (bottom && right) {
            DrawCaptionText(painter, x + i, y + i, rgb);
        } else if (top && left) {
            DrawCaptionText(painter, x - i, y - i, rgb);
        } else {
            if (bottom) {
                DrawCaptionText(painter, x, y + i, rgb);
            }
            if (top) {
                DrawCaptionText(painter, x, y - i, rgb);
            }
            if (right) {
                DrawCaptionText(painter, x + i, y, rgb);
            }
            if (left) {
                DrawCaptionText(painter, x - i, y, rgb);
            }
        }
    }

    painter.setFont(CreateCaptionFont(font().family(), size, true, font().bold()));
    if (outline != 0) {
        static constexpr int kRing[8][2] = {{1, 0},   {1, 1},  {1, -1}, {-1, 0},
                                            {-1, -1}, {-1, 1}, {0, -1}, {0, 1}};
        for (const auto& offset : kRing) {
            DrawCaptionText(painter, x + offset[0], y + offset[1], outline);
        }
    }
    DrawCaptionText(painter, x, y, textColor);
    painter.end();
    m_persistentImage = savedMode;
    update();
}

void TitelBar::BSetBorder(quint8 borderWidth) {
    if (borderWidth == 0) {
        return;
    }
    const int w = width();
    const int h = height();
    const OleColor dark = GetRealColor(m_borderColorDarkLight);
    const OleColor light = GetRealColor(m_borderColorHighLight);
    QPainter painter(&Surface());
    DrawLine(painter, {0, h - 1}, {w, h - 1}, dark);
    DrawLine(painter, {w - 1, 0}, {w - 1, h - 1}, dark);
    DrawLine(painter, {0, 0}, {w, 0}, light);
    DrawLine(painter, {0, 0}, {0, h}, light);
    update();
}

}  // namespace ostrel::controls
