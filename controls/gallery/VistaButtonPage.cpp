// The push button in each of its looks: plain, with a picture strip, without background, and
// with a caption that wraps.
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "controls/VistaButton.h"
#include "controls/gallery/GalleryPage.h"

namespace ostrel::gallery {
namespace {

using controls::VistaButton;

// Shows a look without a pointer over it.
class PreviewButton : public VistaButton {
  public:
    using VistaButton::SetState;
    using VistaButton::VistaButton;
};

// Three 16 x 16 frames (normal, disabled, pressed) on the green that the mask leaves out.
QImage PictureStrip() {
    QImage strip(48, 16, QImage::Format_RGB32);
    strip.fill(QColor(0, 255, 0));
    QPainter painter(&strip);
    const QColor fills[] = {QColor(40, 110, 200), QColor(160, 160, 160), QColor(20, 70, 150)};
    for (int frame = 0; frame < 3; ++frame) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(fills[frame]);
        painter.drawRect(frame * 16 + 3, 2, 10, 12);
        painter.setBrush(Qt::white);
        painter.drawRect(frame * 16 + 5, 4, 6, 2);
        painter.drawRect(frame * 16 + 5, 8, 6, 2);
    }
    return strip;
}

QWidget* MakePage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    const char* states[] = {"normal", "hover", "pressed", "focused", "disabled"};
    for (int s = 0; s < 5; ++s) {
        grid->addWidget(new QLabel(states[s]), 0, s + 1);
    }
    struct Variant {
        const char* name;
        const char* caption;
        QSize size;
        bool picture;
        bool noBackground;
    };
    const Variant variants[] = {
        {"caption", "&Apply", {75, 23}, false, false},
        {"picture", "&Options", {90, 26}, true, false},
        {"picture only", "", {40, 26}, true, false},
        {"no background", "&Close", {75, 23}, false, true},
        {"wrapped", "Shred the &selected files", {90, 40}, false, false},
    };
    int row = 1;
    for (const Variant& v : variants) {
        grid->addWidget(new QLabel(v.name), row, 0);
        for (int s = 0; s < 5; ++s) {
            auto* button = new PreviewButton(page);
            button->setFocusPolicy(Qt::NoFocus);  // only the looks asked for, no focus
            button->InitProperties();
            button->SetCaption(v.caption);
            button->setFixedSize(v.size);
            if (v.picture) {
                button->SetPicture(PictureStrip());
                button->SetPictures(3);
                button->SetPictureOffset(1);
            }
            button->SetNoBackground(v.noBackground);
            if (s == VistaButton::kPressed) {
                // A real press, so the pressed frame of the picture and its offset show too.
                const QPointF centre(v.size.width() / 2.0, v.size.height() / 2.0);
                QMouseEvent press(QEvent::MouseButtonPress, centre, centre, Qt::LeftButton,
                                  Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(button, &press);
            } else if (s == VistaButton::kDisabled) {
                button->SetEnabled(false);
            } else {
                button->SetState(s);
            }
            grid->addWidget(button, row, s + 1);
        }
        ++row;
    }
    return page;
}

}  // namespace

OSTREL_GALLERY_PAGE(VistaButtonPage, "VistaButton", MakePage);

}  // namespace ostrel::gallery
