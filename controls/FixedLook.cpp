#include "controls/FixedLook.h"

#include <QApplication>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>

namespace ostrel::controls {

void ApplyFixedLook(QApplication& app) {
    for (const char* face :
         {"Tahoma", "Segoe UI", "MS Sans Serif", "Microsoft Sans Serif", "Arial"}) {
        QFont::insertSubstitution(face, kFixedFontFamily);
    }
    if (QStyle* fusion = QStyleFactory::create("Fusion")) {
        app.setStyle(fusion);
        app.setPalette(fusion->standardPalette());
    }
    QFont font(kFixedFontFamily);
    font.setPointSize(8);
    app.setFont(font);
}

}  // namespace ostrel::controls
