#pragma once

#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/Folder.h"

namespace ostrel::platform {

// Why a move to the trash did not happen.
enum class TrashProblem {
    None,
    Failed,            // a step failed; `error` says why (ESTALE: the entry changed meanwhile)
    SymbolicLink,      // a trash folder is a symbolic link
    NotFolder,         // a trash folder is something else
    OtherOwner,        // a trash folder belongs to another user
    WritableByOthers,  // other users may change a trash folder
};

struct TrashResult {
    TrashProblem problem = TrashProblem::None;
    int error = 0;            // the system error number, for Failed
    std::string trashFolder;  // the trash folder the problem is with (where known)
    std::string trashedAs;    // the entry's name in the trash's files/ folder once moved
    bool Ok() const { return problem == TrashProblem::None; }
};

// Moves entry `name` of the open `folder` (the entry itself: a link is moved, never what it
// leads to; never a folder) into the user's trash, laid out as freedesktop.org desktops expect:
// the home trash under $XDG_DATA_HOME/Trash when the entry lies on the same mount, otherwise
// the trash of the top folder of the entry's own mount ($top/.Trash/$uid when $top/.Trash is a
// real folder with the sticky bit that root or this user owns, else $top/.Trash-$uid). Everything
// is done relative to open folders: the top folder is found by going up from `folder`, no trash
// folder is reached through a link, and only a trash folder of this user's that nobody else may
// change is used. The entry must still be `expected` when it is moved. `shownPath` is the entry's
// path as the caller names it: where the info file says the entry came from when the open folder's
// own path cannot be read. Nothing is moved unless the result is Ok.
TrashResult MoveToTrash(const Folder& folder, std::string_view name, const FileIdentity& expected,
                        const std::string& shownPath);

}  // namespace ostrel::platform
