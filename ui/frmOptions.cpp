#include "ui/frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "controls/TitelBar.h"
#include "controls/VistaButton.h"
#include "controls/xFrame.h"
#include "core/Host.h"
#include "core/RegistryManager.h"
#include "core/StoredSettings.h"
#include "lang/LangStrings.h"
#include "ui/DefaultForms.h"
#include "ui/Texts.h"

namespace ostrel::ui {

frmOptions::frmOptions(DefaultForms& forms) : Form("frmOptions"), m_forms(forms) {
    m_method = Bytes(cboDelete()->currentText());
    connect(cbApply(), &controls::VistaButton::Click, this, &frmOptions::cbApply_Click);
    connect(cbCancel(), &controls::VistaButton::Click, this, &frmOptions::cbCancel_Click);
    // Escape leaves the dialog as Cancel does. Return reaches the focused button, which presses
    // itself.
    OnEscape([this] { cbCancel_Click(); });
}

QComboBox* frmOptions::cboDelete() const {
    return Control<QComboBox>("cboDelete");
}

QComboBox* frmOptions::cboLanguage() const {
    return Control<QComboBox>("cboLanguage");
}

QCheckBox* frmOptions::chlConfirm() const {
    return Control<QCheckBox>("chlConfirm");
}

controls::VistaButton* frmOptions::cbApply() const {
    return Control<controls::VistaButton>("cbApply");
}

controls::VistaButton* frmOptions::cbCancel() const {
    return Control<controls::VistaButton>("cbCancel");
}

void frmOptions::LoadCaptions() {
    // The title speaks the language as the rest does (its design text is English).
    setWindowTitle(LangText(lang::kOptionsCaption));
    Control<controls::TitelBar>("TitelBar1")->SetCaption(LangText(lang::kOptionsCaption));
    Control<controls::xFrame>("xFrameOptions")->SetCaption(LangText(lang::kOptionsCaption));
    Control<QLabel>("lblLanguage")->setText(LangText(lang::kLanguageLabel));
    Control<QLabel>("lblDeleteMethod")->setText(LangText(lang::kMethodLabel));
    chlConfirm()->setText(LangText(lang::kConfirmCaption));
    cbCancel()->SetCaption(LangText(lang::kCancelCaption));
    cbApply()->SetCaption(LangText(lang::kApplyCaption));
}

void frmOptions::Form_Load() {
    LoadCaptions();
    if (const std::string& language = m_forms.LanguageText(); !language.empty()) {
        SetLanguageText(language);
    }
    SetDeleteMethod(StoredMethod());
    SetConfirm(StoredConfirm());
}

void frmOptions::SetLanguageText(const std::string& fileName) {
    cboLanguage()->setEditText(Displayed(fileName));
}

std::string frmOptions::DeleteMethod() const {
    const QString shown = cboDelete()->currentText();
    return shown == Displayed(m_method) ? m_method : Bytes(shown);
}

void frmOptions::SetDeleteMethod(const std::string& method) {
    m_method = method;
    const QString shown = Displayed(method);
    QComboBox* combo = cboDelete();
    combo->setCurrentIndex(combo->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive));
    combo->setEditText(shown);
}

int frmOptions::Confirm() const {
    return chlConfirm()->isChecked() ? 1 : 0;
}

void frmOptions::SetConfirm(int value) {
    if (value == 0 || value == 1) {
        chlConfirm()->setChecked(value == 1);
    }
}

void frmOptions::cbApply_Click() {
    const std::string method = DeleteMethod();
    const int confirm = Confirm();
    RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingMethod, method);
    CurrentHost().DoEvents();
    RegSetDword(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, confirm);
    CurrentHost().DoEvents();
    OptionsForm& settings = m_forms.forms().options;
    settings.SetDeleteMethod(method);
    settings.SetConfirm(confirm);
    Unload();
}

void frmOptions::cbCancel_Click() {
    Unload();
}

}  // namespace ostrel::ui
