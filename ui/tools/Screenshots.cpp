// Renders each window as the program shows it, with the texts of the language file given
// (English.lng by default), to PNG files in the folder given (at the display's scale: run it with
// QT_SCALE_FACTOR=2 for the large look). Also the main window enlarged by half, as the resizer lays
// it out, and the progress window during a job. Used by scripts/screenshots.sh.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QThread>
#include <cstdio>

#include "controls/Accessible.h"
#include "controls/FixedLook.h"
#include "controls/VistaProg.h"
#include "lang/LanguageFile.h"
#include "ui/AniGif.h"
#include "ui/DefaultForms.h"
#include "ui/frmAbout.h"
#include "ui/frmLanguage.h"
#include "ui/frmOptions.h"
#include "ui/frmProgress.h"

namespace {

// Shows `window`, lets it paint (and an animation advance), and saves what it shows.
bool Shoot(QWidget& window, const QDir& folder, const QString& name) {
    window.show();
    window.raise();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    const QString path = folder.filePath(name + ".png");
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ostrel::controls::ApplyFixedLook(app);
    ostrel::controls::InstallAccessibleInterfaces();
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: ostrel-screenshots FOLDER [LANGUAGE.lng]\n");
        return 2;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    folder.mkpath(".");
    const std::string language = argc == 3 ? argv[2] : "English.lng";
    ostrel::OpenLanguageFile(language);
    ostrel::ui::DefaultForms forms;
    bool ok = true;

    ok &= Shoot(forms.Language(), folder, "frmLanguage");
    forms.Language().hide();

    ostrel::ui::frmAbout& about = forms.About();
    ok &= Shoot(about, folder, "frmAbout");
    ostrel::ui::frmOptions& options = forms.Options();
    options.SetLanguageText(language);
    ok &= Shoot(options, folder, "frmOptions");
    options.hide();
    about.resize(about.width() * 3 / 2, about.height() * 3 / 2);
    ok &= Shoot(about, folder, "frmAbout-enlarged");
    about.hide();

    ostrel::ui::frmProgress& progress = forms.Progress();
    progress.AniGif1()->LoadFile(QCoreApplication::applicationDirPath() + "/Busy.gif", false);
    progress.pb()->SetMax(12);
    progress.pb()->SetValue(5);
    progress.pb()->SetCaption("/home/user/Documents/old tax returns/2019/.../receipts-march.pdf");
    ok &= Shoot(progress, folder, "frmProgress");
    return ok ? 0 : 1;
}
