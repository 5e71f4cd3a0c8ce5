#pragma once

#include <string>
#include <vector>

#include "job/Forms.h"
#include "job/ShredJob.h"
#include "platform/FreeSpace.h"
#include "platform/LockFile.h"
#include "platform/NamedMutex.h"
#include "platform/OwnFolders.h"

namespace ostrel {

// Choices made for one run (on the command line): they replace the stored settings in the
// options form for this run and are never stored.
struct RunOverrides {
    std::string method;       // a method name; empty: the stored method
    bool noQuestion = false;  // shred without asking, whatever "Confirm" says
    // What a file manager handed over that names no local file (a URI of another scheme or
    // host): when there is any, the run says so and shreds nothing.
    std::vector<std::string> notLocal;
    // A folder whose file system's free space this run wipes instead of shredding anything.
    std::string wipeFreeSpace;
};

// What an instance holds for as long as it may run jobs (for a run with windows, until the main
// window is closed); both go when the holder lets go of this.
struct InstanceLocks {
    // The system-wide marker that an instance of the program is running (it never keeps a
    // second one out).
    platform::NamedMutex running;
    // The holding folder's lock, held shared, so that a later start leaves this instance's files
    // alone.
    platform::LockFile holding;
};

// The whole life of a run. Checks the settings' folder and file, settles the language (the
// chooser on first run); when `overrides.notLocal` holds anything, says in a critical message box
// that only local files are shredded, lists them and ends the process with status 2 before
// anything is touched. Otherwise loads the settings into the options form, prepares the holding
// folder and finishes what an earlier run left half-done (what of that cannot be destroyed is
// reported in a message of its own, and never changes the exit code); then, with paths, asks for
// confirmation when the settings say so (the question names the paths, ConfirmQuestion), shreds
// each path as one path, reports what could not be destroyed at once and ends the process through
// the host (exit code 1 when the report is not empty, else 0); without paths, shows the main window
// and returns. `overrides` apply to this run's paths and windows; an interrupted run's leftovers
// are finished by the stored method. Returns the instance's locks: the caller keeps them for as
// long as the instance may run jobs (the main window's). `walkAhead`, when given, holds walks of
// `paths` begun before the windows: the job takes those still good instead of walking again.
InstanceLocks Main(const std::vector<std::string>& paths, Forms& forms,
                   const RunOverrides& overrides = {}, WalkAhead* walkAhead = nullptr);

// Creates the holding folder (mode 0700) below gDataFolder and checks that it, the state lists
// and the folders leading to them belong to this user and nobody else may write them; when one
// does not, shows which and why in a critical message box and ends the process with status 1
// (Main checks the settings the same way before it reads them). Then deletes the pending
// deletions of earlier boots whose files are still the very version scheduled, and, when no other
// instance is running, shreds every file left in the holding folder or on the in-progress list by
// an interrupted run, except a file this boot has already scheduled for deletion at restart (it
// is left alone until then). Returns the holding folder's lock, held shared, which the caller
// keeps for the instance's life, so that later starts leave this instance's files alone. While
// another start holds that lock to finish an interrupted run, the progress window says so and this
// start waits, at most the seconds kStartWaitVariable gives (30 by default); then it says it gave
// up and ends the process with status 1, nothing touched. Part of Main; separate so that it can be
// tested on its own. What could not be destroyed goes into `job`'s report, with notes on the files
// whose disk is not there (they stay on their lists and are named at every start) and on the
// pending deletions kept because their file changed since it was scheduled (named once).
platform::LockFile FinishInterruptedWork(ShredJob& job, Forms& forms);

// Notes in `job`'s report what a start's deletion of the fill files that interrupted free-space
// wipes left (platform::DeleteLeftFillFolders, which Main runs before anything else, the language
// chooser included, so that no disk stays full) did and could not do.
void NoteFillSweep(ShredJob& job, const platform::FillSweep& sweep);

// Why `check` found a folder or file of the program's own unusable, in the language file's words.
std::string OwnPathReason(const platform::OwnPathCheck& check);

}  // namespace ostrel
