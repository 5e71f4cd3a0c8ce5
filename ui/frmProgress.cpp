#include "ui/frmProgress.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>

#include "controls/VistaProg.h"
#include "core/ProductNames.h"
#include "job/ShredJob.h"
#include "lang/LangStrings.h"
#include "ui/AniGif.h"
#include "ui/Texts.h"

namespace ostrel::ui {

frmProgress::frmProgress(DefaultForms&) : Form("frmProgress") {
    m_apply.setSingleShot(true);
    m_apply.setInterval(0);
    connect(&m_apply, &QTimer::timeout, this, &frmProgress::ApplyToBar);
}

QGroupBox* frmProgress::frOW() const {
    return Control<QGroupBox>("frOW");
}

controls::VistaProg* frmProgress::pb() const {
    return Control<controls::VistaProg>("pb");
}

AniGif* frmProgress::AniGif1() const {
    return Control<AniGif>("AniGif1");
}

QLabel* frmProgress::lblStatus() const {
    return Control<QLabel>("lblStatus");
}

void frmProgress::Schedule() {
    if (!m_apply.isActive()) {
        m_apply.start();
    }
}

void frmProgress::SetMax(int max) {
    m_max = max;
    Schedule();
}

void frmProgress::SetCaption(const std::string& caption) {
    m_caption = caption;
    Schedule();
}

void frmProgress::SetValue(int value) {
    m_value = value;
    Schedule();
}

void frmProgress::SetStatus(const std::string& status) {
    m_status = status;
    Schedule();
}

void frmProgress::ShowSummary(const std::string& summary) {
    ApplyToBar();
    pb()->SetValue(pb()->Max());
    lblStatus()->setText(Displayed(summary));
    if (!isVisible()) {
        return;
    }
    int shownMs = kDefaultSummaryMs;
    if (const QByteArray set = qgetenv(kSummaryTimeVariable); !set.isEmpty()) {
        bool ok = false;
        const int value = set.toInt(&ok);
        shownMs = ok && value >= 0 ? value : shownMs;
    }
    QEventLoop loop;
    QTimer::singleShot(shownMs, &loop, &QEventLoop::quit);
    loop.exec();
}

// The maximum first: the bar keeps its value within it.
void frmProgress::ApplyToBar() {
    controls::VistaProg* bar = pb();
    if (m_max && *m_max != bar->Max()) {
        bar->SetMax(*m_max);
    }
    if (m_caption) {
        if (const QString shown = Displayed(*m_caption); shown != bar->CaptionLabel()->text()) {
            bar->SetCaption(shown);
        }
    }
    if (m_value && *m_value != bar->Value()) {
        bar->SetValue(*m_value);
    }
    if (m_status) {
        if (const QString shown = Displayed(*m_status); shown != lblStatus()->text()) {
            lblStatus()->setText(shown);
        }
    }
    m_max.reset();
    m_caption.reset();
    m_value.reset();
    m_status.reset();
}

void frmProgress::Form_Load() {
    setWindowTitle(LangText(lang::kProductName));
    frOW()->setTitle(LangText(lang::kProgressFrame));
    m_stoppingTitle = LangText(lang::kStoppingAfterFile);
}

void frmProgress::SetTitle(const std::string& working, const std::string& stopping) {
    frOW()->setTitle(Displayed(working));
    m_stoppingTitle = Displayed(stopping);
}

// A file is never left half-shredded: the job is asked to stop before its next file, and the
// window stays until the job returns and unloads it.
void frmProgress::Form_QueryClose(QCloseEvent* event) {
    if (ShredJob::AnyRunning()) {
        event->ignore();
        ShredJob::StopRunning();
        frOW()->setTitle(m_stoppingTitle);
        return;
    }
    Form::Form_QueryClose(event);
}

}  // namespace ostrel::ui
