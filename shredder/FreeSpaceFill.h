#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Folder.h"
#include "platform/OverwriteReach.h"
#include "platform/RawFile.h"

namespace ostrel {

// What a fill of free space did, for the job's report.
struct FillOutcome {
    enum class End {
        Filled,   // every pass written over every fill file and flushed
        Stopped,  // asked to stop
        Failed,   // an error other than a full disk stopped it (`error`)
    };
    End end = End::Failed;
    int error = 0;
    int passesDone = 0;        // passes written over every fill file made and flushed
    std::int64_t filled = 0;   // the bytes the first pass put into fill files
    std::int64_t written = 0;  // the bytes of every pass together
    std::int32_t files = 0;    // fill files made
    bool reachedFull = false;  // the first pass ended at a full disk (or quota, or size limit)
    // From the first "disk full" to the deletion of the last fill file.
    std::chrono::steady_clock::duration fullFor{};
    // What the file system still counted as free when it was full (blocks kept for the
    // administrator, say); -1 when it was never full or could not tell.
    std::int64_t leftFree = -1;
    int deleteError = 0;  // 0: every fill file was deleted
    platform::OverwriteReach reach;
    bool flash = false;  // on flash storage (see platform::OnFlashStorage)
};

// Fills the free space of the file system holding `folder`, a private folder of the program's
// holding nothing else, with files of at most `fileSize` bytes (smaller as the disk fills) until
// the disk is full. Each file gets every pass, each flushed before the next, before the next file
// is made, so that the disk is full only while the last, small files get their later passes. One
// file is open at a time, and the data is written from one buffer. Whatever ends the fill, every
// fill file is deleted at once.
class FreeSpaceFill {
  public:
    static constexpr std::int64_t kFileSize = std::int64_t{1} << 30;
    static constexpr std::int64_t kWriteSize = std::int64_t{1} << 20;
    // The size below which fill files do not shrink as the disk fills.
    static constexpr std::int64_t kSmallestFileSize = std::int64_t{16} << 20;
    // The data of a fill file goes to the disk in windows of this size while the next is written.
    static constexpr std::int64_t kWriteBackWindow = std::int64_t{32} << 20;

    // Called between the writes (one per kWriteSize) with the bytes written so far, the bytes to
    // write in all (a guess until the first pass ends) and the pass (1-based); false stops the
    // fill.
    using Progress = std::function<bool(std::int64_t done, std::int64_t planned, int pass)>;

    FreeSpaceFill(const platform::Folder& folder, std::span<const std::int32_t> passes,
                  std::int64_t fileSize = kFileSize)
        : m_folder(folder), m_passes(passes), m_fileSize(fileSize) {}

    // `planned`: the free space the fill is expected to find.
    FillOutcome Run(std::int64_t planned, const Progress& progress);

  private:
    struct FillFile {
        std::string name;
        platform::FileIdentity id;
        std::int64_t size = 0;
    };
    // Writes `length` bytes of `chunk` repeated to `file` from `done` on, counting them in `done`
    // and the outcome; 0, or the error that stopped it (ECANCELED: asked to).
    int WriteSpan(platform::RawFile& file, const std::string& chunk, std::int64_t length, int pass,
                  const Progress& progress, std::int64_t& done);
    // Makes fill files, each with every pass, until the disk is full; returns 0, or the error
    // that stopped it (ECANCELED: asked to).
    int Fill(const Progress& progress);
    // Writes pass `pass` (0-based, after the first) over the fill file `fill` and flushes it.
    int Overwrite(const FillFile& fill, std::size_t pass, const Progress& progress);
    void NoteFull();
    void DeleteAll();

    const platform::Folder& m_folder;
    std::span<const std::int32_t> m_passes;
    std::int64_t m_fileSize;
    std::int64_t m_planned = 0;
    std::vector<FillFile> m_files;
    FillOutcome m_outcome;
    std::optional<std::chrono::steady_clock::time_point> m_fullSince;
};

}  // namespace ostrel
