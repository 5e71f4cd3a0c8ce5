#pragma once

#include <QString>
#include <QTimer>
#include <optional>
#include <string>

#include "ui/Form.h"

class QGroupBox;
class QLabel;

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
    // The line below the bar: files done of all, the pass, the time left, or the phase.
    QLabel* lblStatus() const;

    // The bar's maximum, caption and value as the job sets them, once per file. They reach the
    // bar the next time events run, the last values only: a bar redrawn for each of thousands
    // of small files would cost the job more than the files themselves.
    void SetMax(int max);
    // The frame's heading while the job works and once it was asked to stop (language-file
    // bytes); Form_Load sets those of shredding.
    void SetTitle(const std::string& working, const std::string& stopping);
    // The caption as exact bytes (a path), shown as Displayed() shows them.
    void SetCaption(const std::string& caption);
    void SetValue(int value);
    // The status line as language-file bytes.
    void SetStatus(const std::string& status);
    // The end of a job: the bar full, `summary` below it, left in view for the time
    // kSummaryTimeVariable gives (events run meanwhile); nothing waits when the window is hidden.
    void ShowSummary(const std::string& summary);

  protected:
    void Form_Load() override;
    void Form_QueryClose(QCloseEvent* event) override;

  private:
    void Schedule();
    void ApplyToBar();

    std::optional<int> m_max;
    std::optional<std::string> m_caption;
    std::optional<int> m_value;
    std::optional<std::string> m_status;
    QString m_stoppingTitle;
    QTimer m_apply;
};

}  // namespace ostrel::ui
