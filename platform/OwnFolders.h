#pragma once

#include <string>

namespace ostrel::platform {

// Why a folder or file the program keeps its own data in cannot be used safely.
enum class OwnPathProblem {
    None,
    NoHome,            // its place is unknown: no home folder
    SymbolicLink,      // it is a symbolic link
    NotFolder,         // it, or a folder on the way, is something else
    OtherOwner,        // it belongs to another user
    WritableByOthers,  // its group or others may write it
    OpenToOthers,      // its group or others may look into it (where it must be private)
    Unusable,          // it cannot be created or examined; `reason` says why
    NotWritable,       // nothing can be written in it (a read-only mount); `reason` says why
};

struct OwnPathCheck {
    OwnPathProblem problem = OwnPathProblem::None;
    std::string path;    // the folder or file the problem is with
    std::string reason;  // the system's words, for Unusable
    bool Ok() const { return problem == OwnPathProblem::None; }
};

// Checks that nobody but this user (and root) can change `folder`, which is `root` or lies below
// it, or swap anything on the way to it:
// - every folder above `root` belongs to this user or to root, and only its owner may write it
//   unless it has the sticky bit (a link there is followed, and what it leads through is checked
//   the same way);
// - `root` and every folder below it down to `folder` is a real folder (a link is refused) of
//   this user's that neither its group nor others may write.
// With `make`, missing folders are created with mode 0700; without, the first missing folder
// ends the check without a problem (nothing can have been planted below it). The first problem
// found is returned, with the path it is with.
OwnPathCheck CheckOwnFolder(const std::string& root, const std::string& folder, bool make);

// Checks the file `path` in a folder CheckOwnFolder accepted: it is missing, or it is not a link
// and is this user's, and neither its group nor others may write it. Other types pass: the
// readers take anything but a regular file as damaged.
OwnPathCheck CheckOwnFile(const std::string& path);

// Checks that this process can write in the folder `folder`, as the program must to record its
// work there: a small file is made and removed again. NotWritable, with the system's reason, when
// that fails.
OwnPathCheck CheckWritableFolder(const std::string& folder);

// One line in English saying what `check` found ("PATH: it belongs to another user"), for the
// programs that have no language file.
std::string DescribeOwnPathCheck(const OwnPathCheck& check);

}  // namespace ostrel::platform
