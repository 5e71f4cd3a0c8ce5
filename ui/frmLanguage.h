#pragma once

#include "ui/Form.h"

class QComboBox;

namespace ostrel::controls {
class VistaButton;
}

namespace ostrel::ui {

class DefaultForms;

// The first-run language chooser. Its texts are fixed: no language file is open yet. Apply
// stores the typed name followed by ".lng" as "DefaultLang" and makes it the language of this
// run. Closing it without a choice ends the program: nothing has been touched then.
class frmLanguage : public Form {
    Q_OBJECT
  public:
    explicit frmLanguage(DefaultForms& forms);

    QComboBox* cboLanguage() const;
    controls::VistaButton* cbLanguageOK() const;

  protected:
    void Form_QueryClose(QCloseEvent* event) override;

  private:
    void cbLanguageOK_Click();
};

}  // namespace ostrel::ui
