#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/Handle.h"
#include "platform/Result.h"

namespace ostrel::platform {

// One entry of a folder. `name` stays valid until the next call to Next on the same search.
struct DirEntry {
    std::string_view name;
    // True only for a real folder: a symbolic link is never a folder, whatever it points to.
    bool isDirectory = false;
};

// Reads the entries of one folder in the order the file system returns them, "." and ".."
// included. Move-only; the folder is closed when the object dies. Holds one open handle,
// so a walk keeps one per level of nesting.
class DirSearch {
  public:
    DirSearch();
    ~DirSearch();
    DirSearch(DirSearch&&) noexcept;
    DirSearch& operator=(DirSearch&&) noexcept;
    DirSearch(const DirSearch&) = delete;
    DirSearch& operator=(const DirSearch&) = delete;

    // Opens folder `path` ("" is the current folder). Trailing separators are ignored, and a
    // symbolic link as the last component is not followed: the result is then not open.
    static DirSearch Open(const std::string& path);

    // Opens entry `name` of the open folder `parent` as a folder, relative to the parent's open
    // handle (so a folder swapped for a link after it was listed is not entered).
    static DirSearch OpenChild(const DirSearch& parent, std::string_view name);

    bool IsOpen() const;
    // What the open folder is (device, inode, mount); an error when not open.
    Result<FileStatus> Status() const;
    // The system error number of a failed open or read; 0 when none.
    int Error() const;

    // Reads the next entry into `entry`; false at the end or on a read error (see Error).
    bool Next(DirEntry& entry);

  private:
    friend class Folder;

    // Takes over the folder `opened` holds, or keeps the error of its open.
    static DirSearch FromOpen(Result<Handle> opened);

    struct State;

    std::unique_ptr<State> m_state;
};

}  // namespace ostrel::platform
