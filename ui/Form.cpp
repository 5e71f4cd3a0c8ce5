#include "ui/Form.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

#include "controls/Accessible.h"
#include "controls/AutoResize.h"
#include "controls/TitelBar.h"
#include "lang/LangStrings.h"
#include "ui/FormDesign.h"
#include "ui/Texts.h"

namespace ostrel::ui {
namespace {

// The colour of a frameless window's outline: the title bar's dark blue, so that a window
// stands apart from a window of the same light colours behind it.
constexpr QRgb kOutlineColor = qRgb(38, 48, 79);

// A one-pixel outline drawn over the edges of a frameless window. It takes no input, the
// resizer leaves it out, and it stays above the window's controls.
class Outline final : public QWidget {
  public:
    explicit Outline(QWidget* form) : QWidget(form) {
        setObjectName("ostrelOutline");
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setProperty(controls::kTagProperty, "NO");
        setProperty(controls::kAccessibleHiddenProperty, true);
        form->installEventFilter(this);
        Follow();
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent() &&
            (event->type() == QEvent::Resize || event->type() == QEvent::Show ||
             event->type() == QEvent::ChildAdded)) {
            Follow();
        }
        return false;
    }
    void paintEvent(QPaintEvent*) override {
        // One pixel of the window's size on each edge, whatever the display's scale.
        QPainter painter(this);
        const QColor color(kOutlineColor);
        painter.fillRect(0, 0, width(), 1, color);
        painter.fillRect(0, height() - 1, width(), 1, color);
        painter.fillRect(0, 0, 1, height(), color);
        painter.fillRect(width() - 1, 0, 1, height(), color);
    }

  private:
    void Follow() {
        setGeometry(parentWidget()->rect());
        raise();
    }
};

QList<Form*>& Loaded() {
    static QList<Form*> forms;
    return forms;
}

}  // namespace

Form::Form(const QString& designName) : QWidget(nullptr) {
    setObjectName(designName);
    setProperty(controls::kAccessibleRoleProperty, QAccessible::Window);
    m_controls = BuildForm(*this, designName);
    if (windowFlags() & Qt::FramelessWindowHint) {
        new Outline(this);
    }
}

Form::~Form() {
    Loaded().removeAll(this);
}

void Form::Load() {
    if (m_loaded || m_unloaded) {
        return;
    }
    m_loaded = true;
    Loaded().append(this);
    NameCaptionButtons();
    Form_Load();
}

void Form::Unload() {
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    if (m_loaded) {
        Form_Unload();
    }
    m_loaded = false;
    Loaded().removeAll(this);
    hide();
    emit Unloaded();
}

void Form::ShowModal() {
    if (m_unloaded) {
        return;
    }
    QEventLoop loop;
    connect(this, &Form::Unloaded, &loop, &QEventLoop::quit);
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    loop.exec();
}

// Screen readers name the title bar's buttons in the language of the windows (the built-in
// English names stand in for a text the language file lacks).
void Form::NameCaptionButtons() {
    for (controls::TitelBar* bar : findChildren<controls::TitelBar*>()) {
        bar->TBARX()->setAccessibleName(controls::WithoutAccessMark(LangText(lang::kCloseCaption)));
        bar->TBAR_()->setAccessibleName(LangText(lang::kMinimiseName));
        bar->TBARMax()->setAccessibleName(LangText(lang::kMaximiseName));
        bar->TBARMax()->setProperty(controls::kRestoreNameProperty, LangText(lang::kRestoreName));
    }
}

void Form::OnEscape(std::function<void()> action) {
    m_escape = std::move(action);
    // The key goes to the control with the focus, which may not pass it on (an editable combo
    // box's field takes it): each control of the form is watched. An open drop-down is a window
    // of its own and is not watched, so Escape there closes only the list.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
}

bool Form::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && m_escape) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier &&
            widget != nullptr && widget->window() == this) {
            m_escape();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QList<Form*> Form::LoadedForms() {
    return Loaded();
}

void Form::Form_QueryClose(QCloseEvent* event) {
    event->accept();
    Unload();
}

void Form::closeEvent(QCloseEvent* event) {
    if (m_unloaded) {
        event->accept();
        return;
    }
    Form_QueryClose(event);
}

// A window first appears in the middle of its screen (a frameless window gets no place from
// the window manager).
void Form::showEvent(QShowEvent* event) {
    if (!m_placed) {
        m_placed = true;
        if (const QScreen* where = screen()) {
            move(where->availableGeometry().center() - rect().center());
        }
    }
    QWidget::showEvent(event);
}

QSize RoomOnScreen(const QScreen& screen) {
    return screen.availableGeometry().size() - QSize(16, 40);
}

}  // namespace ostrel::ui
