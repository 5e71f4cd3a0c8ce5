#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Forms.h"

namespace ostrel {

class clsShredder;

// The shredder object of the file being shredded; replaced for every path the job handles.
extern std::unique_ptr<clsShredder> gShredder;

// One path in the job report and, where it helps, why it is there.
struct ReportLine {
    std::string path;
    std::string reason;
    bool operator==(const ReportLine&) const = default;
};

// What a job could not destroy at once, by what became of each path (as it was given).
struct JobReport {
    std::vector<ReportLine> scheduledAtRestart;  // overwritten with spaces, deleted later
    std::vector<std::string> contentsKept;       // name removed; other hard links keep it
    std::vector<std::string> trashRefused;       // the trash would not take it
    std::vector<ReportLine> failed;              // neither destroyed nor scheduled
    std::vector<std::string> notFound;           // given, but nothing there
    std::vector<ReportLine> foldersLeft;         // folders that could not be removed
    std::vector<ReportLine> refused;             // given, but never touched
    std::optional<std::string> unknownMethod;    // the method name when it is not one of four

    bool Empty() const {
        return scheduledAtRestart.empty() && contentsKept.empty() && trashRefused.empty() &&
               failed.empty() && notFound.empty() && foldersLeft.empty() && refused.empty() &&
               !unknownMethod;
    }
};

// Shreds a Windows-style command-line text: a list of drive-letter paths is split and each
// item shredded; double quotes are removed. Files go to the shredder by the method that
// `forms.options` holds, folders are walked, emptied and removed.
void ShredPath(std::string& path, Forms& forms);

// Shreds one path exactly as given (no quote removal, no splitting at colons, blanks kept): a
// file, a link, or a folder with everything below it. This is how each command-line argument
// is handled. Refused before anything is touched: "/" and everything directly below it, "."
// and "..", the current folder and the one above it, the home folder, and any folder that is or
// holds one of the program's own folders. A folder is walked once; everything below it is
// reached through descriptors kept from that walk, and other file systems mounted inside it are
// left alone. An empty path is skipped.
void ShredSinglePath(const std::string& path, Forms& forms);

// Shreds the file `path` by `method` without showing progress (a file an interrupted run
// left on its way to destruction). What became of it goes into the job report.
void ShredLeftover(const std::string& path, const std::string& method);

// What the jobs since the last TakeJobReport could not destroy at once; resets it.
JobReport TakeJobReport();

// Shows one message listing what `report` holds; nothing when it is empty.
void ShowJobReport(const JobReport& report);

}  // namespace ostrel
