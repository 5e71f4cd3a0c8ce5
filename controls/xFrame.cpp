#include "controls/xFrame.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <iterator>

#include "controls/BagValues.h"
#include "controls/PanelHeader.h"

namespace ostrel::controls {
namespace {

constexpr int kHeaderHeight = 300;
constexpr int kHoverInterval = 10;  // ms
// The pin zone of the header when the expand/collapse glyph is shown, from its right edge.
constexpr int kPinZoneLeft = 450;
constexpr int kPinZoneRight = 300;

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

short ButtonCode(Qt::MouseButtons buttons) {
    return static_cast<short>((buttons & Qt::LeftButton ? 1 : 0) |
                              (buttons & Qt::RightButton ? 2 : 0) |
                              (buttons & Qt::MiddleButton ? 4 : 0));
}

short ShiftCode(Qt::KeyboardModifiers modifiers) {
    return static_cast<short>((modifiers & Qt::ShiftModifier ? 1 : 0) |
                              (modifiers & Qt::ControlModifier ? 2 : 0) |
                              (modifiers & Qt::AltModifier ? 4 : 0));
}

float Twips(qreal pixels) {
    return static_cast<float>(pixels * kTwipsPerPixel);
}

}  // namespace

xFrame::xFrame(const QString& name, QWidget* parent) : DrawingSurface(parent) {
    setObjectName(name);
    setMouseTracking(true);
    InitProperties();
}

xFrame::xFrame(const QString& name, const PropertyBag& bag, QWidget* parent)
    : DrawingSurface(parent) {
    setObjectName(name);
    setMouseTracking(true);
    ReadProperties(bag);
}

void xFrame::CreateParts() {
    if (m_PartsCreated) {
        return;
    }
    m_PartsCreated = true;
    m_picHeader = new PanelHeader(this);
    m_picHeader->setObjectName("picHeader");
    m_picHeader->show();
    connect(m_picHeader, &PanelHeader::Clicked, this, &xFrame::picHeader_Click);
    connect(m_picHeader, &PanelHeader::MouseMoved, this, &xFrame::picHeader_MouseMove);
    connect(m_picHeader, &PanelHeader::SurfaceRenewed, this, &xFrame::RepaintHeader);

    m_tmrMouseMove = new QTimer(this);
    m_tmrMouseMove->setObjectName("tmrMouseMove");
    m_tmrMouseMove->setInterval(kHoverInterval);
    connect(m_tmrMouseMove, &QTimer::timeout, this, &xFrame::tmrMouseMove_Timer);

    m_imgFramePic = new QLabel(m_picHeader);
    m_imgFramePic->setObjectName("imgFramePic");
    m_imgFramePic->resize(0, 0);
    m_imgFramePic->hide();
}

void xFrame::InitProperties() {
    const Palette& colors = kSchemes[kNewColorScheme];
    m_FontBold = m_FontItalic = m_FontStrikethru = m_FontUnderline = false;
    m_FontSize = 8;
    m_Expanded = true;
    m_ColorScheme = kNewColorScheme;
    m_BackColor = SystemColor(kColorButtonFace);
    m_ButtonColor = colors.button;
    m_ButtonHighlightColor = colors.buttonHighlight;
    m_BorderColor = colors.border;
    m_ForeColor = colors.fore;
    m_GradientBottom = colors.gradientBottom;
    m_GradientTop = colors.gradientTop;
    m_HeaderGradientBottom = colors.headerGradientBottom;
    m_HeaderGradientTop = colors.headerGradientTop;
    m_HoverColor = colors.button;
    CreateParts();
    m_Caption = objectName();
    m_picHeader->SetTextColor(m_ForeColor);
    QFont font = m_picHeader->font();
    font.setPointSizeF(8);
    m_picHeader->setFont(font);
}

// The read order matters: the scheme is applied before the colours are read, and the disabled
// palette (for a design stored disabled, which is also the bag default) replaces only the
// colours read before it.
void xFrame::ReadProperties(const PropertyBag& bag) {
    CreateParts();
    bag.ReadInto("ColorScheme", kNewColorScheme, m_ColorScheme);
    ApplyColorScheme();
    bag.ReadInto("BackColor", kBagBackColor, m_BackColor);
    bag.ReadInto("BorderColor", kSchemes[1].border, m_BorderColor);
    bag.ReadInto("Button", false, m_Button);
    bag.ReadInto("ButtonColor", kSchemes[1].button, m_ButtonColor);
    bag.ReadInto("ButtonHighlightColor", kSchemes[1].buttonHighlight, m_ButtonHighlightColor);
    bag.ReadInto("ButtonPin", false, m_ButtonPin);
    bag.ReadInto("ColorScheme", kNewColorScheme, m_ColorScheme);
    bag.ReadInto("Caption", objectName(), m_Caption);
    bag.ReadInto("DisplayPicture", false, m_DisplayPicture);
    bool enabled = Enabled();
    bag.ReadInto("Enabled", false, enabled);
    setEnabled(enabled);
    if (!Enabled()) {
        ApplyColorScheme();
    }

    bag.ReadInto("EnableGradient", false, m_EnableGradient);
    bag.ReadInto("Expanded", true, m_Expanded);
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    QFont font = m_picHeader->font();
    QString family = font.family();
    bag.ReadInto("Font", ambient.family(), family);
    font.setFamily(family);
    m_picHeader->setFont(font);
    // The attributes fall back to the ambient font object, which is no Boolean or number.
    const QVariant ambientObject = QVariant::fromValue(ambient);
    bag.ReadInto("FontBold", ambientObject, m_FontBold);
    bag.ReadInto("FontItalic", ambientObject, m_FontItalic);
    bag.ReadInto("FontSize", ambientObject, m_FontSize);
    bag.ReadInto("FontStrikeThru", ambientObject, m_FontStrikethru);
    bag.ReadInto("FontUnderline", ambientObject, m_FontUnderline);
    bag.ReadInto("ForeColor", kSchemes[1].fore, m_ForeColor);
    m_picHeader->SetTextColor(m_ForeColor);
    bag.ReadInto("FramePinned", false, m_FramePinned);
    bag.ReadInto("GradientBottom", kSchemes[1].gradientBottom, m_GradientBottom);
    bag.ReadInto("GradientTop", kSchemes[1].gradientTop, m_GradientTop);
    bag.ReadInto("HeaderGradientBottom", kBagHeaderGradientBottom, m_HeaderGradientBottom);
    bag.ReadInto("HeaderGradientTop", kSchemes[1].headerGradientTop, m_HeaderGradientTop);
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
    bag.WriteProperty("BackColor", m_BackColor, kBagBackColor);
    bag.WriteProperty("BorderColor", m_BorderColor, kSchemes[1].border);
    bag.WriteProperty("Button", m_Button, false);
    bag.WriteProperty("ButtonColor", m_ButtonColor, kSchemes[1].button);
    bag.WriteProperty("ButtonHighlightColor", m_ButtonHighlightColor, kSchemes[1].buttonHighlight);
    bag.WriteProperty("ButtonPin", m_ButtonPin, false);
    bag.WriteProperty("ColorScheme", m_ColorScheme, kNewColorScheme);
    bag.WriteProperty("Caption", m_Caption, objectName());
    bag.WriteProperty("DisplayPicture", m_DisplayPicture, false);
    bag.WriteProperty("Enabled", Enabled(), false);
    bag.WriteProperty("EnableGradient", m_EnableGradient, false);
    bag.WriteProperty("Expanded", m_Expanded, true);
    bag.WriteProperty("Font", font.family(), ambient.family());
    // The attributes' default is a font object, never equal to them: they are always stored.
    bag.WriteProperty("FontBold", font.bold());
    bag.WriteProperty("ForeColor", ForeColor(), kSchemes[1].fore);
    bag.WriteProperty("FontItalic", font.italic());
    bag.WriteProperty("FontSize", font.pointSizeF());
    bag.WriteProperty("FontStrikethru", font.strikeOut());
    bag.WriteProperty("FontUnderline", font.underline());
    bag.WriteProperty("FramePinned", m_FramePinned, false);
    bag.WriteProperty("GradientBottom", m_GradientBottom, kSchemes[1].gradientBottom);
    bag.WriteProperty("GradientTop", m_GradientTop, kSchemes[1].gradientTop);
    bag.WriteProperty("HeaderGradientBottom", m_HeaderGradientBottom, kBagHeaderGradientBottom);
    bag.WriteProperty("HeaderGradientTop", m_HeaderGradientTop, kSchemes[1].headerGradientTop);
    bag.WriteProperty("Picture", PictureToBag(Picture().toImage()), QString());
}

void xFrame::ApplyColorScheme() {
    const Palette* colors = nullptr;
    if (!Enabled()) {
        colors = &kDisabledPalette;
    } else if (m_ColorScheme >= 0 && m_ColorScheme < static_cast<int>(std::size(kSchemes))) {
        colors = &kSchemes[m_ColorScheme];
    }
    if (colors) {
        m_ButtonColor = colors->button;
        m_ButtonHighlightColor = colors->buttonHighlight;
        m_BorderColor = colors->border;
        m_ForeColor = colors->fore;  // the header takes it at its next paint
        m_GradientBottom = colors->gradientBottom;
        m_GradientTop = colors->gradientTop;
        m_HeaderGradientBottom = colors->headerGradientBottom;
        m_HeaderGradientTop = colors->headerGradientTop;
    }
    m_HoverColor = m_ButtonColor;
}

void xFrame::ResizeHandler() {
    CreateParts();
    m_picHeader->setGeometry(1, 1, width() - 2, TwipsToPixels(kHeaderHeight));
    m_picHeader->raise();
    RepaintHeader();
    if (m_EnableGradient) {
        m_GradientReady = false;
    }
    if (HeightTwips() != kCollapsedHeight) {
        m_FullHeight = HeightTwips();
    }
}

void xFrame::resizeEvent(QResizeEvent* event) {
    ResizeHandler();
    DrawingSurface::resizeEvent(event);  // body painting follows the resize
}

void xFrame::Redraw() {
    QImage& surface = Surface();
    surface.fill(ToQColor(TranslateColor(m_BackColor)));
    QPainter painter(&surface);
    if (m_EnableGradient && !m_GradientReady) {
        m_GradientReady = true;
        // The screen's twips per pixel are the fixed 15, so the picture is the widget's size.
        m_backgroundPicture =
            MakeGradientPicture(width(), height(), m_GradientTop, m_GradientBottom);
    }
    if (!m_backgroundPicture.isNull()) {
        painter.drawImage(0, 0, m_backgroundPicture);
    }
    const int w = PixelsToTwips(width());
    const int h = HeightTwips();
    const QColor border = ToQColor(TranslateColor(m_BorderColor));
    DrawTwipsLine(painter, 0, 0, w, 0, border);
    DrawTwipsLine(painter, 0, h - kTwipsPerPixel, w, h - kTwipsPerPixel, border);
    DrawTwipsLine(painter, 0, 0, 0, h, border);
    DrawTwipsLine(painter, w - kTwipsPerPixel, 0, w - kTwipsPerPixel, h, border);
    painter.end();
    RepaintHeader();
}

void xFrame::RepaintHeader() {
    m_HeaderPainted = false;
    picHeader_Paint();
}

void xFrame::DropGradient() {
    m_GradientReady = false;
    m_backgroundPicture = QImage();
}

void xFrame::SendPendingResize() {
    if (testAttribute(Qt::WA_PendingResizeEvent)) {
        setAttribute(Qt::WA_PendingResizeEvent, false);
        QResizeEvent event(size(), size());
        QCoreApplication::sendEvent(this, &event);
    }
}

void xFrame::SetHeightTwips(int twips) {
    SendPendingResize();
    resize(width(), TwipsToPixels(twips));
    SendPendingResize();
}

void xFrame::Changed(const char* name) {
    emit PropertyChanged(QString::fromLatin1(name));
}

void xFrame::picHeader_MouseMove(int x) {
    const int w = PixelsToTwips(m_picHeader->width());
    const bool inPinZone = x >= w - kPinZoneLeft && x <= w - kPinZoneRight;
    if (m_OverButton && !inPinZone) {
        return;  // still in the expand/collapse zone
    }
    if (!m_Button) {
        m_OverButton = false;
        m_OverPin = true;  // the whole header is the pin zone
    } else {
        m_OverButton = !inPinZone;
        m_OverPin = inPinZone;
    }
    if (!m_tmrMouseMove->isActive()) {
        m_tmrMouseMove->start();
    }
    RepaintHeader();
}

// The glyph of the zone last entered is lit while the pointer is over the header; the header is
// repainted only when that colour changes.
void xFrame::tmrMouseMove_Timer() {
    const bool overHeader = QApplication::widgetAt(QCursor::pos()) == m_picHeader;
    const OleColor wanted = overHeader ? m_ButtonHighlightColor : m_ButtonColor;
    if (m_HoverColor != wanted) {
        m_HoverColor = wanted;
        RepaintHeader();
    }
}

// The zone comes from the last mouse move, not from where the click landed.
void xFrame::picHeader_Click() {
    if (m_OverButton && m_Button) {
        if (!m_FramePinned) {
            if (HeightTwips() == m_FullHeight) {
                SetHeightTwips(kCollapsedHeight);
                m_Expanded = false;
            } else {
                SetHeightTwips(m_FullHeight);
                m_Expanded = true;
            }
        }
        RepaintHeader();
    } else if (m_OverPin && m_ButtonPin) {
        m_FramePinned = !m_FramePinned;  // the glyph follows at the next header repaint
    }
    Changed("Expanded");
    emit Click();
}

void xFrame::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bodyPressed = true;
    }
    const QPointF at = event->position();
    emit MouseDown(ButtonCode(event->button()), ShiftCode(event->modifiers()), Twips(at.x()),
                   Twips(at.y()));
}

void xFrame::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    emit MouseMove(ButtonCode(event->buttons()), ShiftCode(event->modifiers()), Twips(at.x()),
                   Twips(at.y()));
}

void xFrame::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    emit MouseUp(ButtonCode(event->button()), ShiftCode(event->modifiers()), Twips(at.x()),
                 Twips(at.y()));
    if (event->button() == Qt::LeftButton && m_bodyPressed) {
        m_bodyPressed = false;
        if (rect().contains(at.toPoint())) {
            emit Click();
        }
    }
}

void xFrame::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit DblClick();
    }
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

void xFrame::SetBackColor(OleColor New_BackColor) {
    m_BackColor = New_BackColor;
    Refresh();
    Changed("BackColor");
}

void xFrame::SetBorderColor(OleColor New_BorderColor) {
    m_BorderColor = New_BorderColor;
    Refresh();
    Changed("BorderColor");
}

void xFrame::SetButton(bool New_Button) {
    m_Button = New_Button;
    Refresh();
    Changed("Button");
}

void xFrame::SetButtonColor(OleColor New_ButtonColor) {
    m_ButtonColor = New_ButtonColor;
    Refresh();
    Changed("ButtonColor");
}

void xFrame::SetButtonHighlightColor(OleColor New_ButtonHighlightColor) {
    m_ButtonHighlightColor = New_ButtonHighlightColor;
    Refresh();
    Changed("ButtonHighlightColor");
}

void xFrame::SetButtonPin(bool New_ButtonPin) {
    m_ButtonPin = New_ButtonPin;
    Refresh();
    Changed("ButtonPin");
}

void xFrame::SetCaption(const QString& New_Caption) {
    m_Caption = New_Caption;
    Refresh();
    Changed("Caption");
}

// The only setter without a property-changed notification.
void xFrame::SetColorScheme(int New_ColorScheme) {
    m_ColorScheme = New_ColorScheme;
    ApplyColorScheme();
    if (m_EnableGradient) {
        DropGradient();
    }
    Refresh();
}

void xFrame::SetDisplayPicture(bool New_DisplayPicture) {
    m_DisplayPicture = New_DisplayPicture;
    ResizeHandler();
    Changed("DisplayPicture");
}

void xFrame::SetEnabled(bool New_Enabled) {
    setEnabled(New_Enabled);
    m_picHeader->setEnabled(New_Enabled);
    if (New_Enabled) {
        m_tmrMouseMove->start();
    } else {
        m_tmrMouseMove->stop();
    }
    m_imgFramePic->setEnabled(New_Enabled);
    ApplyColorScheme();
    if (m_EnableGradient) {
        DropGradient();
    }
    Refresh();
    Changed("Enabled");
}

void xFrame::SetEnableGradient(bool New_EnableGradient) {
    m_EnableGradient = New_EnableGradient;
    if (!New_EnableGradient) {
        DropGradient();
    }
    ApplyColorScheme();
    Refresh();
    Changed("EnableGradient");
}

void xFrame::SetExpanded(bool New_Expanded) {
    m_Expanded = New_Expanded;
    if (!m_FramePinned) {
        SetHeightTwips(New_Expanded ? m_FullHeight : kCollapsedHeight);
    }
    RepaintHeader();
    Changed("Expanded");
}

void xFrame::SetFont(const QFont& New_Font) {
    m_picHeader->setFont(New_Font);
    m_FontBold = New_Font.bold();
    m_FontItalic = New_Font.italic();
    m_FontSize = New_Font.pointSizeF();
    m_FontStrikethru = New_Font.strikeOut();
    m_FontUnderline = New_Font.underline();
    ResizeHandler();
    Changed("Font");
}

void xFrame::SetForeColor(OleColor New_ForeColor) {
    m_picHeader->SetTextColor(New_ForeColor);
    m_ForeColor = New_ForeColor;
    Changed("ForeColor");
}

void xFrame::SetFramePinned(bool New_FramePinned) {
    m_FramePinned = New_FramePinned;
    Refresh();
    Changed("FramePinned");
}

void xFrame::SetGradientBottom(OleColor New_GradientBottom) {
    m_GradientBottom = New_GradientBottom;
    if (m_EnableGradient) {
        DropGradient();
    }
    Refresh();
    Changed("GradientBottom");
}

void xFrame::SetGradientTop(OleColor New_GradientTop) {
    m_GradientTop = New_GradientTop;
    if (m_EnableGradient) {
        DropGradient();
    }
    Refresh();
    Changed("GradientTop");
}

void xFrame::SetHeaderGradientBottom(OleColor New_HeaderGradientBottom) {
    m_HeaderGradientBottom = New_HeaderGradientBottom;
    RepaintHeader();
    Changed("HeaderGradientBottom");
}

void xFrame::SetHeaderGradientTop(OleColor New_HeaderGradientTop) {
    m_HeaderGradientTop = New_HeaderGradientTop;
    RepaintHeader();
    Changed("HeaderGradientTop");
}

void xFrame::SetPicture(const QPixmap& New_Picture) {
    m_imgFramePic->setPixmap(New_Picture);
    m_imgFramePic->resize(New_Picture.size());
    m_DisplayPicture = true;
    ResizeHandler();
    RepaintHeader();
    Changed("Picture");
}

}  // namespace ostrel::controls
