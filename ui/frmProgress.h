#pragma once

#include "ui/Form.h"

class QGroupBox;

namespace ostrel::controls {
class VistaProg;
}

namespace ostrel::ui {

class AniGif;
class DefaultForms;

// The window shown while a job runs: the product name as its title, a frame with the busy
// animation and the progress bar whose caption is the file being shredded. The job drives it
// from outside. Closing it while a job runs stops the job after the file being shredded.
class frmProgress : public Form {
    Q_OBJECT
  public:
    explicit frmProgress(DefaultForms& forms);

    QGroupBox* frOW() const;
    controls::VistaProg* pb() const;
    AniGif* AniGif1() const;

  protected:
    void Form_Load() override;
    void Form_QueryClose(QCloseEvent* event) override;
};

}  // namespace ostrel::ui
