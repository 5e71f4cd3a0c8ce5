#include "ui/FormDesign.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <functional>

#include "controls/AutoResize.h"
#include "controls/BagValues.h"
#include "controls/Colors.h"
#include "controls/DrawingSurface.h"
#include "controls/PanelHeader.h"
#include "controls/PropertyBag.h"
#include "controls/TitelBar.h"
#include "controls/VistaButton.h"
#include "controls/VistaProg.h"
#include "controls/xFrame.h"
#include "ui/AniGif.h"
#include "ui/PictureBox.h"

// Resources compiled into a static library are registered only when asked for by name.
static void InitDesignResources() {
    Q_INIT_RESOURCE(forms);
}

namespace ostrel::ui {
namespace {

using controls::PropertyBag;

int Pixels(const QJsonValue& twips) {
    return controls::TwipsToPixels(twips.toInt());
}

QColor ColorOf(const QVariant& value) {
    return controls::ToQColor(controls::TranslateColor(value.toUInt()));
}

void SetForeColor(QWidget& widget, const PropertyBag& bag) {
    if (bag.Contains("ForeColor")) {
        QPalette palette = widget.palette();
        palette.setColor(QPalette::WindowText, ColorOf(bag.ReadProperty("ForeColor")));
        palette.setColor(QPalette::Text, ColorOf(bag.ReadProperty("ForeColor")));
        widget.setPalette(palette);
    }
}

void SetFont(QWidget& widget, const PropertyBag& bag) {
    if (bag.Contains("Font")) {
        widget.setFont(controls::FontFromBag(bag.ReadProperty("Font"), widget.font()));
    }
}

QWidget* MakeLabel(QWidget* parent, const PropertyBag& bag) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(bag.ReadProperty("Caption").toString());
    SetFont(*label, bag);
    SetForeColor(*label, bag);
    const int alignment = bag.ReadProperty("Alignment", 0).toInt();
    // A label that wraps keeps its first line at its top whether it shows one line or more.
    const bool wraps = bag.ReadProperty("WordWrap", false).toBool();
    label->setAlignment((alignment == 1   ? Qt::AlignRight
                         : alignment == 2 ? Qt::AlignHCenter
                                          : Qt::AlignLeft) |
                        (wraps ? Qt::AlignTop : Qt::AlignVCenter));
    label->setWordWrap(wraps);
    return label;
}

QWidget* MakeComboBox(QWidget* parent, const PropertyBag& bag) {
    auto* combo = new QComboBox(parent);
    SetFont(*combo, bag);
    // Style 0 lets a text be typed; a locked one shows any text but takes none.
    combo->setEditable(bag.ReadProperty("Style", 0).toInt() == 0);
    combo->addItems(bag.ReadProperty("List").toStringList());
    combo->setCurrentIndex(-1);
    if (combo->isEditable()) {
        combo->lineEdit()->setReadOnly(bag.ReadProperty("Locked", false).toBool());
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setEditText(bag.ReadProperty("Text").toString());
    } else {
        combo->setCurrentText(bag.ReadProperty("Text").toString());
    }
    combo->setEnabled(bag.ReadProperty("Enabled", true).toBool());
    return combo;
}

QWidget* MakeCheckBox(QWidget* parent, const PropertyBag& bag) {
    auto* check = new QCheckBox(parent);
    check->setText(bag.ReadProperty("Caption").toString());
    SetFont(*check, bag);
    SetForeColor(*check, bag);
    check->setChecked(bag.ReadProperty("Value", 0).toInt() == 1);
    return check;
}

// A frame that keeps its drawing: the controls in it that change many times a second (a job's
// status and its animation) are transparent, and each of their repaints would otherwise draw the
// frame and shape its title again.
class KeptFrame : public QGroupBox {
  public:
    using QGroupBox::QGroupBox;

  protected:
    void paintEvent(QPaintEvent*) override {
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        const qreal ratio = devicePixelRatioF();
        if (m_drawn.isNull() || m_drawn.devicePixelRatio() != ratio ||
            m_drawn.deviceIndependentSize() != QSizeF(size()) || m_text != option.text ||
            m_state != option.state) {
            m_drawn = QPixmap((QSizeF(size()) * ratio).toSize());
            m_drawn.setDevicePixelRatio(ratio);
            m_drawn.fill(Qt::transparent);
            QStylePainter painter(&m_drawn, this);
            painter.drawComplexControl(QStyle::CC_GroupBox, option);
            m_text = option.text;
            m_state = option.state;
        }
        QPainter(this).drawPixmap(0, 0, m_drawn);
    }

    void changeEvent(QEvent* event) override {
        m_drawn = QPixmap();  // a new font, palette, style or state
        QGroupBox::changeEvent(event);
    }

  private:
    QPixmap m_drawn;
    QString m_text;
    QStyle::State m_state;
};

QWidget* MakeFrame(QWidget* parent, const PropertyBag& bag) {
    auto* frame = new KeptFrame(parent);
    frame->setTitle(bag.ReadProperty("Caption").toString());
    SetFont(*frame, bag);
    return frame;
}

QWidget* MakePictureBox(QWidget* parent, const PropertyBag& bag) {
    auto* picture = new PictureBox(parent);
    if (bag.Contains("Picture")) {
        picture->SetPicture(controls::PictureFromBag(bag.ReadProperty("Picture")));
    } else {
        picture->SetArtwork(bag.ReadProperty("Artwork").toString());
    }
    return picture;
}

// Makes the control of `kind` named `name` in `parent` from its bag. Owner-drawn controls get
// their name before they read the bag: a missing caption reads back as the name.
QWidget* MakeControl(const QString& kind, const QString& name, QWidget* parent,
                     const PropertyBag& bag) {
    if (kind == "TitelBar") {
        auto* bar = new controls::TitelBar(parent);
        bar->setObjectName(name);
        bar->ReadProperties(bag);
        return bar;
    }
    if (kind == "xFrame") {
        auto* frame = new controls::xFrame(name, bag, parent);
        // The header is a part of the panel, placed by the panel itself, never by the resizer.
        frame->picHeader()->setProperty(controls::kTagProperty, "NO");
        return frame;
    }
    if (kind == "VistaButton") {
        auto* button = new controls::VistaButton(parent);
        button->setObjectName(name);
        button->ReadProperties(bag);
        return button;
    }
    if (kind == "VistaProg") {
        auto* bar = new controls::VistaProg(parent);
        bar->ReadProperties(bag);
        return bar;
    }
    if (kind == "AutoResize") {
        auto* resizer = new controls::AutoResize(parent);
        resizer->setProperty(controls::kTagProperty, "NO");
        resizer->ReadProperties(bag);
        return resizer;
    }
    using Maker = QWidget* (*)(QWidget*, const PropertyBag&);
    static const QHash<QString, Maker> standard = {
        {"Label", MakeLabel},
        {"ComboBox", MakeComboBox},
        {"CheckBox", MakeCheckBox},
        {"Frame", MakeFrame},
        {"PictureBox", MakePictureBox},
        {"AniGif", [](QWidget* p, const PropertyBag&) -> QWidget* { return new AniGif(p); }},
    };
    const auto maker = standard.find(kind);
    return maker == standard.end() ? nullptr : (*maker)(parent, bag);
}

}  // namespace

QJsonObject FormDesign(const QString& name) {
    InitDesignResources();
    QFile file(":/forms/" + name + ".json");
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(file.readAll()).object();
}

QList<QWidget*> BuildForm(QWidget& form, const QString& name) {
    const QJsonObject design = FormDesign(name);
    const PropertyBag formBag(design);
    form.setWindowTitle(design.value("Caption").toString());
    if (design.value("BorderStyle").toInt() == 0) {
        form.setWindowFlag(Qt::FramelessWindowHint);
    }
    if (formBag.Contains("BackColor")) {
        QPalette palette = form.palette();
        palette.setColor(QPalette::Window, ColorOf(formBag.ReadProperty("BackColor")));
        form.setPalette(palette);
        form.setAutoFillBackground(true);
    }
    SetFont(form, formBag);
    const QSize size(Pixels(design.value("Width")), Pixels(design.value("Height")));
    if (design.value("BorderStyle").toInt() == 1) {
        form.setFixedSize(size);
    } else {
        form.resize(size);
    }

    QList<QWidget*> made;
    QHash<QString, QWidget*> byName;
    for (const QJsonValue& entry : design.value("Controls").toArray()) {
        const QJsonObject control = entry.toObject();
        const QString controlName = control.value("Name").toString();
        QWidget* container = &form;
        if (const QString in = control.value("Container").toString(); !in.isEmpty()) {
            container = byName.value(in, &form);
            // The resizer scales what lies inside a control only when the control says so.
            container->setProperty(controls::kHoldsControlsProperty, true);
        }
        QWidget* widget = MakeControl(control.value("Class").toString(), controlName, container,
                                      PropertyBag(control.value("Properties").toObject()));
        if (widget == nullptr) {
            continue;
        }
        widget->setObjectName(controlName);
        if (control.contains("Width")) {
            widget->setGeometry(Pixels(control.value("Left")), Pixels(control.value("Top")),
                                Pixels(control.value("Width")), Pixels(control.value("Height")));
        }
        byName.insert(controlName, widget);
        made.append(widget);
    }
    // A label names the field it stands for ("Buddy"): screen readers read it as the field's
    // name, and its access key moves to the field.
    for (const QJsonValue& entry : design.value("Controls").toArray()) {
        const QJsonObject control = entry.toObject();
        auto* label = qobject_cast<QLabel*>(byName.value(control.value("Name").toString()));
        if (label != nullptr && control.contains("Buddy")) {
            label->setBuddy(byName.value(control.value("Buddy").toString()));
        }
    }
    return made;
}

}  // namespace ostrel::ui
