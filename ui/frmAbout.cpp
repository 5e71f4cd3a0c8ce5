#include "ui/frmAbout.h"

#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QSysInfo>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "controls/VistaButton.h"
#include "controls/xFrame.h"
#include "core/Globals.h"
#include "core/Host.h"
#include "job/ConfirmQuestion.h"
#include "job/ShredJob.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "ui/DefaultForms.h"
#include "ui/Texts.h"
#include "ui/frmOptions.h"

namespace ostrel::ui {
namespace {

// The folder chooser's width and that of its list of places, in pixels.
constexpr int kWipeChooserWidth = 720;
constexpr int kWipeChooserPlacesWidth = 170;

// A file URL names a file on this machine when it names no host, "localhost" or this host.
bool IsLocalFileUrl(const QUrl& url) {
    if (url.scheme() != "file" || !url.path().startsWith('/')) {
        return false;
    }
    const QString host = url.host();
    return host.isEmpty() || host == "localhost" ||
           host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}

// The path of a file URL byte for byte: names that are not UTF-8 arrive percent-encoded and
// must not be decoded as text.
std::string PathBytes(const QUrl& url) {
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

}  // namespace

frmAbout::frmAbout(DefaultForms& forms) : Form("frmAbout"), m_forms(forms) {
    setAcceptDrops(true);
    connect(cbWipe(), &controls::VistaButton::Click, this, &frmAbout::cbWipe_Click);
    connect(cbOptions(), &controls::VistaButton::Click, this, &frmAbout::cbOptions_Click);
    connect(cbClose(), &controls::VistaButton::Click, this, &frmAbout::cbClose_Click);
}

controls::VistaButton* frmAbout::cbWipe() const {
    return Control<controls::VistaButton>("cbWipe");
}

controls::VistaButton* frmAbout::cbOptions() const {
    return Control<controls::VistaButton>("cbOptions");
}

controls::VistaButton* frmAbout::cbClose() const {
    return Control<controls::VistaButton>("cbClose");
}

void frmAbout::LoadCaptions() {
    auto label = [this](const char* name) { return Control<QLabel>(name); };
    setWindowTitle(LangText(lang::kProductName));
    Control<controls::xFrame>("xFrameOstrel")->SetCaption(LangText(lang::kProductName));
    label("Label1")->setText(LangText(lang::kAboutLine1));
    label("lblLine3")->setText(LangText(lang::kAboutLine3));
    label("lblShredder")->setText(LangText(lang::kProductName));
    std::string copyright = GetLangString(lang::kCopyright);
    const std::size_t stop = copyright.find('.');
    copyright = stop == std::string::npos ? std::string() : copyright.substr(0, stop + 1);
    label("lblCopyright")->setText(Displayed(copyright));
    // A language file without the button's own text shows the panel's caption, without a key.
    const QString options = LangText(lang::kOptionsButton);
    cbOptions()->SetCaption(options.isEmpty() ? LangText(lang::kOptionsCaption) : options);
    cbClose()->SetCaption(LangText(lang::kCloseCaption));
    cbWipe()->SetCaption(LangText(lang::kWipeButton));
    cbWipe()->setToolTip(LangText(lang::kWipeButtonTip));
    label("lblLine2")->setText(LangText(lang::kAboutLine2));
    label("lblLine4")->setText(LangText(lang::kAboutLine4));
    label("lblLine5")->setText(LangText(lang::kAboutLine5));
    label("lblLine6")->setText(LangText(lang::kAboutLine6));
}

void frmAbout::Form_Load() {
    LoadCaptions();
}

// Every other loaded form goes, the control hidden one by one with events let run after each,
// then the form; nothing is stored on the way (an open options dialog is dropped as it is).
void frmAbout::UnloadOtherForms(const Form& keep) {
    for (Form* form : Form::LoadedForms()) {
        if (form->Name() == keep.Name()) {
            continue;
        }
        for (QWidget* control : form->Controls()) {
            control->hide();
            DoEventsIgnoringErrors();
        }
        form->Unload();
        DoEventsIgnoringErrors();
    }
}

void frmAbout::cbWipe_Click() {
    if (m_busy || ShredJob::AnyRunning()) {
        return;
    }
    m_busy = true;
    const std::string folder = AskWipeFolder();
    if (folder.empty()) {
        m_busy = false;
        return;
    }
    RunJob(WipeQuestion(folder), [&folder](ShredJob& job) { job.WipeFreeSpace(folder); });
}

// Qt's own chooser rather than the desktop's: it has the fonts and colours of the other windows,
// speaks the language of the windows where it has words, and it is the one the tests drive. The
// user's home is shown and chosen until another folder is. It lists names only (no columns whose
// headings would stay English), and the places beside the list are the root and the home folder.
std::string frmAbout::AskWipeFolder() {
    const QString home = QDir::homePath();
    QFileDialog chooser(this, LangText(lang::kWipeChooserTitle), home);
    chooser.setObjectName(kWipeChooserName);
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setOption(QFileDialog::ShowDirsOnly);
    chooser.setFileMode(QFileDialog::Directory);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setViewMode(QFileDialog::List);
    chooser.setSidebarUrls({QUrl::fromLocalFile("/"), QUrl::fromLocalFile(home)});
    const std::pair<QFileDialog::DialogLabel, std::int16_t> labels[] = {
        {QFileDialog::LookIn, lang::kWipeChooserLookIn},
        {QFileDialog::FileName, lang::kWipeChooserFolder},
        {QFileDialog::Accept, lang::kWipeChooserAccept},
        {QFileDialog::Reject, lang::kCancelCaption},
    };
    for (const auto& [label, number] : labels) {
        if (const QString text = LangText(number); !text.isEmpty()) {
            chooser.setLabelText(label, text);
        }
    }
    // Only folders are listed: the row that picks a kind of file has nothing to offer.
    for (const char* row : {"fileTypeLabel", "fileTypeCombo"}) {
        if (auto* widget = chooser.findChild<QWidget*>(row)) {
            widget->hide();
        }
    }
    // Wide enough for the title in either language, with room for the places' names, but never
    // beyond the screen: its buttons stay within reach.
    QSize size(std::max(chooser.width(), kWipeChooserWidth), chooser.height());
    if (const QScreen* shown = screen(); shown != nullptr) {
        size = size.boundedTo(RoomOnScreen(*shown));
        chooser.setMinimumSize(chooser.minimumSize().boundedTo(size));
    }
    chooser.resize(size);
    if (auto* split = chooser.findChild<QSplitter*>("splitter"); split != nullptr) {
        const int places = std::min(kWipeChooserPlacesWidth, size.width() / 4);
        split->setSizes({places, size.width() - places});
    }
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
        return {};
    }
    return QFile::encodeName(chooser.selectedFiles().constFirst()).toStdString();
}

void frmAbout::cbOptions_Click() {
    frmOptions& options = m_forms.Options();
    options.show();
    options.raise();
    options.activateWindow();
}

void frmAbout::cbClose_Click() {
    EndWhenIdle();
}

void frmAbout::Form_QueryClose(QCloseEvent* event) {
    event->ignore();
    EndWhenIdle();
}

void frmAbout::EndWhenIdle() {
    if (ShredJob::AnyRunning()) {
        // Never in the middle of a file: the job stops after it, reports, and then the
        // program ends.
        m_endAfterJob = true;
        ShredJob::StopRunning();
        return;
    }
    UnloadOtherForms(*this);
    CurrentHost().EndProcess(0);
}

std::vector<std::string> frmAbout::LocalPaths(const QMimeData& data) {
    std::vector<std::string> paths;
    if (!data.hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data.urls()) {
        if (!IsLocalFileUrl(url)) {
            return {};
        }
        paths.push_back(PathBytes(url));
    }
    return paths;
}

bool frmAbout::AcceptsDrop(const QMimeData* data) const {
    return data != nullptr && !m_busy && !ShredJob::AnyRunning() && !LocalPaths(*data).empty();
}

void frmAbout::dragEnterEvent(QDragEnterEvent* event) {
    if (AcceptsDrop(event->mimeData())) {
        event->acceptProposedAction();
    }
}

void frmAbout::dragMoveEvent(QDragMoveEvent* event) {
    if (AcceptsDrop(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void frmAbout::dropEvent(QDropEvent* event) {
    if (!AcceptsDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The program that started the drag waits until this handler returns: the job runs after.
    QTimer::singleShot(0, this,
                       [this, paths = LocalPaths(*event->mimeData())] { ShredDropped(paths); });
}

void frmAbout::ShredDropped(const std::vector<std::string>& paths) {
    if (m_busy || ShredJob::AnyRunning() || paths.empty()) {
        return;
    }
    m_busy = true;
    RunJob(ConfirmQuestion(paths), [&paths](ShredJob& job) { job.ShredPaths(paths); });
}

void frmAbout::RunJob(const std::string& question, const std::function<void(ShredJob&)>& work) {
    Host& host = CurrentHost();
    OptionsForm& options = m_forms.forms().options;
    if (options.Confirm() == 1 &&
        host.MsgBox(question, kMsgYesNo, GetLangString(lang::kProductName)) != kAnswerYes) {
        m_busy = false;
        return;
    }
    JobReport report;
    {
        ShredJob job(m_forms.forms());
        if (job.Started()) {
            work(job);
            report = job.TakeReport();
        }
    }
    m_forms.forms().progress.Unload();
    ShowJobReport(report);
    m_busy = false;
    if (m_endAfterJob) {
        EndWhenIdle();
    }
}

}  // namespace ostrel::ui
