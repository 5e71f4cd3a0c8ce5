#include "ui/frmLanguage.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>

#include "controls/VistaButton.h"
#include "core/Globals.h"
#include "core/Host.h"
#include "core/RegistryManager.h"
#include "lang/LanguageFile.h"
#include "platform/ProgramFolder.h"
#include "ui/Texts.h"

namespace ostrel::ui {

frmLanguage::frmLanguage(DefaultForms&)
    : Form("frmLanguage"), m_languages(AvailableLanguages(platform::ProgramFolder())) {
    // The list offers the languages found; the field keeps its design text when that is one of
    // them, else shows the first.
    QComboBox* combo = cboLanguage();
    const std::string shown = MatchLanguage(m_languages, Bytes(combo->currentText()));
    for (const std::string& language : m_languages) {
        combo->addItem(Displayed(language));
    }
    if (!m_languages.empty()) {
        combo->setCurrentIndex(shown.empty() ? 0 : combo->findText(Displayed(shown)));
    }
    connect(cbLanguageOK(), &controls::VistaButton::Click, this, &frmLanguage::cbLanguageOK_Click);
    // Escape closes the chooser as its close button does.
    OnEscape([this] { close(); });
    // Enter in the name field chooses, as the dialog's only button would.
    if (QLineEdit* edit = cboLanguage()->lineEdit()) {
        connect(edit, &QLineEdit::returnPressed, this, &frmLanguage::cbLanguageOK_Click);
    }
}

QComboBox* frmLanguage::cboLanguage() const {
    return Control<QComboBox>("cboLanguage");
}

controls::VistaButton* frmLanguage::cbLanguageOK() const {
    return Control<controls::VistaButton>("cbLanguageOK");
}

void frmLanguage::cbLanguageOK_Click() {
    if (!IsLoaded()) {
        return;
    }
    std::string language = Bytes(cboLanguage()->currentText());
    if (!m_languages.empty()) {
        // Only a language whose file is there: any other name would leave every text empty.
        language = MatchLanguage(m_languages, language);
        if (language.empty()) {
            cboLanguage()->setFocus();
            if (QLineEdit* edit = cboLanguage()->lineEdit()) {
                edit->selectAll();
            }
            return;
        }
    }
    gChosenLanguage = language + ".lng";
    RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang, gChosenLanguage);
    CurrentHost().DoEvents();
    gLanguageFile = gChosenLanguage;
    Unload();
}

void frmLanguage::Form_QueryClose(QCloseEvent* event) {
    event->ignore();
    CurrentHost().EndProcess(0);
}

}  // namespace ostrel::ui
