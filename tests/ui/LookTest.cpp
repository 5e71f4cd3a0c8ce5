// Every text of the windows fits its control in each language.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>

#include "controls/VistaButton.h"
#include "lang/LanguageFile.h"
#include "ui/DefaultForms.h"
#include "ui/frmAbout.h"
#include "ui/frmLanguage.h"
#include "ui/frmOptions.h"
#include "ui/frmProgress.h"

namespace ostrel::test {
namespace {

// Captions, labels and check boxes of `form` whose text is wider than the control (or, for a
// label that wraps, needs more lines than it has).
std::vector<std::string> CutTexts(const QWidget& form) {
    std::vector<std::string> cut;
    for (const auto* label : form.findChildren<QLabel*>()) {
        if (label->objectName().startsWith("lbl") || label->objectName() == "Label1") {
            const bool tooLong =
                label->wordWrap()
                    ? label->heightForWidth(label->width()) > label->height()
                    : QFontMetrics(label->font()).horizontalAdvance(label->text()) > label->width();
            if (tooLong) {
                cut.push_back(label->objectName().toStdString());
            }
        }
    }
    for (const auto* box : form.findChildren<QCheckBox*>()) {
        if (box->sizeHint().width() > box->width()) {
            cut.push_back(box->objectName().toStdString());
        }
    }
    for (const auto* button : form.findChildren<controls::VistaButton*>()) {
        QString caption = button->Caption();
        caption.remove('&');
        if (QFontMetrics(button->Font()).horizontalAdvance(caption) + 8 > button->width()) {
            cut.push_back(button->objectName().toStdString());
        }
    }
    return cut;
}

TEST(LookTest, EveryTextFitsItsControlInEveryLanguage) {
    // The progress window's longest status line: a free-space wipe's, with two sizes, a rate and
    // a time left.
    const struct {
        const char* language;
        const char* longestStatus;
    } rows[] = {
        {"English.lng",
         "12.3 GiB of 40.0 GiB free space written, 180 MiB/s, about 3 min 40 s left"},
        {"German.lng",
         "12,3 GiB von 40,0 GiB freiem Speicher geschrieben, 180 MiB/s, noch etwa 3 min 40 s"},
    };
    for (const auto& [language, longestStatus] : rows) {
        SCOPED_TRACE(language);
        OpenLanguageFile(language);
        ui::DefaultForms forms;
        forms.Options().SetLanguageText(language);
        forms.Progress().lblStatus()->setText(QString::fromUtf8(longestStatus));
        for (QWidget* form : std::initializer_list<QWidget*>{
                 &forms.About(), &forms.Options(), &forms.Language(), &forms.Progress()}) {
            EXPECT_EQ(CutTexts(*form), std::vector<std::string>{})
                << form->objectName().toStdString();
        }
        CloseLanguageFile();
    }
}

}  // namespace
}  // namespace ostrel::test
