#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/FileSearch.h"
#include "core/Host.h"
#include "job/Forms.h"
#include "job/JobProgress.h"
#include "job/ProtectedFolders.h"
#include "platform/FlushQueue.h"
#include "platform/Folder.h"
#include "platform/OverwriteReach.h"
#include "shredder/PassBatch.h"
#include "shredder/Shredder.h"

namespace ostrel {

class WalkAhead;

// One path in the job report and, where it helps, why it is there.
struct ReportLine {
    std::string path;
    std::string reason;
    bool operator==(const ReportLine&) const = default;
};

// What a job could not destroy at once, by what became of each path (as it was given).
struct JobReport {
    std::vector<ReportLine> scheduledAtRestart;  // overwritten with spaces, deleted later
    std::vector<std::string> contentsKept;       // name removed; other hard links keep it
    std::vector<ReportLine> trashRefused;        // the trash would not take it
    std::vector<ReportLine> failed;              // neither destroyed nor scheduled
    std::vector<std::string> notFound;           // given, but nothing there
    std::vector<ReportLine> foldersLeft;         // folders that could not be removed
    std::vector<ReportLine> refused;             // given, but never touched
    std::vector<ReportLine> stopped;             // left untouched because the job was stopped
    std::optional<std::string> unknownMethod;    // the method name when it is not one of four
    // What was destroyed and the time it took, one line; said with the report when there is one.
    std::string summary;

    // Notes, which do not count as failures: files overwritten and deleted whose old contents
    // may survive where overwriting cannot reach (why), and the files an interrupted run left
    // that this start destroyed.
    std::vector<ReportLine> reachLimited;
    std::vector<std::string> finishedLeftovers;
    // The fill folders of interrupted free-space wipes whose fill files this start deleted.
    std::vector<std::string> fillFilesDeleted;
    // Notes of a start on what an interrupted run or an earlier boot left and it could not finish:
    // files whose disk is not there now (named at every start until it is back), and files
    // scheduled for deletion at restart that changed since, or were replaced, and were kept.
    std::vector<std::string> waitingForDisk;
    std::vector<std::string> keptChanged;

    // True when everything given was destroyed (the notes aside).
    bool Empty() const {
        return scheduledAtRestart.empty() && contentsKept.empty() && trashRefused.empty() &&
               failed.empty() && notFound.empty() && foldersLeft.empty() && refused.empty() &&
               stopped.empty() && !unknownMethod;
    }
};

// One shredding job: the paths it is given, what it found out about them and its report. Only
// one job runs at a time on the host: a job started while another is running (an event handled
// during that job's DoEvents, say) does nothing at all and says so through Started().
class ShredJob final : private RunningJob {
  public:
    explicit ShredJob(Forms& forms);
    ~ShredJob();
    ShredJob(const ShredJob&) = delete;
    ShredJob& operator=(const ShredJob&) = delete;

    // False when another job was running when this one was made: this one then touches nothing.
    bool Started() const { return m_started; }

    // True while a job runs on the current host.
    static bool AnyRunning();
    // Asks the job running on the current host, if any, to stop: the file being shredded is
    // finished, nothing after it is touched, and every path or folder left is reported under
    // `stopped`.
    static void StopRunning();

    // Shreds a Windows-style command-line text: a list of drive-letter paths is split and each
    // item shredded; double quotes are removed. Files go to the shredder by the method that
    // the options form holds, folders are walked, emptied and removed.
    void ShredPath(std::string& path);

    // Shreds each path as ShredSinglePath does, as one job: every file below every path is
    // counted first, so that the progress window shows the whole job (files done of all, the
    // work of their passes, the time left); the phase after the last file is named, and at the
    // end the window says what was destroyed and how long it took (in the report, when there is
    // one).
    void ShredPaths(const std::vector<std::string>& paths);

    // Shreds one path exactly as given (no quote removal, no splitting at colons, blanks kept):
    // a file, a link, or a folder with everything below it. This is how each command-line
    // argument is handled. Refused before anything is touched: "/" and everything directly
    // below it, "." and "..", the current folder and the one above it, the home folder, and any
    // folder that is or holds one of the program's own folders. A folder is walked once;
    // everything below it is reached through descriptors kept from that walk, and other file
    // systems mounted inside it are left alone. An empty path is skipped.
    void ShredSinglePath(const std::string& path);

    // Wipes the free space of the file system that holds the folder `folder`: fills it with the
    // overwrite patterns of the options form's method (each pass flushed before the next), in
    // fill files inside a private folder of the program's on that file system, then deletes them
    // all at once. The progress window shows the bytes of free space done and to do, the rate and
    // the time left; StopRunning stops the fill within a second and frees the space at once. What
    // could not be reached or done goes into the report. The "Recycle Bin" method is refused.
    void WipeFreeSpace(const std::string& folder);

    // Shreds the file `path` by `method` without showing progress (a file an interrupted run
    // left on its way to destruction).
    void ShredLeftover(const std::string& path, const std::string& method);

    // Notes what became of a file an interrupted run or an earlier boot left (see JobReport).
    // FillFilesDeleted and FillFilesKept: the fill folder `path` of an interrupted free-space
    // wipe was cleared, or could not be for `error`.
    enum class LeftoverNote { WaitingForDisk, KeptChanged, FillFilesDeleted, FillFilesKept };
    void NoteLeftover(LeftoverNote note, const std::string& path, int error = 0);

    // Walks of the paths of the next ShredPaths made ahead of it, taken where they are still
    // good; `walks` must outlive that call.
    void UseWalkAhead(WalkAhead* walks) { m_walkAhead = walks; }

    // What the job could not destroy at once so far; starts a new report.
    JobReport TakeReport();

  private:
    class Walk;

    // The holding folder, the flush queue and the refusals, made at the first path.
    void Prepare();
    // Counts the files below `paths` and their bytes, before anything is touched; keeps the
    // walks of the first folders for ShredFolder.
    void CountWork(const std::vector<std::string>& paths);
    // Shows the job's progress; at most every kProgressInterval unless `now`.
    void ShowProgress(bool now);
    // True when the phase changed.
    bool SetPhase(JobProgress::Phase phase);
    int PassesOfMethod() const;

    void ShredGivenPath(const std::string& path);
    // `planned`: the file is in the count already.
    bool ShredFile(const platform::Folder& folder, const std::string& path, bool planned);
    void ShredFolder(const platform::Folder& parent, const std::string& name,
                     const platform::Folder& root, const std::string& path,
                     std::unique_ptr<cFileSearch> walked);
    bool RecordOutcome(const std::string& path, const platform::FileIdentity& file,
                       const ShredResult& result);
    void LeaveFolder(const std::string& path, int error);
    // Settles the files whose last pass has finished on the flush queue (with `all`, waits for
    // every one still in flight).
    void CollectFinished(bool all);

    void RequestStop() override { m_stopRequested = true; }

    Forms& m_forms;
    Host& m_host;  // the host the job runs on (registered there while it lives)
    bool m_started = false;
    bool m_stopRequested = false;
    JobReport m_report;
    // Names removed while other hard links kept the contents, with the file they named: when
    // the job later destroys that file under its last name, the contents are gone after all.
    std::vector<std::pair<platform::FileIdentity, std::string>> m_kept;
    // Each path given since the report was last taken, as its folder, its name there and what
    // it was: a path given again, or one below a tree given before, was already dealt with.
    struct Given {
        platform::FileIdentity folder;
        std::string name;
        platform::FileIdentity entry;
    };
    std::vector<Given> m_given;
    // True when entry `name` of `folder` was given (as `entry`, when that is known).
    bool AlreadyGiven(const platform::FileIdentity& folder, const std::string& name,
                      const std::optional<platform::FileIdentity>& entry) const;
    bool InsideAGivenPath(const std::string& path) const;
    // What the paths given are checked against; found at the first path.
    std::unique_ptr<ProtectedFolders> m_protected;
    // Files handed to the flush queue are finished in this folder: the destructor joins the
    // queue before anything else goes, so the folder outlives every queued work.
    platform::Folder m_holding;
    // Flushes of files in the holding folder run here while the next files are written; each
    // such file's shredder waits in m_finishing for its verdict.
    std::unique_ptr<platform::FlushQueue> m_flushQueue;
    struct Finishing {
        std::unique_ptr<clsShredder> shredder;
        std::string path;
        platform::FileIdentity file;
        std::int64_t work = 0;  // JobProgress::FileWork of the file
    };
    std::map<std::uint64_t, Finishing> m_finishing;
    // Small files bound for m_flushQueue are gathered here and handed over in batches.
    std::unique_ptr<PassBatch> m_passBatch;
    std::uint64_t m_lastFlushTag = 0;  // each file handed to the queue gets the next

    JobProgress m_progress;
    JobProgress::Clock::time_point m_lastShown;
    // The file whose passes run here now, and its work.
    const clsShredder* m_current = nullptr;
    std::int64_t m_currentWork = 0;
    // Paths whose files are in the count already.
    std::set<std::string> m_counted;
    bool Counted(const std::string& path) const;
    // Walks made by the count, for the folder given as `path` (whose walk began at `root`).
    struct Walked {
        std::string path;
        platform::FileIdentity root;
        std::unique_ptr<cFileSearch> search;
    };
    std::vector<Walked> m_walked;
    WalkAhead* m_walkAhead = nullptr;  // for the next count only
    bool m_lastGiven = false;          // the path being shredded is the job's last
    std::int32_t m_filesDestroyed = 0;
    std::int32_t m_filesTrashed = 0;  // not destroyed: the summary says where they went
    std::int32_t m_foldersRemoved = 0;
};

// Why a file or folder could not be dealt with, from the error that stopped it, and why old
// contents may survive an overwrite, from the limits found; in the language file's words.
std::string Reason(int error);
std::string ReachReason(const platform::OverwriteReach& reach);

// Shows one message listing what `report` holds, its notes last; nothing when it holds nothing.
void ShowJobReport(const JobReport& report);

}  // namespace ostrel
