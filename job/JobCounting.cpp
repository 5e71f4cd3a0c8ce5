// The count before a job touches anything (every file below every path given, and its bytes)
// and the progress the job shows from it.
#include "job/ShredJob.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>

#include "core/FileSearch.h"
#include "core/Host.h"
#include "core/PathHelpers.h"
#include "job/WalkAhead.h"
#include "platform/FileSystem.h"
#include "platform/Folder.h"

namespace ostrel {

namespace {

// The window is told the job's progress at most this often: twenty times a second looks smooth,
// and more would cost a job of many small files more than its files.
constexpr std::chrono::milliseconds kProgressInterval{50};
// Walks of the folders given kept from the count to the shred (each holds a descriptor).
constexpr std::size_t kKeptWalks = 32;

}  // namespace

int ShredJob::PassesOfMethod() const {
    const std::string method = m_forms.options.DeleteMethod();
    if (method == kMethodDod7) {
        return 7;
    }
    if (method == kMethodDod3) {
        return 3;
    }
    return method == kMethodSimple ? 1 : 0;
}

bool ShredJob::Counted(const std::string& path) const {
    return m_counted.contains(path);
}

bool ShredJob::SetPhase(JobProgress::Phase phase) {
    if (phase == m_progress.CurrentPhase()) {
        return false;
    }
    m_progress.SetPhase(phase, JobProgress::Clock::now());
    return true;
}

void ShredJob::ShowProgress(bool now) {
    const auto time = JobProgress::Clock::now();
    if (!now && time - m_lastShown < kProgressInterval) {
        return;
    }
    m_lastShown = time;
    // What the files under way have written so far; a file's share never passes its own work.
    const auto share = [](const clsShredder& shredder, std::int64_t work) {
        return std::min(shredder.BytesWritten(), work - JobProgress::FileWork(0, 0));
    };
    std::int64_t underWay = 0;
    for (const auto& [tag, finishing] : m_finishing) {
        underWay += share(*finishing.shredder, finishing.work);
    }
    if (m_current != nullptr) {
        underWay += share(*m_current, m_currentWork);
    }
    m_progress.SetUnderWay(underWay);
    m_progress.SetPass(m_current != nullptr ? m_current->CurrentPass() : 0, PassesOfMethod());
    ProgressForm& progress = m_forms.progress;
    progress.SetMax(JobProgress::kBarMax);
    progress.SetValue(m_progress.Bar());
    progress.SetStatus(m_progress.Status(time));
}

void ShredJob::CountWork(const std::vector<std::string>& paths) {
    Prepare();
    SetPhase(JobProgress::Phase::Counting);
    m_forms.progress.SetCaption(std::string());
    ShowProgress(true);
    CurrentHost().DoEvents();
    const int passes = PassesOfMethod();
    WalkAhead* const walkAhead = std::exchange(m_walkAhead, nullptr);
    for (const std::string& given : paths) {
        const std::string path = RemoveTrailingSeparators(given);
        if (given.empty() || Counted(path) || m_stopRequested) {
            continue;
        }
        const auto [folderPath, name] = platform::SplitFolderAndName(given);
        const platform::Folder parent = platform::Folder::OpenFollowingLinks(folderPath);
        const auto status = parent.IsOpen() ? parent.Stat(name) : std::nullopt;
        if (!status || m_protected->Refusal(given, parent, status) != 0) {
            continue;  // the shred itself says why
        }
        m_counted.insert(path);
        if (status->type != platform::FileType::Directory) {
            m_progress.AddPlanned(
                1, JobProgress::FileWork(
                       status->type == platform::FileType::Regular ? status->size : 0, passes));
            continue;
        }
        const platform::Folder root = parent.OpenChild(name, status->id);
        if (!root.IsOpen()) {
            continue;
        }
        auto search = walkAhead != nullptr ? walkAhead->Take(path, root.Identity()) : nullptr;
        if (search == nullptr) {
            search = std::make_unique<cFileSearch>();
            search->MeasureSizes(true);
            // A walk of a large tree takes a while: the windows stay live meanwhile.
            search->OnEntries([] { CurrentHost().DoEvents(); });
            search->FileSearch(root, AddBackslash(path));
        }
        m_progress.AddPlanned(
            search->FileCount(),
            search->TotalFileSize() * passes + JobProgress::FileWork(0, 0) * search->FileCount());
        if (m_walked.size() < kKeptWalks) {
            m_walked.push_back({path, root.Identity(), std::move(search)});
        }
        ShowProgress(false);
        CurrentHost().DoEvents();
    }
    if (walkAhead != nullptr) {
        walkAhead->Stop();  // what it still walks is not asked for
    }
}

}  // namespace ostrel
