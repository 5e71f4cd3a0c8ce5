#include "ui/frmLanguage.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>

#include "controls/VistaButton.h"
#include "core/Globals.h"
#include "core/Host.h"
#include "core/RegistryManager.h"
#include "ui/Texts.h"

namespace ostrel::ui {

frmLanguage::frmLanguage(DefaultForms&) : Form("frmLanguage") {
    connect(cbLanguageOK(), &controls::VistaButton::Click, this, &frmLanguage::cbLanguageOK_Click);
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
    gChosenLanguage = Bytes(cboLanguage()->currentText()) + ".lng";
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
