#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Folder.h"

namespace ostrel {

// A path of open folders from a root down to the folder in use, holding at most kHeld
// descriptors however deep it goes: a folder further up is closed while the chain is below it
// and opened again through ".." when the chain climbs back, checked to be the folder it was. So
// trees of any depth are walked under any open-file limit.
class FolderChain {
  public:
    static constexpr std::size_t kHeld = 32;

    // `root` must outlive the chain.
    explicit FolderChain(const platform::Folder& root) : m_root(root) {}

    // How many folders below the root the chain reaches.
    std::size_t Depth() const { return m_levels.size(); }
    // The deepest folder of the chain (the root at depth 0); not open when it was lost (see
    // Ascend).
    const platform::Folder& Current() const;

    // Opens entry `name` of the current folder as a folder, never through a link, and makes it
    // current. With `expected`, another folder there fails with ESTALE. 0, or the error (the
    // chain is then unchanged).
    int Descend(std::string_view name,
                const std::optional<platform::FileIdentity>& expected = std::nullopt);
    // Makes the folder above the current one current. 0, or ESTALE when it had to be opened
    // again and was no longer above (moved meanwhile), or another error: it is then lost (not
    // open) and so is every folder up to the nearest one still held open.
    int Ascend();
    // Back at the root.
    void Clear() { m_levels.clear(); }

  private:
    struct Level {
        platform::FileIdentity id;
        platform::Folder folder;  // closed while the chain is far below it, or lost
        bool lost = false;
    };
    const platform::Folder& m_root;
    std::vector<Level> m_levels;
};

}  // namespace ostrel
