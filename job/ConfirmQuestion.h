#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace ostrel {

// How many paths the question lists by name; more are only counted.
inline constexpr std::size_t kListedPaths = 10;
// What each listed path starts with (a bullet and a blank, UTF-8).
inline constexpr char kPathBullet[] = "\xE2\x80\xA2 ";

// The question asked before `paths` are shredded: the question's own text, then below it how
// many of the paths are files and how many folders (each path as it is, a link not followed;
// paths where nothing is found are counted apart), then the paths exactly as they will be taken,
// one a line after kPathBullet: all of them when there are at most kListedPaths, else the first
// kListedPaths and how many more. The result is valid UTF-8: the language texts are converted from
// their single-byte encoding and every path is escaped (EscapedForDisplay), so a name that is not
// UTF-8 or holds a newline shows every byte and stays on its line.
std::string ConfirmQuestion(const std::vector<std::string>& paths);

// The question asked before the free space of the file system holding `folder` is wiped (its own
// text, then the folder escaped as above). Valid UTF-8.
std::string WipeQuestion(const std::string& folder);

}  // namespace ostrel
