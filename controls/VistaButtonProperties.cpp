// The push button's properties: the new values, the stored design, the setters and what follows
// from the caption and the enabled state (the access key, the tab stop).
#include <QKeySequence>

#include "controls/AssignChanged.h"
#include "controls/BagValues.h"
#include "controls/VistaButton.h"

namespace ostrel::controls {

void VistaButton::InitProperties() {
    SetCaption(objectName());
    SetForeColor(RGB(0, 0, 0));
    SetFont(QFont("Arial", 8));
    SetPicture({});
    SetPictures(2);
    SetUseMaskColor(true);
    SetMaskColor(RGB(0, 255, 0));
    SetEnabled(true);
    SetNoBackground(false);
    SetBackColor(SystemColor(kColorButtonFace));
    SetPictureOffset(0);
}

void VistaButton::ReadProperties(const PropertyBag& bag) {
    SetCaption(bag.ReadProperty("Caption", m_caption).toString());
    SetForeColor(bag.ReadProperty("ForeColor", m_foreColor).toUInt());
    SetFont(FontFromBag(bag.ReadProperty("Font"), font()));
    if (bag.Contains("Picture")) {
        SetPicture(PictureFromBag(bag.ReadProperty("Picture")));
    }
    SetPictures(bag.ReadProperty("Pictures", m_pictures).toInt());
    SetUseMaskColor(bag.ReadProperty("UseMaskColor", m_useMaskColor).toBool());
    SetMaskColor(bag.ReadProperty("MaskColor", m_maskColor).toUInt());
    SetEnabled(bag.ReadProperty("Enabled", m_enabled).toBool());
    SetNoBackground(bag.ReadProperty("NoBackground", m_noBackground).toBool());
    SetBackColor(bag.ReadProperty("BackColor", SystemColor(kColorButtonFace)).toUInt());
    SetPictureOffset(bag.ReadProperty("PictureOffset", m_pictureOffset).toInt());
    PreparePicture();
    UpdateTabStop();
    Refresh();
}

void VistaButton::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty("Caption", m_caption);
    bag.WriteProperty("ForeColor", m_foreColor);
    bag.WriteProperty("Font", FontToBag(font()));
    bag.WriteProperty("Picture", PictureToBag(m_picture));
    bag.WriteProperty("Pictures", m_pictures);
    bag.WriteProperty("UseMaskColor", m_useMaskColor);
    bag.WriteProperty("MaskColor", m_maskColor);
    bag.WriteProperty("Enabled", m_enabled);
    bag.WriteProperty("NoBackground", m_noBackground);
    bag.WriteProperty("BackColor", m_backColor);
    bag.WriteProperty("PictureOffset", m_pictureOffset);
}

void VistaButton::SetCaption(const QString& caption) {
    if (!AssignChanged(m_caption, caption)) {
        return;
    }
    UpdateAccessKey();
    Refresh();
}

void VistaButton::SetForeColor(OleColor color) {
    if (AssignChanged(m_foreColor, color)) {
        Refresh();
    }
}

void VistaButton::SetFont(const QFont& font) {
    setFont(font);  // the font change repaints
}

void VistaButton::SetPicture(const QImage& picture) {
    if (!AssignChanged(m_picture, picture)) {
        return;
    }
    PreparePicture();
    Refresh();
}

void VistaButton::SetPictures(int count) {
    if (AssignChanged(m_pictures, count)) {
        Refresh();
    }
}

void VistaButton::SetUseMaskColor(bool use) {
    if (AssignChanged(m_useMaskColor, use)) {
        Refresh();
    }
}

void VistaButton::SetMaskColor(OleColor color) {
    if (AssignChanged(m_maskColor, color)) {
        Refresh();
    }
}

void VistaButton::SetEnabled(bool enabled) {
    m_enabled = enabled;
    m_state = enabled ? kNormal : kDisabled;
    setEnabled(enabled);
    UpdateTabStop();
    Refresh();
}

void VistaButton::SetNoBackground(bool noBackground) {
    if (AssignChanged(m_noBackground, noBackground)) {
        Refresh();
    }
}

void VistaButton::SetBackColor(OleColor color) {
    if (AssignChanged(m_backColor, color)) {
        Refresh();
    }
}

void VistaButton::SetPictureOffset(int offset) {
    m_pictureOffset = offset;
}

bool VistaButton::SetState(int state) {
    if (state == m_state) {
        return false;
    }
    m_state = state;
    Refresh();
    return true;
}

void VistaButton::UpdateTabStop() {
    const bool tabStop = focusPolicy() & Qt::TabFocus;
    if (!m_enabled && tabStop) {
        m_savedTabStop = tabStop;
        m_tabStopSaved = true;
        setFocusPolicy(Qt::ClickFocus);
    } else if (m_enabled && m_tabStopSaved && m_savedTabStop != tabStop) {
        setFocusPolicy(m_savedTabStop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void VistaButton::UpdateAccessKey() {
    if (m_accessKeyId != 0) {
        releaseShortcut(m_accessKeyId);
        m_accessKeyId = 0;
    }
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    if (!key.isEmpty()) {
        m_accessKeyId = grabShortcut(key);
    }
}

}  // namespace ostrel::controls
