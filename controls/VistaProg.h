#pragma once

#include <QImage>

#include "controls/DrawingSurface.h"
#include "controls/PropertyBag.h"

class QLabel;

namespace ostrel::controls {

// A horizontal progress bar 225 twips high, built from 2 x 15-pixel pieces: a grey track, a green
// fill whose width follows Value / Max, and a left and a right end cap that look "on" or "off".
// Keeps 0 <= Min < Max, Max >= 1 and Min <= Value <= Max. A caption label lies over the bar.
class VistaProg : public DrawingSurface {
    Q_OBJECT
  public:
    explicit VistaProg(QWidget* parent = nullptr);

    // A bar newly placed on a form: 50 of 100.
    void InitProperties();
    // Reads "Max", "Min" and "Value", in that order, each through its setter.
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    int Value() const { return m_value; }
    void SetValue(int value);
    int Max() const { return m_max; }
    void SetMax(int max);
    int Min() const { return m_min; }
    void SetMin(int min);

    // The caption and its font; the label sizes itself to its text.
    void SetCaption(const QString& caption);
    void SetFontName(const QString& name);
    void SetFontSize(int points);
    void SetFontBold(bool bold);
    void SetFontItalic(bool italic);
    void SetFontUnderline(bool underline);
    QLabel* CaptionLabel() const { return m_lblCaption; }

    QSize sizeHint() const override;

  signals:
    // A persisted property ("Value", "Max" or "Min") was set.
    void PropertyChanged(const QString& name);

  protected:
    void Redraw() override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // One image control of the bar: where it lies and the picture it shows.
    struct Piece {
        QRect geometry;
        const QImage* picture = nullptr;
    };

    void DrawBar();
    void SetCaptionFont(const QFont& font);

    int m_min = 0;
    int m_value = 0;
    int m_max = 0;
    QLabel* m_lblCaption;
    Piece m_barLeft;
    Piece m_barRight;
    Piece m_barMain;
    Piece m_barBack;
};

}  // namespace ostrel::controls
