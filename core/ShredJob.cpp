#include "core/ShredJob.h"

#include <optional>
#include <set>
#include <utility>

#include "core/FileSearch.h"
#include "core/Globals.h"
#include "core/Host.h"
#include "core/PathHelpers.h"
#include "core/PathList.h"
#include "core/RuntimeError.h"
#include "core/StringHelpers.h"
#include "lang/LanguageFile.h"
#include "platform/FileSystem.h"
#include "shredder/Shredder.h"

namespace ostrel {

std::unique_ptr<clsShredder> gShredder;

namespace {

constexpr std::int16_t kShortenedPathLength = 60;

// Paths handed to the shredder in this process: a file that is still there when its folder is
// walked again (it could only be scheduled for deletion at restart) is not shredded twice.
std::set<std::string> g_attempted;
JobReport g_report;
// Names removed while other hard links kept the contents, with the file they named: when the
// job later destroys that file under its last name, the contents are gone after all.
std::vector<std::pair<platform::FileIdentity, std::string>> g_kept;

void ShowJobError(std::int32_t number, const std::string& description, std::int32_t osError) {
    CurrentHost().MsgBox(GetLangString(478) + std::to_string(number) + " - " + description + " - " +
                             std::to_string(osError),
                         kMsgCritical, GetLangString(818));
}

// Runs `step` under the job's error handler: an error is shown and the job goes on.
template <typename Step>
void Guarded(Step&& step) {
    try {
        step();
    } catch (const RuntimeError& e) {
        ShowJobError(e.Number(), e.Description(), e.LastOsError());
    } catch (const std::bad_alloc&) {
        ShowJobError(kErrOutOfMemory, "Out of memory", 0);
    } catch (const std::exception& e) {
        ShowJobError(kErrInvalidArgument, e.what(), 0);
    }
}

void RecordOutcome(const std::string& path, const std::optional<platform::FileIdentity>& file,
                   ShredOutcome outcome) {
    switch (outcome) {
        case ShredOutcome::ScheduledAtRestart:
            g_report.scheduledAtRestart.push_back(path);
            break;
        case ShredOutcome::NameRemovedContentsKept:
            g_kept.emplace_back(file.value_or(platform::FileIdentity{}), path);
            break;
        case ShredOutcome::Destroyed:
            if (file) {
                std::erase_if(g_kept, [&](const auto& kept) { return kept.first == *file; });
            }
            break;
        case ShredOutcome::TrashRefused:
            g_report.trashRefused.push_back(path);
            break;
        case ShredOutcome::Failed:
            g_report.failed.push_back(path);
            break;
        default:
            break;
    }
}

void ShredItem(const std::string& path, Forms& forms, bool revisit);

void ShredFile(const std::string& sItem, Forms& forms) {
    ProgressForm& progress = forms.progress;
    const auto status = platform::StatPath(sItem);
    if (!status) {
        return;
    }
    g_attempted.insert(sItem);
    if (!progress.Visible()) {
        progress.Show();
    }
    progress.SetCaption(ShortenPath(sItem, kShortenedPathLength));
    ++gShredCount;
    progress.SetValue(gShredCount);
    CurrentHost().DoEvents();

    clsShredder& shredder = *gShredder;
    shredder.p_Attributes = true;
    shredder.p_ShredMethod(forms.options.DeleteMethod());
    shredder.p_Passes = 7;
    shredder.p_SourceFile = sItem;
    shredder.RenameFlag = true;
    shredder.DetermineShredMethod();
    shredder.p_Module("Shredder");
    RecordOutcome(sItem, status->id, ShredOutcomeOf(shredder));
    CurrentHost().DoEvents();
}

// Shreds every file of the tree, then visits every subfolder (parents first), then comes back
// to the folder itself: each folder is removed by the visit that finds it empty. A folder that
// is still not empty when it is revisited after its contents were processed stays.
void ShredFolder(const std::string& sItem, Forms& forms, bool revisit) {
    if (platform::DirectoryIsEmpty(sItem)) {
        platform::RemoveDirectory(sItem);
        return;
    }
    if (revisit) {
        return;
    }
    cFileSearch search;
    search.FileSearch(AddBackslash(sItem) + "*.*");
    const std::int32_t fileCount = search.FileCount();
    for (std::int32_t i = 1; i <= fileCount; ++i) {
        Guarded([&] {
            forms.progress.SetMax(fileCount);
            CurrentHost().DoEvents();
            const std::string file = search.FileItem(i).AFilePath();
            if (!g_attempted.contains(file)) {
                ShredItem(file, forms, false);
            }
        });
    }
    const std::int32_t dirCount = search.DirCount();
    for (std::int32_t i = 1; i <= dirCount; ++i) {
        Guarded([&] {
            ShredItem(search.DirItem(i).DirPath(), forms, false);
            gShredCount = 0;
            CurrentHost().DoEvents();
        });
    }
    ShredItem(sItem, forms, true);
}

void ShredItem(const std::string& path, Forms& forms, bool revisit) {
    Guarded([&] {
        forms.progress.SetVisible(true);
        if (TrimSpaces(path).empty()) {
            return;
        }
        gShredder = std::make_unique<clsShredder>();
        // "dir/sub/" names the folder "dir/sub"; without the separator a link at that place
        // is looked at as the link it is, never followed.
        const std::string sItem = RemoveTrailingSeparators(path);
        if (platform::PathIsDirectory(sItem)) {
            ShredFolder(sItem, forms, revisit);
        } else {
            ShredFile(sItem, forms);
        }
    });
}

void AppendSection(std::string& text, std::int16_t heading, const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return;
    }
    text += "\n\n" + GetLangString(heading);
    for (const auto& path : paths) {
        text += "\n" + path;
    }
}

}  // namespace

void ShredPath(std::string& path, Forms& forms) {
    Guarded([&] {
        forms.progress.SetVisible(true);
        if (TrimSpaces(path).empty()) {
            return;
        }
        if (IsPathList(path)) {
            for (auto& item : SplitPathList(path)) {
                ShredPath(item, forms);
            }
            return;
        }
        std::string sItem = path;
        std::erase(sItem, '"');
        ShredItem(sItem, forms, false);
    });
}

void ShredSinglePath(const std::string& path, Forms& forms) {
    ShredItem(path, forms, false);
}

void ShredLeftover(const std::string& path, const std::string& method) {
    Guarded([&] {
        gShredder = std::make_unique<clsShredder>();
        gShredder->p_ShredMethod(method);
        gShredder->p_SourceFile = path;
        gShredder->RenameFlag = true;
        const auto status = platform::StatPath(path);
        gShredder->DetermineShredMethod();
        RecordOutcome(path, status ? std::optional(status->id) : std::nullopt,
                      ShredOutcomeOf(*gShredder));
    });
}

JobReport TakeJobReport() {
    for (auto& [file, path] : g_kept) {
        g_report.contentsKept.push_back(std::move(path));
    }
    g_kept.clear();
    JobReport report = std::move(g_report);
    g_report = {};
    g_attempted.clear();
    return report;
}

void ShowJobReport(const JobReport& report) {
    if (report.Empty()) {
        return;
    }
    std::string text = GetLangString(828);
    AppendSection(text, 829, report.scheduledAtRestart);
    AppendSection(text, 830, report.contentsKept);
    AppendSection(text, 831, report.trashRefused);
    AppendSection(text, 834, report.failed);
    CurrentHost().MsgBox(text, kMsgOkOnly, GetLangString(818));
}

}  // namespace ostrel
