#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/StateFolder.h"

namespace ostrel::platform::posix {

// The file names of the state lists in the state folder.
inline constexpr char kPendingListName[] = "pending-deletions";
inline constexpr char kInProgressListName[] = "in-progress";
inline constexpr char kFillFolderListName[] = "fill-folders";

// Parses the text of a state list into `entries`; false when it is not a whole, well-formed
// list (the entries read before the fault stay in `entries`).
bool ParseStateList(const std::string& text, std::vector<StateEntry>& entries);

// The text of a state list holding `entries`, which ParseStateList reads back unchanged.
std::string FormatStateList(const std::vector<StateEntry>& entries);

// The entries of the state list `name` in the state folder (none when it does not exist or
// cannot be read or parsed).
std::vector<StateEntry> ReadStateList(const std::string& name);

// Runs `change` on the list's entries under an exclusive lock (so two processes never lose each
// other's entries) and writes the result atomically (temporary file, fsync, rename), mode 0600.
// A list that cannot be parsed is kept aside under a numbered ".corrupt" name, never over an
// earlier one; a list that exists but cannot be read is left alone. False when nothing was
// written.
bool UpdateStateList(const std::string& name,
                     const std::function<void(std::vector<StateEntry>&)>& change);

// Removes the entries of the state list `name` that record `path` (made absolute as recorded).
bool RemoveStateEntries(const std::string& name, const std::string& path);

}  // namespace ostrel::platform::posix
