#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <vector>

#include "core/PathArena.h"
#include "platform/FileSystem.h"

namespace ostrel {

class FolderChain;

namespace platform {
class Folder;
}  // namespace platform

// Where one found folder hangs in the tree and what it was when the walk saw it, so that a job
// can reach it again from the searched folder's descriptor, one checked step at a time.
struct cFolderNode {
    std::int32_t parent = -1;  // index of the folder above (0-based), -1 for the searched one
    platform::FileIdentity id;
    bool otherFileSystem = false;  // a mount point: listed, never entered
    bool unreadable = false;       // could not be opened or read to the end
};

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
// holds a bounded number of descriptors whatever the depth (see FolderChain).
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

    // Searches the whole tree below the open folder `root`, whose path (ending in a separator)
    // starts every path found. Folders on another mount than `root` are listed but not entered.
    void FileSearch(const platform::Folder& root, const std::string& rootPath);

    // The file or folder at 1-based position `vIndexKey`. Throws RuntimeError
    // kErrInvalidArgument when the position is outside 1 to the count.
    cFiles FileItem(std::int32_t vIndexKey) const;
    cDirs DirItem(std::int32_t vIndexKey) const;

    std::int32_t FileCount() const { return m_fileCount; }
    // With sizes measured (before the search), the bytes of the regular files found: what a
    // job will overwrite. Links, devices and files that vanished count 0.
    void MeasureSizes(bool measure) { m_measureSizes = measure; }
    // Called every kEntriesBetweenCalls entries while the walk runs (before the search), so that
    // a long walk can let events run and say how far it has got (FileCount() so far).
    static constexpr std::int32_t kEntriesBetweenCalls = 512;
    void OnEntries(std::function<void()> callback) { m_onEntries = std::move(callback); }
    std::int64_t FileSize(std::int32_t vIndexKey) const;
    std::int64_t TotalFileSize() const { return m_totalFileSize; }
    std::int32_t DirCount() const { return m_dirCount; }

    // The tree of the last search: for file or folder i (1-based), the 0-based index of the
    // folder holding it (-1: the searched folder), and each folder's node.
    std::int32_t FileFolder(std::int32_t vIndexKey) const;
    const cFolderNode& DirNode(std::int32_t vIndexKey) const;
    // True when the searched folder itself could not be read to the end.
    bool RootUnreadable() const { return m_rootUnreadable; }

  private:
    // Empties both lists (the counts are kept).
    void InitCollections();
    // Walks the chain's current folder (node `node`), whose path (ending in a separator) is in
    // m_path.
    void Walk(FolderChain& chain, const std::string& literalName, std::int32_t node);
    void MarkUnreadable(std::int32_t node);
    void AddFile(std::string_view name);
    void AddDir(std::string_view name);

    PathArena m_colFiles;
    PathArena m_colDirs;
    std::int32_t m_fileCount = 0;
    std::int32_t m_dirCount = 0;
    std::string m_path;  // the folder being walked, grown and cut back as the walk descends
    std::vector<std::int32_t> m_fileFolders;
    std::vector<cFolderNode> m_nodes;
    std::uint64_t m_rootMount = 0;
    platform::FileIdentity m_rootId;
    bool m_rootUnreadable = false;
    bool m_measureSizes = false;
    std::function<void()> m_onEntries;
    std::int32_t m_sinceCall = 0;
    std::vector<std::int64_t> m_fileSizes;
    std::int64_t m_totalFileSize = 0;
};

}  // namespace ostrel
