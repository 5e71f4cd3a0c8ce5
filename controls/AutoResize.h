#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

#include "controls/PropertyBag.h"

namespace ostrel::controls {

// Dynamic properties that a form's controls carry for the resizer.
// "Tag": the text "NO" keeps a control where it is, unrecorded and unscaled.
inline constexpr char kTagProperty[] = "Tag";
// "Align": above 0, a status bar is docked to a form edge and is left to its dock.
inline constexpr char kAlignProperty[] = "Align";
// "HoldsControls": true for a control whose children are controls of the form too. Plain
// widgets, frames and group boxes hold controls without it.
inline constexpr char kHoldsControlsProperty[] = "HoldsControls";

// Rescales a form's controls when the form is resized. It records the position, size and font
// size of every control when the form loads, and on every later resize scales each control from
// that one record by the ratio of the form's inner size to its inner size at load (fonts by the
// smaller ratio). It keeps the form at least WMin x HMin twips outside and, when asked, holds the
// form's outer height at AspectRatioValue times its outer width while the form is in normal state.
// It sits hidden on the form it serves, which it takes from its parent when its properties are
// read. Lines (the Line control) are scaled by their end points.
class AutoResize : public QWidget {
    Q_OBJECT
  public:
    explicit AutoResize(QWidget* parent = nullptr);

    // A resizer newly placed on a form; it also becomes "Resize", tagged "NO".
    void InitProperties();
    // Reads its properties and from then on serves its parent as the form.
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // False stops all rescaling and the minimum size; recording at load still happens.
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }
    bool FontResizable() const { return m_fontResizable; }
    void SetFontResizable(bool resizable) { m_fontResizable = resizable; }
    // True takes AspectRatioValue from the holding form's current outer shape; false sets it to 0.
    bool KeepAspectRatio() const { return m_keepAspectRatio; }
    void SetKeepAspectRatio(bool keep);
    // Outer height / outer width to hold; 0 or less holds nothing.
    double AspectRatioValue() const { return m_aspectRatioValue; }
    void SetAspectRatioValue(double ratio) { m_aspectRatioValue = ratio; }
    // Minimum outer height and width of the form, in twips.
    int HMin() const { return m_hMin; }
    void SetHMin(int twips) { m_hMin = twips; }
    int WMin() const { return m_wMin; }
    void SetWMin(int twips) { m_wMin = twips; }

    // The form's Load and Resize. Load runs by itself at the form's first show or resize.
    void ParentForm_Load();
    void ParentForm_Resize();

  signals:
    // A persisted property that notifies its changes ("KeepAspectRatio") was set.
    void PropertyChanged(const QString& name);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // One recorded control: twips in its container, or a line's X1, Y1, X2 and Y2. The control
    // is kept itself rather than its place in the form's list, as raising a widget reorders it.
    struct tCtlLayout {
        QPointer<QWidget> control;
        float Left = 0;
        float Top = 0;
        float Width = 0;
        float Height = 0;
        float FontSize = 0;
    };

    void RecordLayout();
    void ScaleControls();

    bool m_enabled = true;
    bool m_fontResizable = true;
    bool m_keepAspectRatio = false;
    double m_aspectRatioValue = 0;
    int m_hMin = 3000;
    int m_wMin = 4800;

    QPointer<QWidget> m_parentForm;
    bool m_loaded = false;
    float m_origScaleWidth = 0;
    float m_origScaleHeight = 0;
    std::vector<tCtlLayout> m_layout;
    // An aspect-ratio height change is under way: resizes it causes do not rescale.
    bool m_scaling = false;
};

}  // namespace ostrel::controls
