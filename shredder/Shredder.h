#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/ShredMethods.h"
#include "platform/FileSystem.h"
#include "platform/FlushQueue.h"
#include "platform/Folder.h"
#include "platform/OverwriteReach.h"
#include "platform/Trash.h"

namespace ostrel {

class PassBatch;
class PassRun;

// What became of the file of the last DetermineShredMethod, for the job to tell the user.
enum class ShredOutcome {
    NotAttempted,             // unknown method name, or no file (missing path, folder)
    Destroyed,                // overwritten pass by pass and deleted
    LinkOrSpecialRemoved,     // a link, FIFO, device or socket: removed, nothing written
    NameRemovedContentsKept,  // more than one hard link: only this name removed
    Finishing,                // the last flush and close run on the flush queue (see below)
    ScheduledAtRestart,       // overwritten with spaces as far as possible, deleted at restart
    NotOverwritten,           // nothing written: the contents are intact (see the error), under
                              // the name given unless `whereNow` says otherwise
    Trashed,                  // moved to the trash
    TrashRefused,             // the trash would not take it; the file is where it was
    Failed,                   // neither destroyed nor scheduled (for example replaced meanwhile)
};

// The details of an outcome, for the report.
struct ShredResult {
    ShredOutcome outcome = ShredOutcome::NotAttempted;
    // Why the file is not destroyed (a system error number; EBUSY for a mount point, ESTALE for
    // a file replaced meanwhile); 0 when it is.
    int error = 0;
    // Where the file is now when that is no longer the name it was given under (moved under a
    // random name and then not destroyed); empty otherwise.
    std::string whereNow;
    // The path the file was last under while the shred acted on it: its random name after the
    // move (also once it is destroyed there), else the path it was given.
    std::string lastPath;
    bool inUse = false;  // another program held the file open
    // What may keep a copy of the old contents where the passes cannot reach it (a
    // copy-on-write file system, a reflinked copy, ...), found when the first pass opened the
    // file; no limits when it was never opened.
    platform::OverwriteReach reach;
    // Why the trash would not take the file (TrashRefused): a trash folder that cannot be
    // trusted with it, or Failed with `error`; and that folder when known.
    platform::TrashProblem trashProblem = platform::TrashProblem::None;
    std::string trashFolder;
};

// One file to shred and how: the caller builds it and hands it to DetermineShredMethod.
//
// It owns none of the folders, queue and batch it names; the caller keeps them alive:
// - `source` and `onProgress`: for the call only;
// - `holding` (the folder, the queue and the batch): when the outcome is Finishing, until the
//   caller has handed the queue's verdict to FinishLastPass and no queued work of the file is
//   left: the passes that run on the queue write through the holding folder, and the fallback
//   FinishLastPass may run acts in it. (The job keeps all three for the whole job.)
// The request itself may go when the call returns: the shredder keeps no reference to it.
struct ShredRequest {
    // The names the program's design gives the shredder's inputs.
    std::string p_ShredMethod;  // the method's name, which selects the routine
    std::string p_SourceFile;   // the file's full path
    bool RenameFlag = false;    // move the file under a random name before the first pass

    // The entry of p_SourceFile as the caller holds it: its folder, kept open from the caller's
    // walk, and its status there as just read. The file is then reached through that folder
    // (the folder part of p_SourceFile is only shown) and not looked up again. Without it the
    // folder part of p_SourceFile is opened when the shred starts.
    struct OpenEntry {
        const platform::Folder& folder;
        platform::FileStatus status;
    };
    std::optional<OpenEntry> source;

    // The holding folder as the caller keeps it open (without it HoldingFolderPath() is opened
    // for this file), and where the rest of the passes of a file moved into it (a small file's
    // after the first, a large file's last flush and close) may run while the caller goes on
    // with the next file. The outcome is then Finishing until the caller hands the queue's
    // verdict to FinishLastPass. Without a queue every pass ends in the call.
    struct OpenHolding {
        const platform::Folder& folder;
        platform::FlushQueue* queue = nullptr;
        // Where a small file bound for `queue` goes to be handed over in a batch; without it
        // each such file is handed over alone.
        PassBatch* batch = nullptr;
        // What the queue's verdict on this file's passes is collected under: unique among the
        // files the caller has handed to `queue` and not yet collected.
        std::uint64_t tag = 0;
    };
    std::optional<OpenHolding> holding;

    // Called between the large writes of passes that run in the call (about one per MiB), so
    // that the caller can show how far the file has got; never from a queue thread.
    std::function<void()> onProgress;
};

// Destroys one file by the named method. The job builds a ShredRequest and calls
// DetermineShredMethod; a fresh object serves each file. The overwrite methods move the file
// into the holding folder (HoldingFolderPath()), which they never create.
//
// Its routines, by file: Shredder.cpp the dispatch on the method name; WipeFile.cpp the
// overwrite methods (the checks before writing, then the passes, here or on the flush queue);
// HoldingFolder.cpp the move out of sight; Outcomes.cpp how a shred ends (destroyed, the
// fallback, left intact); FileChecks.cpp the trash and the spaces; DeferredDeletion.cpp the
// deletion at restart. One file's passes are PassRun's (PassRun.h, internal), small files'
// passes in batches PassBatch's.
class clsShredder {
  public:
    // Runs the routine the request's method name selects on its file; an unknown name does
    // nothing. An error that reaches here is shown in an error box through the host.
    void DetermineShredMethod(const ShredRequest& request);

    // Settles a file whose passes went to the request's flush queue: destroyed when they and
    // the deleting close succeeded (`error` 0), otherwise the fallback runs with `error`.
    void FinishLastPass(int error);

    // The bytes the passes have written into the file so far (all passes together; also while
    // they finish on the flush queue), and the pass under way here, 1-based (0: none).
    std::int64_t BytesWritten() const;
    int CurrentPass() const;

  private:
    // Moves the entry (never a folder) into the trash through its open folder.
    void RecycleFile(const ShredRequest& request, std::string& path);
    // The one-, three- and seven-pass overwrites, by their fixed pass tables.
    void WipeFileSimple(const ShredRequest& request, std::string& spath);
    void WipeFileDod3(const ShredRequest& request, std::string& spath);
    void WipeFileDod7(const ShredRequest& request, std::string& spath);
    void IsNotWin9x(bool& result);
    void DeleteOnReboot(std::string& path, std::string& entryPath);

    // Where the file being shredded is: an open folder and the entry's name in it.
    struct Location {
        const platform::Folder* folder = nullptr;
        std::string folderPath;  // shown and recorded: ends in a separator, or is empty
        std::string name;
        std::string Path() const { return folderPath + name; }
    };

    void WipeFile(const ShredRequest& request, std::string& spath,
                  std::span<const std::int32_t> passes);
    // Nothing may be written to the file at `at`: returns the error that says why (0: go on).
    int RefusalBeforeWriting(const Location& at, const platform::FileStatus& status);
    bool RemovedAsUnwritable(const Location& at, const platform::FileStatus& status);
    // Moves the file under a random name; returns 0 or the rename's error.
    int MoveOutOfSight(const ShredRequest& request, Location& at,
                       const platform::FileStatus& status);
    void RunPasses(const ShredRequest& request, const Location& at,
                   std::span<const std::int32_t> passes);
    void RunFallback(const Location& at, const std::string& entryPath, int error);
    void LeaveIntact(const Location& at, int error);
    void RemoveNameOnly(const Location& at);
    void Finish(ShredOutcome outcome, int error = 0);

    friend ShredOutcome ShredOutcomeOf(const clsShredder& shredder);
    friend const ShredResult& ShredResultOf(const clsShredder& shredder);

    ShredResult m_result;
    platform::Folder m_ownSource;    // the file's folder when the request gave none
    platform::Folder m_ownHolding;   // the holding folder when the request gave none
    Location m_origin;               // where the file was given (no folder: no longer open)
    Location m_finishing;            // where the file is while its passes finish elsewhere
    std::shared_ptr<PassRun> m_run;  // its passes, shared with the flush queue
    std::string m_entryPath;
    std::optional<platform::FileIdentity> m_file;          // the file being shredded
    std::string m_inProgressPath;                          // its entry on the in-progress list
    const platform::Folder* m_inProgressFolder = nullptr;  // the folder that entry names
    // The folder the file left for the holding folder, when the flush queue flushes both before
    // the first pass.
    std::shared_ptr<const platform::Folder> m_unsyncedSource;
    std::int64_t m_unsyncedSize = 0;  // that file's length
    bool m_scheduled = false;
    bool m_busy = false;
};

// What became of the file of `shredder`'s last shred.
ShredOutcome ShredOutcomeOf(const clsShredder& shredder);
const ShredResult& ShredResultOf(const clsShredder& shredder);

// Opens the holding folder HoldingFolderPath() when it is fit to hold files on their way
// to destruction: a real folder of this user that nobody else may enter. Not open otherwise.
platform::Folder OpenHoldingFolder();

}  // namespace ostrel
