#pragma once

#include <string>
#include <vector>

#include "ui/Form.h"

class QComboBox;

namespace ostrel::controls {
class VistaButton;
}

namespace ostrel::ui {

class DefaultForms;

// The first-run language chooser. Its texts are fixed: no language file is open yet. Its list
// holds the languages whose files lie beside the program. Apply takes the language picked or
// typed (in any case), stores its name followed by ".lng" as "DefaultLang" and makes it the
// language of this run; a name without a file is not taken and the chooser stays. Closing it
// without a choice (Escape too) ends the program: nothing has been touched then.
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

    // The languages found beside the program, as file names without ".lng".
    std::vector<std::string> m_languages;
};

}  // namespace ostrel::ui
