#pragma once

#include <QList>
#include <QWidget>
#include <functional>

class QCloseEvent;
class QScreen;

namespace ostrel::ui {

// A window of the program, built from its stored design (see FormDesign.h). Forms have one
// default instance each (DefaultForms): created and loaded on first reference, released when
// unloaded. Loaded forms are kept in one collection, in load order.
class Form : public QWidget {
    Q_OBJECT
  public:
    ~Form() override;

    // The design's name, which is also the form's name ("frmAbout").
    QString Name() const { return objectName(); }

    // The control `name` of this form, or nullptr when it has none of that name and kind.
    template <typename T = QWidget>
    T* Control(const QString& name) const {
        return findChild<T*>(name);
    }
    // The controls in design order, those inside panels and frames included.
    const QList<QWidget*>& Controls() const { return m_controls; }

    // Runs the Load event; the first call only.
    void Load();
    // Runs the Unload event and hides the form: it leaves the loaded forms, and the next
    // reference to the form's default instance makes a new one (and releases this one; not
    // here, as the form may be unloading from inside one of its own event handlers). Nothing
    // happens for a form already unloaded.
    void Unload();
    bool IsLoaded() const { return m_loaded; }

    // Shows the form and returns when it is unloaded; other windows take no input meanwhile.
    void ShowModal();

    // The loaded forms, in load order.
    static QList<Form*> LoadedForms();

  signals:
    // The form was unloaded.
    void Unloaded();

  protected:
    // Builds the form and its controls from the design `designName`.
    explicit Form(const QString& designName);

    // Runs `action` when Escape is pressed on any control of the form (the controls it has now);
    // an open drop-down list takes Escape itself and closes.
    void OnEscape(std::function<void()> action);
    bool eventFilter(QObject* watched, QEvent* event) override;

    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    // The user or the window system asks to close the form. Unloads it unless overridden.
    virtual void Form_QueryClose(QCloseEvent* event);

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void NameCaptionButtons();

    QList<QWidget*> m_controls;
    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_placed = false;
    std::function<void()> m_escape;
};

// The most a window may take of `screen`: its free area, less room for the window system's
// frame and title around the window, so that every edge and button stays within reach.
QSize RoomOnScreen(const QScreen& screen);

}  // namespace ostrel::ui
