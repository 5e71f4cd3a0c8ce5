// The stored designs hold the settings the windows are specified with: each owner-drawn
// control's bag is what a newly placed control writes once given those settings.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QLabel>
#include <functional>

#include "controls/AutoResize.h"
#include "controls/TitelBar.h"
#include "controls/VistaButton.h"
#include "controls/VistaProg.h"
#include "controls/xFrame.h"
#include "ui/AniGif.h"
#include "ui/FormDesign.h"
#include "ui/PictureBox.h"

namespace ostrel::test {
namespace {

using namespace ostrel::controls;

QFont Font(const char* family, double points) {
    QFont font(family);
    font.setPointSizeF(points);
    return font;
}

// The stored bag of `control` in design `form`.
QJsonObject StoredBag(const QString& form, const QString& control) {
    for (const QJsonValue& entry : ui::FormDesign(form).value("Controls").toArray()) {
        if (entry.toObject().value("Name").toString() == control) {
            return entry.toObject().value("Properties").toObject();
        }
    }
    ADD_FAILURE() << "no control " << control.toStdString() << " in " << form.toStdString();
    return {};
}

// The form font the designs are drawn with: a value equal to it is not stored.
QWidget& DesignForm() {
    static QWidget form;
    form.setFont(Font("Segoe UI", 8));
    return form;
}

QJsonObject TitleBar(const char* caption, int style, bool maximize, bool minimize) {
    TitelBar bar(&DesignForm());
    bar.InitProperties();
    bar.SetStyle(style);
    bar.SetShowMaximized(maximize);
    bar.SetShowMinimized(minimize);
    bar.SetFont(Font("Tahoma", 14.25));
    bar.SetCaption(caption);
    PropertyBag bag;
    bar.WriteProperties(bag);
    return bag.ToJson();
}

QJsonObject Button(const char* name, const char* caption) {
    VistaButton button(&DesignForm());
    button.setObjectName(name);
    button.InitProperties();
    button.SetFont(Font("Segoe UI", 12));
    button.SetBackColor(RGB(255, 255, 255));
    button.SetCaption(caption);
    PropertyBag bag;
    button.WriteProperties(bag);
    return bag.ToJson();
}

QJsonObject Panel(const char* name, const char* caption, int scheme, bool gradient) {
    xFrame panel(name, &DesignForm());
    if (scheme != 1) {
        panel.SetColorScheme(scheme);
    }
    panel.SetEnableGradient(gradient);
    panel.SetBackColor(RGB(255, 255, 255));
    panel.SetFont(Font("MS Sans Serif", 9.75));
    panel.SetCaption(caption);
    PropertyBag bag;
    panel.WriteProperties(bag);
    return bag.ToJson();
}

QJsonObject Resizer(double ratio) {
    AutoResize resizer(&DesignForm());
    resizer.InitProperties();
    if (ratio > 0) {
        resizer.SetKeepAspectRatio(true);
        resizer.SetAspectRatioValue(ratio);
    }
    PropertyBag bag;
    resizer.WriteProperties(bag);
    return bag.ToJson();
}

TEST(DesignTest, OwnerDrawnControlsAreStoredWithTheirSettings) {
    const struct {
        const char* form;
        const char* control;
        std::function<QJsonObject()> expected;
    } rows[] = {
        {"frmAbout", "TitelBar1", [] { return TitleBar("Ostrel", 2, true, true); }},
        {"frmAbout", "xFrameOstrel", [] { return Panel("xFrameOstrel", "Ostrel", 2, true); }},
        {"frmAbout", "cbOptions", [] { return Button("cbOptions", "&Options"); }},
        {"frmAbout", "cbClose", [] { return Button("cbClose", "&Close"); }},
        {"frmAbout", "Resize", [] { return Resizer(0.5307855606079102); }},
        {"frmOptions", "TitelBar1", [] { return TitleBar("Options", 8, true, true); }},
        {"frmOptions", "xFrameOptions",
         [] { return Panel("xFrameOptions", "Options Panel", 1, false); }},
        {"frmOptions", "cbApply", [] { return Button("cbApply", "&Apply"); }},
        {"frmOptions", "cbCancel", [] { return Button("cbCancel", "&Cancel"); }},
        {"frmOptions", "Resize", [] { return Resizer(0.485365867614746); }},
        {"frmLanguage", "TitelBar1",
         [] { return TitleBar("Set Default Language", 2, false, false); }},
        {"frmLanguage", "cbLanguageOK", [] { return Button("cbLanguageOK", "&Apply"); }},
        {"frmLanguage", "Resize", [] { return Resizer(0); }},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(StoredBag(row.form, row.control), row.expected())
            << row.form << "." << row.control;
    }
}

// Every control the windows are specified with exists, of its kind, with its fixed text.
TEST(DesignTest, FormsHoldTheirControlsAndFixedTexts) {
    const struct {
        const char* form;
        const char* control;
        const char* kind;
        const char* text;  // the fixed text, or nullptr
    } rows[] = {
        {"frmAbout", "lblShredder", "QLabel", nullptr},
        {"frmAbout", "lblCopyright", "QLabel", nullptr},
        {"frmAbout", "picExclamation", "ostrel::ui::PictureBox", nullptr},
        {"frmOptions", "lblDeleteMethod", "QLabel", "Deletion Method:"},
        {"frmOptions", "lblLanguage", "QLabel", "Default Language:"},
        {"frmOptions", "cboDelete", "QComboBox", "Simple Overwrite (1 Pass)"},
        {"frmOptions", "cboLanguage", "QComboBox", "English"},
        {"frmOptions", "chlConfirm", "QCheckBox", "Confirm before shredding."},
        {"frmProgress", "frOW", "QGroupBox", "Ostrel Progress"},
        {"frmProgress", "pb", "ostrel::controls::VistaProg", nullptr},
        {"frmProgress", "AniGif1", "ostrel::ui::AniGif", nullptr},
        {"frmLanguage", "picLanguage", "ostrel::ui::PictureBox", nullptr},
        {"frmLanguage", "lblLanguage", "QLabel", "Please select a language"},
        {"frmLanguage", "cboLanguage", "QComboBox", "English"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.form) + "." + row.control);
        QWidget form;
        ui::BuildForm(form, row.form);
        QWidget* control = form.findChild<QWidget*>(row.control);
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(control->metaObject()->className(), row.kind);
        if (row.text == nullptr) {
            continue;
        }
        QString text;
        if (auto* label = qobject_cast<QLabel*>(control)) {
            text = label->text();
        } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
            text = combo->currentText();
        } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
            text = check->text();
        } else if (auto* frame = qobject_cast<QGroupBox*>(control)) {
            text = frame->title();
        }
        EXPECT_EQ(text, row.text);
    }
    const std::pair<const char*, const char*> captions[] = {
        {"frmOptions", "Options"},
        {"frmProgress", "Ostrel"},
        {"frmLanguage", "Set Default Language"}};
    for (const auto& [name, caption] : captions) {
        QWidget form;
        ui::BuildForm(form, name);
        EXPECT_EQ(form.windowTitle(), caption) << name;
    }
}

// The options list offers the three overwrite methods, in order, and not the trash.
TEST(DesignTest, MethodListOffersTheOverwriteMethods) {
    QWidget form;
    ui::BuildForm(form, "frmOptions");
    auto* methods = form.findChild<QComboBox*>("cboDelete");
    ASSERT_NE(methods, nullptr);
    QStringList items;
    for (int i = 0; i < methods->count(); ++i) {
        items << methods->itemText(i);
    }
    EXPECT_EQ(items, (QStringList{"Simple Overwrite (1 Pass)", "DoD 5220.22-M (3 Passes)",
                                  "DoD 5220.22-M (7 Passes)"}));
}

}  // namespace
}  // namespace ostrel::test
