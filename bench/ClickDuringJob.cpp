// The program with its main window, as `ostrel` without paths runs it, which then shreds the
// folder given as if it had been dropped onto the main window (no question: the settings must
// say so). It says on standard output, one line each, when the main window is up and where the
// Options button lies on the screen ("options X Y"), when the job runs ("running") and when it has
// ended ("done SECONDS"), and then ends. An options window left open is closed after a moment, so
// that a script can click the button again. With --idle it shreds nothing and runs until killed.
// Used by bench/click-during-job.sh.
#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <string>

#include "controls/FixedLook.h"
#include "controls/VistaButton.h"
#include "core/Host.h"
#include "job/ShredJob.h"
#include "job/modMain.h"
#include "platform/Process.h"
#include "ui/DefaultForms.h"
#include "ui/QtHost.h"
#include "ui/frmAbout.h"
#include "ui/frmOptions.h"

namespace {

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Drops `folder` onto `window`, as a file manager's drag would.
void Drop(QWidget& window, const QString& folder) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(folder)});
    const QPoint at = window.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ostrel_bench_clickduringjob FOLDER|--idle\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const bool idle = folder == "--idle";
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ostrel::controls::ApplyFixedLook(app);
    ostrel::ui::QtHost host;
    ostrel::SetCurrentHost(&host);
    ostrel::ui::DefaultForms forms;
    const ostrel::InstanceLocks locks = ostrel::Main({}, forms.forms());
    ostrel::ui::frmAbout& about = forms.About();

    QElapsedTimer clock;
    bool said = false;
    bool running = false;
    QElapsedTimer optionsShown;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!said && about.isVisible()) {
            said = true;
            const QWidget* button = about.cbOptions();
            const QPoint centre = button->mapToGlobal(button->rect().center());
            Say("options " + std::to_string(centre.x()) + " " + std::to_string(centre.y()));
            if (!idle) {
                clock.start();
                Drop(about, folder);
            }
        }
        if (!running && ostrel::ShredJob::AnyRunning()) {
            running = true;
            Say("running");
        }
        if (running && !ostrel::ShredJob::AnyRunning()) {
            Say("done " + std::to_string(clock.elapsed() / 1000.0));
            std::fflush(stdout);
            ostrel::platform::ExitProcess(0);
        }
        ostrel::ui::frmOptions* options = forms.LoadedOptions();
        if (options != nullptr && options->isVisible()) {
            if (!optionsShown.isValid()) {
                optionsShown.start();
            } else if (optionsShown.elapsed() > 300) {
                options->hide();
                optionsShown.invalidate();
            }
        }
    });
    watch.start(20);
    return app.exec();
}
