#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/Forms.h"

namespace ostrel {

class clsShredder;

// The shredder object of the file being shredded; replaced for every path the job handles.
extern std::unique_ptr<clsShredder> gShredder;

// What a job could not destroy at once, by what became of each path (as it was given).
struct JobReport {
    std::vector<std::string> scheduledAtRestart;  // overwritten with spaces, deleted later
    std::vector<std::string> contentsKept;        // name removed; other hard links keep it
    std::vector<std::string> trashRefused;        // the trash would not take it
    std::vector<std::string> failed;              // neither destroyed nor scheduled

    bool Empty() const {
        return scheduledAtRestart.empty() && contentsKept.empty() && trashRefused.empty() &&
               failed.empty();
    }
};

// Shreds a Windows-style command-line text: a list of drive-letter paths is split and each
// item shredded; double quotes are removed. Files go to the shredder by the method that
// `forms.options` holds, folders are walked, emptied and removed.
void ShredPath(std::string& path, Forms& forms);

// Shreds one path exactly as given (no quote removal, no splitting at colons): a file, a link,
// or a folder with everything below it. This is how each command-line argument and every
// file and folder found in a tree are handled.
void ShredSinglePath(const std::string& path, Forms& forms);

// Shreds the file `path` by `method` without showing progress (a file an interrupted run
// left on its way to destruction). What became of it goes into the job report.
void ShredLeftover(const std::string& path, const std::string& method);

// What the jobs since the last TakeJobReport could not destroy at once; resets it.
JobReport TakeJobReport();

// Shows one message listing what `report` holds; nothing when it is empty.
void ShowJobReport(const JobReport& report);

}  // namespace ostrel
