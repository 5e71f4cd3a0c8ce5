// Renders each window as the program shows it, with the texts of the language file given
// (English.lng by default), to PNG files in the folder given (at the display's scale: run it with
// QT_SCALE_FACTOR=2 for the large look). Also the main window enlarged by half, as the resizer lays
// it out, and the progress window during a job, mid-way through a selection of files and at its
// end. Used by scripts/screenshots.sh.
//
// With --report, --options-over-main or --wipe first, it saves the whole screen instead, to show
// windows in their place: the report of a job that left 41 files and two folders behind
// (report.png, meant for a small screen), the options dialog over the main window
// (options-over-main.png), or what Wipe free space shows over the main window, the folder chooser
// (wipe-chooser.png) and then the question (wipe-question.png), answered No (the last two meant for
// a display with a window manager).
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "controls/Accessible.h"
#include "controls/FixedLook.h"
#include "controls/VistaButton.h"
#include "controls/VistaProg.h"
#include "core/Host.h"
#include "job/JobProgress.h"
#include "job/ShredJob.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "ui/AniGif.h"
#include "ui/DefaultForms.h"
#include "ui/QtHost.h"
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

// Saves the whole screen as `name`.png once `window` has had time to be placed and painted.
bool ShootScreen(const QDir& folder, const QString& name) {
    for (int i = 0; i < 30; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    const QString path = folder.filePath(name + ".png");
    if (!QGuiApplication::primaryScreen()->grabWindow(0).save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The report of a job that could not destroy 41 files (one with a 250-character name) and left
// two folders, as the program shows it at a job's end.
bool ShootReport(const QDir& folder) {
    using namespace ostrel;
    JobReport report;
    for (int i = 0; i < 40; ++i) {
        report.failed.push_back(
            {"/home/user/Pictures/2019/holiday/IMG_" + std::to_string(2000 + (i * 7) % 40) + ".jpg",
             GetLangString(i % 3 == 0 ? lang::kWhyInUse : lang::kWhyImmutable)});
    }
    report.failed.push_back({"/home/user/Documents/" + std::string(230, 'n') + ".pdf",
                             GetLangString(lang::kWhyPermissionDenied)});
    report.foldersLeft.push_back(
        {"/home/user/Pictures/2019/holiday", GetLangString(lang::kWhyNotEmpty)});
    report.foldersLeft.push_back({"/home/user/Pictures/2019", GetLangString(lang::kWhyNotEmpty)});
    ui::QtHost host;
    Host* previous = SetCurrentHost(&host);
    bool ok = false;
    QTimer::singleShot(0, [&] {
        ok = ShootScreen(folder, "report");
        if (QWidget* box = QApplication::activeModalWidget()) {
            box->close();
        }
    });
    ShowJobReport(report);
    SetCurrentHost(previous);
    return ok;
}

// Clicks Wipe free space in the main window, shoots the chooser, picks the folder it shows (the
// home folder), shoots the question and answers No: nothing is wiped. Refused when the settings
// would not ask.
bool ShootWipe(ostrel::ui::DefaultForms& forms, const QDir& folder) {
    using namespace ostrel;
    if (forms.forms().options.Confirm() != 1) {
        std::fprintf(stderr, "--wipe needs settings that ask before a job\n");
        return false;
    }
    ui::QtHost host;
    Host* previous = SetCurrentHost(&host);
    ui::frmAbout& about = forms.About();
    about.show();
    about.activateWindow();
    bool chooserShot = false, questionShot = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* chooser = qobject_cast<QFileDialog*>(modal); chooser != nullptr && !chooserShot) {
            poll.stop();
            chooserShot = ShootScreen(folder, "wipe-chooser");
            static_cast<QDialog*>(chooser)->accept();  // the folder shown
            poll.start(50);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal); box != nullptr) {
            poll.stop();
            questionShot = ShootScreen(folder, "wipe-question");
            box->button(QMessageBox::No)->click();
        }
    });
    poll.start(50);
    emit about.cbWipe()->Click();
    SetCurrentHost(previous);
    return chooserShot && questionShot;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ostrel::controls::ApplyFixedLook(app);
    ostrel::controls::InstallAccessibleInterfaces();
    const bool report = argc > 1 && std::strcmp(argv[1], "--report") == 0;
    const bool overMain = argc > 1 && std::strcmp(argv[1], "--options-over-main") == 0;
    const bool wipe = argc > 1 && std::strcmp(argv[1], "--wipe") == 0;
    if (report || overMain || wipe) {
        --argc;
        ++argv;
    }
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr,
                     "usage: ostrel-screenshots [--report | --options-over-main | --wipe] FOLDER "
                     "[LANGUAGE.lng]\n");
        return 2;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    folder.mkpath(".");
    const std::string language = argc == 3 ? argv[2] : "English.lng";
    ostrel::OpenLanguageFile(language);
    ostrel::ui::DefaultForms forms;
    bool ok = true;

    if (report) {
        return ShootReport(folder) ? 0 : 1;
    }
    if (wipe) {
        return ShootWipe(forms, folder) ? 0 : 1;
    }
    if (overMain) {
        ostrel::ui::frmAbout& about = forms.About();
        about.show();
        ostrel::ui::frmOptions& options = forms.Options();
        options.SetLanguageText(language);
        options.show();
        options.move(about.pos() + QPoint(about.width() / 5, about.height() / 4));
        options.raise();
        options.activateWindow();
        return ShootScreen(folder, "options-over-main") ? 0 : 1;
    }

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

    // Mid-job on a selection of 300 files handed over one by one, 3 passes each: 125 finished,
    // the next in its second pass, a minute and a half in.
    using ostrel::JobProgress;
    const auto start = JobProgress::Clock::now();
    JobProgress job;
    job.Start(start);
    job.AddPlanned(300, 300 * JobProgress::FileWork(std::int64_t{1} << 20, 3));
    job.SetPhase(JobProgress::Phase::Shredding, start);
    for (int i = 0; i < 125; ++i) {
        job.FileSettled(JobProgress::FileWork(std::int64_t{1} << 20, 3));
    }
    job.SetUnderWay(std::int64_t{3} << 19);
    job.SetPass(2, 3);
    const auto now = start + std::chrono::seconds(90);
    progress.SetMax(JobProgress::kBarMax);
    progress.SetValue(job.Bar());
    progress.SetStatus(job.Status(now));
    progress.SetCaption("/home/user/Pictures/holiday 2019/IMG_20190814_171502.jpg");
    ok &= Shoot(progress, folder, "frmProgress-selection");

    // The end of that job, as it stays in view for a moment.
    progress.SetCaption("/home/user/Pictures/holiday 2019/IMG_20190814_183305.jpg");
    progress.ShowSummary(ostrel::FillIn(
        ostrel::GetLangString(ostrel::lang::kJobSummary),
        ostrel::CountOf(300, ostrel::lang::kConfirmOneFile, ostrel::lang::kConfirmFiles),
        ostrel::CountOf(2, ostrel::lang::kConfirmOneFolder, ostrel::lang::kConfirmFolders),
        ostrel::FormatDuration(std::chrono::seconds(214))));
    ok &= Shoot(progress, folder, "frmProgress-done");
    return ok ? 0 : 1;
}
