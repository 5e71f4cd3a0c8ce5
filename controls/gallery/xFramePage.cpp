// The collapsible panel in its colour schemes and the disabled palette, each expanded and
// unpinned (with the body gradient), expanded and pinned, and collapsed; below, the glyph
// variants and a header picture.
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include "controls/Colors.h"
#include "controls/gallery/GalleryPage.h"
#include "controls/xFrame.h"

namespace ostrel::gallery {
namespace {

using controls::xFrame;

constexpr int kPanelWidth = 200;
constexpr int kPanelHeight = 80;
constexpr int kGap = 10;

QPixmap SmallPicture() {
    QPixmap picture(14, 14);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.fillRect(1, 3, 12, 10, QColor(240, 200, 80));
    painter.fillRect(1, 1, 5, 2, QColor(240, 200, 80));
    painter.setPen(QColor(150, 110, 30));
    painter.drawRect(1, 3, 11, 9);
    return picture;
}

xFrame* AddPanel(QWidget* page, int row, int column, const QString& caption) {
    auto* panel = new xFrame(QString("xFrame%1%2").arg(row).arg(column), page);
    panel->setGeometry(kGap + column * (kPanelWidth + kGap), kGap + row * (kPanelHeight + kGap),
                       kPanelWidth, kPanelHeight);
    panel->SetCaption(caption);
    panel->SetButton(true);
    panel->SetButtonPin(true);
    return panel;
}

QWidget* MakePage() {
    auto* page = new QWidget;
    constexpr int kRows = 6;
    page->setFixedSize(kGap + 3 * (kPanelWidth + kGap), kGap + kRows * (kPanelHeight + kGap));
    for (int row = 0; row < 5; ++row) {
        const bool disabled = row == 4;
        const QString name = disabled ? QString("Disabled") : QString("Scheme %1").arg(row);
        for (int column = 0; column < 3; ++column) {
            static const char* const kStates[] = {"gradient", "pinned", "collapsed"};
            xFrame* panel = AddPanel(page, row, column, name + ", " + kStates[column]);
            panel->SetColorScheme(disabled ? 1 : row);
            if (column == 0) {
                panel->SetEnableGradient(true);
            } else if (column == 1) {
                panel->SetFramePinned(true);
            } else {
                panel->SetExpanded(false);
            }
            if (disabled) {
                panel->SetEnabled(false);
            }
        }
    }
    xFrame* buttonOnly = AddPanel(page, 5, 0, "Button only");
    buttonOnly->SetButtonPin(false);
    xFrame* pinOnly = AddPanel(page, 5, 1, "ButtonPin only");
    pinOnly->SetButton(false);
    xFrame* picture = AddPanel(page, 5, 2, "Picture");
    picture->SetPicture(SmallPicture());
    picture->SetEnableGradient(true);
    return page;
}

}  // namespace

OSTREL_GALLERY_PAGE(xFramePage, "xFrame", MakePage);

}  // namespace ostrel::gallery
