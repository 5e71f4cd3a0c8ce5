// The title bar's mouse, keyboard and timer handling: hover tracking, dragging the window and the
// caption buttons' actions.
#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>

#include "controls/InputCodes.h"
#include "controls/TitelBar.h"

namespace ostrel::controls {

void TitelBar::SetTBX_() {
    int gap = 3;
    int dy = 0;
    if (m_style == 13) {
        gap = m_tbarX->width();
        dy = 2;
    } else if (m_style == 14) {
        gap = 6;
        dy = 2;
    }
    m_tbarX->setVisible(m_showClose);
    m_tbarMin->setVisible(m_showMinimized);
    m_tbarMax->setVisible(m_showMaximized);
    // ShowGlyph leaves a button alone when it already shows that glyph.
    for (CaptionButton* button : {m_tbarX, m_tbarMin, m_tbarMax}) {
        button->ShowGlyph(GlyphIndex(m_iconStyle, Enabled(button) ? kGlyphNormal : kGlyphDisabled));
    }

    const int sh = height();
    auto place = [&](CaptionButton* button, int left) {
        button->move(left, RoundHalfEven((sh - button->height()) / 2.0 + dy));
    };
    int x = width();
    if (m_showClose) {
        place(m_tbarX, x - m_tbarX->width() - 3 - gap);
        x = m_tbarX->x();
        gap = 3;
    }
    if (m_showMaximized) {
        place(m_tbarMax, x - m_tbarMax->width() - 3 - gap);
        x = m_tbarMax->x();
    }
    if (m_showMinimized) {
        place(m_tbarMin, x - m_tbarMin->width() - 6);
    }
}

bool TitelBar::Enabled(const CaptionButton* button) const {
    if (button == m_tbarX) {
        return m_showCloseEnabled;
    }
    return button == m_tbarMin ? m_showMinimizedEnabled : m_showMaximizedEnabled;
}

bool TitelBar::Shown(const CaptionButton* button) const {
    if (button == m_tbarX) {
        return m_showClose;
    }
    return button == m_tbarMin ? m_showMinimized : m_showMaximized;
}

// Hidden buttons do not count: their last rectangle would otherwise block drags where nothing
// is shown.
bool TitelBar::OverButton(QPointF pos) const {
    for (const CaptionButton* button : {m_tbarX, m_tbarMin, m_tbarMax}) {
        const QRect r = button->geometry();
        if (Shown(button) && r.x() < pos.x() && pos.x() < r.x() + r.width() && r.y() < pos.y() &&
            pos.y() < r.y() + r.height()) {
            return true;
        }
    }
    return false;
}

bool TitelBar::CursorInside() const {
    const QPoint p = mapFromGlobal(QCursor::pos());
    return p.x() >= 0 && p.x() <= width() && p.y() >= 0 && p.y() <= height();
}

// Qt sends moves to the widget under the pointer and holds a press's moves for the pressed
// widget by itself, so tracking needs no grab of the pointer: the tracking byte and Timer1 only
// notice that the pointer has gone.
void TitelBar::EndTracking() {
    m_tracking = kNotTracking;
    m_timer1.stop();
}

void TitelBar::Timer1Tick() {
    if (!CursorInside()) {
        EndTracking();
    }
}

void TitelBar::EmitMouse(void (TitelBar::*signal)(qint16, qint16, float, float), qint16 button,
                         const QMouseEvent& event) {
    (this->*signal)(button, ShiftCode(event.modifiers()), static_cast<float>(event.position().x()),
                    static_cast<float>(event.position().y()));
}

void TitelBar::mousePressEvent(QMouseEvent* event) {
    EndTracking();
    m_pressed = true;
    m_clickPending = true;
    if (event->button() == Qt::LeftButton) {
        m_mover.Arm(window(), event->globalPosition());
    }
    EmitMouse(&TitelBar::MouseDown, MouseButtonCode(event->button()), *event);
}

// A double click with the left button maximises or restores the window, as the maximise button
// does, where that button is shown and enabled; the window is then not dragged by the held press.
void TitelBar::mouseDoubleClickEvent(QMouseEvent* event) {
    EndTracking();
    m_pressed = true;
    m_clickPending = false;
    const bool toggles = event->button() == Qt::LeftButton && m_showMaximized &&
                         m_showMaximizedEnabled && !OverButton(event->position());
    if (toggles) {
        m_mover.Release();
    } else if (event->button() == Qt::LeftButton) {
        m_mover.Arm(window(), event->globalPosition());
    }
    emit DblClick();
    if (toggles) {
        ToggleMaximized();
    }
}

void TitelBar::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton && m_mover.State() != WindowMover::Mode::Idle) {
        m_mover.Release();  // the release went elsewhere (a system move that kept it)
    }
    if (m_mover.State() == WindowMover::Mode::Manual) {
        // Like the system's move loop, a drag in progress raises no events of its own.
        m_mover.Drag(*event);
        return;
    }
    if (OverButton(event->position())) {
        return;
    }
    for (CaptionButton* button : {m_tbarX, m_tbarMin, m_tbarMax}) {
        if (Enabled(button)) {
            button->ShowGlyph(GlyphIndex(m_iconStyle, kGlyphNormal));
        }
    }
    if (m_tracking == kNotTracking && CursorInside()) {
        m_tracking = kTracking;
        m_timer1.start();
    }
    if (event->buttons() == Qt::LeftButton && m_mover.State() == WindowMover::Mode::Armed) {
        EndTracking();
        m_clickPending = false;
        m_mover.Drag(*event);
    }
    EmitMouse(&TitelBar::MouseMove, MouseButtonCode(event->buttons()), *event);
}

void TitelBar::mouseReleaseEvent(QMouseEvent* event) {
    EndTracking();
    if (!(event->buttons() & Qt::LeftButton) && m_mover.Release()) {
        m_pressed = false;  // the end of a drag: the move took the release
        m_clickPending = false;
        return;
    }
    if (!m_pressed) {
        return;  // the real release after a system move already ended by a stand-in
    }
    m_pressed = event->buttons() != Qt::NoButton;
    EmitMouse(&TitelBar::MouseUp, MouseButtonCode(event->button()), *event);
    if (m_clickPending && rect().contains(event->position().toPoint())) {
        m_clickPending = false;
        emit Click();
    }
}

void TitelBar::leaveEvent(QEvent*) {
    // Entering a caption button is no leave; this is the pointer leaving the bar.
    EndTracking();
}

void TitelBar::keyPressEvent(QKeyEvent* event) {
    emit KeyDown(KeyCode(*event), ShiftCode(event->modifiers()));
    if (const qint16 ascii = KeyAscii(*event); ascii != 0) {
        emit KeyPress(ascii);
    }
}

void TitelBar::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) {
        emit KeyUp(KeyCode(*event), ShiftCode(event->modifiers()));
    }
}

void TitelBar::resizeEvent(QResizeEvent* event) {
    emit Resize();
    DrawingSurface::resizeEvent(event);
}

void TitelBar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange && !m_loading) {
        Refresh();
    }
    DrawingSurface::changeEvent(event);
}

void TitelBar::ButtonMoved(CaptionButton* button) {
    EndTracking();
    if (Enabled(button)) {
        button->ShowGlyph(GlyphIndex(m_iconStyle, kGlyphHover));
    }
}

void TitelBar::ButtonLeft(CaptionButton* button) {
    if (Enabled(button)) {
        button->ShowGlyph(GlyphIndex(m_iconStyle, kGlyphNormal));
    }
}

// Any mouse button acts; a button drawn disabled does nothing.
void TitelBar::ButtonPressed(CaptionButton* button, Qt::MouseButton) {
    EndTracking();
    m_mover.Release();
    if (!Enabled(button)) {
        return;
    }
    QWidget* form = window();
    // A window minimised or resized under the pointer never tells the button that the pointer
    // left it: the button shows its normal look now, and lights up again at the next move.
    if (button != m_tbarX) {
        button->ShowGlyph(GlyphIndex(m_iconStyle, kGlyphNormal));
    }
    if (button == m_tbarX) {
        form->close();
    } else if (button == m_tbarMin) {
        form->showMinimized();
    } else {
        ToggleMaximized();
    }
    // Let the form repaint or finish closing before the press returns.
    QCoreApplication::processEvents();
}

void TitelBar::ToggleMaximized() {
    QWidget* form = window();
    if (form->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        form->showNormal();
    } else {
        form->showMaximized();
    }
}

}  // namespace ostrel::controls
