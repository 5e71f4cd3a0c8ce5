#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>

#include "core/Globals.h"
#include "core/Host.h"
#include "core/PathHelpers.h"
#include "core/ProductNames.h"
#include "job/ConfirmQuestion.h"
#include "job/JobProgress.h"
#include "job/ShredJob.h"
#include "job/modMain.h"
#include "lang/Encoding.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "platform/FileSystem.h"
#include "platform/Folder.h"
#include "platform/FreeSpace.h"
#include "platform/OwnFolders.h"
#include "platform/StateFolder.h"
#include "platform/StopSignals.h"
#include "shredder/FreeSpaceFill.h"
#include "shredder/PassTables.h"

namespace ostrel {
namespace {

using Clock = std::chrono::steady_clock;

// The fill folder below the program's data folder, when that lies on the disk being wiped.
constexpr char kDataFillFolderName[] = "FreeSpace";

// An amount of bytes as people read it: "512 B", "3.4 MiB", "1.2 GiB".
std::string FormatBytes(std::int64_t bytes) {
    constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB"};
    double value = static_cast<double>(std::max<std::int64_t>(bytes, 0));
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(kUnits)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", value, kUnits[unit]);
    return text;
}

// A private folder of the program's for the fill files, on the disk being wiped, open and locked.
struct FillPlace {
    std::string path;
    platform::Folder parent;
    platform::Folder folder;
};

// The folder's own name and where to look for it: below the data folder when that is on the
// disk; else at the top of the disk, or in the folder given where the top is closed to this user.
// Each user has a folder of their own there.
std::vector<std::pair<std::string, std::string>> FillPlaces(const std::string& given,
                                                            std::uint64_t device) {
    std::vector<std::pair<std::string, std::string>> places;  // root of the check, folder
    const platform::Folder data = platform::Folder::Open(gDataFolder);
    if (!gDataFolder.empty() && data.IsOpen() && data.Identity().device == device) {
        places.emplace_back(gDataFolder, gDataFolder + "/" + kDataFillFolderName);
    }
    const std::string name = std::string(".") + kProgramName + "-free-space-" +
                             std::to_string(platform::EffectiveUserId());
    std::string top = RemoveTrailingSeparators(platform::PathFromRoot(given));
    while (top.size() > 1) {
        const std::string above = platform::SplitFolderAndName(top).first;
        const platform::Folder parent = platform::Folder::OpenFollowingLinks(above);
        if (!parent.IsOpen() || parent.Identity().device != device) {
            break;
        }
        top = above;
    }
    const auto join = [&name](const std::string& folder) {
        return (folder.ends_with('/') ? folder : folder + "/") + name;
    };
    places.emplace_back(join(top), join(top));
    const std::string own = RemoveTrailingSeparators(platform::PathFromRoot(given));
    if (own != top) {
        places.emplace_back(join(own), join(own));
    }
    return places;
}

// The fill folder at `path` (checked from `root`), made when missing, when it can be trusted;
// nullopt with `refusal` empty when this user cannot make it there (the next place is tried, and
// `passedOver` says why this one was not used), with `refusal` set when what is there must not be
// used.
std::optional<FillPlace> TryFillPlace(const std::string& root, const std::string& path,
                                      std::uint64_t device, std::string& refusal,
                                      std::string& passedOver) {
    const platform::OwnPathCheck check = platform::CheckOwnFolder(root, path, true);
    if (!check.Ok()) {
        if (check.problem == platform::OwnPathProblem::Unusable ||
            check.problem == platform::OwnPathProblem::NotWritable) {
            passedOver = check.path + ": " + DisplayText(OwnPathReason(check));
            return std::nullopt;
        }
        refusal = check.path + ": " + DisplayText(OwnPathReason(check));
        return std::nullopt;
    }
    FillPlace place{path, {}, platform::Folder::Open(path)};
    if (place.folder.IsOpen() && (place.folder.Status().permissions & 077) != 0) {
        platform::SetFolderMode(path, 0700);
        place.folder = platform::Folder::Open(path);
    }
    const platform::FileStatus& status = place.folder.Status();
    if (!place.folder.IsOpen() || status.owner != platform::EffectiveUserId() ||
        (status.permissions & 077) != 0) {
        refusal = path + ": " + DisplayText(GetLangString(lang::kOwnPathOpenToOthers));
        return std::nullopt;
    }
    if (status.id.device != device) {
        return std::nullopt;  // a mount or a link on the way leads elsewhere
    }
    place.parent = place.folder.OpenParent();
    if (!place.parent.IsOpen()) {
        return std::nullopt;
    }
    if (!platform::LockFillFolder(place.folder)) {
        refusal = path + ": " + DisplayText(GetLangString(lang::kWhyInUse));
        return std::nullopt;
    }
    return place;
}

// Makes (or finds) the fill folder, trusted as the holding folder is: this user's own, private,
// not a link, nobody else may write anything above it; and on the disk being wiped. A place
// this user may not create it in is passed over; one where something of another kind is found
// refuses the wipe, with `refusal` saying which folder and why.
std::optional<FillPlace> MakeFillPlace(const std::string& given, std::uint64_t device,
                                       std::string& refusal) {
    std::string passedOver;
    for (const auto& [root, path] : FillPlaces(given, device)) {
        // Recorded before it is made: a kill right after leaves nothing a start cannot find.
        if (!platform::RecordFillFolder(path, {device, 0})) {
            refusal = platform::StateFolder() + ": " + DisplayText(Reason(EIO));
            return std::nullopt;
        }
        std::optional<FillPlace> place = TryFillPlace(root, path, device, refusal, passedOver);
        if (place || !refusal.empty()) {
            if (!place || !platform::RecordFillFolder(path, place->folder.Identity())) {
                platform::ForgetFillFolder(path);
                refusal =
                    place ? platform::StateFolder() + ": " + DisplayText(Reason(EIO)) : refusal;
                return std::nullopt;
            }
            return place;
        }
        platform::ForgetFillFolder(path);
    }
    refusal = !passedOver.empty()
                  ? passedOver
                  : given + ": " + DisplayText(GetLangString(lang::kOwnPathNotWritable));
    return std::nullopt;
}

}  // namespace

void ShredJob::WipeFreeSpace(const std::string& folder) {
    if (!m_started) {
        return;
    }
    const std::string method = m_forms.options.DeleteMethod();
    const std::span<const std::int32_t> passes = ostrel::PassesOfMethod(method);
    if (method == kMethodRecycle) {
        m_report.refused.push_back({folder, GetLangString(lang::kWipeRecycleRefused)});
        return;
    }
    if (passes.empty()) {
        m_report.unknownMethod = method;
        return;
    }
    const platform::Folder target = platform::Folder::OpenFollowingLinks(folder);
    if (!target.IsOpen()) {
        if (target.Error() == ENOENT) {
            m_report.notFound.push_back(folder);
        } else {
            m_report.failed.push_back({folder, Reason(target.Error())});
        }
        return;
    }
    if (const std::string memory = platform::MemoryFileSystem(target); !memory.empty()) {
        m_report.refused.push_back({folder, GetLangString(lang::kWipeUnsafe) + " " + memory});
        return;
    }
    const std::uint64_t device = target.Identity().device;
    // From the fill folder's making to its removal, Ctrl-C, a termination request or a closed
    // terminal stop the fill as the window's close does: nothing is left when the process ends.
    const platform::StopSignals signals;
    std::string refusal;
    std::optional<FillPlace> place = MakeFillPlace(folder, device, refusal);
    if (!place) {
        m_report.refused.push_back(
            {folder, DisplayText(GetLangString(lang::kWipeUnsafe)) + " " + refusal});
        return;
    }
    // The fill starts from an empty folder: fill files an earlier run left in it (a start would
    // have deleted them; none should be there) go first.
    bool othersLeft = false;
    if (const int error = platform::DeleteFillFiles(place->folder, othersLeft).error; error != 0) {
        m_report.failed.push_back({place->path, Reason(error)});
        platform::DeleteFillFolder(place->parent, platform::SplitFolderAndName(place->path).second,
                                   place->folder, place->path);
        return;
    }

    ProgressForm& progress = m_forms.progress;
    progress.SetTitle(GetLangString(lang::kWipeProgressTitle),
                      GetLangString(lang::kWipeStoppingTitle));
    progress.SetCaption(folder);
    progress.SetMax(JobProgress::kBarMax);
    progress.SetValue(0);
    progress.SetVisible(true);
    Host& host = CurrentHost();
    host.DoEvents();
    const Clock::time_point start = Clock::now();
    Clock::time_point lastShown;
    const int passCount = static_cast<int>(passes.size());
    const auto show = [&](std::int64_t done, std::int64_t planned, int pass) {
        const Clock::time_point now = Clock::now();
        if (now - lastShown < std::chrono::milliseconds(50)) {
            return;
        }
        lastShown = now;
        const double seconds = std::chrono::duration<double>(now - start).count();
        const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
        const double fraction =
            planned > 0 ? std::min(1.0, static_cast<double>(done) / static_cast<double>(planned))
                        : 0;
        std::string status = FillIn(GetLangString(lang::kWipeProgress), FormatBytes(done),
                                    FormatBytes(std::max(done, planned)),
                                    FormatBytes(static_cast<std::int64_t>(rate)));
        if (passCount > 1) {
            status += ", " + FillIn(GetLangString(lang::kProgressPass), std::to_string(pass),
                                    std::to_string(passCount));
        }
        if (seconds >= 2 && rate > 0 && planned > done) {
            status += ", " + FillIn(GetLangString(lang::kProgressTimeLeft),
                                    FormatDuration(std::chrono::duration<double>(
                                        static_cast<double>(planned - done) / rate)));
        }
        progress.SetValue(static_cast<std::int32_t>(fraction * JobProgress::kBarMax));
        progress.SetStatus(status);
    };
    const std::optional<platform::FreeSpace> space = platform::FreeSpaceOf(place->folder);
    const std::int64_t planned =
        !space ? 0 : (platform::EffectiveUserId() == 0 ? space->freeBytes : space->availableBytes);

    FreeSpaceFill fill(place->folder, passes);
    const FillOutcome outcome =
        fill.Run(planned, [&](std::int64_t done, std::int64_t all, int pass) {
            show(done, all, pass);
            host.DoEvents();
            return !m_stopRequested && !signals.Received();
        });
    const std::string name = platform::SplitFolderAndName(place->path).second;
    const platform::FillDeletion removed =
        platform::DeleteFillFolder(place->parent, name, place->folder, place->path);

    const std::string done = FormatBytes(outcome.written);
    if (outcome.deleteError != 0 || removed.error != 0) {
        // The record stays: the next start deletes what is left.
        m_report.failed.push_back(
            {place->path, Reason(outcome.deleteError != 0 ? outcome.deleteError : removed.error)});
    }
    switch (outcome.end) {
        case FillOutcome::End::Filled:
            break;
        case FillOutcome::End::Stopped:
            m_report.stopped.push_back({folder, FillIn(GetLangString(lang::kWipeStopped), done)});
            break;
        case FillOutcome::End::Failed:
            m_report.failed.push_back({folder, FillIn(GetLangString(lang::kWipeFillStopped), done) +
                                                   " " + Reason(outcome.error)});
            break;
    }
    if (outcome.reach.limits != platform::kReachFull) {
        m_report.reachLimited.push_back({folder, ReachReason(outcome.reach)});
    }
    if (outcome.flash) {
        m_report.reachLimited.push_back({folder, GetLangString(lang::kWipeFlash)});
    }
    if (outcome.end == FillOutcome::End::Filled && outcome.leftFree > 0) {
        m_report.reachLimited.push_back(
            {folder, FillIn(GetLangString(lang::kWipeLeftFree), FormatBytes(outcome.leftFree))});
    }
    // Only a fill that ran to its end says it is done; the time the disk was full is said
    // whenever it was.
    const std::int16_t summary = outcome.end == FillOutcome::End::Filled ? lang::kWipeSummary
                                 : outcome.reachedFull ? lang::kWipeSummaryUnfinishedFull
                                                       : lang::kWipeSummaryUnfinished;
    m_report.summary =
        FillIn(GetLangString(summary), FormatBytes(outcome.filled),
               FormatDuration(Clock::now() - start), FormatDuration(outcome.fullFor));
    // A full bar would say the wipe was done: an unfinished one leaves the bar where it stopped,
    // and the report that follows says the rest.
    if (outcome.end == FillOutcome::End::Filled) {
        progress.SetValue(JobProgress::kBarMax);
        progress.ShowSummary(m_report.summary);
    }
    host.DoEvents();
}

void NoteFillSweep(ShredJob& job, const platform::FillSweep& sweep) {
    for (const auto& [path, deleted] : sweep.deleted) {
        job.NoteLeftover(ShredJob::LeftoverNote::FillFilesDeleted, path);
    }
    for (const std::string& path : sweep.waiting) {
        job.NoteLeftover(ShredJob::LeftoverNote::WaitingForDisk, path);
    }
    for (const auto& [path, error] : sweep.failed) {
        job.NoteLeftover(ShredJob::LeftoverNote::FillFilesKept, path, error);
    }
}

std::string WipeQuestion(const std::string& folder) {
    return Windows1252ToUtf8(GetLangString(lang::kWipeQuestion)) + "\n\n" +
           std::string(kPathBullet) + EscapedForDisplay(folder);
}

}  // namespace ostrel
