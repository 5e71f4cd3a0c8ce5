#include "core/FileSearch.h"

#include "core/FolderChain.h"
#include "core/PathHelpers.h"
#include "core/RuntimeError.h"
#include "platform/DirSearch.h"
#include "platform/Folder.h"

namespace ostrel {
namespace {

constexpr char kSeparator = kNativeSeparator;

bool IsMatchAll(const std::string& pattern) {
    return pattern == "*.*" || pattern == "*";
}

RuntimeError BadPosition() {
    return RuntimeError(kErrInvalidArgument, "Invalid procedure call or argument", 0);
}

}  // namespace

void cFileSearch::InitCollections() {
    m_colFiles.Clear();
    m_colDirs.Clear();
    m_fileFolders.clear();
    m_nodes.clear();
    m_fileSizes.clear();
    m_totalFileSize = 0;
    m_rootUnreadable = false;
}

void cFileSearch::FileSearch(const std::string& sDirectory) {
    InitCollections();
    size_t slash = sDirectory.rfind(kSeparator);
    std::string folder =
        slash == std::string::npos ? std::string() : sDirectory.substr(0, slash + 1);
    std::string pattern = slash == std::string::npos ? sDirectory : sDirectory.substr(slash + 1);
    const platform::Folder root = platform::Folder::Open(folder);
    if (root.IsOpen()) {
        m_path = folder;
        m_rootMount = root.Status().mountId;
        m_rootId = root.Identity();
        FolderChain chain(root);
        Walk(chain, IsMatchAll(pattern) ? std::string() : pattern, -1);
    }
}

void cFileSearch::FileSearch(const platform::Folder& root, const std::string& rootPath) {
    InitCollections();
    m_path = rootPath;
    m_rootMount = root.Status().mountId;
    m_rootId = root.Identity();
    FolderChain chain(root);
    Walk(chain, std::string(), -1);
}

void cFileSearch::MarkUnreadable(std::int32_t node) {
    (node < 0 ? m_rootUnreadable : m_nodes[static_cast<size_t>(node)].unreadable) = true;
}

void cFileSearch::Walk(FolderChain& chain, const std::string& literalName, std::int32_t node) {
    // Each folder is read to the end before anything below it is opened, so the walk holds no
    // descriptor per level: the chain keeps a bounded number open. The levels being walked are
    // kept here rather than on the call stack, so that no depth of tree can exhaust the stack.
    using Entries = std::vector<std::pair<std::string, bool>>;
    const auto read = [&](const std::string& onlyName, std::int32_t folder) {
        Entries entries;
        platform::DirSearch search = chain.Current().List();
        if (!search.IsOpen()) {
            MarkUnreadable(folder);
            return entries;
        }
        platform::DirEntry entry;
        while (search.Next(entry)) {
            if ((!onlyName.empty() && entry.name != onlyName) ||
                (entry.isDirectory && (entry.name == "." || entry.name == ".."))) {
                continue;
            }
            entries.emplace_back(entry.name, entry.isDirectory);
        }
        if (search.Error() != 0) {
            MarkUnreadable(folder);
        }
        return entries;
    };
    struct Level {
        Entries entries;
        std::size_t next = 0;
        std::int32_t node = -1;
        bool lost = false;           // the folder could not be reached again after a subfolder
        std::size_t pathLength = 0;  // m_path's length before the subfolder being walked
    };
    std::vector<Level> levels;
    levels.push_back(Level{read(literalName, node), 0, node, false, 0});
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.entries.size()) {
            levels.pop_back();
            if (!levels.empty()) {  // the subfolder is done: back to the folder above it
                Level& above = levels.back();
                above.lost = chain.Ascend() != 0;
                m_path.resize(above.pathLength);
                ++m_dirCount;
            }
            continue;
        }
        const auto [name, isDirectory] = level.entries[level.next++];
        if (m_onEntries && ++m_sinceCall == kEntriesBetweenCalls) {
            m_sinceCall = 0;
            m_onEntries();
        }
        if (!isDirectory) {
            AddFile(name);
            m_fileFolders.push_back(level.node);
            if (m_measureSizes) {
                const auto file = level.lost ? std::nullopt : chain.Current().Stat(name);
                const std::int64_t size =
                    file && file->type == platform::FileType::Regular ? file->size : 0;
                m_fileSizes.push_back(size);
                m_totalFileSize += size;
            }
            ++m_fileCount;
            continue;
        }
        AddDir(name);
        const auto index = static_cast<std::int32_t>(m_nodes.size());
        m_nodes.emplace_back().parent = level.node;
        level.pathLength = m_path.size();
        m_path.append(name);
        m_path.push_back(kSeparator);
        // Which mount the entry leads to is seen before it is opened: opening the root of a
        // FUSE file system whose server is stopped would wait for ever.
        const auto seen = level.lost ? std::nullopt : chain.Current().StatCached(name);
        if (seen && seen->type == platform::FileType::Directory && seen->mountId != 0 &&
            seen->mountId != m_rootMount) {
            m_nodes.back().id = seen->id;
            m_nodes.back().otherFileSystem = true;
        } else if (level.lost || chain.Descend(name) != 0) {
            m_nodes.back().unreadable = true;
        } else {
            const platform::FileStatus& status = chain.Current().Status();
            m_nodes.back().id = status.id;
            if (status.mountId == m_rootMount && status.id.device == m_rootId.device) {
                Entries below = read(std::string(), index);
                levels.push_back(Level{std::move(below), 0, index, false, 0});
                continue;  // `level` may have moved; the subfolder is finished when popped
            }
            // Another file system mounted inside the tree: never entered.
            m_nodes.back().otherFileSystem = true;
            level.lost = chain.Ascend() != 0;
        }
        m_path.resize(level.pathLength);
        ++m_dirCount;
    }
}

std::int32_t cFileSearch::FileFolder(std::int32_t vIndexKey) const {
    if (vIndexKey < 1 || static_cast<size_t>(vIndexKey) > m_fileFolders.size()) {
        throw BadPosition();
    }
    return m_fileFolders[static_cast<size_t>(vIndexKey) - 1];
}

std::int64_t cFileSearch::FileSize(std::int32_t vIndexKey) const {
    if (vIndexKey < 1 || static_cast<size_t>(vIndexKey) > m_fileSizes.size()) {
        return 0;
    }
    return m_fileSizes[static_cast<size_t>(vIndexKey) - 1];
}

const cFolderNode& cFileSearch::DirNode(std::int32_t vIndexKey) const {
    if (vIndexKey < 1 || static_cast<size_t>(vIndexKey) > m_nodes.size()) {
        throw BadPosition();
    }
    return m_nodes[static_cast<size_t>(vIndexKey) - 1];
}

void cFileSearch::AddFile(std::string_view name) {
    m_colFiles.Append(m_path, name);
}

// Folders are kept without their trailing separator; DirItem adds it.
void cFileSearch::AddDir(std::string_view name) {
    m_colDirs.Append(m_path, name);
}

cFiles cFileSearch::FileItem(std::int32_t vIndexKey) const {
    if (vIndexKey < 1 || static_cast<size_t>(vIndexKey) > m_colFiles.Size()) {
        throw BadPosition();
    }
    cFiles item;
    item.AFilePath(std::string(m_colFiles.At(static_cast<size_t>(vIndexKey) - 1)));
    return item;
}

cDirs cFileSearch::DirItem(std::int32_t vIndexKey) const {
    if (vIndexKey < 1 || static_cast<size_t>(vIndexKey) > m_colDirs.Size()) {
        throw BadPosition();
    }
    cDirs item;
    item.DirPath(std::string(m_colDirs.At(static_cast<size_t>(vIndexKey) - 1)) + kSeparator);
    return item;
}

}  // namespace ostrel
