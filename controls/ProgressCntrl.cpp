#include "controls/ProgressCntrl.h"

#include <QLabel>

#include "controls/DrawingSurface.h"

namespace ostrel::controls {
namespace {

constexpr int kStatusLeftTwips = 50;

void SetColor(QWidget* widget, QPalette::ColorRole role, OleColor color) {
    QPalette palette = widget->palette();
    palette.setColor(role, ToQColor(TranslateColor(color, palette)));
    widget->setPalette(palette);
}

QLabel* StatusLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font("Tahoma");
    font.setPointSizeF(9.75);
    label->setFont(font);
    label->adjustSize();  // the labels size themselves to their text
    return label;
}

}  // namespace

ProgressCntrl::ProgressCntrl(QWidget* parent)
    : QWidget(parent),
      m_mainBox(new QWidget(this)),
      m_progress(new QWidget(this)),
      m_stat2(StatusLabel("Status", m_mainBox)),
      m_stat1(StatusLabel(QString(), m_progress)) {
    m_mainBox->setObjectName("MainBox");
    m_mainBox->setAutoFillBackground(true);
    SetColor(m_mainBox, QPalette::Window, RGB(128, 128, 128));
    m_progress->setObjectName("Progress");
    m_progress->setAutoFillBackground(true);
    SetColor(m_progress, QPalette::Window, RGB(0, 0, 128));
    m_progress->setGeometry(0, 0, 1, TwipsToPixels(375));
    m_stat2->setObjectName("Stat2");
    SetColor(m_stat2, QPalette::WindowText, RGB(255, 255, 255));
    m_stat1->setObjectName("Stat1");
    m_progress->hide();
    LayOut();
}

QSize ProgressCntrl::sizeHint() const {
    return {TwipsToPixels(4695), TwipsToPixels(375)};
}

void ProgressCntrl::SetBackColor(OleColor color) {
    SetColor(m_progress, QPalette::Window, color);
}

void ProgressCntrl::SetForeColor(OleColor color) {
    SetColor(m_progress, QPalette::WindowText, color);
    SetColor(m_stat1, QPalette::WindowText, color);
    SetColor(m_stat2, QPalette::WindowText, color);
}

void ProgressCntrl::SetValue(int value) {
    m_progress->setVisible(value != 0);
    m_value = value;
    // Max 0 gives no ratio and a negative width is refused: the bar then keeps its width. The
    // track spans the control; its own geometry follows at the control's next resize event,
    // which a hidden control gets only when shown.
    if (m_max != 0) {
        const double twips = PixelsToTwips(width()) * (double(value) / m_max);
        if (twips >= 0) {
            m_progress->resize(RoundHalfEven(twips / kTwipsPerPixel), m_progress->height());
        }
    }
    update();
}

QString ProgressCntrl::Caption() const {
    return m_stat1->text();
}

void ProgressCntrl::SetCaption(const QString& caption) {
    m_stat1->setText(caption);
    m_stat1->adjustSize();
    m_stat2->setText(caption);
    m_stat2->adjustSize();
}

void ProgressCntrl::resizeEvent(QResizeEvent*) {
    LayOut();
}

void ProgressCntrl::LayOut() {
    m_mainBox->setGeometry(rect());
    // Both labels at the same place in their own box, a little above the middle.
    const double topTwips =
        PixelsToTwips(m_mainBox->height()) / 2.0 - PixelsToTwips(m_stat1->height()) / 2.0 - 30;
    const QPoint position(RoundHalfEven(kStatusLeftTwips / double(kTwipsPerPixel)),
                          RoundHalfEven(topTwips / kTwipsPerPixel));
    m_stat1->move(position);
    m_stat2->move(position);
    m_progress->resize(m_progress->width(), m_mainBox->height());
}

}  // namespace ostrel::controls
