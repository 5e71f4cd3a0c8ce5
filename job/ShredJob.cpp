#include "job/ShredJob.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>
#include <tuple>
#include <utility>

#include "core/FileSearch.h"
#include "core/Host.h"
#include "core/PathHelpers.h"
#include "core/PathList.h"
#include "core/Report.h"
#include "core/StringHelpers.h"
#include "job/GuardedStep.h"
#include "job/ProtectedFolders.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "platform/FileSystem.h"
#include "platform/Folder.h"
#include "shredder/Shredder.h"

namespace ostrel {

namespace {

constexpr std::int16_t kShortenedPathLength = 60;
constexpr std::chrono::milliseconds kNoWait{0};
constexpr std::chrono::milliseconds kFinishingPoll{50};  // events between waits for the queue

}  // namespace

// Hands the file `name` of `folder`, shown as `path`, to a fresh shredder. True when it is in
// the report afterwards.
bool ShredJob::ShredFile(const platform::Folder& folder, const std::string& path, bool planned) {
    ProgressForm& progress = m_forms.progress;
    const auto status = folder.Stat(platform::SplitFolderAndName(path).second);
    const int passes = PassesOfMethod();
    if (!status) {
        // Gone since it was listed (another instance, say): not a failure, and nothing left.
        if (planned) {
            m_progress.FileSettled(JobProgress::FileWork(0, 0));
        }
        return false;
    }
    if (!progress.Visible()) {
        progress.Show();
    }
    const std::int64_t work = JobProgress::FileWork(
        status->type == platform::FileType::Regular ? status->size : 0, passes);
    if (!planned) {
        m_progress.AddPlanned(1, work);
    }
    // A new phase is shown at once: the window must not go on naming the one before.
    ShowProgress(SetPhase(JobProgress::Phase::Shredding));
    progress.SetCaption(ShortenPath(path, kShortenedPathLength));
    CurrentHost().DoEvents();

    // Each file has a shredder of its own, which lives as long as its work: here, or in
    // m_finishing while the flush queue finishes its passes.
    auto owned = std::make_unique<clsShredder>();
    clsShredder& shredder = *owned;
    const std::uint64_t tag = ++m_lastFlushTag;
    ShredRequest request;
    request.p_ShredMethod = m_forms.options.DeleteMethod();
    request.p_SourceFile = path;
    request.RenameFlag = true;
    request.source.emplace(ShredRequest::OpenEntry{folder, *status});
    request.onProgress = [this] { ShowProgress(false); };
    if (m_holding.IsOpen()) {
        // The folder, the queue and the batch live as long as the job, which settles every file
        // handed over before it ends.
        request.holding.emplace(
            ShredRequest::OpenHolding{m_holding, m_flushQueue.get(), m_passBatch.get(), tag});
    }
    m_current = &shredder;
    m_currentWork = work;
    struct Done {
        const clsShredder*& current;
        ~Done() { current = nullptr; }
    } done{m_current};
    shredder.DetermineShredMethod(request);
    m_current = nullptr;
    bool reported = false;
    if (ShredOutcomeOf(shredder) == ShredOutcome::Finishing) {
        m_finishing[tag] = Finishing{std::move(owned), path, status->id, work};
    } else {
        reported = RecordOutcome(path, status->id, ShredResultOf(shredder));
        m_progress.FileSettled(work);
    }
    CollectFinished(false);
    ShowProgress(false);
    CurrentHost().DoEvents();
    return reported;
}

// Settles the files the flush queue finished; with `all`, every file handed over, keeping the
// windows alive while the last of them finish.
void ShredJob::CollectFinished(bool all) {
    if (!m_flushQueue) {
        return;
    }
    if (all && m_passBatch) {
        m_passBatch->HandOver(DoEventsIgnoringErrors);
    }
    for (;;) {
        for (const auto& done : m_flushQueue->Collect(all ? kFinishingPoll : kNoWait)) {
            const auto found = m_finishing.find(done.tag);
            if (found == m_finishing.end()) {
                continue;
            }
            Finishing finishing = std::move(found->second);
            m_finishing.erase(found);
            m_progress.FileSettled(finishing.work);
            Guarded([&] {
                finishing.shredder->FinishLastPass(done.error);
                RecordOutcome(finishing.path, finishing.file, ShredResultOf(*finishing.shredder));
            });
        }
        if (!all || m_finishing.empty()) {
            return;
        }
        if (m_lastGiven) {
            SetPhase(JobProgress::Phase::Flushing);  // nothing else is left to do
        }
        ShowProgress(false);
        CurrentHost().DoEvents();
    }
}

bool ShredJob::AlreadyGiven(const platform::FileIdentity& folder, const std::string& name,
                            const std::optional<platform::FileIdentity>& entry) const {
    return std::any_of(m_given.begin(), m_given.end(), [&](const Given& given) {
        return given.folder == folder && given.name == name && (!entry || given.entry == *entry);
    });
}

// True when the missing `path` is, or lies below, a path given before: the nearest folder on
// its way that can still be opened holds the name of one.
bool ShredJob::InsideAGivenPath(const std::string& path) const {
    auto [folder, name] = platform::SplitFolderAndName(path);
    for (int depth = 0; depth < 4096 && !name.empty(); ++depth) {
        const platform::Folder above = platform::Folder::OpenFollowingLinks(folder);
        if (above.IsOpen()) {
            return AlreadyGiven(above.Identity(), name, std::nullopt);
        }
        if (folder.empty() || folder == "/") {
            return false;
        }
        std::tie(folder, name) = platform::SplitFolderAndName(folder);
    }
    return false;
}

// Shreds `path` as given: refused, missing, a folder or a file.
void ShredJob::ShredGivenPath(const std::string& path) {
    if (m_stopRequested) {
        m_report.stopped.push_back({path, std::string()});
        return;
    }
    Prepare();
    if (const std::string method = m_forms.options.DeleteMethod(); !IsShredMethod(method)) {
        m_report.unknownMethod = method;  // nothing can be shredded by a name nobody knows
        return;
    }
    const auto [folderPath, name] = platform::SplitFolderAndName(path);
    // Links in the folders leading to the path are followed, as the shell follows them; the
    // folder reached is what the refusals judge, and the path's own entry is never followed.
    const platform::Folder parent = platform::Folder::OpenFollowingLinks(folderPath);
    const platform::Result<platform::FileStatus> status =
        parent.IsOpen() ? parent.Stat(name) : platform::Failure{parent.Error()};
    if (const std::int16_t why = m_protected->Refusal(path, parent, status); why != 0) {
        m_report.refused.push_back({path, GetLangString(why)});
        return;
    }
    if (status && AlreadyGiven(parent.Identity(), name, status->id)) {
        return;  // its outcome is in the report already
    }
    if (!status) {
        const int error = status.error();
        if (error == ENOENT && InsideAGivenPath(path)) {
            return;  // destroyed with a path given before
        }
        if (error == ENOENT || error == ENOTDIR) {
            m_report.notFound.push_back(path);
        } else {
            m_report.failed.push_back({path, Reason(error)});
        }
        return;
    }
    m_given.push_back({parent.Identity(), name, status->id});
    if (status->type != platform::FileType::Directory) {
        const std::string shown = RemoveTrailingSeparators(path);
        ShredFile(parent, shown, Counted(shown));
        CollectFinished(true);
        return;
    }
    const platform::Folder root = parent.OpenChild(name, status->id);
    if (!root.IsOpen()) {
        LeaveFolder(RemoveTrailingSeparators(path), root.Error() == EACCES ? 0 : root.Error());
        return;
    }
    std::unique_ptr<cFileSearch> walked;
    const std::string shown = RemoveTrailingSeparators(path);
    for (Walked& kept : m_walked) {
        if (kept.search != nullptr && kept.path == shown && kept.root == root.Identity()) {
            walked = std::move(kept.search);
        }
    }
    ShredFolder(parent, name, root, shown, std::move(walked));
    CollectFinished(true);  // each path given is settled before the next
}

ShredJob::ShredJob(Forms& forms)
    : m_forms(forms), m_host(CurrentHost()), m_started(m_host.BeginJob(*this)) {
    m_progress.Start(JobProgress::Clock::now());
}

ShredJob::~ShredJob() {
    CollectFinished(true);
    // Joins the queue's threads: what they still finish lies in the holding folder, which may
    // close only after them, whatever the order of the members.
    m_flushQueue.reset();
    m_host.EndJob(*this);
}

bool ShredJob::AnyRunning() {
    return CurrentHost().JobRunning();
}

void ShredJob::StopRunning() {
    CurrentHost().StopJob();
}

void ShredJob::Prepare() {
    if (!m_protected) {
        m_protected = std::make_unique<ProtectedFolders>(ProtectedFolders::Find());
        m_holding = OpenHoldingFolder();
        m_flushQueue = std::make_unique<platform::FlushQueue>();
        if (m_holding.IsOpen()) {
            m_passBatch = std::make_unique<PassBatch>(*m_flushQueue, m_holding);
        }
    }
}

void ShredJob::ShredPaths(const std::vector<std::string>& paths) {
    if (!m_started) {
        return;
    }
    m_progress.Start(JobProgress::Clock::now());
    m_filesDestroyed = 0;
    m_filesTrashed = 0;
    m_foldersRemoved = 0;
    Guarded([&] {
        m_forms.progress.SetVisible(true);
        CountWork(paths);
    });
    for (std::size_t i = 0; i < paths.size(); ++i) {
        m_lastGiven = i + 1 == paths.size();
        ShredSinglePath(paths[i]);
    }
    m_lastGiven = true;
    CollectFinished(true);
    m_lastGiven = false;
    m_walked.clear();
    m_counted.clear();
    SetPhase(JobProgress::Phase::Done);
    const auto now = JobProgress::Clock::now();
    const std::string folders =
        CountOf(m_foldersRemoved, lang::kConfirmOneFolder, lang::kConfirmFolders);
    const std::string took = FormatDuration(m_progress.Elapsed(now));
    // Files moved to the trash are still whole: they are never counted as destroyed.
    if (m_filesTrashed == 0 || m_filesDestroyed != 0) {
        m_report.summary = FillIn(
            GetLangString(lang::kJobSummary),
            CountOf(m_filesDestroyed, lang::kConfirmOneFile, lang::kConfirmFiles), folders, took);
    }
    if (m_filesTrashed != 0) {
        m_report.summary +=
            (m_report.summary.empty() ? "" : " ") +
            FillIn(GetLangString(lang::kJobSummaryTrashed),
                   CountOf(m_filesTrashed, lang::kConfirmOneFile, lang::kConfirmFiles), folders,
                   took);
    }
    ShowProgress(true);
    if (m_report.Empty() && m_kept.empty()) {
        m_forms.progress.ShowSummary(m_report.summary);  // else the report says it
    }
    CurrentHost().DoEvents();
}

void ShredJob::ShredPath(std::string& path) {
    if (!m_started) {
        return;
    }
    Guarded([&] {
        m_forms.progress.SetVisible(true);
        if (TrimSpaces(path).empty()) {
            return;
        }
        if (IsPathList(path)) {
            for (auto& item : SplitPathList(path)) {
                ShredPath(item);
            }
            return;
        }
        std::string sItem = path;
        std::erase(sItem, '"');
        ShredGivenPath(sItem);
    });
}

void ShredJob::ShredSinglePath(const std::string& path) {
    if (!m_started) {
        return;
    }
    Guarded([&] {
        m_forms.progress.SetVisible(true);
        if (!path.empty()) {
            ShredGivenPath(path);
        }
    });
}

void ShredJob::ShredLeftover(const std::string& path, const std::string& method) {
    if (!m_started) {
        return;
    }
    Guarded([&] {
        ShredRequest request;
        request.p_ShredMethod = method;
        request.p_SourceFile = path;
        request.RenameFlag = true;
        const auto status = platform::StatPath(path);
        clsShredder shredder;
        shredder.DetermineShredMethod(request);
        const ShredResult& result = ShredResultOf(shredder);
        RecordOutcome(path, status ? status->id : platform::FileIdentity{}, result);
        if (result.outcome == ShredOutcome::Destroyed) {
            m_report.finishedLeftovers.push_back(path);
        }
    });
}

void ShredJob::NoteLeftover(LeftoverNote note, const std::string& path, int error) {
    switch (note) {
        case LeftoverNote::WaitingForDisk:
            m_report.waitingForDisk.push_back(path);
            break;
        case LeftoverNote::KeptChanged:
            m_report.keptChanged.push_back(path);
            break;
        case LeftoverNote::FillFilesDeleted:
            m_report.fillFilesDeleted.push_back(path);
            break;
        case LeftoverNote::FillFilesKept:
            m_report.failed.push_back({path, Reason(error)});
            break;
    }
}

JobReport ShredJob::TakeReport() {
    CollectFinished(true);
    for (auto& [file, path] : m_kept) {
        m_report.contentsKept.push_back(std::move(path));
    }
    m_kept.clear();
    m_given.clear();
    JobReport report = std::move(m_report);
    m_report = {};
    return report;
}

}  // namespace ostrel
