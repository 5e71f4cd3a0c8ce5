#include "ui/frmProgress.h"

#include <QCloseEvent>
#include <QGroupBox>

#include "controls/VistaProg.h"
#include "job/ShredJob.h"
#include "lang/LangStrings.h"
#include "ui/AniGif.h"
#include "ui/Texts.h"

namespace ostrel::ui {

frmProgress::frmProgress(DefaultForms&) : Form("frmProgress") {}

QGroupBox* frmProgress::frOW() const {
    return Control<QGroupBox>("frOW");
}

controls::VistaProg* frmProgress::pb() const {
    return Control<controls::VistaProg>("pb");
}

AniGif* frmProgress::AniGif1() const {
    return Control<AniGif>("AniGif1");
}

void frmProgress::Form_Load() {
    setWindowTitle(LangText(lang::kProductName));
    frOW()->setTitle(LangText(lang::kProgressFrame));
}

// A file is never left half-shredded: the job is asked to stop before its next file, and the
// window stays until the job returns and unloads it.
void frmProgress::Form_QueryClose(QCloseEvent* event) {
    if (ShredJob::AnyRunning()) {
        event->ignore();
        ShredJob::StopRunning();
        frOW()->setTitle(LangText(lang::kStoppingAfterFile));
        return;
    }
    Form::Form_QueryClose(event);
}

}  // namespace ostrel::ui
