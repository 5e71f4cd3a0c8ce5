#pragma once

#include <QWidget>

#include "controls/Colors.h"

class QLabel;

namespace ostrel::controls {

// A plain progress box: a bar of BackColor growing over a grey track, with a status text over
// both. The text is two labels at the same place, one on the track and one on the bar, so it
// can be recoloured where the bar covers it. Nothing is clamped and nothing is stored: the bar is
// Value / Max of the track wide, even when that is wider than the track.
class ProgressCntrl : public QWidget {
    Q_OBJECT
  public:
    explicit ProgressCntrl(QWidget* parent = nullptr);

    int Max() const { return m_max; }
    void SetMax(int max) { m_max = max; }
    // The bar colour.
    void SetBackColor(OleColor color);
    // The colour of the status text, on the track and on the bar alike.
    void SetForeColor(OleColor color);
    int Value() const { return m_value; }
    // Shows the bar unless `value` is 0 and sizes it; with Max 0 or a negative width the bar
    // keeps its previous width.
    void SetValue(int value);
    QString Caption() const;
    void SetCaption(const QString& caption);

    QSize sizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void LayOut();

    int m_value = 0;
    int m_max = 0;
    QWidget* m_mainBox;
    QWidget* m_progress;
    QLabel* m_stat2;
    QLabel* m_stat1;
};

}  // namespace ostrel::controls
