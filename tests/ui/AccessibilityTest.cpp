#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <vector>

#include "controls/TitelBar.h"
#include "controls/VistaButton.h"
#include "controls/VistaProg.h"
#include "lang/LanguageFile.h"
#include "ui/DefaultForms.h"
#include "ui/frmAbout.h"
#include "ui/frmLanguage.h"
#include "ui/frmOptions.h"
#include "ui/frmProgress.h"

namespace ostrel::test {
namespace {

// How a screen reader sees one control: its role, its name, whether it offers "Press".
struct Expected {
    QString control;  // a control of the form, or "TitelBar1/" and a caption button's glyph kind
    QAccessible::Role role;
    QString name;  // empty: not checked
    bool press;
    QString label = {};  // the label the control is tied to, by name
};

QWidget* Find(ui::Form& form, const QString& path) {
    if (path.startsWith("TitelBar1/")) {
        auto* bar = form.Control<controls::TitelBar>("TitelBar1");
        const QString button = path.mid(10);
        return button == "close"      ? bar->TBARX()
               : button == "minimise" ? bar->TBAR_()
                                      : bar->TBARMax();
    }
    return form.Control(path);
}

void ExpectNoFiller(QAccessibleInterface* node) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child->state().invisible) {
            EXPECT_NE(child->role(), QAccessible::Client)
                << child->object()->metaObject()->className() << " "
                << qPrintable(child->object()->objectName());
            ExpectNoFiller(child);
        }
    }
}

void ExpectSeen(ui::Form& form, const std::vector<Expected>& rows) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    for (const Expected& row : rows) {
        SCOPED_TRACE(qPrintable(form.Name() + "." + row.control));
        QWidget* widget = Find(form, row.control);
        ASSERT_NE(widget, nullptr);
        QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(seen, nullptr);
        EXPECT_EQ(seen->role(), row.role);
        if (!row.name.isEmpty()) {
            EXPECT_EQ(seen->text(QAccessible::Name), row.name);
        }
        if (!row.label.isEmpty()) {
            const auto labels = seen->relations(QAccessible::Label);
            ASSERT_EQ(labels.size(), 1);
            EXPECT_EQ(labels[0].first->object(), form.Control(row.label));
        }
        QAccessibleActionInterface* actions = seen->actionInterface();
        EXPECT_EQ(actions != nullptr &&
                      actions->actionNames().contains(QAccessibleActionInterface::pressAction()),
                  row.press);
    }
    // Nothing a screen reader finds in the window is a nameless filler.
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&form);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), form.windowTitle());
    ExpectNoFiller(window);
}

class AccessibilityTest : public ::testing::Test {
  protected:
    AccessibilityTest() { OpenLanguageFile("English.lng"); }
    ~AccessibilityTest() override { CloseLanguageFile(); }
    ui::DefaultForms m_forms;
};

// Every control of the four windows tells a screen reader what it is, what it is called and,
// for the buttons, that it can be pressed. A field is tied to the label that names it.
TEST_F(AccessibilityTest, EveryControlHasItsRoleNameAndAction) {
    const QAccessible::Role button = QAccessible::Button;
    const QAccessible::Role text = QAccessible::StaticText;
    const std::vector<Expected> caption = {{"TitelBar1/minimise", button, "Minimise", true},
                                           {"TitelBar1/maximise", button, "Maximise", true},
                                           {"TitelBar1/close", button, "Close", true}};
    std::vector<Expected> about = {
        {"TitelBar1", QAccessible::TitleBar, "Ostrel", false},
        {"xFrameOstrel", QAccessible::Grouping, "Ostrel", false},
        {"picExclamation", QAccessible::Graphic, "", false},
        {"lblShredder", text, "Ostrel", false},
        {"Label1", text, "", false},
        {"cbWipe", button, "Wipe free space...", true},
        {"cbOptions", button, "Options", true},
        {"cbClose", button, "Close", true},
    };
    about.insert(about.end(), caption.begin(), caption.end());
    ExpectSeen(m_forms.About(), about);

    std::vector<Expected> options = {
        {"TitelBar1", QAccessible::TitleBar, "Options", false},
        {"xFrameOptions", QAccessible::Grouping, "Options", false},
        {"lblDeleteMethod", text, "Shredding method:", false},
        {"cboDelete", QAccessible::ComboBox, "", true, "lblDeleteMethod"},
        {"lblLanguage", text, "Language:", false},
        {"cboLanguage", QAccessible::ComboBox, "", true, "lblLanguage"},
        {"chlConfirm", QAccessible::CheckBox, "Ask before shredding", false},
        {"cbApply", button, "Apply", true},
        {"cbCancel", button, "Cancel", true},
    };
    options.insert(options.end(), caption.begin(), caption.end());
    ExpectSeen(m_forms.Options(), options);

    ui::frmProgress& progress = m_forms.Progress();
    progress.pb()->SetMax(12);
    progress.pb()->SetValue(5);
    progress.pb()->SetCaption("/home/u/file.txt");
    ExpectSeen(progress, {{"frOW", QAccessible::Grouping, "", false},
                          {"AniGif1", QAccessible::Animation, "", false},
                          {"pb", QAccessible::ProgressBar, "/home/u/file.txt", false}});
    QAccessibleValueInterface* value =
        QAccessible::queryAccessibleInterface(progress.pb())->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 5);
    EXPECT_EQ(value->maximumValue().toInt(), 12);

    ui::frmLanguage& language = m_forms.Language();
    ExpectSeen(language, {{"TitelBar1/close", button, "Close", true},
                          {"cboLanguage", QAccessible::ComboBox, "", true, "lblLanguage"},
                          {"cbLanguageOK", button, "", true}});
}

// Press does what a click does: a push button raises its Click, the caption buttons minimise
// and close the window; a disabled button does nothing.
TEST_F(AccessibilityTest, PressActsAsAClick) {
    ui::frmAbout& about = m_forms.About();
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    const auto press = [](QWidget* widget) {
        QAccessible::queryAccessibleInterface(widget)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
    };
    controls::VistaButton* options = about.cbOptions();
    QSignalSpy clicks(options, &controls::VistaButton::Click);
    press(options);
    EXPECT_EQ(clicks.size(), 1);
    options->SetEnabled(false);
    press(options);
    EXPECT_EQ(clicks.size(), 1);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(options)->state().disabled);
    options->SetEnabled(true);

    auto* bar = about.Control<controls::TitelBar>("TitelBar1");
    press(bar->TBAR_());
    EXPECT_TRUE(about.windowState() & Qt::WindowMinimized);
    about.showNormal();
    press(bar->TBARMax());
    EXPECT_TRUE(about.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(bar->TBARMax())->text(QAccessible::Name),
              "Restore");
}

}  // namespace
}  // namespace ostrel::test
