#include "shredder/FreeSpaceFill.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "platform/ErrorNumbers.h"
#include "platform/FreeSpace.h"
#include "platform/RawFile.h"
#include "shredder/FillData.h"

namespace ostrel {
namespace {

constexpr std::int64_t kBlockSize = 8192;
// Files that may each end at a full disk and still have got something before the pass ends.
constexpr int kMaxFullFiles = 16;

// The disk (or the user's quota, or the file's size limit) is full: the first pass ends here.
bool IsFull(int error) {
    return error == ENOSPC || error == platform::kErrorQuota || error == EFBIG;
}

// kWriteSize bytes of pass `pattern`: one block repeated, as the passes over files write it.
std::string PassChunk(std::int32_t pattern) {
    const std::string block = PassData(pattern, kBlockSize);
    std::string chunk;
    chunk.reserve(static_cast<std::size_t>(FreeSpaceFill::kWriteSize));
    while (static_cast<std::int64_t>(chunk.size()) < FreeSpaceFill::kWriteSize) {
        chunk += block;
    }
    return chunk;
}

int ErrorOf(const platform::RawFile& file) {
    return file.Error() != 0 ? file.Error() : EIO;
}

}  // namespace

FillOutcome FreeSpaceFill::Run(std::int64_t planned, const Progress& progress) {
    m_planned = std::max<std::int64_t>(planned, 0) * static_cast<std::int64_t>(m_passes.size());
    const int error = m_passes.empty() ? EINVAL : Fill(progress);
    DeleteAll();
    m_outcome.error = error == ECANCELED ? 0 : error;
    m_outcome.end = error == 0           ? FillOutcome::End::Filled
                    : error == ECANCELED ? FillOutcome::End::Stopped
                                         : FillOutcome::End::Failed;
    return m_outcome;
}

int FreeSpaceFill::WriteSpan(platform::RawFile& file, const std::string& chunk, std::int64_t length,
                             int pass, const Progress& progress, std::int64_t& done) {
    while (done < length) {
        const auto n = static_cast<std::size_t>(std::min(kWriteSize, length - done));
        if (!file.Write(std::string_view(chunk).substr(0, n))) {
            return ErrorOf(file);
        }
        done += static_cast<std::int64_t>(n);
        m_outcome.written += static_cast<std::int64_t>(n);
        // The window just written starts on its way to the disk, and the one before it is waited
        // for: little is ever left unwritten in memory, so the flush at the file's end, and a
        // stop, wait for at most about two windows.
        if (done % kWriteBackWindow == 0) {
            file.WriteBack(done - kWriteBackWindow, kWriteBackWindow, false);
            if (done >= 2 * kWriteBackWindow) {
                file.WriteBack(done - 2 * kWriteBackWindow, kWriteBackWindow, true);
            }
        }
        if (!progress(m_outcome.written, m_planned, pass)) {
            return ECANCELED;
        }
    }
    return 0;
}

int FreeSpaceFill::Fill(const Progress& progress) {
    const std::string chunk = PassChunk(m_passes[0]);
    const bool root = platform::EffectiveUserId() == 0;
    int fullFiles = 0;
    for (std::uint32_t index = 0;; ++index) {
        // Files get smaller as the disk fills, so that the last ones, whose passes are written
        // while the disk is full, are small: a quarter of the room left, within limits.
        std::int64_t size = m_fileSize;
        if (const auto space = platform::FreeSpaceOf(m_folder)) {
            const std::int64_t left = root ? space->freeBytes : space->availableBytes;
            size = std::min(m_fileSize, std::max(kSmallestFileSize, left / 4));
        }
        platform::RawFile::Options options;
        options.writeOnly = true;
        options.exclusive = false;  // the folder is private: nobody else can open its files
        const std::string name = platform::FillFileName(index);
        platform::RawFile file = platform::RawFile::OpenAt(m_folder, name, options);
        if (!file.IsValid()) {
            // No room left even for a new file: the fill is full.
            if (IsFull(file.Error())) {
                NoteFull();
                return 0;
            }
            return file.Error() != 0 ? file.Error() : EIO;
        }
        m_files.push_back({name, file.Identity(), 0});
        ++m_outcome.files;
        m_outcome.passesDone = 0;  // the new file has none yet
        if (index == 0) {
            // Before the first write: a copy-on-write file system is seen by its type.
            m_outcome.reach = platform::FindOverwriteReach(file);
            m_outcome.flash = platform::OnFlashStorage(m_folder);
        }
        const std::int64_t writtenBefore = m_outcome.written;
        std::int64_t done = 0;
        int error = WriteSpan(file, chunk, size, 1, progress, done);
        if (error == ECANCELED || (error != 0 && !IsFull(error))) {
            return error;
        }
        if (error != 0) {
            // What fitted is in the file (a write cut short counts what it wrote); a handle
            // whose write failed reports every later flush as failed, so a new one flushes it.
            NoteFull();
            done = std::max<std::int64_t>(file.Size(), 0);
            m_outcome.written = writtenBefore + done;
            file = platform::RawFile();
            platform::RawFile::Options again;
            again.writeOnly = true;
            again.exclusive = false;
            again.create = false;
            again.expected = m_files.back().id;
            again.privateFolder = true;
            file = platform::RawFile::OpenAt(m_folder, name, again);
        }
        m_files.back().size = done;
        m_outcome.filled += done;
        if (!file.Flush() || !file.Close()) {
            return ErrorOf(file);
        }
        m_outcome.passesDone = 1;
        // The later passes go over this file now, while the disk may still have room: it is
        // full only while the last files get theirs.
        for (std::size_t pass = 1; pass < m_passes.size(); ++pass) {
            if (const int later = Overwrite(m_files.back(), pass, progress); later != 0) {
                return later;
            }
            m_outcome.passesDone = static_cast<int>(pass) + 1;
        }
        // A full disk may have room again once the file is flushed: the file system reserves
        // room for the data it has not placed yet and gives back what was not needed. The fill
        // goes on with a new file until one gets nothing.
        if (error != 0 && (done == 0 || ++fullFiles == kMaxFullFiles)) {
            m_planned = m_outcome.filled * static_cast<std::int64_t>(m_passes.size());
            return 0;
        }
    }
}

int FreeSpaceFill::Overwrite(const FillFile& fill, std::size_t pass, const Progress& progress) {
    const std::string chunk = PassChunk(m_passes[pass]);
    platform::RawFile::Options options;
    options.writeOnly = true;
    options.exclusive = false;
    options.create = false;
    options.expected = fill.id;
    options.privateFolder = true;
    platform::RawFile file = platform::RawFile::OpenAt(m_folder, fill.name, options);
    if (!file.IsValid()) {
        return file.Error() != 0 ? file.Error() : EIO;
    }
    std::int64_t done = 0;
    if (const int error =
            WriteSpan(file, chunk, fill.size, static_cast<int>(pass) + 1, progress, done);
        error != 0) {
        return error;
    }
    return file.Flush() && file.Close() ? 0 : ErrorOf(file);
}

void FreeSpaceFill::NoteFull() {
    if (m_fullSince) {
        return;
    }
    m_fullSince = std::chrono::steady_clock::now();
    m_outcome.reachedFull = true;
    if (const auto space = platform::FreeSpaceOf(m_folder)) {
        m_outcome.leftFree = space->freeBytes;
    }
}

void FreeSpaceFill::DeleteAll() {
    for (const FillFile& fill : m_files) {
        const int error = m_folder.Unlink(fill.name);
        if (error != 0 && error != ENOENT && m_outcome.deleteError == 0) {
            m_outcome.deleteError = error;
        }
    }
    if (m_fullSince) {
        m_outcome.fullFor = std::chrono::steady_clock::now() - *m_fullSince;
    }
}

}  // namespace ostrel
