#include "ui/Form.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QScreen>

#include "ui/FormDesign.h"

namespace ostrel::ui {
namespace {

QList<Form*>& Loaded() {
    static QList<Form*> forms;
    return forms;
}

}  // namespace

Form::Form(const QString& designName) : QWidget(nullptr) {
    setObjectName(designName);
    m_controls = BuildForm(*this, designName);
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

}  // namespace ostrel::ui
