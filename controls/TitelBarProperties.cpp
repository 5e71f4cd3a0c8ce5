// The title bar's properties: the new values, the stored design and the setters.
#include <QApplication>
#include <algorithm>
#include <stdexcept>
#include <utility>

#include "controls/AssignChanged.h"
#include "controls/BagValues.h"
#include "controls/TitelBar.h"

namespace ostrel::controls {
namespace {

constexpr char kClassName[] = "TitelBar";

// The colours behind the new values and the bag defaults.
constexpr OleColor kNavy = RGB(38, 48, 79);
constexpr OleColor kLightGrey = RGB(230, 230, 230);
constexpr OleColor kSteel = RGB(90, 110, 140);
constexpr OleColor kWhite = RGB(255, 255, 255);
constexpr OleColor kBlack = RGB(0, 0, 0);
constexpr OleColor kCaptionGrey = RGB(60, 60, 60);

qint16 CheckedInt16(int value, const char* property) {
    if (!std::in_range<qint16>(value)) {
        throw std::overflow_error(std::string(property) + ": overflow");
    }
    return static_cast<qint16>(value);
}

// A byte-sized property: a stored value outside 0 to 255 is cut to the nearest end.
quint8 ReadByte(const PropertyBag& bag, const char* name, int defaultValue) {
    return static_cast<quint8>(std::clamp(bag.ReadProperty(name, defaultValue).toInt(), 0, 255));
}

}  // namespace

template <typename T>
bool TitelBar::Assign(T& field, const T& value, const char* name) {
    if (!AssignChanged(field, value)) {
        return false;
    }
    emit PropertyChanged(QString::fromLatin1(name));
    return !m_loading;
}

void TitelBar::InitProperties() {
    m_loading = true;
    SetAutoRedraw(false);
    SetDashBack(false);
    SetStyle(8);
    SetBackColor(kNavy);
    SetBackColorCover(3.0f);
    SetBackColorV1Begin(kLightGrey);
    SetBackColorV1End(kSteel);
    SetBackColorV2Begin(kSteel);
    SetBackColorV2End(kNavy);
    SetBorderColorHighLight(kWhite);
    SetBorderColorDarkLight(kBlack);
    SetForeColor(kWhite);
    SetCaptionColorBack(kCaptionGrey);
    SetCaptionColor(kWhite);
    SetCaptionBorderColor(0);
    SetCaptionShadowColor(kCaptionGrey);
    SetCaptionBorder(false);
    SetCaption3DWidth(2);
    SetCaption3DTop(false);
    SetCaption3DBottom(true);
    SetCaption3DLeft(false);
    SetCaption3DRight(true);
    SetShowClose(true);
    SetShowMinimized(true);
    SetShowMaximized(false);
    SetShowCloseEnabled(true);
    SetShowMinimizedEnabled(true);
    SetShowMaximizedEnabled(true);
    setFont(QFont());  // the container's
    SetToolTipText(QString());
    SetCaption(QString::fromLatin1(kClassName));
    SetCaptionPosX(0);
    SetCaptionPosY(2);
    SetBorderNormal(2);
    SetIconStyle(0);
    SetPicture(QImage());
    SetPictureButton(QImage());
    SetPicturePosMode(0);
    SetPicturePosX(6);
    SetPicturePosY(4);
    m_loading = false;
    Refresh();
}

void TitelBar::ReadProperties(const PropertyBag& bag) {
    m_loading = true;
    SetBackColor(bag.ReadProperty("BackColor", kLightGrey).toUInt());
    SetAutoRedraw(bag.ReadProperty("AutoRedraw", false).toBool());
    SetDashBack(bag.ReadProperty("DashBack", false).toBool());
    if (const int style = bag.ReadProperty("Style", 8).toInt(); std::in_range<qint16>(style)) {
        SetStyle(style);
    }
    Assign(m_backColorCover, bag.ReadProperty("BackColorCover", 0.0f).toFloat(), "BackColorCover");
    SetBackColorV2Begin(bag.ReadProperty("BackColorV2Begin", kSteel).toUInt());
    SetBackColorV2End(bag.ReadProperty("BackColorV2End", kNavy).toUInt());
    SetBackColorV1Begin(bag.ReadProperty("BackColorV1Begin", kLightGrey).toUInt());
    SetBackColorV1End(bag.ReadProperty("BackColorV1End", kSteel).toUInt());
    SetForeColor(bag.ReadProperty("ForeColor", SystemColor(kColorButtonText)).toUInt());
    SetCaptionColorBack(bag.ReadProperty("CaptionColorBack", kCaptionGrey).toUInt());
    SetCaptionColor(bag.ReadProperty("CaptionColor", kWhite).toUInt());
    SetShowClose(bag.ReadProperty("ShowClose", true).toBool());
    SetShowMinimized(bag.ReadProperty("ShowMinimized", true).toBool());
    SetShowMaximized(bag.ReadProperty("ShowMaximized", false).toBool());
    SetShowCloseEnabled(bag.ReadProperty("ShowCloseEnabled", true).toBool());
    SetShowMinimizedEnabled(bag.ReadProperty("ShowMinimizedEnabled", true).toBool());
    SetShowMaximizedEnabled(bag.ReadProperty("ShowMaximizedEnabled", false).toBool());
    QFont stored;
    const QString fontText = bag.ReadProperty("Font", QString()).toString();
    if (fontText.isEmpty() || !stored.fromString(fontText)) {
        stored = parentWidget() ? parentWidget()->font() : QApplication::font();
    }
    SetFont(stored);
    SetPicture(PictureFromBag(bag.ReadProperty("Picture", QString())));
    // The second "AutoRedraw": the same key, read back into the surface's own mode.
    m_persistentImage = bag.ReadProperty("AutoRedraw", false).toBool();
    SetToolTipText(bag.ReadProperty("ToolTipText", QString()).toString());
    SetCaption(bag.ReadProperty("Caption", QString::fromLatin1(kClassName)).toString());
    SetPicturePosMode(bag.ReadProperty("PicturePosMode", 0).toInt());
    if (const int x = bag.ReadProperty("PicturePosX", 6).toInt(); std::in_range<qint16>(x)) {
        SetPicturePosX(x);
    }
    if (const int y = bag.ReadProperty("PicturePosY", 4).toInt(); std::in_range<qint16>(y)) {
        SetPicturePosY(y);
    }
    SetCaptionPosX(bag.ReadProperty("CaptionPosX", 0).toInt());
    SetCaptionPosY(bag.ReadProperty("CaptionPosY", 2).toInt());
    SetBorderNormal(ReadByte(bag, "BorderNormal", 0));
    SetIconStyle(ReadByte(bag, "IconStyle", 0));
    SetBorderColorHighLight(bag.ReadProperty("BorderColorHighLight", kWhite).toUInt());
    SetBorderColorDarkLight(bag.ReadProperty("BorderColorDarkLight", kBlack).toUInt());
    SetCaption3DWidth(ReadByte(bag, "Caption3DWidth", 2));
    SetCaption3DTop(bag.ReadProperty("Caption3DTop", false).toBool());
    SetCaption3DLeft(bag.ReadProperty("Caption3DLeft", false).toBool());
    SetCaption3DRight(bag.ReadProperty("Caption3DRight", true).toBool());
    SetCaption3DBottom(bag.ReadProperty("Caption3DBottom", true).toBool());
    SetCaptionBorder(bag.ReadProperty("CaptionBorder", false).toBool());
    SetCaptionBorderColor(bag.ReadProperty("CaptionBorderColor", OleColor{0}).toUInt());
    SetCaptionShadowColor(bag.ReadProperty("CaptionShadowColor", kCaptionGrey).toUInt());
    SetPictureButton(PictureFromBag(bag.ReadProperty("PictureButton", QString())));
    m_loading = false;
    Refresh();
}

void TitelBar::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty("BackColor", m_backColor, kLightGrey);
    bag.WriteProperty("AutoRedraw", m_autoRedraw, false);
    bag.WriteProperty("DashBack", m_dashBack, false);
    bag.WriteProperty("Style", static_cast<int>(m_style), 8);
    bag.WriteProperty("BackColorCover", m_backColorCover, 0.0f);
    bag.WriteProperty("BackColorV2Begin", m_backColorV2Begin, kSteel);
    bag.WriteProperty("BackColorV2End", m_backColorV2End, kNavy);
    bag.WriteProperty("BackColorV1Begin", m_backColorV1Begin, kLightGrey);
    bag.WriteProperty("BackColorV1End", m_backColorV1End, kSteel);
    bag.WriteProperty("ForeColor", m_foreColor, SystemColor(kColorButtonText));
    bag.WriteProperty("CaptionColorBack", m_captionColorBack, kCaptionGrey);
    bag.WriteProperty("CaptionColor", m_captionColor, kWhite);
    bag.WriteProperty("ShowClose", m_showClose, true);
    bag.WriteProperty("ShowMinimized", m_showMinimized, true);
    bag.WriteProperty("ShowMaximized", m_showMaximized, false);
    bag.WriteProperty("ShowCloseEnabled", m_showCloseEnabled, true);
    bag.WriteProperty("ShowMinimizedEnabled", m_showMinimizedEnabled, true);
    bag.WriteProperty("ShowMaximizedEnabled", m_showMaximizedEnabled, false);
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    bag.WriteProperty("Font", font().toString(), ambient.toString());
    bag.WriteProperty("Picture", PictureToBag(m_picture), QString());
    // The surface's persistent-image mode under the same key: it is off after every redraw, so
    // this second entry normally removes the first.
    bag.WriteProperty("AutoRedraw", m_persistentImage, false);
    bag.WriteProperty("ToolTipText", m_toolTipText, QString());
    bag.WriteProperty("Caption", m_caption, QString::fromLatin1(kClassName));
    bag.WriteProperty("PicturePosMode", m_picturePosMode, 0);
    bag.WriteProperty("PicturePosX", static_cast<int>(m_picturePosX), 6);
    bag.WriteProperty("PicturePosY", static_cast<int>(m_picturePosY), 4);
    bag.WriteProperty("CaptionPosX", m_captionPosX, 0);
    bag.WriteProperty("CaptionPosY", m_captionPosY, 2);
    bag.WriteProperty("PictureButton", PictureToBag(m_pictureButton), QString());
    bag.WriteProperty("BorderNormal", static_cast<int>(m_borderNormal), 0);
    bag.WriteProperty("IconStyle", static_cast<int>(m_iconStyle), 0);
    bag.WriteProperty("BorderColorHighLight", m_borderColorHighLight, kWhite);
    bag.WriteProperty("BorderColorDarkLight", m_borderColorDarkLight, kBlack);
    bag.WriteProperty("Caption3DWidth", static_cast<int>(m_caption3DWidth), 2);
    bag.WriteProperty("Caption3DTop", m_caption3DTop, false);
    bag.WriteProperty("Caption3DLeft", m_caption3DLeft, false);
    bag.WriteProperty("Caption3DRight", m_caption3DRight, true);
    bag.WriteProperty("Caption3DBottom", m_caption3DBottom, true);
    bag.WriteProperty("CaptionBorder", m_captionBorder, false);
    bag.WriteProperty("CaptionBorderColor", m_captionBorderColor, OleColor{0});
    bag.WriteProperty("CaptionShadowColor", m_captionShadowColor, kCaptionGrey);
}

// Setters.

void TitelBar::SetAutoRedraw(bool autoRedraw) {
    Assign(m_autoRedraw, autoRedraw, "AutoRedraw");
}
void TitelBar::SetDashBack(bool dashBack) {
    if (Assign(m_dashBack, dashBack, "DashBack")) {
        Refresh();
    }
}
void TitelBar::SetStyle(int style) {
    if (Assign(m_style, CheckedInt16(style, "Style"), "Style")) {
        Refresh();
    }
}
void TitelBar::SetBackColor(OleColor backColor) {
    if (Assign(m_backColor, backColor, "BackColor")) {
        Refresh();
    }
}
void TitelBar::SetBackColorCover(float backColorCover) {
    float cover = backColorCover;
    if (cover >= 10.0f) {
        cover = 10.0f;
    } else if (cover <= 0.0f) {
        cover = 1.0f;
    }
    if (Assign(m_backColorCover, cover, "BackColorCover")) {
        Refresh();
    }
}
void TitelBar::SetBackColorV1Begin(OleColor backColorV1Begin) {
    if (Assign(m_backColorV1Begin, backColorV1Begin, "BackColorV1Begin")) {
        Refresh();
    }
}
void TitelBar::SetBackColorV1End(OleColor backColorV1End) {
    if (Assign(m_backColorV1End, backColorV1End, "BackColorV1End")) {
        Refresh();
    }
}
void TitelBar::SetBackColorV2Begin(OleColor backColorV2Begin) {
    if (Assign(m_backColorV2Begin, backColorV2Begin, "BackColorV2Begin")) {
        Refresh();
    }
}
void TitelBar::SetBackColorV2End(OleColor backColorV2End) {
    if (Assign(m_backColorV2End, backColorV2End, "BackColorV2End")) {
        Refresh();
    }
}
void TitelBar::SetBorderColorHighLight(OleColor borderColorHighLight) {
    if (Assign(m_borderColorHighLight, borderColorHighLight, "BorderColorHighLight")) {
        Refresh();
    }
}
void TitelBar::SetBorderColorDarkLight(OleColor borderColorDarkLight) {
    if (Assign(m_borderColorDarkLight, borderColorDarkLight, "BorderColorDarkLight")) {
        Refresh();
    }
}
void TitelBar::SetForeColor(OleColor foreColor) {
    if (Assign(m_foreColor, foreColor, "ForeColor")) {
        Refresh();
    }
}
void TitelBar::SetCaptionColorBack(OleColor captionColorBack) {
    if (Assign(m_captionColorBack, captionColorBack, "CaptionColorBack")) {
        Refresh();
    }
}
void TitelBar::SetCaptionColor(OleColor captionColor) {
    if (Assign(m_captionColor, captionColor, "CaptionColor")) {
        m_foreColor = m_captionColor;
        Refresh();
    }
}
void TitelBar::SetCaptionBorderColor(OleColor captionBorderColor) {
    if (Assign(m_captionBorderColor, captionBorderColor, "CaptionBorderColor")) {
        Refresh();
    }
}
void TitelBar::SetCaptionShadowColor(OleColor captionShadowColor) {
    if (Assign(m_captionShadowColor, captionShadowColor, "CaptionShadowColor")) {
        Refresh();
    }
}
void TitelBar::SetCaptionBorder(bool captionBorder) {
    if (Assign(m_captionBorder, captionBorder, "CaptionBorder")) {
        Refresh();
    }
}
void TitelBar::SetCaption3DWidth(quint8 caption3DWidth) {
    if (Assign(m_caption3DWidth, caption3DWidth, "Caption3DWidth")) {
        Refresh();
    }
}
// The four sides notify under their older names with "app" in them.
void TitelBar::SetCaption3DTop(bool caption3DTop) {
    if (Assign(m_caption3DTop, caption3DTop, "Caption3DappTop")) {
        Refresh();
    }
}
void TitelBar::SetCaption3DBottom(bool caption3DBottom) {
    if (Assign(m_caption3DBottom, caption3DBottom, "Caption3DappBottom")) {
        Refresh();
    }
}
void TitelBar::SetCaption3DLeft(bool caption3DLeft) {
    if (Assign(m_caption3DLeft, caption3DLeft, "Caption3DappLeft")) {
        Refresh();
    }
}
void TitelBar::SetCaption3DRight(bool caption3DRight) {
    if (Assign(m_caption3DRight, caption3DRight, "Caption3DappRight")) {
        Refresh();
    }
}
void TitelBar::SetShowClose(bool showClose) {
    if (Assign(m_showClose, showClose, "ShowClose")) {
        SetTBX_();
    }
}
void TitelBar::SetShowMinimized(bool showMinimized) {
    if (Assign(m_showMinimized, showMinimized, "ShowMinimized")) {
        SetTBX_();
    }
}
void TitelBar::SetShowMaximized(bool showMaximized) {
    if (Assign(m_showMaximized, showMaximized, "ShowMaximized")) {
        SetTBX_();
    }
}
void TitelBar::SetShowCloseEnabled(bool showCloseEnabled) {
    if (Assign(m_showCloseEnabled, showCloseEnabled, "ShowCloseEnabled")) {
        SetTBX_();
    }
}
void TitelBar::SetShowMinimizedEnabled(bool showMinimizedEnabled) {
    if (Assign(m_showMinimizedEnabled, showMinimizedEnabled, "ShowMinimizedEnabled")) {
        SetTBX_();
    }
}
void TitelBar::SetShowMaximizedEnabled(bool showMaximizedEnabled) {
    if (Assign(m_showMaximizedEnabled, showMaximizedEnabled, "ShowMaximizedEnabled")) {
        SetTBX_();
    }
}
void TitelBar::SetFont(const QFont& font) {
    if (QWidget::font() == font) {
        return;
    }
    setFont(font);  // the FontChange that follows redraws
    emit PropertyChanged(QStringLiteral("Font"));
}
void TitelBar::SetToolTipText(const QString& toolTipText) {
    Assign(m_toolTipText, toolTipText, "ToolTipText");
    setToolTip(m_toolTipText);
}
void TitelBar::SetCaption(const QString& caption) {
    if (Assign(m_caption, caption, "Caption")) {
        Refresh();
    }
}
void TitelBar::SetCaptionPosX(int captionPosX) {
    if (Assign(m_captionPosX, captionPosX, "CaptionPosX")) {
        Refresh();
    }
}
void TitelBar::SetCaptionPosY(int captionPosY) {
    if (Assign(m_captionPosY, captionPosY, "CaptionPosY")) {
        Refresh();
    }
}
void TitelBar::SetBorderNormal(quint8 borderNormal) {
    if (Assign(m_borderNormal, borderNormal, "BorderNormal")) {
        Refresh();
    }
}
void TitelBar::SetIconStyle(quint8 iconStyle) {
    if (Assign(m_iconStyle, iconStyle, "IconStyle")) {
        Refresh();
    }
}
void TitelBar::SetPicture(const QImage& picture) {
    if (Assign(m_picture, picture, "Picture")) {
        SetImageI();
    }
}
void TitelBar::SetPictureButton(const QImage& pictureButton) {
    if (Assign(m_pictureButton, pictureButton, "PictureButton")) {
        Refresh();
    }
}
void TitelBar::SetPicturePosMode(int picturePosMode) {
    if (Assign(m_picturePosMode, picturePosMode, "PicturePosMode")) {
        Refresh();
    }
}
void TitelBar::SetPicturePosX(int picturePosX) {
    if (Assign(m_picturePosX, CheckedInt16(picturePosX, "PicturePosX"), "PicturePosX")) {
        Refresh();
    }
}
void TitelBar::SetPicturePosY(int picturePosY) {
    if (Assign(m_picturePosY, CheckedInt16(picturePosY, "PicturePosY"), "PicturePosY")) {
        Refresh();
    }
}

}  // namespace ostrel::controls
