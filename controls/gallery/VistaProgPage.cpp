// The bitmap progress bar from empty to full, with and without a caption.
#include <QFormLayout>
#include <QLabel>

#include "controls/VistaProg.h"
#include "controls/gallery/GalleryPage.h"

namespace ostrel::gallery {
namespace {

QWidget* MakePage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    struct Row {
        int min, value, max;
        const char* caption;
    };
    const Row rows[] = {{0, 0, 100, ""},  {0, 1, 100, ""},
                        {0, 25, 100, ""}, {0, 50, 100, ""},
                        {0, 99, 100, ""}, {0, 100, 100, ""},
                        {20, 30, 60, ""}, {0, 3, 12, "C:\\Users\\me\\Documents\\report.doc"}};
    for (const Row& r : rows) {
        auto* bar = new controls::VistaProg(page);
        bar->InitProperties();
        bar->SetMax(r.max);
        bar->SetMin(r.min);
        bar->SetValue(r.value);
        bar->SetCaption(r.caption);
        bar->setFixedWidth(240);
        form->addRow(QString("%1 of %2 (min %3)").arg(r.value).arg(r.max).arg(r.min), bar);
    }
    return page;
}

}  // namespace

OSTREL_GALLERY_PAGE(VistaProgPage, "VistaProg", MakePage);

}  // namespace ostrel::gallery
