#include "job/modMain.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <functional>
#include <string_view>
#include <utility>

#include "core/FileSearch.h"
#include "core/Globals.h"
#include "core/Host.h"
#include "core/PathHelpers.h"
#include "core/ProductNames.h"
#include "core/RegistryManager.h"
#include "core/StoredSettings.h"
#include "job/ConfirmQuestion.h"
#include "job/ShredJob.h"
#include "job/WalkAhead.h"
#include "lang/BuiltInTexts.h"
#include "lang/Encoding.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/InProgressList.h"
#include "platform/LockFile.h"
#include "platform/NamedMutex.h"
#include "platform/OwnFolders.h"
#include "platform/PendingDeletions.h"
#include "platform/ProcessPriority.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "platform/StateFolder.h"
#include "shredder/FileChecks.h"
#include "shredder/FillData.h"
#include "shredder/Shredder.h"

namespace ostrel {
namespace {

constexpr char kMutexName[] = "BrivellSoftwareShredder";
constexpr char kAnimationFile[] = "Busy.gif";

bool HasLngExtension(const std::string& fileName) {
    std::string extension = GetFileExtension(fileName);
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return extension == "LNG";
}

// A leftover was on its way to destruction by an overwrite method: finish it by the stored
// method when that is one, else by one random pass (never to the trash).
std::string LeftoverMethod(const std::string& method) {
    return IsShredMethod(method) && method != kMethodRecycle ? method : kMethodSimple;
}

void SetDataFolder() {
    gDataFolder = gCommonAppData + kVendorFolder;
}

}  // namespace

std::string OwnPathReason(const platform::OwnPathCheck& check) {
    using Problem = platform::OwnPathProblem;
    switch (check.problem) {
        case Problem::None:
            break;
        case Problem::NoHome:
            return GetLangString(lang::kOwnPathNoHome);
        case Problem::SymbolicLink:
            return GetLangString(lang::kOwnPathIsLink);
        case Problem::NotFolder:
            return GetLangString(lang::kOwnPathNotFolder);
        case Problem::OtherOwner:
            return GetLangString(lang::kOwnPathOtherOwner);
        case Problem::WritableByOthers:
            return GetLangString(lang::kOwnPathWritableByOthers);
        case Problem::OpenToOthers:
            return GetLangString(lang::kOwnPathOpenToOthers);
        case Problem::Unusable:
            return GetLangString(lang::kOwnPathCannotCreate) + " " + check.reason;
        case Problem::NotWritable:
            return GetLangString(lang::kOwnPathNotWritable) + " " + check.reason;
    }
    return {};
}

namespace {

// Says which folder or file of the program's own cannot be used and why, and ends the process
// with status 1 before anything has been touched.
void RefuseUnlessUsable(const platform::OwnPathCheck& check) {
    if (check.Ok()) {
        return;
    }
    std::string text = GetLangString(lang::kOwnPathRefused);
    if (!check.path.empty()) {
        text += "\n\n" + check.path;
    }
    text += "\n" + OwnPathReason(check);
    Host& host = CurrentHost();
    host.MsgBox(text, kMsgCritical, GetLangString(lang::kProductName));
    host.EndProcess(1);
}

// The folder the holding folder is checked from: the user's data folder, which gDataFolder lies
// below (gDataFolder itself when it was set elsewhere).
std::string DataRoot() {
    const std::string root = RemoveTrailingSeparators(gCommonAppData);
    return !gCommonAppData.empty() && gDataFolder.starts_with(root + "/") ? root : gDataFolder;
}

// Makes the holding folder, and goes on only when it, the state lists and the folders leading to
// them are this user's alone: run with another user's folders (as "sudo -E" does), nothing found
// there may be trusted, and an unusable holding folder would leave every file half-shredded.
void PrepareOwnFolders(const std::string& holding) {
    RefuseUnlessUsable(platform::CheckOwnFolder(DataRoot(), holding, true));
    // Only a private folder serves as the holding folder, so one left open for others to look
    // into, or made under an unusual umask, is put right here. One others may write to was
    // refused above: files may have been planted in it.
    const auto status = platform::StatPath(holding);
    if (!status || status->permissions != 0700) {
        platform::SetFolderMode(holding, 0700);
    }
    if (!IsPrivateFolder(holding)) {
        RefuseUnlessUsable({platform::OwnPathProblem::OpenToOthers, holding, {}});
    }
    RefuseUnlessUsable(platform::CheckOwnFile(holding + ".lock"));
    RefuseUnlessUsable(platform::CheckStateFolder());
    // A job records files on other disks, and files it must leave for the restart, in the state
    // folder; one that cannot be written there would overwrite files and then lose track of them.
    RefuseUnlessUsable(platform::CheckWritableFolder(platform::StateFolder()));
}

// True when `name` is one RandFileName makes: characters of FillAlphabet, then ".tmp". It draws
// 101 times and a draw adds a character unless it lands at the top end (about 1 in 130), so a
// name of fewer than kMinRandomStem characters would take 12 such draws out of 101, which does
// not happen (about 3 in 10^11), while the names people give files are far shorter.
constexpr std::size_t kMaxRandomStem = 101;
constexpr std::size_t kMinRandomStem = 90;
constexpr std::string_view kRandomSuffix = ".tmp";

bool IsRandomName(std::string_view name) {
    if (!name.ends_with(kRandomSuffix)) {
        return false;
    }
    const std::string_view stem = name.substr(0, name.size() - kRandomSuffix.size());
    return stem.size() >= kMinRandomStem && stem.size() <= kMaxRandomStem &&
           stem.find_first_not_of(FillAlphabet) == std::string_view::npos;
}

// The last part of `path`.
std::string_view NameOf(const std::string& path) {
    return std::string_view(path).substr(path.rfind('/') + 1);
}

// True when `file` is the file at `path` that this boot already scheduled for deletion at
// restart: it was overwritten as far as it could be, and another shred would only write spaces
// again and schedule it once more.
bool WaitsForRestart(const std::vector<platform::StateEntry>& pending, const std::string& bootId,
                     const std::string& path, const platform::FileIdentity& file) {
    return std::ranges::any_of(pending, [&](const platform::StateEntry& entry) {
        return entry.bootId == bootId && entry.path == path && entry.version.id == file;
    });
}

// Where an in-progress entry's file stands. Its passes and its rename have changed its times
// since it was recorded, never its size, birth time or generation; a file deleted meanwhile
// frees its inode number for the next file made, so the number alone proves nothing.
platform::EntryState LocateInProgress(const platform::StateEntry& entry) {
    return platform::LocateEntry(entry, platform::Compared::AllButWriteTimes);
}

// Finishes only what this program left: files under its random names directly in the holding
// folder, and files on the in-progress list that are still the very file it had renamed in
// place; none that waits for deletion at restart already. An entry leaves the list only when
// its file is proven finished or gone (or replaced by a file that is not ours): one whose disk
// is not there now stays, and is named.
void FinishLeftovers(ShredJob& job, const std::string& holding, const std::string& storedMethod) {
    const std::string method = LeftoverMethod(storedMethod);
    const std::vector<platform::StateEntry> pending = platform::PendingDeletions();
    const std::string bootId = platform::BootId();
    cFileSearch search;
    search.FileSearch(holding + "/*.*");
    for (std::int32_t i = 1; i <= search.FileCount(); ++i) {
        const std::string path = search.FileItem(i).AFilePath();
        const auto status = platform::StatPath(path);
        if (path.rfind('/') == holding.size() && path.starts_with(holding) &&
            IsRandomName(NameOf(path)) && status &&
            !WaitsForRestart(pending, bootId, path, status->id)) {
            job.ShredLeftover(path, method);
        }
    }
    for (const platform::StateEntry& entry : platform::InProgressEntries()) {
        platform::EntryState state = LocateInProgress(entry);
        bool keep = state == platform::EntryState::Unreachable;
        if (state == platform::EntryState::Recorded && IsRandomName(NameOf(entry.path)) &&
            !WaitsForRestart(pending, bootId, entry.path, entry.version.id)) {
            job.ShredLeftover(entry.path, method);
            // Still there when it could not be destroyed now: the next start tries again.
            state = LocateInProgress(entry);
            keep = state == platform::EntryState::Recorded ||
                   state == platform::EntryState::Unreachable;
        }
        if (state == platform::EntryState::Unreachable) {
            job.NoteLeftover(ShredJob::LeftoverNote::WaitingForDisk, entry.path);
        }
        if (!keep) {
            platform::RemoveInProgress(entry.path);
        }
    }
}

// Names the in-progress entries whose disk is not there, without touching anything: another
// instance runs, and the list's other entries may be its job's.
void NoteWaitingEntries(ShredJob& job) {
    for (const platform::StateEntry& entry : platform::InProgressEntries()) {
        if (LocateInProgress(entry) == platform::EntryState::Unreachable) {
            job.NoteLeftover(ShredJob::LeftoverNote::WaitingForDisk, entry.path);
        }
    }
}

// How long a start waits for another start that finishes an interrupted run: kStartWaitVariable
// (whole seconds) when it is set to a number, else kDefaultStartWaitSeconds.
constexpr int kDefaultStartWaitSeconds = 30;

std::chrono::seconds StartWait() {
    const std::string text = platform::GetEnv(kStartWaitVariable).value_or("");
    int seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    const bool given =
        !text.empty() && error == std::errc() && end == text.data() + text.size() && seconds >= 0;
    return std::chrono::seconds(given ? seconds : kDefaultStartWaitSeconds);
}

// Takes the holding folder's lock shared. While another start holds it to finish an interrupted
// run, says so in the progress window and waits, for a bounded time: a start stopped or hung
// half-way must not hold this one for ever. Gives up with a message and status 1, nothing
// touched.
void HoldSharedOrGiveUp(platform::LockFile& holdingLock, Forms& forms) {
    if (holdingLock.TryShared() || !holdingLock.IsOpen()) {
        return;
    }
    Host& host = CurrentHost();
    const std::chrono::seconds limit = StartWait();
    forms.progress.SetMax(static_cast<std::int32_t>(limit.count()));
    forms.progress.SetCaption(GetLangString(lang::kWaitingForOtherStart));
    forms.progress.Show();
    forms.progress.SetValue(0);
    host.DoEvents();
    const bool held = holdingLock.HoldSharedWithin(limit, [&host] { host.DoEvents(); });
    forms.progress.SetVisible(false);
    if (!held) {
        forms.progress.Unload();
        host.MsgBox(GetLangString(lang::kGaveUpWaiting), kMsgCritical,
                    GetLangString(lang::kProductName));
        host.EndProcess(1);
    }
}

}  // namespace

platform::LockFile FinishInterruptedWork(ShredJob& job, Forms& forms) {
    const std::string holding = HoldingFolderPath();
    PrepareOwnFolders(holding);

    platform::LockFile holdingLock = platform::LockFile::Open(holding + ".lock");
    const bool alone = holdingLock.TryExclusive();
    if (!alone) {
        HoldSharedOrGiveUp(holdingLock, forms);
    }
    // Reported here, the changed files are said once and leave the list; the login helper
    // keeps them for a start to report.
    const platform::SweepResult sweep =
        platform::DeletePendingFromEarlierBoots(platform::ChangedEntries::Drop);
    for (const std::string& path : sweep.changed) {
        job.NoteLeftover(ShredJob::LeftoverNote::KeptChanged, path);
    }
    for (const std::string& path : sweep.waiting) {
        job.NoteLeftover(ShredJob::LeftoverNote::WaitingForDisk, path);
    }
    if (alone) {
        FinishLeftovers(job, holding, forms.options.DeleteMethod());
        holdingLock.HoldShared();
    } else {
        NoteWaitingEntries(job);
    }
    return holdingLock;
}

namespace {

// The run's one job: asks `question` when the settings say so (No ends the process with status
// 0, nothing touched), runs `work`, shows its report and ends the process, with status 1 when the
// report holds anything, so that a script can tell a job that left something behind from one
// that did it all.
void AskRunAndEnd(Forms& forms, ShredJob& job, const std::string& question,
                  const std::function<void()>& work) {
    Host& host = CurrentHost();
    if (forms.options.Confirm() == 1 &&
        host.MsgBox(question, kMsgYesNo, GetLangString(lang::kProductName)) != kAnswerYes) {
        forms.progress.Unload();
        host.EndProcess(0);
    }
    work();
    forms.progress.Unload();
    const JobReport report = job.TakeReport();
    ShowJobReport(report);
    host.EndProcess(report.Empty() ? 0 : 1);
}

}  // namespace

InstanceLocks Main(const std::vector<std::string>& paths, Forms& forms,
                   const RunOverrides& overrides, WalkAhead* walkAhead) {
    GiveProductNamesToPlatform();
    // Fill files an interrupted wipe left hold a disk full: they go first of all.
    const platform::FillSweep fillSweep = platform::DeleteLeftFillFolders();
    Host& host = CurrentHost();
    platform::RaiseProcessPriority();
    platform::NamedMutex running = platform::NamedMutex::Create(kMutexName);
    // The settings are read first of all, so they are checked before anything else.
    RefuseUnlessUsable(platform::CheckKeyStorage(kHkeyCurrentUser, kSettingsKey));

    if (forms.options.CheckIfFirstRun() == "Error") {
        forms.language.ShowModal();
        OpenLanguageFile(gChosenLanguage);
        forms.options.SetLanguageText(gLanguageFile);
        host.DoEvents();
    } else {
        gLanguageFile =
            RegGetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang).ToString();
        if (gLanguageFile.empty()) {
            forms.language.ShowModal();
        }
        if (!HasLngExtension(gLanguageFile)) {
            forms.language.ShowModal();
        }
        OpenLanguageFile(gLanguageFile);
        forms.options.SetLanguageText(gLanguageFile);
        host.DoEvents();
    }

    if (!overrides.notLocal.empty()) {
        // Said in a window (or at the terminal) because a file manager started this run: an
        // error on standard error would go where nobody reads it.
        std::string text = Windows1252ToUtf8(GetLangString(lang::kNotLocalFiles)) + "\n";
        for (const std::string& uri : overrides.notLocal) {
            text += "\n" + EscapedForDisplay(uri);
        }
        host.MsgBox(text, kMsgCritical, GetLangString(lang::kProductName));
        host.EndProcess(2);
    }

    InitSpecialFolders(GetLangString(lang::kFolderErrorPrefix), GetLangString(lang::kProductName));
    SetDataFolder();
    forms.options.SetDeleteMethod(StoredMethod());
    forms.options.SetConfirm(StoredConfirm());
    SetDataFolder();
    forms.progress.Load();
    forms.progress.SetVisible(false);
    forms.progress.LoadAnimation(AddBackslash(platform::ProgramFolder()) + kAnimationFile, false);

    ShredJob job(forms);
    NoteFillSweep(job, fillSweep);
    platform::LockFile holdingLock = FinishInterruptedWork(job, forms);
    // What an interrupted run left and could not be destroyed now is reported on its own: it is
    // not what this run was given, and never counts in this run's exit status.
    ShowJobReport(job.TakeReport());
    if (!overrides.method.empty()) {
        forms.options.SetDeleteMethod(overrides.method);
    }
    if (overrides.noQuestion) {
        forms.options.SetConfirm(0);
    }

    if (!overrides.wipeFreeSpace.empty()) {
        const std::string& folder = overrides.wipeFreeSpace;
        AskRunAndEnd(forms, job, WipeQuestion(folder), [&] { job.WipeFreeSpace(folder); });
    }
    if (!paths.empty()) {
        // A walk made before a question misses what changes while it is asked: after one, the
        // job walks the trees as they are.
        if (walkAhead != nullptr && forms.options.Confirm() == 1) {
            walkAhead->Stop();
        }
        job.UseWalkAhead(walkAhead);
        AskRunAndEnd(forms, job, ConfirmQuestion(paths), [&] { job.ShredPaths(paths); });
    }
    forms.about.Show();
    forms.progress.Unload();
    return {std::move(running), std::move(holdingLock)};
}

}  // namespace ostrel
