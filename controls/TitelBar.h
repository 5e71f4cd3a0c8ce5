#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <QTimer>

#include "controls/AssignChanged.h"
#include "controls/CaptionButton.h"
#include "controls/Colors.h"
#include "controls/DrawingSurface.h"
#include "controls/PropertyBag.h"
#include "controls/WindowMover.h"

namespace ostrel::controls {

// The caption of the program's frameless windows: a gradient background, an optional icon, the
// caption text with a 3-D extrusion, shadow and outline, a raised border and up to three caption
// buttons. Dragging the bar moves its window; the buttons close, minimise and maximise/restore
// it. Everything drawn follows from the properties below, in pixels. Every setter of a persisted
// property emits PropertyChanged with the property's name and then redraws what it affects.
class TitelBar : public DrawingSurface {
    Q_OBJECT
  public:
    // The height a new bar gets, docked to the top of its window.
    static constexpr int kNewHeight = 31;

    explicit TitelBar(QWidget* parent = nullptr);

    // Every property to the value a freshly placed bar gets, then a redraw.
    void InitProperties();
    // The stored design: every property in its fixed order (a missing one reads back as its bag
    // default, which is not always the new value), then a redraw. Stored values skip the setters'
    // clamping.
    void ReadProperties(const PropertyBag& bag);
    // The same names in the same order; a value equal to its bag default is left out.
    void WriteProperties(PropertyBag& bag) const;

    // Properties.
    bool AutoRedraw() const { return m_autoRedraw; }
    void SetAutoRedraw(bool autoRedraw);
    bool DashBack() const { return m_dashBack; }
    void SetDashBack(bool dashBack);
    int Style() const { return m_style; }
    // Throws std::overflow_error, leaving the style, for a value outside 16 bits.
    void SetStyle(int style);
    OleColor BackColor() const { return m_backColor; }
    void SetBackColor(OleColor backColor);
    float BackColorCover() const { return m_backColorCover; }
    // Values of 10 and more become 10, values of 0 and less become 1.
    void SetBackColorCover(float backColorCover);
    OleColor BackColorV1Begin() const { return m_backColorV1Begin; }
    void SetBackColorV1Begin(OleColor backColorV1Begin);
    OleColor BackColorV1End() const { return m_backColorV1End; }
    void SetBackColorV1End(OleColor backColorV1End);
    OleColor BackColorV2Begin() const { return m_backColorV2Begin; }
    void SetBackColorV2Begin(OleColor backColorV2Begin);
    OleColor BackColorV2End() const { return m_backColorV2End; }
    void SetBackColorV2End(OleColor backColorV2End);
    OleColor BorderColorHighLight() const { return m_borderColorHighLight; }
    void SetBorderColorHighLight(OleColor borderColorHighLight);
    OleColor BorderColorDarkLight() const { return m_borderColorDarkLight; }
    void SetBorderColorDarkLight(OleColor borderColorDarkLight);
    // The surface's text colour. Every redraw sets it to CaptionColor, so it reads back as that.
    OleColor ForeColor() const { return m_foreColor; }
    void SetForeColor(OleColor foreColor);
    OleColor CaptionColorBack() const { return m_captionColorBack; }
    void SetCaptionColorBack(OleColor captionColorBack);
    OleColor CaptionColor() const { return m_captionColor; }
    void SetCaptionColor(OleColor captionColor);
    OleColor CaptionBorderColor() const { return m_captionBorderColor; }
    void SetCaptionBorderColor(OleColor captionBorderColor);
    OleColor CaptionShadowColor() const { return m_captionShadowColor; }
    void SetCaptionShadowColor(OleColor captionShadowColor);
    bool CaptionBorder() const { return m_captionBorder; }
    void SetCaptionBorder(bool captionBorder);
    quint8 Caption3DWidth() const { return m_caption3DWidth; }
    void SetCaption3DWidth(quint8 caption3DWidth);
    bool Caption3DTop() const { return m_caption3DTop; }
    void SetCaption3DTop(bool caption3DTop);
    bool Caption3DBottom() const { return m_caption3DBottom; }
    void SetCaption3DBottom(bool caption3DBottom);
    bool Caption3DLeft() const { return m_caption3DLeft; }
    void SetCaption3DLeft(bool caption3DLeft);
    bool Caption3DRight() const { return m_caption3DRight; }
    void SetCaption3DRight(bool caption3DRight);
    bool ShowClose() const { return m_showClose; }
    void SetShowClose(bool showClose);
    bool ShowMinimized() const { return m_showMinimized; }
    void SetShowMinimized(bool showMinimized);
    bool ShowMaximized() const { return m_showMaximized; }
    void SetShowMaximized(bool showMaximized);
    bool ShowCloseEnabled() const { return m_showCloseEnabled; }
    void SetShowCloseEnabled(bool showCloseEnabled);
    bool ShowMinimizedEnabled() const { return m_showMinimizedEnabled; }
    void SetShowMinimizedEnabled(bool showMinimizedEnabled);
    bool ShowMaximizedEnabled() const { return m_showMaximizedEnabled; }
    void SetShowMaximizedEnabled(bool showMaximizedEnabled);
    // The surface's font; a new bar takes its container's.
    QFont Font() const { return font(); }
    void SetFont(const QFont& font);
    QString ToolTipText() const { return m_toolTipText; }
    void SetToolTipText(const QString& toolTipText);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    int CaptionPosX() const { return m_captionPosX; }
    void SetCaptionPosX(int captionPosX);
    int CaptionPosY() const { return m_captionPosY; }
    void SetCaptionPosY(int captionPosY);
    quint8 BorderNormal() const { return m_borderNormal; }
    void SetBorderNormal(quint8 borderNormal);
    quint8 IconStyle() const { return m_iconStyle; }
    void SetIconStyle(quint8 iconStyle);
    // The surface's own picture, shown at its top-left corner under everything else.
    QImage Picture() const { return m_picture; }
    void SetPicture(const QImage& picture);
    // The title icon.
    QImage PictureButton() const { return m_pictureButton; }
    void SetPictureButton(const QImage& pictureButton);
    int PicturePosMode() const { return m_picturePosMode; }
    void SetPicturePosMode(int picturePosMode);
    // Modes 1 to 3 overwrite these with centred positions on every redraw.
    int PicturePosX() const { return m_picturePosX; }
    void SetPicturePosX(int picturePosX);
    int PicturePosY() const { return m_picturePosY; }
    void SetPicturePosY(int picturePosY);

    // Methods.
    // The RGB value of a colour; system colours through the application's palette, 0 when the
    // colour has no translation.
    OleColor GetRealColor(OleColor color) const;
    // Shows, hides, places and re-pictures the three caption buttons.
    void SetTBX_();
    // Paints the background gradient (and the band behind the caption when DashBack is set).
    void SetVerlauf(OleColor v1Begin, OleColor v1End, OleColor v2Begin, OleColor v2End);
    // Draws the title icon.
    void SetImageI();
    // Draws the caption with its extrusion, outline and face.
    void Shadow();
    // Draws the raised 1-pixel border unless Width is 0.
    void BSetBorder(quint8 borderWidth);
    // Clears the surface to BackColor and its Picture.
    void Cls();

    CaptionButton* TBARX() const { return m_tbarX; }
    CaptionButton* TBAR_() const { return m_tbarMin; }
    CaptionButton* TBARMax() const { return m_tbarMax; }
    // True while hover tracking runs (the pointer was seen over the bar and Timer1 watches it).
    bool IsTracking() const { return m_tracking == kTracking; }
    WindowMover& Mover() { return m_mover; }

    QSize sizeHint() const override { return {200, kNewHeight}; }

  signals:
    void PropertyChanged(const QString& name);
    void Click();
    void DblClick();
    void KeyDown(qint16 KeyCode, qint16 Shift);
    void KeyPress(qint16 KeyAscii);
    void KeyUp(qint16 KeyCode, qint16 Shift);
    void MouseDown(qint16 Button, qint16 Shift, float X, float Y);
    void MouseMove(qint16 Button, qint16 Shift, float X, float Y);
    void MouseUp(qint16 Button, qint16 Shift, float X, float Y);
    void Resize();

  protected:
    void Redraw() override;
    // Draws the caption once at (x, y), the top-left of its cell, in the painter's font. Every
    // copy of the caption goes through here.
    virtual void DrawCaptionText(QPainter& painter, int x, int y, OleColor rgb);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    static constexpr quint8 kNotTracking = 255;
    static constexpr quint8 kTracking = 1;

    // Stores `value` and notifies under `name`; false when nothing changed or while loading, when
    // the setter's action waits for the redraw at the end.
    template <typename T>
    bool Assign(T& field, const T& value, const char* name) {
        if (!AssignChanged(field, value)) {
            return false;
        }
        emit PropertyChanged(QString::fromLatin1(name));
        return !m_loading;
    }
    // What most setters do: Assign, then `then` (the redraw or layout the property needs)
    // unless nothing changed or the design is loading.
    template <typename T, typename Then>
    void Update(T& field, const T& value, const char* name, Then then) {
        if (Assign(field, value, name)) {
            then();
        }
    }

    bool Enabled(const CaptionButton* button) const;
    bool Shown(const CaptionButton* button) const;
    // True when `pos` lies strictly inside a shown button's rectangle.
    bool OverButton(QPointF pos) const;
    // True when the pointer is within the bar, edges included.
    bool CursorInside() const;
    void EndTracking();
    void Timer1Tick();
    void ButtonMoved(CaptionButton* button);
    void ButtonLeft(CaptionButton* button);
    void ButtonPressed(CaptionButton* button, Qt::MouseButton mouseButton);
    // Restores a maximised (or minimised) window, else maximises it.
    void ToggleMaximized();
    void EmitMouse(void (TitelBar::*signal)(qint16, qint16, float, float), qint16 button,
                   const QMouseEvent& event);

    bool m_autoRedraw = false;
    bool m_dashBack = false;
    qint16 m_style = 8;
    OleColor m_backColor = 0;
    float m_backColorCover = 3.0f;
    OleColor m_backColorV1Begin = 0;
    OleColor m_backColorV1End = 0;
    OleColor m_backColorV2Begin = 0;
    OleColor m_backColorV2End = 0;
    OleColor m_borderColorHighLight = 0;
    OleColor m_borderColorDarkLight = 0;
    OleColor m_foreColor = 0;
    OleColor m_captionColorBack = 0;
    OleColor m_captionColor = 0;
    OleColor m_captionBorderColor = 0;
    OleColor m_captionShadowColor = 0;
    bool m_captionBorder = false;
    quint8 m_caption3DWidth = 2;
    bool m_caption3DTop = false;
    bool m_caption3DBottom = true;
    bool m_caption3DLeft = false;
    bool m_caption3DRight = true;
    bool m_showClose = true;
    bool m_showMinimized = true;
    bool m_showMaximized = false;
    bool m_showCloseEnabled = true;
    bool m_showMinimizedEnabled = true;
    bool m_showMaximizedEnabled = true;
    QString m_toolTipText;
    QString m_caption;
    int m_captionPosX = 0;
    int m_captionPosY = 2;
    quint8 m_borderNormal = 2;
    quint8 m_iconStyle = 0;
    QImage m_picture;
    QImage m_pictureButton;
    int m_picturePosMode = 0;
    qint16 m_picturePosX = 6;
    qint16 m_picturePosY = 4;

    // The surface's persistent-image mode: on while a redraw paints, and stored in the design as
    // a second "AutoRedraw" entry.
    bool m_persistentImage = false;
    bool m_loading = false;
    quint8 m_tracking = kNotTracking;
    // A press on the bar whose release is still to come, and whether that release is a click
    // (no drag in between).
    bool m_pressed = false;
    bool m_clickPending = false;
    QTimer m_timer1;
    WindowMover m_mover;
    CaptionButton* m_tbarX;
    CaptionButton* m_tbarMin;
    CaptionButton* m_tbarMax;
};

}  // namespace ostrel::controls
