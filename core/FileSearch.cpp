#include "core/FileSearch.h"

#include "core/PathHelpers.h"
#include "core/RuntimeError.h"
#include "platform/DirSearch.h"

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
}

void cFileSearch::FileSearch(const std::string& sDirectory) {
    InitCollections();
    size_t slash = sDirectory.rfind(kSeparator);
    std::string folder =
        slash == std::string::npos ? std::string() : sDirectory.substr(0, slash + 1);
    std::string pattern = slash == std::string::npos ? sDirectory : sDirectory.substr(slash + 1);
    platform::DirSearch search = platform::DirSearch::Open(folder);
    if (search.IsOpen()) {
        m_path = folder;
        Walk(search, IsMatchAll(pattern) ? std::string() : pattern);
    }
}

void cFileSearch::Walk(platform::DirSearch& search, const std::string& literalName) {
    platform::DirEntry entry;
    while (search.Next(entry)) {
        if (!literalName.empty() && entry.name != literalName) {
            continue;
        }
        if (!entry.isDirectory) {
            AddFile(entry.name);
            ++m_fileCount;
            continue;
        }
        if (entry.name == "." || entry.name == "..") {
            continue;
        }
        AddDir(entry.name);
        size_t parentLength = m_path.size();
        m_path.append(entry.name);
        m_path.push_back(kSeparator);
        platform::DirSearch child = platform::DirSearch::OpenChild(search, entry.name);
        if (child.IsOpen()) {
            Walk(child, std::string());
        }
        m_path.resize(parentLength);
        ++m_dirCount;
    }
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
