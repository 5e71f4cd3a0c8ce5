#include "ui/DefaultForms.h"

#include <QFile>

#include "controls/VistaProg.h"
#include "core/StoredSettings.h"
#include "ui/AniGif.h"
#include "ui/Texts.h"
#include "ui/frmAbout.h"
#include "ui/frmLanguage.h"
#include "ui/frmOptions.h"
#include "ui/frmProgress.h"

namespace ostrel::ui {

DefaultForms::DefaultForms() = default;

DefaultForms::~DefaultForms() {
    for (QWidget* form : {static_cast<QWidget*>(m_about), static_cast<QWidget*>(m_options),
                          static_cast<QWidget*>(m_progress), static_cast<QWidget*>(m_language)}) {
        delete form;
    }
}

template <typename T>
T& DefaultForms::Instance(QPointer<T>& slot) {
    if (slot == nullptr || !slot->IsLoaded()) {
        if (slot != nullptr) {
            slot->deleteLater();  // unloaded, and no longer on the stack of any handler
        }
        slot = new T(*this);
        slot->Load();
    }
    return *slot;
}

frmAbout& DefaultForms::About() {
    return Instance(m_about);
}

frmOptions& DefaultForms::Options() {
    return Instance(m_options);
}

frmProgress& DefaultForms::Progress() {
    const bool fresh = m_progress == nullptr || !m_progress->IsLoaded();
    frmProgress& form = Instance(m_progress);
    if (fresh && !m_animation.isEmpty()) {
        form.AniGif1()->LoadFile(m_animation, m_animationPaused);
    }
    return form;
}

frmLanguage& DefaultForms::Language() {
    return Instance(m_language);
}

frmOptions* DefaultForms::LoadedOptions() const {
    return m_options != nullptr && m_options->IsLoaded() ? m_options.data() : nullptr;
}

frmProgress* DefaultForms::LoadedProgress() const {
    return m_progress != nullptr && m_progress->IsLoaded() ? m_progress.data() : nullptr;
}

// The options dialog.

std::string DefaultForms::OptionsFace::CheckIfFirstRun() {
    return ostrel::CheckIfFirstRun();
}

// The dialog shows the language when it loads; setting it does not load the dialog, which a
// job started from the command line never opens.
void DefaultForms::OptionsFace::SetLanguageText(const std::string& fileName) {
    m_language = fileName;
    if (frmOptions* options = m_owner.LoadedOptions()) {
        options->SetLanguageText(fileName);
    }
}

void DefaultForms::OptionsFace::EnsureRead() {
    if (m_read) {
        return;
    }
    m_read = true;
    m_method = StoredMethod();
    SetConfirm(StoredConfirm());
}

std::string DefaultForms::OptionsFace::DeleteMethod() {
    EnsureRead();
    return m_method;
}

void DefaultForms::OptionsFace::SetDeleteMethod(const std::string& method) {
    EnsureRead();
    m_method = method;
}

int DefaultForms::OptionsFace::Confirm() {
    EnsureRead();
    return m_confirm;
}

void DefaultForms::OptionsFace::SetConfirm(int value) {
    EnsureRead();
    if (value == 0 || value == 1) {
        m_confirm = value;
    }
}

// The progress window.

void DefaultForms::ProgressFace::Load() {
    m_owner.Progress();
}

void DefaultForms::ProgressFace::LoadAnimation(const std::string& path, bool flag) {
    m_owner.m_animation = QFile::decodeName(QByteArray::fromStdString(path));
    m_owner.m_animationPaused = flag;
    m_owner.Progress().AniGif1()->LoadFile(m_owner.m_animation, flag);
}

bool DefaultForms::ProgressFace::Visible() {
    return m_owner.Progress().isVisible();
}

void DefaultForms::ProgressFace::SetVisible(bool visible) {
    m_owner.Progress().setVisible(visible);
}

void DefaultForms::ProgressFace::Show() {
    frmProgress& form = m_owner.Progress();
    form.show();
    form.raise();
}

void DefaultForms::ProgressFace::SetTitle(const std::string& working, const std::string& stopping) {
    m_owner.Progress().SetTitle(working, stopping);
}

void DefaultForms::ProgressFace::SetMax(std::int32_t max) {
    m_owner.Progress().SetMax(max);
}

void DefaultForms::ProgressFace::SetCaption(const std::string& caption) {
    m_owner.Progress().SetCaption(caption);
}

void DefaultForms::ProgressFace::SetValue(std::int32_t value) {
    m_owner.Progress().SetValue(value);
}

void DefaultForms::ProgressFace::SetStatus(const std::string& status) {
    m_owner.Progress().SetStatus(status);
}

void DefaultForms::ProgressFace::ShowSummary(const std::string& summary) {
    m_owner.Progress().ShowSummary(summary);
}

void DefaultForms::ProgressFace::Unload() {
    if (frmProgress* form = m_owner.LoadedProgress()) {
        form->Unload();
    }
}

// The chooser and the main window.

void DefaultForms::LanguageFace::ShowModal() {
    m_owner.Language().ShowModal();
}

void DefaultForms::AboutFace::Show() {
    frmAbout& form = m_owner.About();
    form.show();
    form.raise();
    form.activateWindow();
}

}  // namespace ostrel::ui
