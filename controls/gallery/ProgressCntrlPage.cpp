// The simple progress box: hidden bar, partly and fully covered, past the end, other colours.
#include <QFormLayout>

#include "controls/ProgressCntrl.h"
#include "controls/gallery/GalleryPage.h"

namespace ostrel::gallery {
namespace {

QWidget* MakePage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    struct Row {
        const char* name;
        int value;
        const char* caption;
        bool recoloured;
    };
    const Row rows[] = {{"value 0", 0, "Status", false},
                        {"25 of 100", 25, "Shredding 25 of 100", false},
                        {"60 of 100", 60, "Shredding 60 of 100", false},
                        {"100 of 100", 100, "Done", false},
                        {"150 of 100", 150, "Past the end", false},
                        {"recoloured", 40, "Shredding 40 of 100", true}};
    for (const Row& r : rows) {
        auto* progress = new controls::ProgressCntrl(page);
        progress->setFixedSize(progress->sizeHint());
        progress->SetMax(100);
        progress->SetCaption(r.caption);
        if (r.recoloured) {
            progress->SetBackColor(controls::RGB(0, 128, 64));
            progress->SetForeColor(controls::RGB(255, 255, 0));
        }
        progress->SetValue(r.value);
        form->addRow(r.name, progress);
    }
    return page;
}

}  // namespace

OSTREL_GALLERY_PAGE(ProgressCntrlPage, "ProgressCntrl", MakePage);

}  // namespace ostrel::gallery
