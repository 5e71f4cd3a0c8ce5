// The panel's mouse handling: the header's expand/collapse and pin zones, hover polling of the
// header, and the body's mouse events passed to the form.
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QTimer>

#include "controls/InputCodes.h"
#include "controls/PanelHeader.h"
#include "controls/xFrame.h"

namespace ostrel::controls {
namespace {

// The pin zone of the header when the expand/collapse glyph is shown, from its right edge.
constexpr int kPinZoneLeft = 450;
constexpr int kPinZoneRight = 300;

float Twips(qreal pixels) {
    return static_cast<float>(pixels * kTwipsPerPixel);
}

}  // namespace

void xFrame::picHeader_MouseMove(int x) {
    const int w = PixelsToTwips(m_picHeader->width());
    const bool inPinZone = x >= w - kPinZoneLeft && x <= w - kPinZoneRight;
    if (m_overButton && !inPinZone) {
        return;  // still in the expand/collapse zone
    }
    if (!m_button) {
        m_overButton = false;
        m_overPin = true;  // the whole header is the pin zone
    } else {
        m_overButton = !inPinZone;
        m_overPin = inPinZone;
    }
    if (!m_tmrMouseMove->isActive()) {
        m_tmrMouseMove->start();
    }
    RepaintHeader();
}

// The glyph of the zone last entered is lit while the pointer is over the header; the header is
// repainted only when that colour changes.
void xFrame::tmrMouseMove_Timer() {
    const bool overHeader = QApplication::widgetAt(QCursor::pos()) == m_picHeader;
    const OleColor wanted = overHeader ? m_buttonHighlightColor : m_buttonColor;
    if (m_hoverColor != wanted) {
        m_hoverColor = wanted;
        RepaintHeader();
    }
}

// The zone comes from the last mouse move, not from where the click landed.
void xFrame::picHeader_Click() {
    if (m_overButton && m_button) {
        if (!m_framePinned) {
            if (HeightTwips() == m_fullHeight) {
                SetHeightTwips(kCollapsedHeight);
                m_expanded = false;
            } else {
                SetHeightTwips(m_fullHeight);
                m_expanded = true;
            }
        }
        RepaintHeader();
    } else if (m_overPin && m_buttonPin) {
        m_framePinned = !m_framePinned;  // the glyph follows at the next header repaint
    }
    Changed("Expanded");
    emit Click();
}

void xFrame::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bodyPressed = true;
    }
    const QPointF at = event->position();
    emit MouseDown(MouseButtonCode(event->button()), ShiftCode(event->modifiers()), Twips(at.x()),
                   Twips(at.y()));
}

void xFrame::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    emit MouseMove(MouseButtonCode(event->buttons()), ShiftCode(event->modifiers()), Twips(at.x()),
                   Twips(at.y()));
}

void xFrame::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    emit MouseUp(MouseButtonCode(event->button()), ShiftCode(event->modifiers()), Twips(at.x()),
                 Twips(at.y()));
    if (event->button() == Qt::LeftButton && m_bodyPressed) {
        m_bodyPressed = false;
        if (rect().contains(at.toPoint())) {
            emit Click();
        }
    }
}

void xFrame::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit DblClick();
    }
}

}  // namespace ostrel::controls
