#include "core/FileSearch.h"

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
    platform::Folder root = platform::Folder::Open(folder);
    platform::DirSearch search = root.List();
    if (search.IsOpen()) {
        m_path = folder;
        m_rootMount = root.Status().mountId;
        m_rootId = root.Identity();
        Walk(search, IsMatchAll(pattern) ? std::string() : pattern, -1);
    }
}

void cFileSearch::FileSearch(const platform::Folder& root, const std::string& rootPath) {
    InitCollections();
    platform::DirSearch search = root.List();
    m_path = rootPath;
    m_rootMount = root.Status().mountId;
    m_rootId = root.Identity();
    if (!search.IsOpen()) {
        m_rootUnreadable = true;
        return;
    }
    Walk(search, std::string(), -1);
}

void cFileSearch::Walk(platform::DirSearch& search, const std::string& literalName,
                       std::int32_t node) {
    platform::DirEntry entry;
    while (search.Next(entry)) {
        if (!literalName.empty() && entry.name != literalName) {
            continue;
        }
        if (!entry.isDirectory) {
            AddFile(entry.name);
            m_fileFolders.push_back(node);
            ++m_fileCount;
            continue;
        }
        if (entry.name == "." || entry.name == "..") {
            continue;
        }
        AddDir(entry.name);
        const auto index = static_cast<std::int32_t>(m_nodes.size());
        cFolderNode& added = m_nodes.emplace_back();
        added.parent = node;
        size_t parentLength = m_path.size();
        m_path.append(entry.name);
        m_path.push_back(kSeparator);
        platform::DirSearch child = platform::DirSearch::OpenChild(search, entry.name);
        const auto status = child.Status();
        if (status) {
            added.id = status->id;
        }
        if (!child.IsOpen() || !status) {
            added.unreadable = true;
        } else if (status->mountId != m_rootMount || status->id.device != m_rootId.device) {
            // Another file system mounted inside the tree: never entered.
            added.otherFileSystem = true;
        } else {
            Walk(child, std::string(), index);
        }
        m_path.resize(parentLength);
        ++m_dirCount;
    }
    if (search.Error() != 0) {
        (node < 0 ? m_rootUnreadable : m_nodes[static_cast<size_t>(node)].unreadable) = true;
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
