#include "controls/xFrame.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <iterator>

#include "controls/AssignChanged.h"
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
    if (m_partsCreated) {
        return;
    }
    m_partsCreated = true;
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

void xFrame::ResizeHandler() {
    CreateParts();
    m_picHeader->setGeometry(1, 1, width() - 2, TwipsToPixels(kHeaderHeight));
    m_picHeader->raise();
    RepaintHeader();
    if (m_enableGradient) {
        m_gradientReady = false;
    }
    if (HeightTwips() != kCollapsedHeight) {
        m_fullHeight = HeightTwips();
    }
}

void xFrame::resizeEvent(QResizeEvent* event) {
    ResizeHandler();
    DrawingSurface::resizeEvent(event);  // body painting follows the resize
}

void xFrame::Redraw() {
    QImage& surface = Surface();
    surface.fill(ToQColor(TranslateColor(m_backColor)));
    QPainter painter(&surface);
    if (m_enableGradient && !m_gradientReady) {
        m_gradientReady = true;
        // The screen's twips per pixel are the fixed 15, so the picture is the widget's size.
        m_backgroundPicture =
            MakeGradientPicture(width(), height(), m_gradientTop, m_gradientBottom);
    }
    if (!m_backgroundPicture.isNull()) {
        painter.drawImage(0, 0, m_backgroundPicture);
    }
    const int w = PixelsToTwips(width());
    const int h = HeightTwips();
    const QColor border = ToQColor(TranslateColor(m_borderColor));
    DrawTwipsLine(painter, 0, 0, w, 0, border);
    DrawTwipsLine(painter, 0, h - kTwipsPerPixel, w, h - kTwipsPerPixel, border);
    DrawTwipsLine(painter, 0, 0, 0, h, border);
    DrawTwipsLine(painter, w - kTwipsPerPixel, 0, w - kTwipsPerPixel, h, border);
    painter.end();
    RepaintHeader();
}

void xFrame::RepaintHeader() {
    m_headerPainted = false;
    picHeader_Paint();
}

void xFrame::DropGradient() {
    m_gradientReady = false;
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
    if (m_overButton && !inPinZone) {
        return;  // still in the expand/collapse zone
    }
    if (!m_button) {
        m_overButton = false;
        m_overPin = true;  // the whole header is the pin zone
    } else {
        m_overButton = !inPinZone;
        m_overPin = inPinZone;
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
    const OleColor wanted = overHeader ? m_buttonHighlightColor : m_buttonColor;
    if (m_hoverColor != wanted) {
        m_hoverColor = wanted;
        RepaintHeader();
    }
}

// The zone comes from the last mouse move, not from where the click landed.
void xFrame::picHeader_Click() {
    if (m_overButton && m_button) {
        if (!m_framePinned) {
            if (HeightTwips() == m_fullHeight) {
                SetHeightTwips(kCollapsedHeight);
                m_expanded = false;
            } else {
                SetHeightTwips(m_fullHeight);
                m_expanded = true;
            }
        }
        RepaintHeader();
    } else if (m_overPin && m_buttonPin) {
        m_framePinned = !m_framePinned;  // the glyph follows at the next header repaint
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
