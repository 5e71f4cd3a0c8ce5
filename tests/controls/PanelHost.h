#pragma once

#include <QTest>
#include <QWidget>

#include "controls/PanelHeader.h"
#include "controls/xFrame.h"

namespace ostrel::controls {

// A form with one panel at (10, 10), shown offscreen; the panel is `width` x `height` pixels.
struct PanelHost {
    explicit PanelHost(int width = 200, int height = 100) {
        form.resize(width + 40, height + 40);
        panel = new xFrame("xFrame1", &form);
        panel->setGeometry(10, 10, width, height);
        form.show();
        exposed = QTest::qWaitForWindowExposed(&form);
    }

    PanelHeader& Header() const { return *panel->picHeader(); }
    // The header's width in pixels; glyph columns are counted back from it.
    int HeaderWidth() const { return Header().width(); }

    // Moves the pointer over the header at (x, y) and clicks there. The pointer first goes to the
    // form's corner: a move to where the pointer already is (left there by an earlier test) is
    // not delivered, and the panel takes its zone from the last move it saw.
    void ClickHeader(int x, int y = 10) {
        QTest::mouseMove(&form, QPoint(0, 0));
        QTest::mouseMove(&Header(), QPoint(x, y));
        QTest::mouseClick(&Header(), Qt::LeftButton, {}, QPoint(x, y));
    }

    QWidget form;
    xFrame* panel = nullptr;
    bool exposed = false;
};

}  // namespace ostrel::controls
