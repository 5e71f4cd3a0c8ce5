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
