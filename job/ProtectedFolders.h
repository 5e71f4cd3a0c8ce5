#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Folder.h"

namespace ostrel {

// The folders a job must never destroy, known by device and inode so that no spelling of a
// path (links, "..", extra separators) gets past them: "/" and what lies directly below it,
// the current folder and the one above it, the home folder, and every folder that is or holds
// one of the program's own folders (settings, state, data and holding folder, program folder).
class ProtectedFolders {
  public:
    // Looks the folders up now.
    static ProtectedFolders Find();

    // Why the path `path`, whose entry in the open folder `parent` is `status` (nullopt when
    // nothing is there), must not be touched: the number of the language string that says so,
    // or 0 when it may be shredded.
    std::int16_t Refusal(const std::string& path, const platform::Folder& parent,
                         const std::optional<platform::FileStatus>& status) const;

  private:
    // Adds the folder at `path` (or the nearest one above it that exists) and every folder
    // above it up to "/", each with `why`.
    void AddWithAncestors(const std::string& path, std::int16_t why);
    void Add(const platform::FileIdentity& id, std::int16_t why);
    std::int16_t Why(const platform::FileIdentity& id) const;

    platform::FileIdentity m_root;
    std::vector<std::pair<platform::FileIdentity, std::int16_t>> m_folders;
    // Folders whose entries are the program's own (a file in them is refused too).
    std::vector<platform::FileIdentity> m_own;
};

}  // namespace ostrel
