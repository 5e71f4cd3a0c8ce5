#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/Form.h"

class QMimeData;
class QUrl;

namespace ostrel {
class ShredJob;
}

namespace ostrel::controls {
class VistaButton;
}

namespace ostrel::ui {

class DefaultForms;

// The main window, shown when the program starts without paths: the product name, a few lines
// of information and the Wipe free space, Options and Close buttons. Closing it ends the
// program. Files and folders dropped on it are shredded as if they had been given on the command
// line, the confirmation question included; Wipe free space asks for a folder and wipes the free
// space of the file system that holds it, after its own question.
class frmAbout : public Form {
    Q_OBJECT
  public:
    explicit frmAbout(DefaultForms& forms);

    controls::VistaButton* cbWipe() const;
    controls::VistaButton* cbOptions() const;
    controls::VistaButton* cbClose() const;

    // Shreds `paths` as one job: asks first when the settings say so, shows the progress
    // window, then the report. Refused (nothing happens) while another job runs or another
    // drop or wipe is being handled.
    void ShredDropped(const std::vector<std::string>& paths);

    // The local paths a drop carries, as exact bytes; empty when it carries anything else
    // (a link to another machine, a web address) besides or instead.
    static std::vector<std::string> LocalPaths(const QMimeData& data);

    // The object name of the folder chooser that Wipe free space opens.
    static constexpr char kWipeChooserName[] = "dlgWipeFolder";

  protected:
    void Form_Load() override;
    void Form_QueryClose(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void LoadCaptions();
    void UnloadOtherForms(const Form& keep);
    void cbWipe_Click();
    void cbOptions_Click();
    void cbClose_Click();
    // Ends the program now, or once the running job has stopped after its current file.
    void EndWhenIdle();
    bool AcceptsDrop(const QMimeData* data) const;
    // The folder the user picks for a wipe, as exact bytes; empty when the chooser was cancelled.
    std::string AskWipeFolder();
    // Asks `question` when the settings say so, then runs `work` as the one job, shows the
    // progress window while it runs and the report after. Ends the program afterwards when it
    // was closed meanwhile. Called with m_busy set; clears it.
    void RunJob(const std::string& question, const std::function<void(ShredJob&)>& work);

    DefaultForms& m_forms;
    // A drop or a wipe is being handled (its question, the chooser or its job).
    bool m_busy = false;
    bool m_endAfterJob = false;
};

}  // namespace ostrel::ui
