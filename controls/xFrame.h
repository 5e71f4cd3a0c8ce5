#pragma once

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QString>

#include "controls/Colors.h"
#include "controls/DrawingSurface.h"
#include "controls/PropertyBag.h"

class QLabel;
class QTimer;

namespace ostrel::controls {

class PanelHeader;

// A framed panel: a one-pixel border, an optional vertical gradient behind its body and a
// 20-pixel header strip with a caption, an optional picture, an expand/collapse glyph and a pin
// glyph. A click on the header collapses the panel to the header alone or restores its full
// height; a click on the pin toggles a pinned state in which the height stays as it is.
// Geometry is in twips (15 per pixel); colours are OleColor values.
class xFrame : public DrawingSurface {
    Q_OBJECT
  public:
    // The collapsed height in twips: the top border pixel and the 300-twip header.
    static constexpr int kCollapsedHeight = 315;

    // A new instance named `name` on its form: the new-instance settings, caption = name.
    explicit xFrame(const QString& name, QWidget* parent = nullptr);
    // An instance named `name` loaded from its stored design.
    xFrame(const QString& name, const PropertyBag& bag, QWidget* parent = nullptr);

    // Stores the design settings; values equal to their defaults are left out.
    void WriteProperties(PropertyBag& bag) const;

    OleColor BackColor() const { return m_backColor; }
    void SetBackColor(OleColor backColor);
    OleColor BorderColor() const { return m_borderColor; }
    void SetBorderColor(OleColor borderColor);
    bool Button() const { return m_button; }
    void SetButton(bool button);
    OleColor ButtonColor() const { return m_buttonColor; }
    void SetButtonColor(OleColor buttonColor);
    OleColor ButtonHighlightColor() const { return m_buttonHighlightColor; }
    void SetButtonHighlightColor(OleColor buttonHighlightColor);
    bool ButtonPin() const { return m_buttonPin; }
    void SetButtonPin(bool buttonPin);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    int ColorScheme() const { return m_colorScheme; }
    void SetColorScheme(int colorScheme);
    bool DisplayPicture() const { return m_displayPicture; }
    void SetDisplayPicture(bool displayPicture);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool EnableGradient() const { return m_enableGradient; }
    void SetEnableGradient(bool enableGradient);
    bool Expanded() const { return m_expanded; }
    void SetExpanded(bool expanded);
    QFont Font() const;
    void SetFont(const QFont& font);
    OleColor ForeColor() const;
    void SetForeColor(OleColor foreColor);
    bool FramePinned() const { return m_framePinned; }
    void SetFramePinned(bool framePinned);
    OleColor GradientBottom() const { return m_gradientBottom; }
    void SetGradientBottom(OleColor gradientBottom);
    OleColor GradientTop() const { return m_gradientTop; }
    void SetGradientTop(OleColor gradientTop);
    OleColor HeaderGradientBottom() const { return m_headerGradientBottom; }
    void SetHeaderGradientBottom(OleColor headerGradientBottom);
    OleColor HeaderGradientTop() const { return m_headerGradientTop; }
    void SetHeaderGradientTop(OleColor headerGradientTop);
    QPixmap Picture() const;
    void SetPicture(const QPixmap& picture);

    // The header strip (a constituent part, for the form and for tests).
    PanelHeader* picHeader() const { return m_picHeader; }

  signals:
    // A click on the body or anywhere on the header.
    void Click();
    // The remaining events come from the body only (outside the header). Button: 1 left,
    // 2 right, 4 middle; Shift: 1 Shift, 2 Ctrl, 4 Alt; X and Y in twips.
    void DblClick();
    void MouseDown(short Button, short Shift, float X, float Y);
    void MouseMove(short Button, short Shift, float X, float Y);
    void MouseUp(short Button, short Shift, float X, float Y);
    // A persisted property was changed through its setter (or "Expanded" by a header click).
    void PropertyChanged(const QString& name);

  protected:
    // Body painting: background, gradient picture, border, then the header.
    void Redraw() override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void CreateParts();
    void ApplyColorScheme();
    // What a resize runs: places the header, repaints it, remembers the full height.
    void ResizeHandler();
    // Redraws the header strip unless m_headerPainted says it is up to date. Defined with the
    // glyph geometry in PanelHeader.cpp.
    void picHeader_Paint();
    void picHeader_Click();
    void picHeader_MouseMove(int x);
    void tmrMouseMove_Timer();

    // Marks the header out of date and paints it.
    void RepaintHeader();
    // Forgets the body gradient: it is built again at the next body painting.
    void DropGradient();
    int HeightTwips() const { return PixelsToTwips(height()); }
    void SetHeightTwips(int twips);
    // Delivers a resize that Qt holds back for a hidden widget, so the remembered height
    // follows every change at once.
    void SendPendingResize();
    void Changed(const char* name);
    // What most setters do: stores `value` in `field`, runs `then` (the repaint the property
    // needs) and notifies under `name`. A value equal to the field's does nothing at all.
    template <typename T, typename Then>
    void Update(T& field, const T& value, const char* name, Then then);
    // Forgets the body gradient if one is shown (it is built again from the current colours)
    // and repaints the body.
    void RefreshGradient();

    OleColor m_backColor = 0;
    OleColor m_borderColor = 0;
    bool m_button = false;
    OleColor m_buttonColor = 0;
    OleColor m_buttonHighlightColor = 0;
    bool m_buttonPin = false;
    QString m_caption;
    int m_colorScheme = 0;
    bool m_displayPicture = false;
    bool m_enableGradient = false;
    bool m_expanded = false;
    OleColor m_foreColor = 0;
    bool m_framePinned = false;
    OleColor m_gradientBottom = 0;
    OleColor m_gradientTop = 0;
    OleColor m_headerGradientBottom = 0;
    OleColor m_headerGradientTop = 0;

    // Font attributes applied to the header at every paint; a loaded design without them keeps
    // these zero values (a size of 0 becomes 8 at the next paint).
    bool m_fontBold = false;
    bool m_fontItalic = false;
    bool m_fontStrikethru = false;
    bool m_fontUnderline = false;
    double m_fontSize = 0;

    bool m_partsCreated = false;
    bool m_headerPainted = false;
    bool m_gradientReady = false;
    bool m_overButton = false;
    bool m_overPin = false;
    int m_fullHeight = 0;
    OleColor m_hoverColor = 0;
    OleColor m_glyphColor = 0;

    QImage m_backgroundPicture;
    bool m_bodyPressed = false;

    PanelHeader* m_picHeader = nullptr;
    QTimer* m_tmrMouseMove = nullptr;
    QLabel* m_imgFramePic = nullptr;
};

}  // namespace ostrel::controls
