#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/StateFolder.h"

namespace ostrel::platform::posix {

// Parses the text of a state list into `entries`; false when it is not a whole, well-formed
// list (the entries read before the fault stay in `entries`).
bool ParseStateList(const std::string& text, std::vector<StateEntry>& entries);

// The text of a state list holding `entries`, which ParseStateList reads back unchanged.
std::string FormatStateList(const std::vector<StateEntry>& entries);

// The entries of the state list `name` in the state folder (none when it does not exist).
std::vector<StateEntry> ReadStateList(const std::string& name);

// Runs `change` on the list's entries under an exclusive lock (so two processes never lose each
// other's entries) and writes the result atomically (temporary file, fsync, rename), mode 0600.
// A list that cannot be parsed is kept aside with the suffix ".corrupt". False on failure.
bool UpdateStateList(const std::string& name,
                     const std::function<void(std::vector<StateEntry>&)>& change);

// The whole contents of `path`, or nullopt-like empty string with `ok` false.
std::string ReadWholeFile(const std::string& path, bool& ok);

// Writes `bytes` to `path` through a temporary file in the same folder, fsync and rename.
bool WriteFileAtomically(const std::string& path, const std::string& bytes, unsigned mode);

}  // namespace ostrel::platform::posix
