// The same small form as loaded and after the resizer rescaled it to 1.5 times its width and
// height (fonts and lines included), and once more with the width doubled only.
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "controls/AutoResize.h"
#include "controls/Line.h"
#include "controls/VistaButton.h"
#include "controls/VistaProg.h"
#include "controls/gallery/GalleryPage.h"

namespace ostrel::gallery {
namespace {

using namespace controls;

// A 240 x 150 form; resized to `size` once its layout is recorded.
QWidget* SampleForm(QSize size) {
    auto* form = new QWidget;
    form->setAutoFillBackground(true);
    form->resize(240, 150);
    auto* title = new QLabel("Shred these files?", form);
    title->setGeometry(12, 10, 200, 18);
    auto* bar = new VistaProg(form);
    bar->InitProperties();
    bar->setGeometry(12, 40, 216, 15);
    auto* rule = new Line(form);
    rule->SetEndPoints(180, 1050, 3420, 1050);
    auto* slant = new Line(form);
    slant->SetEndPoints(180, 1200, 1200, 2100);
    auto* ok = new VistaButton(form);
    ok->InitProperties();
    ok->SetCaption("&Yes");
    ok->setGeometry(80, 115, 70, 23);
    auto* cancel = new VistaButton(form);
    cancel->InitProperties();
    cancel->SetCaption("&No");
    cancel->setGeometry(158, 115, 70, 23);
    auto* resizer = new AutoResize(form);
    resizer->InitProperties();
    PropertyBag design;
    design.WriteProperty("WMin", 1500, 4800);
    design.WriteProperty("HMin", 900, 3000);
    resizer->ReadProperties(design);
    resizer->ParentForm_Load();
    form->resize(size);  // scaled when the form is first shown
    return form;
}

QWidget* MakePage() {
    auto* page = new QWidget;
    auto* row = new QHBoxLayout(page);
    for (const auto& [name, size] :
         {std::pair{"as loaded", QSize(240, 150)}, std::pair{"1.5 x", QSize(360, 225)},
          std::pair{"width x 2", QSize(480, 150)}}) {
        auto* column = new QVBoxLayout;
        column->addWidget(new QLabel(name));
        QWidget* form = SampleForm(size);
        form->setFixedSize(size);
        column->addWidget(form);
        column->addStretch();
        row->addLayout(column);
    }
    return page;
}

}  // namespace

OSTREL_GALLERY_PAGE(AutoResizePage, "AutoResize", MakePage);

}  // namespace ostrel::gallery
