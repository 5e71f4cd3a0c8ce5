#include "controls/AutoResize.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QStatusBar>
#include <algorithm>

#include "controls/Colors.h"
#include "controls/DrawingSurface.h"
#include "controls/Line.h"

namespace ostrel::controls {
namespace {

constexpr int kOwnSizeTwips = 400;

enum WindowState { kNormalState = 0, kMinimised = 1, kMaximised = 2 };

int StateOf(const QWidget* form) {
    const Qt::WindowStates state = form->windowState();
    if (state & Qt::WindowMinimized) {
        return kMinimised;
    }
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        return kMaximised;
    }
    return kNormalState;
}

bool HoldsControls(const QWidget* widget) {
    const QMetaObject* meta = widget->metaObject();
    return meta == &QWidget::staticMetaObject || meta == &QFrame::staticMetaObject ||
           qobject_cast<const QGroupBox*>(widget) != nullptr ||
           widget->property(kHoldsControlsProperty).toBool();
}

// The form's controls: its child widgets and, inside those that hold controls, theirs, in
// creation order. The parts a control is built from are not controls of the form.
void CollectControls(const QWidget* container, QList<QWidget*>& controls) {
    for (QObject* child : container->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget == nullptr || widget->isWindow()) {
            continue;
        }
        controls.append(widget);
        if (HoldsControls(widget)) {
            CollectControls(widget, controls);
        }
    }
}

double OuterWidth(const QWidget* form) {
    return PixelsToTwips(form->frameGeometry().width());
}

double OuterHeight(const QWidget* form) {
    return PixelsToTwips(form->frameGeometry().height());
}

int ToPixels(double twips) {
    return RoundHalfEven(twips / kTwipsPerPixel);
}

void SetOuterWidth(QWidget* form, double twips) {
    const int frame = form->frameGeometry().width() - form->width();
    form->resize(std::max(ToPixels(twips) - frame, 0), form->height());
}

void SetOuterHeight(QWidget* form, double twips) {
    const int frame = form->frameGeometry().height() - form->height();
    form->resize(form->width(), std::max(ToPixels(twips) - frame, 0));
}

}  // namespace

AutoResize::AutoResize(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(ToPixels(kOwnSizeTwips), ToPixels(kOwnSizeTwips));  // whatever it is given
    hide();                                                          // it draws nothing of its own
}

void AutoResize::InitProperties() {
    SetFontResizable(true);
    SetKeepAspectRatio(false);
    SetHMin(3000);
    SetWMin(4800);
    SetAspectRatioValue(0);
    SetEnabled(true);
    setProperty(kTagProperty, "NO");
    setObjectName("Resize");
}

void AutoResize::ReadProperties(const PropertyBag& bag) {
    SetFontResizable(bag.ReadProperty("FontResizable", true).toBool());
    // A stored True first takes the ratio from the form; the stored ratio then replaces it.
    SetKeepAspectRatio(bag.ReadProperty("KeepAspectRatio", false).toBool());
    SetAspectRatioValue(bag.ReadProperty("AspectRatioValue", 0.0).toDouble());
    SetEnabled(bag.ReadProperty("Enabled", true).toBool());
    SetHMin(bag.ReadProperty("HMin", 3000).toInt());
    SetWMin(bag.ReadProperty("WMin", 4800).toInt());
    if (m_parentForm != nullptr) {
        m_parentForm->removeEventFilter(this);
    }
    m_parentForm = parentWidget();
    if (m_parentForm != nullptr) {
        m_parentForm->installEventFilter(this);
    }
}

void AutoResize::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty("FontResizable", m_fontResizable, true);
    bag.WriteProperty("KeepAspectRatio", m_keepAspectRatio, false);
    bag.WriteProperty("AspectRatioValue", m_aspectRatioValue);
    bag.WriteProperty("HMin", m_hMin, 3000);
    bag.WriteProperty("WMin", m_wMin, 4800);
    bag.WriteProperty("Enabled", m_enabled, true);
}

void AutoResize::SetKeepAspectRatio(bool keep) {
    m_keepAspectRatio = keep;
    if (!keep) {
        m_aspectRatioValue = 0;
    } else if (const QWidget* form = parentWidget(); form != nullptr && OuterWidth(form) > 0) {
        m_aspectRatioValue = OuterHeight(form) / OuterWidth(form);
    }
    emit PropertyChanged("KeepAspectRatio");
}

bool AutoResize::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_parentForm &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        // A form is laid out once it is first shown; its first resize comes just before that.
        if (!m_loaded) {
            ParentForm_Load();
        }
        if (event->type() == QEvent::Resize) {
            ParentForm_Resize();
        }
    }
    return false;
}

void AutoResize::ParentForm_Load() {
    m_loaded = true;
    m_layout.clear();
    RecordLayout();
}

void AutoResize::RecordLayout() {
    if (m_parentForm == nullptr) {
        return;
    }
    m_origScaleWidth = PixelsToTwips(m_parentForm->width());
    m_origScaleHeight = PixelsToTwips(m_parentForm->height());
    QList<QWidget*> controls;
    CollectControls(m_parentForm, controls);
    for (QWidget* control : controls) {
        if (qobject_cast<QStatusBar*>(control) != nullptr &&
            control->property(kAlignProperty).toInt() > 0) {
            continue;
        }
        if (control->property(kTagProperty).toString() == "NO") {
            continue;
        }
        tCtlLayout record;
        record.control = control;
        if (const auto* line = qobject_cast<Line*>(control)) {
            record.Left = line->X1();
            record.Top = line->Y1();
            record.Width = line->X2();
            record.Height = line->Y2();
        } else {
            record.Left = PixelsToTwips(control->x());
            record.Top = PixelsToTwips(control->y());
            record.Width = PixelsToTwips(control->width());
            record.Height = PixelsToTwips(control->height());
            record.FontSize = std::max(control->font().pointSizeF(), 0.0);
        }
        m_layout.push_back(record);
    }
}

void AutoResize::ParentForm_Resize() {
    QWidget* form = m_parentForm;
    if (form == nullptr || StateOf(form) == kMinimised || !m_enabled) {
        return;
    }
    // Each correction resizes the form again, which runs these steps with the new size first.
    if (OuterHeight(form) < m_hMin) {
        SetOuterHeight(form, m_hMin);
    }
    if (OuterWidth(form) < m_wMin) {
        SetOuterWidth(form, m_wMin);
    }
    ScaleControls();
}

void AutoResize::ScaleControls() {
    QWidget* form = m_parentForm;
    if (form == nullptr || m_scaling) {
        return;
    }
    if (m_keepAspectRatio && m_aspectRatioValue > 0 && StateOf(form) == kNormalState) {
        m_scaling = true;
        SetOuterHeight(form, OuterWidth(form) * m_aspectRatioValue);
        m_scaling = false;
    }
    // A form recorded without inner width or height gives no ratio on that axis: whatever
    // depends on it is left as it is.
    const bool xKnown = m_origScaleWidth > 0;
    const bool yKnown = m_origScaleHeight > 0;
    const float xScale = xKnown ? PixelsToTwips(form->width()) / m_origScaleWidth : 0;
    const float yScale = yKnown ? PixelsToTwips(form->height()) / m_origScaleHeight : 0;
    const float fontScale = std::min(xScale, yScale);
    for (const tCtlLayout& r : m_layout) {
        QWidget* control = r.control;
        if (control == nullptr) {
            continue;  // deleted since the form loaded
        }
        if (auto* line = qobject_cast<Line*>(control)) {
            line->SetEndPoints(
                xKnown ? xScale * r.Left : line->X1(), yKnown ? yScale * r.Top : line->Y1(),
                xKnown ? xScale * r.Width : line->X2(), yKnown ? yScale * r.Height : line->Y2());
            continue;
        }
        if (m_fontResizable && xKnown && yKnown && r.FontSize > 0) {
            QFont font = control->font();
            const float size = fontScale * r.FontSize;
            if (font.pointSizeF() != size) {
                font.setPointSizeF(size);
                control->setFont(font);
            }
        }
        const QRect now = control->geometry();
        control->setGeometry(xKnown ? ToPixels(xScale * r.Left) : now.x(),
                             yKnown ? ToPixels(yScale * r.Top) : now.y(),
                             xKnown ? ToPixels(xScale * r.Width) : now.width(),
                             yKnown ? ToPixels(yScale * r.Height) : now.height());
    }
}

}  // namespace ostrel::controls
