#pragma once

#include <cstdint>
#include <string>

#include "core/PathArena.h"

namespace ostrel {

namespace platform {
class DirSearch;
}

// One file found by cFileSearch: its full path (exact bytes).
class cFiles {
  public:
    const std::string& AFilePath() const { return m_path; }
    void AFilePath(std::string sNewValue) { m_path = std::move(sNewValue); }

  private:
    std::string m_path;
};

// One folder found by cFileSearch: its full path, ending in a separator.
class cDirs {
  public:
    const std::string& DirPath() const { return m_path; }
    void DirPath(std::string sNewValue) { m_path = std::move(sNewValue); }

  private:
    std::string m_path;
};

// Walks a folder tree once and keeps every file and every folder below it, depth first:
// files in the order the file system lists them, each subfolder's files where the subfolder's
// entry was met; every folder before its own subfolders. Hidden entries are included; "." and
// ".." never are. A symbolic link is listed as a file and never entered, whatever it points
// to. A folder that cannot be opened or read adds nothing (it is still listed itself). The walk
// holds one open descriptor per level of nesting, so below the open-file limit's depth a
// folder cannot be opened and adds nothing.
//
// One search per object: a second FileSearch starts new lists but the counts go on from the
// first search.
class cFileSearch {
  public:
    // Searches `sDirectory`: a folder path ending in a separator followed by "*.*" (or "*").
    // Any other last part is a literal name: only the entry of that name in the folder is
    // taken (a folder of that name is walked). A pattern without a separator searches
    // the current folder and gives bare names.
    void FileSearch(const std::string& sDirectory);

    // The file or folder at 1-based position `vIndexKey`. Throws RuntimeError
    // kErrInvalidArgument when the position is outside 1 to the count.
    cFiles FileItem(std::int32_t vIndexKey) const;
    cDirs DirItem(std::int32_t vIndexKey) const;

    std::int32_t FileCount() const { return m_fileCount; }
    std::int32_t DirCount() const { return m_dirCount; }

  private:
    // Empties both lists (the counts are kept).
    void InitCollections();
    // Walks the open folder `search`, whose path (ending in a separator) is in m_path.
    void Walk(platform::DirSearch& search, const std::string& literalName);
    void AddFile(std::string_view name);
    void AddDir(std::string_view name);

    PathArena m_colFiles;
    PathArena m_colDirs;
    std::int32_t m_fileCount = 0;
    std::int32_t m_dirCount = 0;
    std::string m_path;  // the folder being walked, grown and cut back as the walk descends
};

}  // namespace ostrel
