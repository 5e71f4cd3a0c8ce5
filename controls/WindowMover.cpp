#include "controls/WindowMover.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWindow>

namespace ostrel::controls {

void WindowMover::Arm(QWidget* window, QPointF globalPos) {
    m_window = window;
    m_windowStart = window->pos();
    m_pressGlobal = globalPos;
    m_mode = Mode::Armed;
}

bool WindowMover::Drag(const QMouseEvent& event) {
    if (m_mode == Mode::Idle || !m_window) {
        return false;
    }
    if (m_mode == Mode::Armed) {
        QWindow* handle = m_window->windowHandle();
        const bool system =
            handle && (startSystemMove ? startSystemMove(handle) : handle->startSystemMove());
        if (system) {
            m_mode = Mode::System;
            if (QGuiApplication::platformName() == QLatin1String("xcb")) {
                SendLostRelease(handle, event);
            }
            return true;
        }
        m_mode = Mode::Manual;
    }
    if (m_mode == Mode::Manual) {
        const QPointF moved = event.globalPosition() - m_pressGlobal;
        m_window->move(m_windowStart + moved.toPoint());
    }
    return true;
}

void WindowMover::SendLostRelease(QWindow* handle, const QMouseEvent& event) {
    const QPointF global = event.globalPosition();
    QMouseEvent release(QEvent::MouseButtonRelease, handle->mapFromGlobal(global), global,
                        Qt::LeftButton, Qt::NoButton, event.modifiers());
    QCoreApplication::sendEvent(handle, &release);
}

bool WindowMover::Release() {
    const bool moving = m_mode == Mode::System || m_mode == Mode::Manual;
    m_mode = Mode::Idle;
    return moving;
}

}  // namespace ostrel::controls
