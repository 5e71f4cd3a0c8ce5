#pragma once

#include <string>
#include <vector>

#include "ui/Form.h"

class QMimeData;
class QUrl;

namespace ostrel::controls {
class VistaButton;
}

namespace ostrel::ui {

class DefaultForms;

// The main window, shown when the program starts without paths: the product name, a few lines
// of information and the Options and Close buttons. Closing it ends the program. Files and
// folders dropped on it are shredded as if they had been given on the command line, the
// confirmation question included.
class frmAbout : public Form {
    Q_OBJECT
  public:
    explicit frmAbout(DefaultForms& forms);

    controls::VistaButton* cbOptions() const;
    controls::VistaButton* cbClose() const;

    // Shreds `paths` as one job: asks first when the settings say so, shows the progress
    // window, then the report. Refused (nothing happens) while another job runs or another
    // drop is being handled.
    void ShredDropped(const std::vector<std::string>& paths);

    // The local paths a drop carries, as exact bytes; empty when it carries anything else
    // (a link to another machine, a web address) besides or instead.
    static std::vector<std::string> LocalPaths(const QMimeData& data);

  protected:
    void Form_Load() override;
    void Form_QueryClose(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void LoadCaptions();
    void UnloadOtherForms(const Form& keep);
    void cbOptions_Click();
    void cbClose_Click();
    // Ends the program now, or once the running job has stopped after its current file.
    void EndWhenIdle();
    bool AcceptsDrop(const QMimeData* data) const;

    DefaultForms& m_forms;
    bool m_dropBusy = false;
    bool m_endAfterJob = false;
};

}  // namespace ostrel::ui
