// The title bar's setters: each stores its value, notifies the form and redraws.
#include <stdexcept>
#include <string>
#include <utility>

#include "controls/TitelBar.h"

namespace ostrel::controls {
namespace {

qint16 CheckedInt16(int value, const char* property) {
    if (!std::in_range<qint16>(value)) {
        throw std::overflow_error(std::string(property) + ": overflow");
    }
    return static_cast<qint16>(value);
}

}  // namespace

void TitelBar::SetAutoRedraw(bool autoRedraw) {
    Assign(m_autoRedraw, autoRedraw, "AutoRedraw");
}
void TitelBar::SetDashBack(bool dashBack) {
    Update(m_dashBack, dashBack, "DashBack", [this] { Refresh(); });
}
void TitelBar::SetStyle(int style) {
    Update(m_style, CheckedInt16(style, "Style"), "Style", [this] { Refresh(); });
}
void TitelBar::SetBackColor(OleColor backColor) {
    Update(m_backColor, backColor, "BackColor", [this] { Refresh(); });
}
void TitelBar::SetBackColorCover(float backColorCover) {
    float cover = backColorCover;
    if (cover >= 10.0f) {
        cover = 10.0f;
    } else if (cover <= 0.0f) {
        cover = 1.0f;
    }
    Update(m_backColorCover, cover, "BackColorCover", [this] { Refresh(); });
}
void TitelBar::SetBackColorV1Begin(OleColor backColorV1Begin) {
    Update(m_backColorV1Begin, backColorV1Begin, "BackColorV1Begin", [this] { Refresh(); });
}
void TitelBar::SetBackColorV1End(OleColor backColorV1End) {
    Update(m_backColorV1End, backColorV1End, "BackColorV1End", [this] { Refresh(); });
}
void TitelBar::SetBackColorV2Begin(OleColor backColorV2Begin) {
    Update(m_backColorV2Begin, backColorV2Begin, "BackColorV2Begin", [this] { Refresh(); });
}
void TitelBar::SetBackColorV2End(OleColor backColorV2End) {
    Update(m_backColorV2End, backColorV2End, "BackColorV2End", [this] { Refresh(); });
}
void TitelBar::SetBorderColorHighLight(OleColor borderColorHighLight) {
    Update(m_borderColorHighLight, borderColorHighLight, "BorderColorHighLight",
           [this] { Refresh(); });
}
void TitelBar::SetBorderColorDarkLight(OleColor borderColorDarkLight) {
    Update(m_borderColorDarkLight, borderColorDarkLight, "BorderColorDarkLight",
           [this] { Refresh(); });
}
void TitelBar::SetForeColor(OleColor foreColor) {
    Update(m_foreColor, foreColor, "ForeColor", [this] { Refresh(); });
}
void TitelBar::SetCaptionColorBack(OleColor captionColorBack) {
    Update(m_captionColorBack, captionColorBack, "CaptionColorBack", [this] { Refresh(); });
}
void TitelBar::SetCaptionColor(OleColor captionColor) {
    Update(m_captionColor, captionColor, "CaptionColor", [this] {
        m_foreColor = m_captionColor;
        Refresh();
    });
}
void TitelBar::SetCaptionBorderColor(OleColor captionBorderColor) {
    Update(m_captionBorderColor, captionBorderColor, "CaptionBorderColor", [this] { Refresh(); });
}
void TitelBar::SetCaptionShadowColor(OleColor captionShadowColor) {
    Update(m_captionShadowColor, captionShadowColor, "CaptionShadowColor", [this] { Refresh(); });
}
void TitelBar::SetCaptionBorder(bool captionBorder) {
    Update(m_captionBorder, captionBorder, "CaptionBorder", [this] { Refresh(); });
}
void TitelBar::SetCaption3DWidth(quint8 caption3DWidth) {
    Update(m_caption3DWidth, caption3DWidth, "Caption3DWidth", [this] { Refresh(); });
}
// The four sides notify under their older names with "app" in them.
void TitelBar::SetCaption3DTop(bool caption3DTop) {
    Update(m_caption3DTop, caption3DTop, "Caption3DappTop", [this] { Refresh(); });
}
void TitelBar::SetCaption3DBottom(bool caption3DBottom) {
    Update(m_caption3DBottom, caption3DBottom, "Caption3DappBottom", [this] { Refresh(); });
}
void TitelBar::SetCaption3DLeft(bool caption3DLeft) {
    Update(m_caption3DLeft, caption3DLeft, "Caption3DappLeft", [this] { Refresh(); });
}
void TitelBar::SetCaption3DRight(bool caption3DRight) {
    Update(m_caption3DRight, caption3DRight, "Caption3DappRight", [this] { Refresh(); });
}
void TitelBar::SetShowClose(bool showClose) {
    Update(m_showClose, showClose, "ShowClose", [this] { SetTBX_(); });
}
void TitelBar::SetShowMinimized(bool showMinimized) {
    Update(m_showMinimized, showMinimized, "ShowMinimized", [this] { SetTBX_(); });
}
void TitelBar::SetShowMaximized(bool showMaximized) {
    Update(m_showMaximized, showMaximized, "ShowMaximized", [this] { SetTBX_(); });
}
void TitelBar::SetShowCloseEnabled(bool showCloseEnabled) {
    Update(m_showCloseEnabled, showCloseEnabled, "ShowCloseEnabled", [this] { SetTBX_(); });
}
void TitelBar::SetShowMinimizedEnabled(bool showMinimizedEnabled) {
    Update(m_showMinimizedEnabled, showMinimizedEnabled, "ShowMinimizedEnabled",
           [this] { SetTBX_(); });
}
void TitelBar::SetShowMaximizedEnabled(bool showMaximizedEnabled) {
    Update(m_showMaximizedEnabled, showMaximizedEnabled, "ShowMaximizedEnabled",
           [this] { SetTBX_(); });
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
    Update(m_caption, caption, "Caption", [this] { Refresh(); });
}
void TitelBar::SetCaptionPosX(int captionPosX) {
    Update(m_captionPosX, captionPosX, "CaptionPosX", [this] { Refresh(); });
}
void TitelBar::SetCaptionPosY(int captionPosY) {
    Update(m_captionPosY, captionPosY, "CaptionPosY", [this] { Refresh(); });
}
void TitelBar::SetBorderNormal(quint8 borderNormal) {
    Update(m_borderNormal, borderNormal, "BorderNormal", [this] { Refresh(); });
}
void TitelBar::SetIconStyle(quint8 iconStyle) {
    Update(m_iconStyle, iconStyle, "IconStyle", [this] { Refresh(); });
}
void TitelBar::SetPicture(const QImage& picture) {
    Update(m_picture, picture, "Picture", [this] { SetImageI(); });
}
void TitelBar::SetPictureButton(const QImage& pictureButton) {
    Update(m_pictureButton, pictureButton, "PictureButton", [this] { Refresh(); });
}
void TitelBar::SetPicturePosMode(int picturePosMode) {
    Update(m_picturePosMode, picturePosMode, "PicturePosMode", [this] { Refresh(); });
}
void TitelBar::SetPicturePosX(int picturePosX) {
    Update(m_picturePosX, CheckedInt16(picturePosX, "PicturePosX"), "PicturePosX",
           [this] { Refresh(); });
}
void TitelBar::SetPicturePosY(int picturePosY) {
    Update(m_picturePosY, CheckedInt16(picturePosY, "PicturePosY"), "PicturePosY",
           [this] { Refresh(); });
}

}  // namespace ostrel::controls
