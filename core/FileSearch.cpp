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
    // The folder is read to the end before anything below it is opened, so the walk holds no
    // descriptor per level: the chain keeps a bounded number open.
    std::vector<std::pair<std::string, bool>> entries;
    {
        platform::DirSearch search = chain.Current().List();
        if (!search.IsOpen()) {
            MarkUnreadable(node);
            return;
        }
        platform::DirEntry entry;
        while (search.Next(entry)) {
            if ((!literalName.empty() && entry.name != literalName) ||
                (entry.isDirectory && (entry.name == "." || entry.name == ".."))) {
                continue;
            }
            entries.emplace_back(entry.name, entry.isDirectory);
        }
        if (search.Error() != 0) {
            MarkUnreadable(node);
        }
    }
    bool lost = false;  // the folder itself could not be reached again after a subfolder
    for (const auto& [name, isDirectory] : entries) {
        if (!isDirectory) {
            AddFile(name);
            m_fileFolders.push_back(node);
            ++m_fileCount;
            continue;
        }
        AddDir(name);
        const auto index = static_cast<std::int32_t>(m_nodes.size());
        m_nodes.emplace_back().parent = node;
        size_t parentLength = m_path.size();
        m_path.append(name);
        m_path.push_back(kSeparator);
        // Which mount the entry leads to is seen before it is opened: opening the root of a
        // FUSE file system whose server is stopped would wait for ever.
        const auto seen = lost ? std::nullopt : chain.Current().StatCached(name);
        if (seen && seen->type == platform::FileType::Directory && seen->mountId != 0 &&
            seen->mountId != m_rootMount) {
            m_nodes.back().id = seen->id;
            m_nodes.back().otherFileSystem = true;
        } else if (lost || chain.Descend(name) != 0) {
            m_nodes.back().unreadable = true;
        } else {
            const platform::FileStatus& status = chain.Current().Status();
            m_nodes.back().id = status.id;
            if (status.mountId != m_rootMount || status.id.device != m_rootId.device) {
                // Another file system mounted inside the tree: never entered.
                m_nodes.back().otherFileSystem = true;
            } else {
                Walk(chain, std::string(), index);
            }
            lost = chain.Ascend() != 0;
        }
        m_path.resize(parentLength);
        ++m_dirCount;
    }
}

std::int32_t cFileSearch::FileFolder(std::int32_t vIndexKey) const {
    if (vIndexKey < 1 || static_cast<size_t>(vIndexKey) > m_fileFolders.size()) {
        throw BadPosition();
    }
    return m_fileFolders[static_cast<size_t>(vIndexKey) - 1];
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
