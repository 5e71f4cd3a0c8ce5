#pragma once

#include <QDialog>

#include "core/Report.h"

class QFontMetrics;
class QTreeWidget;

namespace ostrel::ui {

// `line` (a name, perhaps followed by its reason in parentheses) cut to `width` pixels: first
// the folders are cut short in the middle so that the file's own name and the reason stay
// whole, then the reason at its end; only a name too long for the whole width is itself cut in
// the middle.
QString ElidedKeepingName(const QString& line, const QFontMetrics& metrics, int width);

// The report at the end of a job, in a window that never grows past the screen it is on: the
// opening line, then each section as a heading with its lines sorted below it, one line per
// name (a name too long for the window is cut short in its folders, ElidedKeepingName, the
// whole of it shown as a tool tip), scrollable and resizable. Copy puts the report's text (the text
// the console prints) on the clipboard; Save writes it to a file.
class ReportWindow : public QDialog {
    Q_OBJECT
  public:
    ReportWindow(const Report& report, QWidget* parent);

    // The report as one text, as the console prints it.
    QString Text() const { return m_text; }
    QTreeWidget* List() const { return m_list; }

    // Puts Text() on the clipboard.
    void Copy() const;
    // Writes Text() to `path` (UTF-8, replacing the file); false, with the system's reason in
    // `why` and nothing shown, when that fails.
    bool SaveTo(const QString& path, QString* why = nullptr) const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void AskAndSave();
    // Keeps the window, frame included, inside the available part of its screen.
    void KeepOnScreen();

    QString m_text;
    QTreeWidget* m_list = nullptr;
};

}  // namespace ostrel::ui
