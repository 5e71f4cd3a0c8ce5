// The title bar's new values and its stored design.
#include <QApplication>
#include <algorithm>
#include <utility>

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

// A byte-sized property: a stored value outside 0 to 255 is cut to the nearest end.
quint8 ReadByte(const PropertyBag& bag, const char* name, int defaultValue) {
    return static_cast<quint8>(std::clamp(bag.ReadProperty(name, defaultValue).toInt(), 0, 255));
}

}  // namespace

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

}  // namespace ostrel::controls
