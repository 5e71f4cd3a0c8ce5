#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>

class QMouseEvent;
class QWindow;

namespace ostrel::controls {

// Moves a frameless top-level window while the left button, pressed on one of its widgets, is
// dragged. The window system is asked to do the move (on Wayland nothing else can move a window);
// it is asked on the first move with the button held and not on the press, because a system move
// takes the release with it and a press that starts one would never become a click. Where the
// request is refused (the offscreen platform, some window managers) the window follows the
// pointer by hand.
class WindowMover {
  public:
    enum class Mode { Idle, Armed, System, Manual };

    // The press that may start a move of `window`, at `globalPos`.
    void Arm(QWidget* window, QPointF globalPos);
    // A move with the button held: the first one after Arm starts the move, later ones make a
    // window moved by hand follow the pointer. True while a move is under way.
    bool Drag(const QMouseEvent& event);
    // The button is up (or the press is forgotten). True when a move had been under way, so the
    // release ends a drag and is no click.
    bool Release();
    Mode State() const { return m_mode; }

    // Asks the window system to move the window; replaceable so tests can refuse or accept.
    std::function<bool(QWindow*)> startSystemMove;

  private:
    // X11 with Qt 6.4 loses the release that ends a system move, and the widgets would go on
    // believing the button is down: hand the window the release it will not get.
    void SendLostRelease(QWindow* handle, const QMouseEvent& event);

    Mode m_mode = Mode::Idle;
    QPointer<QWidget> m_window;
    QPoint m_windowStart;
    QPointF m_pressGlobal;
};

}  // namespace ostrel::controls
