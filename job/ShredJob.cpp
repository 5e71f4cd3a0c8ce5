#include "job/ShredJob.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>
#include <tuple>
#include <utility>

#include "core/FileSearch.h"
#include "core/FolderChain.h"
#include "core/Globals.h"
#include "core/Host.h"
#include "core/PathHelpers.h"
#include "core/PathList.h"
#include "core/Report.h"
#include "core/RuntimeError.h"
#include "core/StringHelpers.h"
#include "job/ProtectedFolders.h"
#include "lang/Encoding.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "platform/ErrorNumbers.h"
#include "platform/FileSystem.h"
#include "platform/Folder.h"
#include "platform/OverwriteReach.h"
#include "platform/StateFolder.h"
#include "shredder/Shredder.h"

namespace ostrel {

namespace {

constexpr std::int16_t kShortenedPathLength = 60;
constexpr std::chrono::milliseconds kNoWait{0};
constexpr std::chrono::milliseconds kFinishingPoll{50};  // events between waits for the queue
// The window is told the job's progress at most this often: twenty times a second looks smooth,
// and more would cost a job of many small files more than its files.
constexpr std::chrono::milliseconds kProgressInterval{50};
// Walks of the folders given kept from the count to the shred (each holds a descriptor).
constexpr std::size_t kKeptWalks = 32;

void ShowJobError(std::int32_t number, const std::string& description, std::int32_t osError) {
    CurrentHost().MsgBox(GetLangString(lang::kJobErrorPrefix) + std::to_string(number) + " - " +
                             description + " - " + std::to_string(osError),
                         kMsgCritical, GetLangString(lang::kProductName));
}

// Runs `step` under the job's error handler: an error is shown and the job goes on. 0 when the
// step ran to its end, else the system error behind the failure (EIO when none is known).
template <typename Step>
int Guarded(Step&& step) {
    try {
        step();
        return 0;
    } catch (const RuntimeError& e) {
        ShowJobError(e.Number(), e.Description(), e.LastOsError());
        return e.LastOsError() != 0 ? e.LastOsError() : EIO;
    } catch (const std::bad_alloc&) {
        ShowJobError(kErrOutOfMemory, "Out of memory", 0);
        return ENOMEM;
    } catch (const std::exception& e) {
        ShowJobError(kErrInvalidArgument, e.what(), 0);
        return EIO;
    }
}

// Why the trash would not take a file, with the trash folder concerned where it is known.
std::string TrashReason(const ShredResult& result) {
    std::string reason;
    switch (result.trashProblem) {
        case platform::TrashProblem::SymbolicLink:
            reason = GetLangString(lang::kWhyTrashIsLink);
            break;
        case platform::TrashProblem::OtherOwner:
            reason = GetLangString(lang::kWhyTrashOtherOwner);
            break;
        case platform::TrashProblem::WritableByOthers:
            reason = GetLangString(lang::kWhyTrashWritableByOthers);
            break;
        case platform::TrashProblem::NotFolder:
            reason = GetLangString(lang::kWhyTrashNotFolder);
            break;
        default:
            reason = Reason(result.error);
            break;
    }
    return result.trashFolder.empty() ? reason : reason + ": " + result.trashFolder;
}

}  // namespace

// Why a file or folder could not be dealt with, from the error that stopped it.
std::string Reason(int error) {
    switch (error) {
        case EROFS:
            return GetLangString(lang::kWhyReadOnlyFileSystem);
        case EPERM:
            return GetLangString(lang::kWhyImmutable);
        case EACCES:
            return GetLangString(lang::kWhyPermissionDenied);
        case EBUSY:
            return GetLangString(lang::kWhyMountPoint);
        case platform::kErrorStale:
        case EMLINK:
            return GetLangString(lang::kWhyChanged);
        case ENOSPC:
        case platform::kErrorQuota:
            return GetLangString(lang::kWhyDiskFull);
        case ETXTBSY:
            return GetLangString(lang::kWhyInUse);
        case ENOTEMPTY:
            return GetLangString(lang::kWhyNotEmpty);
        default:
            return GetLangString(lang::kWhyWriteError) + " (" + std::to_string(error) + ")";
    }
}

// Why the old contents of a file may survive its overwriting, from the limits found.
std::string ReachReason(const platform::OverwriteReach& reach) {
    std::string reason;
    auto add = [&](std::uint32_t limit, std::int16_t text) {
        if ((reach.limits & limit) != 0) {
            reason += (reason.empty() ? "" : "; ") + GetLangString(text);
        }
    };
    add(platform::kReachCopyOnWrite, lang::kWhyCopyOnWrite);
    add(platform::kReachSharedBlocks, lang::kWhySharedBlocks);
    add(platform::kReachNetwork, lang::kWhyNetworkFileSystem);
    add(platform::kReachDataJournal, lang::kWhyDataJournal);
    if (!reach.fileSystem.empty()) {
        reason += " (" + reach.fileSystem + ")";
    }
    return reason;
}

// Records what became of `path`; true when it is in the report (not destroyed or removed).
bool ShredJob::RecordOutcome(const std::string& path, const platform::FileIdentity& file,
                             const ShredResult& result) {
    const bool overwritten = result.outcome == ShredOutcome::Destroyed ||
                             result.outcome == ShredOutcome::ScheduledAtRestart;
    if (overwritten && result.reach.limits != platform::kReachFull) {
        m_report.reachLimited.push_back({path, ReachReason(result.reach)});
    }
    switch (result.outcome) {
        case ShredOutcome::ScheduledAtRestart:
            m_report.scheduledAtRestart.push_back(
                {path, result.inUse ? GetLangString(lang::kWhyInUse) : std::string()});
            return true;
        case ShredOutcome::NameRemovedContentsKept:
            m_kept.emplace_back(file, path);
            return false;
        case ShredOutcome::Destroyed:
            std::erase_if(m_kept, [&](const auto& kept) { return kept.first == file; });
            ++m_filesDestroyed;
            return false;
        case ShredOutcome::LinkOrSpecialRemoved:
            ++m_filesDestroyed;
            return false;
        case ShredOutcome::Trashed:
            ++m_filesTrashed;
            return false;
        case ShredOutcome::TrashRefused:
            m_report.trashRefused.push_back({path, TrashReason(result)});
            return true;
        case ShredOutcome::NotOverwritten: {
            std::string reason =
                result.inUse ? GetLangString(lang::kWhyInUse) : Reason(result.error);
            reason += "; " + GetLangString(lang::kWhyContentsIntact);
            if (!result.whereNow.empty()) {
                reason += "; " + GetLangString(lang::kWhyNowAt) + " " + result.whereNow;
            }
            m_report.failed.push_back({path, reason});
            return true;
        }
        case ShredOutcome::Failed: {
            std::string reason = Reason(result.error);
            if (!result.whereNow.empty()) {
                reason += "; " + GetLangString(lang::kWhyNowAt) + " " + result.whereNow;
            }
            m_report.failed.push_back({path, reason});
            return true;
        }
        default:
            return false;
    }
}

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
    shredder.p_ShredMethod(m_forms.options.DeleteMethod());
    shredder.p_SourceFile = path;
    shredder.p_SourceFolder = &folder;
    shredder.p_SourceStatus = status;
    shredder.p_HoldingFolder = m_holding.IsOpen() ? &m_holding : nullptr;
    shredder.p_FlushQueue = m_flushQueue.get();
    shredder.p_PassBatch = m_passBatch.get();
    shredder.p_OnProgress = [this] { ShowProgress(false); };
    shredder.p_FlushTag = ++m_lastFlushTag;
    shredder.RenameFlag = true;
    m_current = &shredder;
    m_currentWork = work;
    struct Done {
        const clsShredder*& current;
        ~Done() { current = nullptr; }
    } done{m_current};
    shredder.DetermineShredMethod();
    m_current = nullptr;
    bool reported = false;
    if (ShredOutcomeOf(shredder) == ShredOutcome::Finishing) {
        m_finishing[shredder.p_FlushTag] = Finishing{std::move(owned), path, status->id, work};
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

namespace {

// Reaches the folders of one walk again from the walked folder's descriptor: one step per
// level, each checked against what the walk saw, moving along the tree from the last folder
// reached (a walk visits neighbours one after another) with a bounded number of descriptors.
class FolderCursor {
  public:
    FolderCursor(const platform::Folder& root, const cFileSearch& search)
        : m_chain(root), m_search(search) {}

    // The open folder `node` (-1: the walked folder); nullptr when it cannot be reached, with
    // `error` set (ENOENT: gone; ESTALE: replaced since the walk) and `blocked` the folder on
    // the way that could not be opened.
    const platform::Folder* Reach(std::int32_t node, int& error, std::int32_t& blocked) {
        std::vector<std::int32_t> chain;
        for (std::int32_t n = node; n >= 0; n = m_search.DirNode(n + 1).parent) {
            chain.push_back(n);
        }
        std::reverse(chain.begin(), chain.end());
        std::size_t keep = 0;
        while (keep < m_nodes.size() && keep < chain.size() && m_nodes[keep] == chain[keep]) {
            ++keep;
        }
        while (m_nodes.size() > keep) {
            m_nodes.pop_back();
            if (m_chain.Ascend() != 0) {  // moved meanwhile: start again from the top
                m_chain.Clear();
                m_nodes.clear();
            }
        }
        for (std::size_t i = m_nodes.size(); i < chain.size(); ++i) {
            error = m_chain.Descend(Name(chain[i]), m_search.DirNode(chain[i] + 1).id);
            if (error != 0) {
                // A link or a file where the walk saw this folder: it was replaced.
                error = error == ENOTDIR || error == ELOOP ? platform::kErrorStale : error;
                blocked = chain[i];
                return nullptr;
            }
            m_nodes.push_back(chain[i]);
        }
        return &m_chain.Current();
    }

    // The entry name of folder `node` in the folder above it.
    std::string Name(std::int32_t node) const {
        return platform::SplitFolderAndName(m_search.DirItem(node + 1).DirPath()).second;
    }

    void CloseAll() {
        m_chain.Clear();
        m_nodes.clear();
    }

  private:
    FolderChain m_chain;
    const cFileSearch& m_search;
    std::vector<std::int32_t> m_nodes;  // the folders the chain holds, from the top
};

}  // namespace

void ShredJob::LeaveFolder(const std::string& path, int error) {
    m_report.foldersLeft.push_back(
        {path, error == 0 ? GetLangString(lang::kWhyUnreadable) : Reason(error)});
}

// Shreds every file of the tree below `root` (the enumerator's order), then removes the
// emptied folders from the deepest up and `root` itself from `parent`. Every entry the walk saw
// ends in one outcome: destroyed or removed, or named in the report by a line of its own, or by
// the line of a folder it lies in that says so (a folder that could not be reached, with the
// number of files it leaves; a folder that could not be removed because something in it is
// named already needs no line). The job checks this before it goes on, and names whatever
// ended otherwise.
void ShredJob::ShredFolder(const platform::Folder& parent, const std::string& name,
                           const platform::Folder& root, const std::string& path,
                           std::unique_ptr<cFileSearch> walked) {
    const int passes = PassesOfMethod();
    if (walked == nullptr) {
        walked = std::make_unique<cFileSearch>();
        const bool counted = Counted(path);
        walked->MeasureSizes(!counted);
        walked->OnEntries([] { CurrentHost().DoEvents(); });
        walked->FileSearch(root, AddBackslash(path));
        if (!counted) {
            m_progress.AddPlanned(walked->FileCount(),
                                  walked->TotalFileSize() * passes +
                                      JobProgress::FileWork(0, 0) * walked->FileCount());
        }
    }
    cFileSearch& search = *walked;
    const auto dirCount = static_cast<std::size_t>(search.DirCount());
    // Per folder: true once something below it is in the report.
    std::vector<bool> explained(dirCount, false);
    bool rootExplained = false;
    auto explain = [&](std::int32_t node) {
        for (; node >= 0; node = search.DirNode(node + 1).parent) {
            explained[static_cast<std::size_t>(node)] = true;
        }
        rootExplained = true;
    };
    // Per folder: settled (removed, gone or named), and named by a line that covers everything
    // below it.
    std::vector<bool> folderSettled(dirCount, false);
    std::vector<bool> covering(dirCount, false);
    auto covered = [&](std::int32_t node) {
        for (; node >= 0; node = search.DirNode(node + 1).parent) {
            if (covering[static_cast<std::size_t>(node)]) {
                return true;
            }
        }
        return false;
    };
    // Folders that could not be reached on the way to a file: the error and the files left.
    std::map<std::int32_t, std::pair<int, std::int32_t>> blocked;
    auto leaveBlocked = [&] {
        // One line for the topmost folder of each part that could not be reached.
        for (auto it = blocked.begin(); it != blocked.end();) {
            std::int32_t up = search.DirNode(it->first + 1).parent;
            while (up >= 0 && !blocked.contains(up)) {
                up = search.DirNode(up + 1).parent;
            }
            if (up < 0) {
                ++it;
                continue;
            }
            blocked[up].second += it->second.second;
            it = blocked.erase(it);
        }
        for (const auto& [node, why] : blocked) {
            m_report.foldersLeft.push_back(
                {RemoveTrailingSeparators(search.DirItem(node + 1).DirPath()),
                 Reason(why.first) + "; " + std::to_string(why.second) + " " +
                     GetLangString(lang::kWhyFilesLeft)});
            covering[static_cast<std::size_t>(node)] = true;
            explain(search.DirNode(node + 1).parent);
        }
        blocked.clear();
    };
    FolderCursor cursor(root, search);
    const std::int32_t fileCount = search.FileCount();
    for (std::int32_t i = 1; i <= fileCount; ++i) {
        if (m_stopRequested) {
            // Nothing more is touched, emptied subfolders included: the tree stays as the last
            // finished file left it.
            leaveBlocked();
            m_report.stopped.push_back({path, std::to_string(fileCount - i + 1) + " " +
                                                  GetLangString(lang::kWhyFilesLeft)});
            return;
        }
        const int error = Guarded([&] {
            CurrentHost().DoEvents();
            const std::int32_t node = search.FileFolder(i);
            int reachError = 0;
            std::int32_t stop = -1;
            const platform::Folder* folder = cursor.Reach(node, reachError, stop);
            if (folder == nullptr) {
                m_progress.FileSettled(JobProgress::FileWork(0, 0));  // nothing more to do
                if (reachError != ENOENT) {  // a folder gone takes its files with it
                    ++blocked.try_emplace(stop, reachError, 0).first->second.second;
                }
                return;
            }
            if (ShredFile(*folder, search.FileItem(i).AFilePath(), true)) {
                explain(node);
            }
        });
        if (error != 0) {  // the file's fate is unknown: it is named, with what stopped it
            m_report.failed.push_back({search.FileItem(i).AFilePath(), Reason(error)});
            explain(search.FileFolder(i));
        }
    }
    leaveBlocked();
    if (search.DirCount() > 0) {
        SetPhase(JobProgress::Phase::RemovingFolders);
        ShowProgress(true);
    }
    for (std::int32_t i = search.DirCount(); i >= 1; --i) {
        const auto index = static_cast<std::size_t>(i - 1);
        if (covered(i - 1)) {
            folderSettled[index] = true;  // named with what is below it
            continue;
        }
        Guarded([&] {
            const cFolderNode& node = search.DirNode(i);
            const std::string folderPath = RemoveTrailingSeparators(search.DirItem(i).DirPath());
            int error = 0;
            std::int32_t stop = -1;
            const platform::Folder* above = cursor.Reach(node.parent, error, stop);
            if (above == nullptr) {
                if (error != ENOENT) {
                    LeaveFolder(folderPath, error);
                    explain(node.parent);
                }
                folderSettled[index] = true;
                return;
            }
            if (node.otherFileSystem || node.unreadable) {
                LeaveFolder(folderPath, node.otherFileSystem ? EBUSY : 0);
                explain(node.parent);
                folderSettled[index] = true;
                return;
            }
            const auto status = above->Stat(cursor.Name(i - 1));
            if (!status) {
                folderSettled[index] = true;  // gone already
                return;
            }
            error = status->id == node.id ? above->RemoveFolder(cursor.Name(i - 1))
                                          : platform::kErrorStale;
            m_foldersRemoved += error == 0 ? 1 : 0;
            if (error != 0 && error != ENOENT && !explained[index]) {
                LeaveFolder(folderPath, error);
                explain(node.parent);
            }
            folderSettled[index] = true;
            ShowProgress(false);
            CurrentHost().DoEvents();
        });
        if (!folderSettled[index]) {  // its fate is unknown: it is named
            LeaveFolder(RemoveTrailingSeparators(search.DirItem(i).DirPath()), EIO);
            explain(search.DirNode(i).parent);
        }
    }
    cursor.CloseAll();
    if (search.RootUnreadable()) {
        LeaveFolder(path, 0);
        return;
    }
    const auto status = parent.Stat(name);
    if (!status) {
        return;
    }
    const int error =
        status->id == root.Identity() ? parent.RemoveFolder(name) : platform::kErrorStale;
    m_foldersRemoved += error == 0 ? 1 : 0;
    if (error != 0 && error != ENOENT && !rootExplained) {
        LeaveFolder(path, error);
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

namespace {

// A language text as UTF-8 (the files hold single-byte text), to stand beside escaped names.
std::string Utf8Text(std::int16_t number) {
    return DisplayText(GetLangString(number));
}

// Each name is escaped (EscapedForDisplay), so that one holding a newline cannot forge a line of
// the report, and the whole report is valid UTF-8.
void AppendSection(Report& report, std::int16_t heading, const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return;
    }
    ReportSection section{Utf8Text(heading), {}, {}};
    for (const auto& path : paths) {
        section.lines.push_back(EscapedForDisplay(path));
    }
    report.sections.push_back(std::move(section));
}

void AppendSection(Report& report, std::int16_t heading, const std::vector<ReportLine>& lines) {
    if (lines.empty()) {
        return;
    }
    ReportSection section{Utf8Text(heading), {}, {}};
    for (const auto& [path, reason] : lines) {
        const std::string shown = EscapedForDisplay(path);
        // A reason may name a path too (where the file is now, the trash folder).
        section.lines.push_back(
            reason.empty() ? shown : shown + " (" + EscapedForDisplay(DisplayText(reason)) + ")");
    }
    report.sections.push_back(std::move(section));
}

}  // namespace

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

int ShredJob::PassesOfMethod() const {
    const std::string method = m_forms.options.DeleteMethod();
    if (method == kMethodDod7) {
        return 7;
    }
    if (method == kMethodDod3) {
        return 3;
    }
    return method == kMethodSimple ? 1 : 0;
}

bool ShredJob::Counted(const std::string& path) const {
    return m_counted.contains(path);
}

bool ShredJob::SetPhase(JobProgress::Phase phase) {
    if (phase == m_progress.CurrentPhase()) {
        return false;
    }
    m_progress.SetPhase(phase, JobProgress::Clock::now());
    return true;
}

void ShredJob::ShowProgress(bool now) {
    const auto time = JobProgress::Clock::now();
    if (!now && time - m_lastShown < kProgressInterval) {
        return;
    }
    m_lastShown = time;
    // What the files under way have written so far; a file's share never passes its own work.
    const auto share = [](const clsShredder& shredder, std::int64_t work) {
        return std::min(shredder.BytesWritten(), work - JobProgress::FileWork(0, 0));
    };
    std::int64_t underWay = 0;
    for (const auto& [tag, finishing] : m_finishing) {
        underWay += share(*finishing.shredder, finishing.work);
    }
    if (m_current != nullptr) {
        underWay += share(*m_current, m_currentWork);
    }
    m_progress.SetUnderWay(underWay);
    m_progress.SetPass(m_current != nullptr ? m_current->CurrentPass() : 0, PassesOfMethod());
    ProgressForm& progress = m_forms.progress;
    progress.SetMax(JobProgress::kBarMax);
    progress.SetValue(m_progress.Bar());
    progress.SetStatus(m_progress.Status(time));
}

void ShredJob::CountWork(const std::vector<std::string>& paths) {
    Prepare();
    SetPhase(JobProgress::Phase::Counting);
    m_forms.progress.SetCaption(std::string());
    ShowProgress(true);
    CurrentHost().DoEvents();
    const int passes = PassesOfMethod();
    for (const std::string& given : paths) {
        const std::string path = RemoveTrailingSeparators(given);
        if (given.empty() || Counted(path) || m_stopRequested) {
            continue;
        }
        const auto [folderPath, name] = platform::SplitFolderAndName(given);
        const platform::Folder parent = platform::Folder::OpenFollowingLinks(folderPath);
        const auto status = parent.IsOpen() ? parent.Stat(name) : std::nullopt;
        if (!status || m_protected->Refusal(given, parent, status) != 0) {
            continue;  // the shred itself says why
        }
        m_counted.insert(path);
        if (status->type != platform::FileType::Directory) {
            m_progress.AddPlanned(
                1, JobProgress::FileWork(
                       status->type == platform::FileType::Regular ? status->size : 0, passes));
            continue;
        }
        const platform::Folder root = parent.OpenChild(name, status->id);
        if (!root.IsOpen()) {
            continue;
        }
        auto search = std::make_unique<cFileSearch>();
        search->MeasureSizes(true);
        // A walk of a large tree takes a while: the windows stay live meanwhile.
        search->OnEntries([] { CurrentHost().DoEvents(); });
        search->FileSearch(root, AddBackslash(path));
        m_progress.AddPlanned(
            search->FileCount(),
            search->TotalFileSize() * passes + JobProgress::FileWork(0, 0) * search->FileCount());
        if (m_walked.size() < kKeptWalks) {
            m_walked.push_back({path, root.Identity(), std::move(search)});
        }
        ShowProgress(false);
        CurrentHost().DoEvents();
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
        clsShredder shredder;
        shredder.p_ShredMethod(method);
        shredder.p_SourceFile = path;
        shredder.RenameFlag = true;
        const auto status = platform::StatPath(path);
        shredder.DetermineShredMethod();
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

void ShowJobReport(const JobReport& report) {
    Report shown;
    shown.title = GetLangString(lang::kProductName);
    if (!report.Empty()) {
        shown.opening = Utf8Text(lang::kReportHeading);
        if (report.unknownMethod) {
            AppendSection(shown, lang::kReportUnknownMethod,
                          std::vector<std::string>{"\"" + *report.unknownMethod + "\""});
        }
        AppendSection(shown, lang::kReportRefused, report.refused);
        AppendSection(shown, lang::kReportNotFound, report.notFound);
        AppendSection(shown, lang::kReportScheduled, report.scheduledAtRestart);
        AppendSection(shown, lang::kReportContentsKept, report.contentsKept);
        AppendSection(shown, lang::kReportTrashRefused, report.trashRefused);
        AppendSection(shown, lang::kReportNotDestroyed, report.failed);
        AppendSection(shown, lang::kReportFoldersLeft, report.foldersLeft);
        AppendSection(shown, lang::kReportStopped, report.stopped);
        if (!report.summary.empty()) {  // what was done, closing the report
            shown.sections.push_back({DisplayText(report.summary), {}, {}});
        }
    }
    AppendSection(shown, lang::kReportOverwriteReach, report.reachLimited);
    AppendSection(shown, lang::kReportFinishedLeftovers, report.finishedLeftovers);
    AppendSection(shown, lang::kReportFillFilesDeleted, report.fillFilesDeleted);
    AppendSection(shown, lang::kReportKeptChanged, report.keptChanged);
    AppendSection(shown, lang::kReportWaitingForDisk, report.waitingForDisk);
    if (!report.waitingForDisk.empty()) {
        shown.sections.back().notes = {Utf8Text(lang::kReportHowToStopWaiting),
                                       EscapedForDisplay(platform::StateFolder())};
    }
    if (!shown.Empty()) {
        CurrentHost().ShowReport(shown);
    }
}

}  // namespace ostrel
