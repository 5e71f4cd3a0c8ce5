#pragma once

#include <QFont>
#include <QImage>

#include "controls/Colors.h"
#include "controls/DrawingSurface.h"
#include "controls/PropertyBag.h"

class QDragMoveEvent;
class QDropEvent;
class QTimer;

namespace ostrel::controls {

// The program's push button: a glossy two-tone button with rounded corners that paints a resting,
// hover, pressed, focused and disabled look, an optional picture from a strip of frames, and an
// `&` caption whose marked letter is its access key. It works in pixels.
//
// Events reach the form as signals. Buttons and shift states use the form's codes: Button 1 left,
// 2 right, 4 middle; Shift 1 Shift, 2 Ctrl, 4 Alt. KeyCode is the virtual-key code of the key.
class VistaButton : public DrawingSurface {
    Q_OBJECT
  public:
    enum VisualState { kNormal = 0, kHover = 1, kPressed = 2, kFocused = 3, kDisabled = 4 };

    explicit VistaButton(QWidget* parent = nullptr);

    // A button newly placed on a form: the caption is its name on the form.
    void InitProperties();
    // Reads every property in the order they are written; a missing one keeps the current value,
    // except BackColor, which then reads as the button face colour.
    void ReadProperties(const PropertyBag& bag);
    // Writes every property, whatever its value.
    void WriteProperties(PropertyBag& bag) const;

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    OleColor ForeColor() const { return m_foreColor; }
    void SetForeColor(OleColor color);
    QFont Font() const { return font(); }
    void SetFont(const QFont& font);
    // A horizontal strip of Pictures() frames of equal width.
    QImage Picture() const { return m_picture; }
    void SetPicture(const QImage& picture);
    int Pictures() const { return m_pictures; }
    void SetPictures(int count);
    bool UseMaskColor() const { return m_useMaskColor; }
    void SetUseMaskColor(bool use);
    // Picture pixels of exactly this colour are left out when UseMaskColor is set.
    OleColor MaskColor() const { return m_maskColor; }
    void SetMaskColor(OleColor color);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    // Without background, the resting, focused and disabled looks show only caption and picture.
    bool NoBackground() const { return m_noBackground; }
    void SetNoBackground(bool noBackground);
    OleColor BackColor() const { return m_backColor; }
    void SetBackColor(OleColor color);
    // How far the picture moves right and down while the button is held; seen at the next paint.
    int PictureOffset() const { return m_pictureOffset; }
    void SetPictureOffset(int offset);

    int State() const { return m_state; }

  signals:
    void Click();
    // A drag over the button: State 0 entering, 1 leaving (no event then), 2 moving over it.
    void OLEDragOver(QDragMoveEvent* event, int State);
    void OLEDragDrop(QDropEvent* event);
    void KeyDown(int KeyCode, int Shift);
    void KeyPress(int KeyAscii);
    void KeyUp(int KeyCode, int Shift);
    void MouseDown(int Button, int Shift, int X, int Y);
    void MouseMove(int Button, int Shift, int X, int Y);
    void MouseUp(int Button, int Shift, int X, int Y);
    // Raised on every move of the pointer over the button.
    void MouseIn();
    // Raised when hovering ends, also while the button is disabled.
    void MouseOut();

  protected:
    // Shows `state`; true when it differs from the current one (the button is then repainted).
    // Protected so that previews can show a look without a pointer over the button.
    bool SetState(int state);

    void Redraw() override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void Press(int button, int shift, int x, int y);
    void Release(int button, int shift, int x, int y);
    bool Inside(int x, int y) const { return x >= 0 && x < width() && y >= 0 && y < height(); }

    void StartHover();
    void EndHover();
    bool IsMouseOver() const;

    void DrawButton(int state);
    void DrawCaption(QPainter& painter);
    // Draws the frame for the current state at `x`, `y`; returns whether one was drawn.
    bool DrawPicture(QPainter& painter, int x, int y);
    void PreparePicture();
    void SetButtonRegion();
    void UpdateTabStop();
    void UpdateAccessKey();

    QString m_caption;
    OleColor m_foreColor = 0;
    QImage m_picture;
    int m_pictures = 0;
    bool m_useMaskColor = false;
    OleColor m_maskColor = 0;
    bool m_enabled = true;
    bool m_noBackground = false;
    OleColor m_backColor = SystemColor(kColorButtonFace);
    int m_pictureOffset = 0;

    int m_state = kNormal;
    bool m_focused = false;
    bool m_pressed = false;
    QSize m_regionSize;
    // The picture ready for drawing (ARGB), or null when there is none to draw.
    QImage m_prepared;
    bool m_tabStopSaved = false;
    bool m_savedTabStop = false;
    int m_accessKeyId = 0;
    QTimer* m_hover = nullptr;
};

}  // namespace ostrel::controls
