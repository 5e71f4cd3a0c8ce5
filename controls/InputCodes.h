#pragma once

#include <Qt>
#include <QtGlobal>

class QKeyEvent;

namespace ostrel::controls {

// The numbers the controls' mouse and key events carry to their forms.
// Mouse buttons: 1 left, 2 right, 4 middle (several may be combined while moving).
qint16 MouseButtonCode(Qt::MouseButtons buttons);
// Shift state: 1 Shift, 2 Ctrl, 4 Alt.
qint16 ShiftCode(Qt::KeyboardModifiers modifiers);
// The key's virtual-key number (65 for A, 13 for Enter, 112 for F1, ...); 0 for a key without one.
qint16 KeyCode(const QKeyEvent& event);
// The character typed as a single-byte code (Latin-1), or 0 when the key types none.
qint16 KeyAscii(const QKeyEvent& event);

}  // namespace ostrel::controls
