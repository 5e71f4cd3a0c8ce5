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

    OleColor BackColor() const { return m_BackColor; }
    void SetBackColor(OleColor New_BackColor);
    OleColor BorderColor() const { return m_BorderColor; }
    void SetBorderColor(OleColor New_BorderColor);
    bool Button() const { return m_Button; }
    void SetButton(bool New_Button);
    OleColor ButtonColor() const { return m_ButtonColor; }
    void SetButtonColor(OleColor New_ButtonColor);
    OleColor ButtonHighlightColor() const { return m_ButtonHighlightColor; }
    void SetButtonHighlightColor(OleColor New_ButtonHighlightColor);
    bool ButtonPin() const { return m_ButtonPin; }
    void SetButtonPin(bool New_ButtonPin);
    QString Caption() const { return m_Caption; }
    void SetCaption(const QString& New_Caption);
    int ColorScheme() const { return m_ColorScheme; }
    void SetColorScheme(int New_ColorScheme);
    bool DisplayPicture() const { return m_DisplayPicture; }
    void SetDisplayPicture(bool New_DisplayPicture);
    bool Enabled() const;
    void SetEnabled(bool New_Enabled);
    bool EnableGradient() const { return m_EnableGradient; }
    void SetEnableGradient(bool New_EnableGradient);
    bool Expanded() const { return m_Expanded; }
    void SetExpanded(bool New_Expanded);
    QFont Font() const;
    void SetFont(const QFont& New_Font);
    OleColor ForeColor() const;
    void SetForeColor(OleColor New_ForeColor);
    bool FramePinned() const { return m_FramePinned; }
    void SetFramePinned(bool New_FramePinned);
    OleColor GradientBottom() const { return m_GradientBottom; }
    void SetGradientBottom(OleColor New_GradientBottom);
    OleColor GradientTop() const { return m_GradientTop; }
    void SetGradientTop(OleColor New_GradientTop);
    OleColor HeaderGradientBottom() const { return m_HeaderGradientBottom; }
    void SetHeaderGradientBottom(OleColor New_HeaderGradientBottom);
    OleColor HeaderGradientTop() const { return m_HeaderGradientTop; }
    void SetHeaderGradientTop(OleColor New_HeaderGradientTop);
    QPixmap Picture() const;
    void SetPicture(const QPixmap& New_Picture);

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
    // Redraws the header strip unless m_HeaderPainted says it is up to date. Defined with the
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

    OleColor m_BackColor = 0;
    OleColor m_BorderColor = 0;
    bool m_Button = false;
    OleColor m_ButtonColor = 0;
    OleColor m_ButtonHighlightColor = 0;
    bool m_ButtonPin = false;
    QString m_Caption;
    int m_ColorScheme = 0;
    bool m_DisplayPicture = false;
    bool m_EnableGradient = false;
    bool m_Expanded = false;
    OleColor m_ForeColor = 0;
    bool m_FramePinned = false;
    OleColor m_GradientBottom = 0;
    OleColor m_GradientTop = 0;
    OleColor m_HeaderGradientBottom = 0;
    OleColor m_HeaderGradientTop = 0;

    // Font attributes applied to the header at every paint; a loaded design without them keeps
    // these zero values (a size of 0 becomes 8 at the next paint).
    bool m_FontBold = false;
    bool m_FontItalic = false;
    bool m_FontStrikethru = false;
    bool m_FontUnderline = false;
    double m_FontSize = 0;

    bool m_PartsCreated = false;
    bool m_HeaderPainted = false;
    bool m_GradientReady = false;
    bool m_OverButton = false;
    bool m_OverPin = false;
    int m_FullHeight = 0;
    OleColor m_HoverColor = 0;
    OleColor m_GlyphColor = 0;

    QImage m_backgroundPicture;
    bool m_bodyPressed = false;

    PanelHeader* m_picHeader = nullptr;
    QTimer* m_tmrMouseMove = nullptr;
    QLabel* m_imgFramePic = nullptr;
};

}  // namespace ostrel::controls
