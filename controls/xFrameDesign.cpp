// The panel's new values, its stored design and its colour schemes.
#include <QApplication>
#include <QLabel>
#include <iterator>

#include "controls/BagValues.h"
#include "controls/PanelHeader.h"
#include "controls/xFrame.h"

namespace ostrel::controls {
namespace {

struct Palette {
    OleColor button, buttonHighlight, border, fore, gradientBottom, gradientTop,
        headerGradientBottom, headerGradientTop;
};

constexpr Palette kSchemes[] = {
    {RGB(0, 0, 0), RGB(175, 175, 175), RGB(207, 207, 207), RGB(0, 0, 0), RGB(239, 239, 239),
     RGB(255, 255, 255), RGB(207, 207, 207), RGB(248, 248, 248)},
    {RGB(50, 97, 187), RGB(255, 255, 255), RGB(101, 147, 207), RGB(255, 255, 255),
     RGB(165, 194, 235), RGB(255, 255, 255), RGB(64, 110, 192), RGB(222, 233, 248)},
    {RGB(100, 120, 68), RGB(155, 170, 116), RGB(155, 170, 116), RGB(100, 120, 68),
     RGB(236, 239, 227), RGB(255, 255, 255), RGB(162, 177, 121), RGB(236, 239, 227)},
    {RGB(102, 102, 126), RGB(168, 169, 187), RGB(168, 169, 187), RGB(102, 102, 126),
     RGB(236, 235, 242), RGB(255, 255, 255), RGB(198, 195, 215), RGB(240, 240, 245)},
};
constexpr Palette kDisabledPalette = {RGB(151, 151, 117), RGB(207, 207, 207), RGB(191, 167, 128),
                                      RGB(151, 151, 117), RGB(250, 250, 248), RGB(255, 255, 255),
                                      RGB(171, 171, 144), RGB(231, 231, 224)};
constexpr int kNewColorScheme = 1;

// Bag defaults that differ from the new-instance values or from the scheme 1 palette.
constexpr OleColor kBagBackColor = SystemColor(kColorButtonFace);
constexpr OleColor kBagHeaderGradientBottom = RGB(69, 115, 194);

}  // namespace

void xFrame::InitProperties() {
    const Palette& colors = kSchemes[kNewColorScheme];
    m_fontBold = m_fontItalic = m_fontStrikethru = m_fontUnderline = false;
    m_fontSize = 8;
    m_expanded = true;
    m_colorScheme = kNewColorScheme;
    m_backColor = SystemColor(kColorButtonFace);
    m_buttonColor = colors.button;
    m_buttonHighlightColor = colors.buttonHighlight;
    m_borderColor = colors.border;
    m_foreColor = colors.fore;
    m_gradientBottom = colors.gradientBottom;
    m_gradientTop = colors.gradientTop;
    m_headerGradientBottom = colors.headerGradientBottom;
    m_headerGradientTop = colors.headerGradientTop;
    m_hoverColor = colors.button;
    CreateParts();
    m_caption = objectName();
    m_picHeader->SetTextColor(m_foreColor);
    QFont font = m_picHeader->font();
    font.setPointSizeF(8);
    m_picHeader->setFont(font);
}

// The read order matters: the scheme is applied before the colours are read, and the disabled
// palette (for a design stored disabled, which is also the bag default) replaces only the
// colours read before it.
void xFrame::ReadProperties(const PropertyBag& bag) {
    CreateParts();
    bag.ReadInto("ColorScheme", kNewColorScheme, m_colorScheme);
    ApplyColorScheme();
    bag.ReadInto("BackColor", kBagBackColor, m_backColor);
    bag.ReadInto("BorderColor", kSchemes[1].border, m_borderColor);
    bag.ReadInto("Button", false, m_button);
    bag.ReadInto("ButtonColor", kSchemes[1].button, m_buttonColor);
    bag.ReadInto("ButtonHighlightColor", kSchemes[1].buttonHighlight, m_buttonHighlightColor);
    bag.ReadInto("ButtonPin", false, m_buttonPin);
    bag.ReadInto("ColorScheme", kNewColorScheme, m_colorScheme);
    bag.ReadInto("Caption", objectName(), m_caption);
    bag.ReadInto("DisplayPicture", false, m_displayPicture);
    bool enabled = Enabled();
    bag.ReadInto("Enabled", false, enabled);
    setEnabled(enabled);
    if (!Enabled()) {
        ApplyColorScheme();
    }

    bag.ReadInto("EnableGradient", false, m_enableGradient);
    bag.ReadInto("Expanded", true, m_expanded);
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    QFont font = m_picHeader->font();
    QString family = font.family();
    bag.ReadInto("Font", ambient.family(), family);
    font.setFamily(family);
    m_picHeader->setFont(font);
    // The attributes fall back to the ambient font object, which is no Boolean or number.
    const QVariant ambientObject = QVariant::fromValue(ambient);
    bag.ReadInto("FontBold", ambientObject, m_fontBold);
    bag.ReadInto("FontItalic", ambientObject, m_fontItalic);
    bag.ReadInto("FontSize", ambientObject, m_fontSize);
    bag.ReadInto("FontStrikeThru", ambientObject, m_fontStrikethru);
    bag.ReadInto("FontUnderline", ambientObject, m_fontUnderline);
    bag.ReadInto("ForeColor", kSchemes[1].fore, m_foreColor);
    m_picHeader->SetTextColor(m_foreColor);
    bag.ReadInto("FramePinned", false, m_framePinned);
    bag.ReadInto("GradientBottom", kSchemes[1].gradientBottom, m_gradientBottom);
    bag.ReadInto("GradientTop", kSchemes[1].gradientTop, m_gradientTop);
    bag.ReadInto("HeaderGradientBottom", kBagHeaderGradientBottom, m_headerGradientBottom);
    bag.ReadInto("HeaderGradientTop", kSchemes[1].headerGradientTop, m_headerGradientTop);
    QString picture;
    bag.ReadInto("Picture", QString(), picture);
    const QPixmap pixmap = QPixmap::fromImage(PictureFromBag(picture));
    m_imgFramePic->setPixmap(pixmap);
    m_imgFramePic->resize(pixmap.size());

    ResizeHandler();
}

void xFrame::WriteProperties(PropertyBag& bag) const {
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    const QFont font = Font();
    bag.WriteProperty("BackColor", m_backColor, kBagBackColor);
    bag.WriteProperty("BorderColor", m_borderColor, kSchemes[1].border);
    bag.WriteProperty("Button", m_button, false);
    bag.WriteProperty("ButtonColor", m_buttonColor, kSchemes[1].button);
    bag.WriteProperty("ButtonHighlightColor", m_buttonHighlightColor, kSchemes[1].buttonHighlight);
    bag.WriteProperty("ButtonPin", m_buttonPin, false);
    bag.WriteProperty("ColorScheme", m_colorScheme, kNewColorScheme);
    bag.WriteProperty("Caption", m_caption, objectName());
    bag.WriteProperty("DisplayPicture", m_displayPicture, false);
    bag.WriteProperty("Enabled", Enabled(), false);
    bag.WriteProperty("EnableGradient", m_enableGradient, false);
    bag.WriteProperty("Expanded", m_expanded, true);
    bag.WriteProperty("Font", font.family(), ambient.family());
    // The attributes' default is a font object, never equal to them: they are always stored.
    bag.WriteProperty("FontBold", font.bold());
    bag.WriteProperty("ForeColor", ForeColor(), kSchemes[1].fore);
    bag.WriteProperty("FontItalic", font.italic());
    bag.WriteProperty("FontSize", font.pointSizeF());
    bag.WriteProperty("FontStrikethru", font.strikeOut());
    bag.WriteProperty("FontUnderline", font.underline());
    bag.WriteProperty("FramePinned", m_framePinned, false);
    bag.WriteProperty("GradientBottom", m_gradientBottom, kSchemes[1].gradientBottom);
    bag.WriteProperty("GradientTop", m_gradientTop, kSchemes[1].gradientTop);
    bag.WriteProperty("HeaderGradientBottom", m_headerGradientBottom, kBagHeaderGradientBottom);
    bag.WriteProperty("HeaderGradientTop", m_headerGradientTop, kSchemes[1].headerGradientTop);
    bag.WriteProperty("Picture", PictureToBag(Picture().toImage()), QString());
}

void xFrame::ApplyColorScheme() {
    const Palette* colors = nullptr;
    if (!Enabled()) {
        colors = &kDisabledPalette;
    } else if (m_colorScheme >= 0 && m_colorScheme < static_cast<int>(std::size(kSchemes))) {
        colors = &kSchemes[m_colorScheme];
    }
    if (colors) {
        m_buttonColor = colors->button;
        m_buttonHighlightColor = colors->buttonHighlight;
        m_borderColor = colors->border;
        m_foreColor = colors->fore;  // the header takes it at its next paint
        m_gradientBottom = colors->gradientBottom;
        m_gradientTop = colors->gradientTop;
        m_headerGradientBottom = colors->headerGradientBottom;
        m_headerGradientTop = colors->headerGradientTop;
    }
    m_hoverColor = m_buttonColor;
}

}  // namespace ostrel::controls
