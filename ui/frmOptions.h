#pragma once

#include <string>

#include "ui/Form.h"

class QCheckBox;
class QComboBox;

namespace ostrel::controls {
class VistaButton;
}

namespace ostrel::ui {

class DefaultForms;

// The options dialog. Load shows the stored method and confirmation and the language in use;
// Apply stores what the dialog shows, makes it the run's settings and unloads the dialog; Cancel,
// Escape or closing it unloads it without storing. What the dialog shows but was not applied is
// no setting: jobs go by the run's settings, which DefaultForms keeps.
class frmOptions : public Form {
    Q_OBJECT
  public:
    explicit frmOptions(DefaultForms& forms);

    QComboBox* cboDelete() const;
    QComboBox* cboLanguage() const;
    QCheckBox* chlConfirm() const;
    controls::VistaButton* cbApply() const;
    controls::VistaButton* cbCancel() const;

    // cboLanguage's text.
    void SetLanguageText(const std::string& fileName);
    // cboDelete's text as exact bytes: what was set, unless the user has picked another.
    std::string DeleteMethod() const;
    void SetDeleteMethod(const std::string& method);
    // chlConfirm: 1 checked, 0 not. Values other than 0 and 1 are refused and change nothing.
    int Confirm() const;
    void SetConfirm(int value);

  protected:
    void Form_Load() override;

  private:
    void LoadCaptions();
    void cbApply_Click();
    void cbCancel_Click();

    DefaultForms& m_forms;

    // The method last set, byte for byte (a stored name need not be UTF-8).
    std::string m_method;
};

}  // namespace ostrel::ui
