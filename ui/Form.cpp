#include "ui/Form.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QScreen>

#include "controls/Accessible.h"
#include "controls/TitelBar.h"
#include "lang/LangStrings.h"
#include "ui/FormDesign.h"
#include "ui/Texts.h"

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
