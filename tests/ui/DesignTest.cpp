// The stored designs hold the settings the windows are specified with: each owner-drawn
// control's bag is what a newly placed control writes once given those settings.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QJsonArray>
#include <functional>

#include "controls/AutoResize.h"
#include "controls/TitelBar.h"
#include "controls/VistaButton.h"
#include "controls/xFrame.h"
#include "ui/FormDesign.h"

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
