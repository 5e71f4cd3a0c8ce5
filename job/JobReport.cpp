// What the job reports: why a file or folder could not be dealt with, what became of each file
// handed to a shredder, and the report as the windows and the console show it.
#include "job/ShredJob.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "core/Host.h"
#include "core/Report.h"
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
