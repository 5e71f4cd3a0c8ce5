// The windows as they look: every text fits its control in each language, and at scale 2 the
// owner-drawn parts are drawn at the larger size instead of being enlarged afterwards.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QTest>

#include "controls/DrawingSurface.h"
#include "controls/VistaButton.h"
#include "lang/LanguageFile.h"
#include "ui/DefaultForms.h"
#include "ui/PictureBox.h"
#include "ui/RunWithWindows.h"
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

// A frameless window has a one-pixel outline in the title bar's dark blue on all four edges,
// so that the options dialog stands apart from the main window behind it; the window with a
// frame of the window system's has none of its own.
TEST(LookTest, FramelessWindowsHaveAnOutline) {
    ui::DefaultForms forms;
    const struct {
        ui::Form* form;
        bool outlined;
    } rows[] = {{&forms.About(), true},
                {&forms.Options(), true},
                {&forms.Language(), true},
                {&forms.Progress(), false}};
    const QColor outline(38, 48, 79);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.form->Name().toStdString());
        row.form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(row.form));
        const QImage shot = row.form->grab().toImage();
        const int w = shot.width(), h = shot.height();
        for (const QPoint edge : {QPoint(0, h / 2), QPoint(w - 1, h / 2), QPoint(w / 2, h - 1),
                                  QPoint(w / 4, 0), QPoint(0, h - 1), QPoint(w - 1, 0)}) {
            EXPECT_EQ(shot.pixelColor(edge) == outline, row.outlined)
                << edge.x() << "," << edge.y() << " is "
                << qPrintable(shot.pixelColor(edge).name());
        }
        row.form->hide();
    }
}

// Task bars and docks find the program's desktop entry by its name and show its icon: every
// window carries the icon, drawn for each size a task bar asks for.
TEST(LookTest, WindowsCarryTheProgramsIconAndTheDesktopEntrysName) {
    ui::SetApplicationIdentity();
    EXPECT_EQ(QGuiApplication::desktopFileName(), "ostrel");
    ui::DefaultForms forms;
    for (ui::Form* form : std::initializer_list<ui::Form*>{&forms.About(), &forms.Options(),
                                                           &forms.Progress(), &forms.Language()}) {
        SCOPED_TRACE(form->Name().toStdString());
        const QIcon icon = form->windowIcon();
        for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
            EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
        }
        EXPECT_FALSE(icon.pixmap(48).isNull());
    }
}

// Runs as its own test with QT_SCALE_FACTOR=2 (UiAtScale2 in CTest).
TEST(AtScale2, OwnerDrawnPartsAreDrawnAtTheLargerSize) {
    ui::DefaultForms forms;
    ui::frmAbout& about = forms.About();
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    if (qgetenv("QT_SCALE_FACTOR") != "2") {
        GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2 (the UiAtScale2 test)";
    }
    ASSERT_EQ(about.devicePixelRatioF(), 2);
    const QImage window = about.grab().toImage();
    EXPECT_EQ(window.size(), about.size() * 2);
    for (const auto* surface : about.findChildren<controls::DrawingSurface*>()) {
        if (surface->isVisible()) {
            EXPECT_EQ(surface->Surface().size(), surface->size() * 2)
                << surface->objectName().toStdString();
        }
    }
    // The warning sign is drawn for the device pixels: what the window shows of it is the
    // drawing made at twice the size, pixel for pixel.
    auto* sign = about.Control<ui::PictureBox>("picExclamation");
    const QImage drawn = sign->Render(sign->size(), 2).convertToFormat(QImage::Format_ARGB32);
    const QImage shown = sign->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(shown.size(), drawn.size());
    int differing = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            if (qAlpha(drawn.pixel(x, y)) == 255 && drawn.pixel(x, y) != shown.pixel(x, y)) {
                ++differing;
            }
        }
    }
    EXPECT_EQ(differing, 0);
    about.hide();
}

}  // namespace
}  // namespace ostrel::test
