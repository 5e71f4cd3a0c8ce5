// The walk of a folder given: every file below it shredded through the folders the walk opened,
// then the emptied folders removed, each entry ending in one outcome.
#include "job/ShredJob.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "core/FileSearch.h"
#include "core/FolderChain.h"
#include "core/Host.h"
#include "core/PathHelpers.h"
#include "job/GuardedStep.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "platform/ErrorNumbers.h"
#include "platform/Folder.h"

namespace ostrel {

namespace {

// Reaches the folders of one walk again from the walked folder's descriptor: one step per
// level, each checked against what the walk saw, moving along the tree from the last folder
// reached (a walk visits neighbours one after another) with a bounded number of descriptors.
class FolderCursor {
  public:
    FolderCursor(const platform::Folder& root, const cFileSearch& search)
        : m_chain(root), m_search(search) {}

    // The open folder `node` (-1: the walked folder); nullptr when it cannot be reached, with
    // `error` set (ENOENT: gone; ESTALE: replaced since the walk) and `blocked` the folder on
    // the way that could not be opened.
    const platform::Folder* Reach(std::int32_t node, int& error, std::int32_t& blocked) {
        std::vector<std::int32_t> chain;
        for (std::int32_t n = node; n >= 0; n = m_search.DirNode(n + 1).parent) {
            chain.push_back(n);
        }
        std::reverse(chain.begin(), chain.end());
        std::size_t keep = 0;
        while (keep < m_nodes.size() && keep < chain.size() && m_nodes[keep] == chain[keep]) {
            ++keep;
        }
        while (m_nodes.size() > keep) {
            m_nodes.pop_back();
            if (m_chain.Ascend() != 0) {  // moved meanwhile: start again from the top
                m_chain.Clear();
                m_nodes.clear();
            }
        }
        for (std::size_t i = m_nodes.size(); i < chain.size(); ++i) {
            error = m_chain.Descend(Name(chain[i]), m_search.DirNode(chain[i] + 1).id);
            if (error != 0) {
                // A link or a file where the walk saw this folder: it was replaced.
                error = error == ENOTDIR || error == ELOOP ? platform::kErrorStale : error;
                blocked = chain[i];
                return nullptr;
            }
            m_nodes.push_back(chain[i]);
        }
        return &m_chain.Current();
    }

    // The entry name of folder `node` in the folder above it.
    std::string Name(std::int32_t node) const {
        return platform::SplitFolderAndName(m_search.DirItem(node + 1).DirPath()).second;
    }

    void CloseAll() {
        m_chain.Clear();
        m_nodes.clear();
    }

  private:
    FolderChain m_chain;
    const cFileSearch& m_search;
    std::vector<std::int32_t> m_nodes;  // the folders the chain holds, from the top
};

}  // namespace

void ShredJob::LeaveFolder(const std::string& path, int error) {
    m_report.foldersLeft.push_back(
        {path, error == 0 ? GetLangString(lang::kWhyUnreadable) : Reason(error)});
}

// Shreds every file of the tree below `root` (the enumerator's order), then removes the
// emptied folders from the deepest up and `root` itself from `parent`. Every entry the walk saw
// ends in one outcome: destroyed or removed, or named in the report by a line of its own, or by
// the line of a folder it lies in that says so (a folder that could not be reached, with the
// number of files it leaves; a folder that could not be removed because something in it is
// named already needs no line). The job checks this before it goes on, and names whatever
// ended otherwise.
void ShredJob::ShredFolder(const platform::Folder& parent, const std::string& name,
                           const platform::Folder& root, const std::string& path,
                           std::unique_ptr<cFileSearch> walked) {
    const int passes = PassesOfMethod();
    if (walked == nullptr) {
        walked = std::make_unique<cFileSearch>();
        const bool counted = Counted(path);
        walked->MeasureSizes(!counted);
        walked->OnEntries([] { CurrentHost().DoEvents(); });
        walked->FileSearch(root, AddBackslash(path));
        if (!counted) {
            m_progress.AddPlanned(walked->FileCount(),
                                  walked->TotalFileSize() * passes +
                                      JobProgress::FileWork(0, 0) * walked->FileCount());
        }
    }
    cFileSearch& search = *walked;
    const auto dirCount = static_cast<std::size_t>(search.DirCount());
    // Per folder: true once something below it is in the report.
    std::vector<bool> explained(dirCount, false);
    bool rootExplained = false;
    auto explain = [&](std::int32_t node) {
        for (; node >= 0; node = search.DirNode(node + 1).parent) {
            explained[static_cast<std::size_t>(node)] = true;
        }
        rootExplained = true;
    };
    // Per folder: settled (removed, gone or named), and named by a line that covers everything
    // below it.
    std::vector<bool> folderSettled(dirCount, false);
    std::vector<bool> covering(dirCount, false);
    auto covered = [&](std::int32_t node) {
        for (; node >= 0; node = search.DirNode(node + 1).parent) {
            if (covering[static_cast<std::size_t>(node)]) {
                return true;
            }
        }
        return false;
    };
    // Folders that could not be reached on the way to a file: the error and the files left.
    std::map<std::int32_t, std::pair<int, std::int32_t>> blocked;
    auto leaveBlocked = [&] {
        // One line for the topmost folder of each part that could not be reached.
        for (auto it = blocked.begin(); it != blocked.end();) {
            std::int32_t up = search.DirNode(it->first + 1).parent;
            while (up >= 0 && !blocked.contains(up)) {
                up = search.DirNode(up + 1).parent;
            }
            if (up < 0) {
                ++it;
                continue;
            }
            blocked[up].second += it->second.second;
            it = blocked.erase(it);
        }
        for (const auto& [node, why] : blocked) {
            m_report.foldersLeft.push_back(
                {RemoveTrailingSeparators(search.DirItem(node + 1).DirPath()),
                 Reason(why.first) + "; " + std::to_string(why.second) + " " +
                     GetLangString(lang::kWhyFilesLeft)});
            covering[static_cast<std::size_t>(node)] = true;
            explain(search.DirNode(node + 1).parent);
        }
        blocked.clear();
    };
    FolderCursor cursor(root, search);
    const std::int32_t fileCount = search.FileCount();
    for (std::int32_t i = 1; i <= fileCount; ++i) {
        if (m_stopRequested) {
            // Nothing more is touched, emptied subfolders included: the tree stays as the last
            // finished file left it.
            leaveBlocked();
            m_report.stopped.push_back({path, std::to_string(fileCount - i + 1) + " " +
                                                  GetLangString(lang::kWhyFilesLeft)});
            return;
        }
        const int error = Guarded([&] {
            CurrentHost().DoEvents();
            const std::int32_t node = search.FileFolder(i);
            int reachError = 0;
            std::int32_t stop = -1;
            const platform::Folder* folder = cursor.Reach(node, reachError, stop);
            if (folder == nullptr) {
                m_progress.FileSettled(JobProgress::FileWork(0, 0));  // nothing more to do
                if (reachError != ENOENT) {  // a folder gone takes its files with it
                    ++blocked.try_emplace(stop, reachError, 0).first->second.second;
                }
                return;
            }
            if (ShredFile(*folder, search.FileItem(i).AFilePath(), true)) {
                explain(node);
            }
        });
        if (error != 0) {  // the file's fate is unknown: it is named, with what stopped it
            m_report.failed.push_back({search.FileItem(i).AFilePath(), Reason(error)});
            explain(search.FileFolder(i));
        }
    }
    leaveBlocked();
    if (search.DirCount() > 0) {
        SetPhase(JobProgress::Phase::RemovingFolders);
        ShowProgress(true);
    }
    for (std::int32_t i = search.DirCount(); i >= 1; --i) {
        const auto index = static_cast<std::size_t>(i - 1);
        if (covered(i - 1)) {
            folderSettled[index] = true;  // named with what is below it
            continue;
        }
        Guarded([&] {
            const cFolderNode& node = search.DirNode(i);
            const std::string folderPath = RemoveTrailingSeparators(search.DirItem(i).DirPath());
            int error = 0;
            std::int32_t stop = -1;
            const platform::Folder* above = cursor.Reach(node.parent, error, stop);
            if (above == nullptr) {
                if (error != ENOENT) {
                    LeaveFolder(folderPath, error);
                    explain(node.parent);
                }
                folderSettled[index] = true;
                return;
            }
            if (node.otherFileSystem || node.unreadable) {
                LeaveFolder(folderPath, node.otherFileSystem ? EBUSY : 0);
                explain(node.parent);
                folderSettled[index] = true;
                return;
            }
            const auto status = above->Stat(cursor.Name(i - 1));
            if (!status) {
                folderSettled[index] = true;  // gone already
                return;
            }
            error = status->id == node.id ? above->RemoveFolder(cursor.Name(i - 1))
                                          : platform::kErrorStale;
            m_foldersRemoved += error == 0 ? 1 : 0;
            if (error != 0 && error != ENOENT && !explained[index]) {
                LeaveFolder(folderPath, error);
                explain(node.parent);
            }
            folderSettled[index] = true;
            ShowProgress(false);
            CurrentHost().DoEvents();
        });
        if (!folderSettled[index]) {  // its fate is unknown: it is named
            LeaveFolder(RemoveTrailingSeparators(search.DirItem(i).DirPath()), EIO);
            explain(search.DirNode(i).parent);
        }
    }
    cursor.CloseAll();
    if (search.RootUnreadable()) {
        LeaveFolder(path, 0);
        return;
    }
    const auto status = parent.Stat(name);
    if (!status) {
        return;
    }
    const int error =
        status->id == root.Identity() ? parent.RemoveFolder(name) : platform::kErrorStale;
    m_foldersRemoved += error == 0 ? 1 : 0;
    if (error != 0 && error != ENOENT && !rootExplained) {
        LeaveFolder(path, error);
    }
}

}  // namespace ostrel
