#pragma once

#include "platform/ProductNames.h"

namespace ostrel {

// The program's own names, each defined once here.

// The vendor's folder of the program's files below the user's data, configuration and state
// folders; its parts are also the keys below "Software" in the settings store.
inline constexpr char kVendorFolder[] = "Tolvane/Quarrix";
// The name the desktop shows.
inline constexpr char kDisplayName[] = "Ostrel";
// The executable, and the folder of its installed data files (<prefix>/share/ostrel).
inline constexpr char kProgramName[] = "ostrel";
// The helper that deletes the files scheduled for deletion at restart.
inline constexpr char kPendingHelperName[] = "ostrel-pending";
// The environment variable that points the program at another folder of its data files.
inline constexpr char kProgramFolderVariable[] = "OSTREL_PROGRAM_DIR";

// The environment variable that sets how many seconds a start waits for another start that is
// finishing an interrupted run (30 when it is not set).
inline constexpr char kStartWaitVariable[] = "OSTREL_START_WAIT";

// The environment variable that sets how many milliseconds the progress window stays with a
// job's summary before it closes (kDefaultSummaryMs when it is not set).
inline constexpr char kSummaryTimeVariable[] = "OSTREL_SUMMARY_MS";
inline constexpr int kDefaultSummaryMs = 1500;

// Hands the names the platform layer needs to it. Each executable calls this first of all.
inline void GiveProductNamesToPlatform() {
    platform::SetProductNames({.vendorFolder = kVendorFolder,
                               .displayName = kDisplayName,
                               .dataFolder = kProgramName,
                               .helperName = kPendingHelperName,
                               .folderVariable = kProgramFolderVariable});
}

}  // namespace ostrel
