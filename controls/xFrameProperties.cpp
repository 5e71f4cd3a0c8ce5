// The panel's properties: what each getter reads and what each setter does.
#include <QLabel>
#include <QTimer>

#include "controls/AssignChanged.h"
#include "controls/PanelHeader.h"
#include "controls/xFrame.h"

namespace ostrel::controls {

void xFrame::Changed(const char* name) {
    emit PropertyChanged(QString::fromLatin1(name));
}

bool xFrame::Enabled() const {
    return !testAttribute(Qt::WA_ForceDisabled);
}

QFont xFrame::Font() const {
    return m_picHeader->font();
}

OleColor xFrame::ForeColor() const {
    return m_picHeader->TextColor();
}

QPixmap xFrame::Picture() const {
    return m_imgFramePic->pixmap();
}

template <typename T, typename Then>
void xFrame::Update(T& field, const T& value, const char* name, Then then) {
    if (!AssignChanged(field, value)) {
        return;
    }
    then();
    Changed(name);
}

void xFrame::RefreshGradient() {
    if (m_enableGradient) {
        DropGradient();
    }
    Refresh();
}

// Setters that act even when given the current value, because they do more than store it:
// ColorScheme, Enabled and EnableGradient apply the palette again (replacing colours set one by
// one), Expanded restores the height the panel remembers, Font copies the attributes the header
// paints with, ForeColor gives the header its text colour, Picture shows the picture.

void xFrame::SetBackColor(OleColor backColor) {
    Update(m_backColor, backColor, "BackColor", [this] { Refresh(); });
}

void xFrame::SetBorderColor(OleColor borderColor) {
    Update(m_borderColor, borderColor, "BorderColor", [this] { Refresh(); });
}

void xFrame::SetButton(bool button) {
    Update(m_button, button, "Button", [this] { Refresh(); });
}

void xFrame::SetButtonColor(OleColor buttonColor) {
    Update(m_buttonColor, buttonColor, "ButtonColor", [this] { Refresh(); });
}

void xFrame::SetButtonHighlightColor(OleColor buttonHighlightColor) {
    Update(m_buttonHighlightColor, buttonHighlightColor, "ButtonHighlightColor",
           [this] { Refresh(); });
}

void xFrame::SetButtonPin(bool buttonPin) {
    Update(m_buttonPin, buttonPin, "ButtonPin", [this] { Refresh(); });
}

void xFrame::SetCaption(const QString& caption) {
    Update(m_caption, caption, "Caption", [this] { Refresh(); });
}

// The only setter without a property-changed notification.
void xFrame::SetColorScheme(int colorScheme) {
    m_colorScheme = colorScheme;
    ApplyColorScheme();
    RefreshGradient();
}

void xFrame::SetDisplayPicture(bool displayPicture) {
    Update(m_displayPicture, displayPicture, "DisplayPicture", [this] { ResizeHandler(); });
}

void xFrame::SetEnabled(bool enabled) {
    setEnabled(enabled);
    m_picHeader->setEnabled(enabled);
    if (enabled) {
        m_tmrMouseMove->start();
    } else {
        m_tmrMouseMove->stop();
    }
    m_imgFramePic->setEnabled(enabled);
    ApplyColorScheme();
    RefreshGradient();
    Changed("Enabled");
}

void xFrame::SetEnableGradient(bool enableGradient) {
    m_enableGradient = enableGradient;
    if (!enableGradient) {
        DropGradient();
    }
    ApplyColorScheme();
    Refresh();
    Changed("EnableGradient");
}

void xFrame::SetExpanded(bool expanded) {
    m_expanded = expanded;
    if (!m_framePinned) {
        SetHeightTwips(expanded ? m_fullHeight : kCollapsedHeight);
    }
    RepaintHeader();
    Changed("Expanded");
}

void xFrame::SetFont(const QFont& font) {
    m_picHeader->setFont(font);
    m_fontBold = font.bold();
    m_fontItalic = font.italic();
    m_fontSize = font.pointSizeF();
    m_fontStrikethru = font.strikeOut();
    m_fontUnderline = font.underline();
    ResizeHandler();
    Changed("Font");
}

void xFrame::SetForeColor(OleColor foreColor) {
    m_picHeader->SetTextColor(foreColor);
    m_foreColor = foreColor;
    Changed("ForeColor");
}

void xFrame::SetFramePinned(bool framePinned) {
    Update(m_framePinned, framePinned, "FramePinned", [this] { Refresh(); });
}

void xFrame::SetGradientBottom(OleColor gradientBottom) {
    Update(m_gradientBottom, gradientBottom, "GradientBottom", [this] { RefreshGradient(); });
}

void xFrame::SetGradientTop(OleColor gradientTop) {
    Update(m_gradientTop, gradientTop, "GradientTop", [this] { RefreshGradient(); });
}

void xFrame::SetHeaderGradientBottom(OleColor headerGradientBottom) {
    Update(m_headerGradientBottom, headerGradientBottom, "HeaderGradientBottom",
           [this] { RepaintHeader(); });
}

void xFrame::SetHeaderGradientTop(OleColor headerGradientTop) {
    Update(m_headerGradientTop, headerGradientTop, "HeaderGradientTop",
           [this] { RepaintHeader(); });
}

void xFrame::SetPicture(const QPixmap& picture) {
    m_imgFramePic->setPixmap(picture);
    m_imgFramePic->resize(picture.size());
    m_displayPicture = true;
    ResizeHandler();
    RepaintHeader();
    Changed("Picture");
}

}  // namespace ostrel::controls
