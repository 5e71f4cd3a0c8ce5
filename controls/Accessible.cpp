#include "controls/Accessible.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QKeySequence>
#include <QLabel>

#include "controls/CaptionButton.h"
#include "controls/Line.h"
#include "controls/PanelHeader.h"
#include "controls/ProgressCntrl.h"
#include "controls/TitelBar.h"
#include "controls/VistaButton.h"
#include "controls/VistaProg.h"
#include "controls/xFrame.h"

namespace ostrel::controls {
namespace {

// A control that does something when pressed: "Press" comes first among its actions, so it is
// the default action.
class Pressable : public QAccessibleWidget {
  public:
    using QAccessibleWidget::QAccessibleWidget;

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction()) {
            Press();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

  protected:
    virtual void Press() = 0;
};

class VistaButtonInterface final : public Pressable {
  public:
    explicit VistaButtonInterface(VistaButton* button) : Pressable(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && Button()->accessibleName().isEmpty()) {
            return WithoutAccessMark(Button()->Caption());
        }
        if (t == QAccessible::Accelerator) {
            return QKeySequence::mnemonic(Button()->Caption()).toString(QKeySequence::NativeText);
        }
        return Pressable::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = Pressable::state();
        state.disabled = !Button()->Enabled() || !Button()->isEnabled();
        return state;
    }
    QStringList keyBindingsForAction(const QString& action) const override {
        const QKeySequence key = QKeySequence::mnemonic(Button()->Caption());
        if (action == pressAction() && !key.isEmpty()) {
            return {key.toString(QKeySequence::NativeText)};
        }
        return Pressable::keyBindingsForAction(action);
    }

  private:
    VistaButton* Button() const { return static_cast<VistaButton*>(widget()); }
    void Press() override {
        if (!state().disabled) {
            emit Button()->Click();
        }
    }
};

class CaptionButtonInterface final : public Pressable {
  public:
    explicit CaptionButtonInterface(CaptionButton* button)
        : Pressable(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name) {
            return Pressable::text(t);
        }
        const CaptionButton* button = Button();
        const bool maximised = button->window()->windowState() & Qt::WindowMaximized;
        if (button->Kind() == GlyphKind::Maximize && maximised) {
            const QString restore = button->property(kRestoreNameProperty).toString();
            return restore.isEmpty() ? QStringLiteral("Restore") : restore;
        }
        if (!button->accessibleName().isEmpty()) {
            return button->accessibleName();
        }
        switch (button->Kind()) {
            case GlyphKind::Close:
                return QStringLiteral("Close");
            case GlyphKind::Minimize:
                return QStringLiteral("Minimise");
            case GlyphKind::Maximize:
                break;
        }
        return QStringLiteral("Maximise");
    }
    QAccessible::State state() const override {
        QAccessible::State state = Pressable::state();
        state.disabled = Button()->Glyph() % 10 == kGlyphDisabled;
        return state;
    }

  private:
    CaptionButton* Button() const { return static_cast<CaptionButton*>(widget()); }
    // The title bar decides what a press does, as for a click.
    void Press() override { emit Button()->Pressed(Qt::LeftButton); }
};

// A control whose name is its caption.
template <typename Control>
class Captioned final : public QAccessibleWidget {
  public:
    Captioned(Control* control, QAccessible::Role role) : QAccessibleWidget(control, role) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return static_cast<const Control*>(widget())->Caption();
        }
        return QAccessibleWidget::text(t);
    }
};

// A progress bar: its caption as its name, and its value.
template <typename Bar>
class ProgressInterface final : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit ProgressInterface(Bar* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return CaptionOf(TheBar());
        }
        if (t == QAccessible::Value) {
            return QString::number(TheBar()->Value());
        }
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return TheBar()->Value(); }
    void setCurrentValue(const QVariant&) override {}  // the job sets it, not the user
    QVariant maximumValue() const override { return TheBar()->Max(); }
    QVariant minimumValue() const override { return MinimumOf(TheBar()); }
    QVariant minimumStepSize() const override { return 1; }

  private:
    const Bar* TheBar() const { return static_cast<const Bar*>(widget()); }
    static QString CaptionOf(const VistaProg* bar) { return bar->CaptionLabel()->text(); }
    static QString CaptionOf(const ProgressCntrl* bar) { return bar->Caption(); }
    static int MinimumOf(const VistaProg* bar) { return bar->Min(); }
    static int MinimumOf(const ProgressCntrl*) { return 0; }
};

// The panel header shows its panel's caption.
class PanelHeaderInterface final : public QAccessibleWidget {
  public:
    explicit PanelHeaderInterface(PanelHeader* header)
        : QAccessibleWidget(header, QAccessible::Heading) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            if (const auto* frame = qobject_cast<const xFrame*>(widget()->parentWidget())) {
                return frame->Caption();
            }
        }
        return QAccessibleWidget::text(t);
    }
};

// A plain widget in the role it carries (kAccessibleRoleProperty), its drawing aids left out.
class RoleInterface final : public QAccessibleWidget {
  public:
    RoleInterface(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    int childCount() const override { return static_cast<int>(Children().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> children = Children();
        return index >= 0 && index < children.size()
                   ? QAccessible::queryAccessibleInterface(children[index])
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr ? static_cast<int>(Children().indexOf(child->object())) : -1;
    }

  private:
    QList<QWidget*> Children() const {
        QList<QWidget*> children;
        for (QObject* object : widget()->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child != nullptr && !child->isWindow() &&
                !child->property(kAccessibleHiddenProperty).toBool()) {
                children.append(child);
            }
        }
        return children;
    }
};

template <typename T>
bool Is(const QObject* object) {
    return object->metaObject() == &T::staticMetaObject;
}

QAccessibleInterface* Interface(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    // Asked once per class up the line of inheritance: answer only for the object's own class.
    if (widget == nullptr || className != QLatin1String(object->metaObject()->className())) {
        return nullptr;
    }
    if (Is<VistaButton>(object)) {
        return new VistaButtonInterface(static_cast<VistaButton*>(widget));
    }
    if (Is<CaptionButton>(object)) {
        return new CaptionButtonInterface(static_cast<CaptionButton*>(widget));
    }
    if (Is<TitelBar>(object)) {
        return new Captioned<TitelBar>(static_cast<TitelBar*>(widget), QAccessible::TitleBar);
    }
    if (Is<xFrame>(object)) {
        return new Captioned<xFrame>(static_cast<xFrame*>(widget), QAccessible::Grouping);
    }
    if (Is<PanelHeader>(object)) {
        return new PanelHeaderInterface(static_cast<PanelHeader*>(widget));
    }
    if (Is<VistaProg>(object)) {
        return new ProgressInterface<VistaProg>(static_cast<VistaProg*>(widget));
    }
    if (Is<ProgressCntrl>(object)) {
        return new ProgressInterface<ProgressCntrl>(static_cast<ProgressCntrl*>(widget));
    }
    if (Is<Line>(object)) {
        return new QAccessibleWidget(widget, QAccessible::Separator);
    }
    if (const QVariant role = widget->property(kAccessibleRoleProperty); role.isValid()) {
        return new RoleInterface(widget, static_cast<QAccessible::Role>(role.toInt()));
    }
    return nullptr;
}

}  // namespace

void InstallAccessibleInterfaces() {
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(Interface);
    }
}

QString WithoutAccessMark(const QString& caption) {
    QString name;
    name.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) {
            ++i;  // "&x" is x marked as the access key, "&&" a plain "&"
        }
        name += caption[i];
    }
    return name;
}

}  // namespace ostrel::controls
