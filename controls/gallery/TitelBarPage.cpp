// Gallery pages of the title bar: every background style, the three glyph sets in their states,
// the caption's variants, and a frameless window to drag.
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

#include "controls/FixedLook.h"
#include "controls/TitelBar.h"
#include "controls/gallery/GalleryPage.h"

namespace ostrel::gallery {
namespace {

using controls::GlyphIndex;
using controls::RGB;
using controls::TitelBar;

constexpr int kBarWidth = 420;

// A 16 x 16 title icon drawn here: a sheet of paper cut into strips.
QImage TitleIcon() {
    QImage icon(16, 16, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.fillRect(QRect(3, 1, 10, 7), QColor(250, 250, 250));
    painter.setPen(QColor(70, 70, 80));
    painter.drawRect(QRect(3, 1, 9, 7));
    for (int x = 3; x <= 11; x += 2) {
        painter.fillRect(QRect(x, 9, 1, 6), QColor(250, 250, 250));
    }
    painter.fillRect(QRect(1, 8, 14, 2), QColor(200, 40, 40));
    return icon;
}

TitelBar* NewBar(QWidget* parent, const QString& caption) {
    auto* bar = new TitelBar(parent);
    bar->setFixedSize(kBarWidth, TitelBar::kNewHeight);
    bar->SetCaption(caption);
    return bar;
}

QWidget* StylesPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    for (int style = 0; style <= 14; ++style) {
        TitelBar* bar = NewBar(page, QStringLiteral("Style %1").arg(style));
        bar->SetStyle(style);
        bar->SetShowMaximized(style >= 12);
        grid->addWidget(bar, style % 8, style / 8);
    }
    TitelBar* wide = NewBar(page, "Style 8, cover 6, BorderNormal 0");
    wide->SetBackColorCover(6.0f);
    wide->SetBorderNormal(0);
    grid->addWidget(wide, 7, 1);
    return page;
}

QWidget* PartsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    const char* const states[] = {"hover", "normal", "disabled"};
    for (quint8 iconStyle = 0; iconStyle < controls::kIconStyleCount; ++iconStyle) {
        for (int offset = controls::kGlyphHover; offset <= controls::kGlyphDisabled; ++offset) {
            TitelBar* bar = NewBar(
                page, QStringLiteral("IconStyle %1, %2").arg(iconStyle).arg(states[offset - 1]));
            bar->SetIconStyle(iconStyle);
            bar->SetShowMaximized(true);
            if (offset == controls::kGlyphDisabled) {
                bar->SetShowCloseEnabled(false);
                bar->SetShowMinimizedEnabled(false);
                bar->SetShowMaximizedEnabled(false);
            }
            if (offset == controls::kGlyphHover) {
                // After the first redraw, which puts the normal glyphs back.
                QTimer::singleShot(0, bar, [bar, iconStyle] {
                    for (auto* button : {bar->TBARX(), bar->TBAR_(), bar->TBARMax()}) {
                        button->ShowGlyph(GlyphIndex(iconStyle, controls::kGlyphHover));
                    }
                });
            }
            layout->addWidget(bar);
        }
    }

    QFont bold(controls::kFixedFontFamily, 10);
    bold.setBold(true);
    TitelBar* ring = NewBar(page, "3-D on all four sides, width 2");
    ring->SetFont(bold);
    ring->SetCaption3DTop(true);
    ring->SetCaption3DLeft(true);
    layout->addWidget(ring);
    TitelBar* outlined = NewBar(page, "CaptionBorder, colour 0");
    outlined->SetFont(bold);
    outlined->SetCaptionBorder(true);
    outlined->SetCaptionColor(RGB(255, 220, 120));
    layout->addWidget(outlined);
    TitelBar* dashed = NewBar(page, "DashBack");
    dashed->SetFont(bold);
    dashed->SetDashBack(true);
    dashed->SetCaptionColor(RGB(20, 30, 60));
    dashed->SetCaptionShadowColor(RGB(200, 200, 200));
    dashed->SetCaptionColorBack(RGB(230, 230, 230));
    layout->addWidget(dashed);
    TitelBar* icon = NewBar(page, "Title icon, PicturePosMode 2, centred caption");
    icon->SetPictureButton(TitleIcon());
    icon->SetPicturePosMode(2);
    icon->SetCaptionPosY(0);
    icon->SetStyle(0);
    icon->SetCaptionColor(RGB(20, 30, 60));
    icon->SetCaptionShadowColor(RGB(250, 250, 250));
    icon->SetCaptionColorBack(RGB(180, 190, 205));
    layout->addWidget(icon);
    TitelBar* flat = NewBar(page, "Style 14, caption right, no border, no buttons");
    flat->SetStyle(14);
    flat->SetCaptionPosX(3);
    flat->SetBorderNormal(0);
    flat->SetShowClose(false);
    flat->SetShowMinimized(false);
    layout->addWidget(flat);
    return page;
}

// A frameless window carrying the bar the way the program's forms do; `ostrel-gallery --show
// "TitelBar window"` opens it alone, to drag it around on a real desktop.
QWidget* WindowPage() {
    auto* form = new QWidget;
    form->setWindowFlag(Qt::FramelessWindowHint);
    auto* layout = new QVBoxLayout(form);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new TitelBar(form);
    QFont bold(controls::kFixedFontFamily, 9);
    bold.setBold(true);
    bar->SetFont(bold);
    bar->SetCaption("Ostrel");
    bar->SetPictureButton(TitleIcon());
    bar->SetPicturePosMode(2);
    bar->SetShowMaximized(true);
    layout->addWidget(bar);
    auto* body = new QLabel("Drag the bar to move this window.", form);
    body->setAlignment(Qt::AlignCenter);
    body->setMinimumSize(kBarWidth, 140);
    layout->addWidget(body);
    return form;
}

}  // namespace

OSTREL_GALLERY_PAGE(TitelBarStyles, "TitelBar styles", StylesPage);
OSTREL_GALLERY_PAGE(TitelBarParts, "TitelBar parts", PartsPage);
OSTREL_GALLERY_PAGE(TitelBarWindow, "TitelBar window", WindowPage);

}  // namespace ostrel::gallery
