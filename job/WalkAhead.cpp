#include "job/WalkAhead.h"

#include <utility>

#include "core/PathHelpers.h"
#include "platform/Folder.h"

namespace ostrel {

namespace {

// Thrown out of a walk that is no longer wanted, from the walk's own progress callback.
struct WalkPassed {};

std::vector<std::string> WithoutTrailingSeparators(std::vector<std::string> paths) {
    for (std::string& path : paths) {
        path = RemoveTrailingSeparators(path);
    }
    return paths;
}

}  // namespace

WalkAhead::WalkAhead(std::vector<std::string> paths, Clock::duration fresh)
    : m_paths(WithoutTrailingSeparators(std::move(paths))),
      m_fresh(fresh),
      m_walked(m_paths.size()),
      m_thread([this] { Run(); }) {}

WalkAhead::~WalkAhead() {
    Stop();
    m_thread.join();
}

void WalkAhead::Stop() {
    const std::lock_guard lock(m_mutex);
    m_wanted = m_paths.size();
    m_walked.clear();
    m_walked.resize(m_paths.size());
}

void WalkAhead::WaitForWalks() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_done == m_paths.size(); });
}

bool WalkAhead::Passed(std::size_t index) {
    const std::lock_guard lock(m_mutex);
    return index < m_wanted;
}

void WalkAhead::Run() {
    for (std::size_t i = 0; i < m_paths.size(); ++i) {
        if (!Passed(i)) {
            WalkOne(i);
        }
        const std::lock_guard lock(m_mutex);
        m_done = i + 1;
        m_changed.notify_all();
    }
}

void WalkAhead::WalkOne(std::size_t index) {
    const std::string& path = m_paths[index];
    if (path.empty()) {
        return;
    }
    // Opened as the job opens a folder given: its parent following links, then the entry itself.
    const auto [folderPath, name] = platform::SplitFolderAndName(path);
    const platform::Folder parent = platform::Folder::OpenFollowingLinks(folderPath);
    const auto status = parent.IsOpen() ? parent.Stat(name) : std::nullopt;
    if (!status || status->type != platform::FileType::Directory) {
        return;
    }
    const platform::Folder root = parent.OpenChild(name, status->id);
    if (!root.IsOpen()) {
        return;
    }
    auto search = std::make_unique<cFileSearch>();
    search->MeasureSizes(true);
    search->OnEntries([this, index] {
        if (Passed(index)) {
            throw WalkPassed{};
        }
    });
    try {
        search->FileSearch(root, AddBackslash(path));
    } catch (...) {
        return;  // passed over, or out of memory: the job walks for itself and says what it meets
    }
    const std::lock_guard lock(m_mutex);
    if (index >= m_wanted) {
        m_walked[index] = {root.Identity(), std::move(search), Clock::now()};
    }
}

std::unique_ptr<cFileSearch> WalkAhead::Take(const std::string& path,
                                             const platform::FileIdentity& root) {
    std::unique_lock lock(m_mutex);
    std::size_t index = m_wanted;
    while (index < m_paths.size() && m_paths[index] != path) {
        ++index;
    }
    if (index == m_paths.size()) {
        return nullptr;
    }
    m_wanted = index;  // whatever comes before is passed over
    m_changed.wait(lock, [&] { return m_done > index; });
    m_wanted = index + 1;
    Walked walked = std::move(m_walked[index]);
    if (walked.search == nullptr || !(walked.root == root) ||
        Clock::now() - walked.ended > m_fresh) {
        return nullptr;
    }
    return std::move(walked.search);
}

}  // namespace ostrel
