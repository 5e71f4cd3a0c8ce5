// The push button's input: hover tracking, the mouse, the keys, the focus, the access key and
// the drag-and-drop events passed through.
#include <QApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QShortcutEvent>
#include <QTimer>
#include <utility>

#include "controls/InputCodes.h"
#include "controls/VistaButton.h"

namespace ostrel::controls {

bool VistaButton::IsMouseOver() const {
    return QApplication::widgetAt(QCursor::pos()) == this;
}

void VistaButton::StartHover() {
    if (m_hover != nullptr) {
        return;
    }
    m_hover = new QTimer(this);
    m_hover->setObjectName("Hover");
    m_hover->setInterval(10);
    connect(m_hover, &QTimer::timeout, this, [this] {
        if (!IsMouseOver()) {
            EndHover();
        }
    });
    m_hover->start();
}

void VistaButton::EndHover() {
    if (m_hover == nullptr) {
        return;
    }
    // Called from the timer's own tick: it leaves the button now and is deleted once the tick
    // has returned.
    m_hover->stop();
    m_hover->setParent(nullptr);
    std::exchange(m_hover, nullptr)->deleteLater();
    if (m_enabled && !m_pressed) {
        SetState(m_focused ? kFocused : kNormal);
    }
    emit MouseOut();
}

void VistaButton::Press(int button, int shift, int x, int y) {
    if (!m_enabled) {
        return;
    }
    emit MouseDown(button, shift, x, y);
    m_pressed = true;
    SetState(kPressed);
}

void VistaButton::Release(int button, int shift, int x, int y) {
    if (!m_enabled) {
        return;
    }
    emit MouseUp(button, shift, x, y);
    m_pressed = false;
    if (Inside(x, y)) {
        SetState(kHover);
    } else {
        SetState(m_focused ? kFocused : kNormal);
    }
}

void VistaButton::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    Press(MouseButtonCode(event->button()), ShiftCode(event->modifiers()), pos.x(), pos.y());
}

void VistaButton::mouseMoveEvent(QMouseEvent* event) {
    if (!m_enabled) {
        return;
    }
    const QPoint pos = event->position().toPoint();
    emit MouseMove(MouseButtonCode(event->buttons()), ShiftCode(event->modifiers()), pos.x(),
                   pos.y());
    if (Inside(pos.x(), pos.y())) {
        emit MouseIn();
        if (SetState(m_pressed ? kPressed : kHover)) {
            StartHover();
        }
    } else {
        SetState(kHover);  // held and dragged off the button
    }
}

void VistaButton::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const bool wasPressed = m_pressed;
    Release(MouseButtonCode(event->button()), ShiftCode(event->modifiers()), pos.x(), pos.y());
    if (m_enabled && wasPressed && event->button() == Qt::LeftButton && Inside(pos.x(), pos.y())) {
        emit Click();
    }
}

void VistaButton::keyPressEvent(QKeyEvent* event) {
    const int shift = ShiftCode(event->modifiers());
    if (event->key() == Qt::Key_Space) {
        Press(1, shift, 0, 0);
    }
    if (!m_enabled) {
        return;
    }
    emit KeyDown(KeyCode(*event), shift);
    if (!event->text().isEmpty()) {
        emit KeyPress(event->text().at(0).unicode());
    }
    // Return and Enter press the focused button at once, as a desktop push button does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        event->accept();
        emit Click();
        return;
    }
    if (event->key() != Qt::Key_Space) {
        event->ignore();  // the form may still act on other keys
    }
}

void VistaButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) {
        return;  // a held key sends repeated presses and one release
    }
    const int shift = ShiftCode(event->modifiers());
    if (event->key() == Qt::Key_Space) {
        // Released where the pointer is, so the look becomes hover or resting accordingly.
        if (IsMouseOver()) {
            Release(1, shift, 0, 0);
        } else {
            Release(1, shift, -1, 0);
        }
        if (!m_enabled) {
            return;
        }
        emit Click();
        emit KeyUp(32, shift);
        return;
    }
    if (m_enabled) {
        emit KeyUp(KeyCode(*event), shift);
    }
    event->ignore();
}

void VistaButton::focusInEvent(QFocusEvent* event) {
    m_focused = true;
    if (!IsMouseOver() && m_enabled && !m_pressed) {
        SetState(kFocused);
    }
    DrawingSurface::focusInEvent(event);
}

void VistaButton::focusOutEvent(QFocusEvent* event) {
    m_focused = false;
    if (!IsMouseOver() && m_enabled) {
        SetState(kNormal);
    }
    DrawingSurface::focusOutEvent(event);
}

bool VistaButton::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(event)->shortcutId() == m_accessKeyId) {
        // The access key of the caption: focus and click, as a press and release would.
        if (m_enabled) {
            setFocus(Qt::ShortcutFocusReason);
            emit Click();
        }
        return true;
    }
    return DrawingSurface::event(event);
}

void VistaButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        Refresh();
    }
    DrawingSurface::changeEvent(event);
}

void VistaButton::dragEnterEvent(QDragEnterEvent* event) {
    if (m_enabled) {
        emit OLEDragOver(event, 0);
    }
}

void VistaButton::dragMoveEvent(QDragMoveEvent* event) {
    if (m_enabled) {
        emit OLEDragOver(event, 2);
    }
}

void VistaButton::dragLeaveEvent(QDragLeaveEvent*) {
    if (m_enabled) {
        emit OLEDragOver(nullptr, 1);
    }
}

void VistaButton::dropEvent(QDropEvent* event) {
    if (m_enabled) {
        emit OLEDragDrop(event);
    }
}

}  // namespace ostrel::controls
