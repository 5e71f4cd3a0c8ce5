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
    int error = m_passes.empty() ? EINVAL : FirstPass(progress);
    for (std::size_t pass = 1; error == 0 && pass < m_passes.size(); ++pass) {
        error = LaterPass(pass, progress);
    }
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

int FreeSpaceFill::FirstPass(const Progress& progress) {
    const std::string chunk = PassChunk(m_passes[0]);
    int fullFiles = 0;
    for (std::uint32_t index = 0;; ++index) {
        platform::RawFile::Options options;
        options.writeOnly = true;
        options.exclusive = false;  // the folder is private: nobody else can open its files
        const std::string name = platform::FillFileName(index);
        platform::RawFile file = platform::RawFile::OpenAt(m_folder, name, options);
        if (!file.IsValid()) {
            // No room left even for a new file: the fill is full.
            if (IsFull(file.Error())) {
                NoteFull();
                m_outcome.passesDone = 1;
                return 0;
            }
            return file.Error() != 0 ? file.Error() : EIO;
        }
        m_files.push_back({name, file.Identity(), 0});
        ++m_outcome.files;
        if (index == 0) {
            // Before the first write: a copy-on-write file system is seen by its type.
            m_outcome.reach = platform::FindOverwriteReach(file);
            m_outcome.flash = platform::OnFlashStorage(m_folder);
        }
        std::int64_t size = 0;
        int error = WriteSpan(file, chunk, m_fileSize, 1, progress, size);
        if (error == ECANCELED || (error != 0 && !IsFull(error))) {
            return error;
        }
        if (error != 0) {
            // What fitted is in the file (a write cut short counts what it wrote); a handle
            // whose write failed reports every later flush as failed, so a new one flushes it.
            NoteFull();
            size = std::max<std::int64_t>(file.Size(), 0);
            file = platform::RawFile();
            platform::RawFile::Options again;
            again.writeOnly = true;
            again.exclusive = false;
            again.create = false;
            again.expected = m_files.back().id;
            again.privateFolder = true;
            file = platform::RawFile::OpenAt(m_folder, name, again);
        }
        m_files.back().size = size;
        m_outcome.filled += size;
        if (!file.Flush() || !file.Close()) {
            return ErrorOf(file);
        }
        // A full disk may have room again once the file is flushed: the file system reserves
        // room for the data it has not placed yet and gives back what was not needed. The pass
        // goes on with a new file until one gets nothing.
        if (error != 0 && (size == 0 || ++fullFiles == kMaxFullFiles)) {
            m_planned = m_outcome.filled * static_cast<std::int64_t>(m_passes.size());
            m_outcome.written = m_outcome.filled;
            m_outcome.passesDone = 1;
            return 0;
        }
    }
}

int FreeSpaceFill::LaterPass(std::size_t pass, const Progress& progress) {
    const std::string chunk = PassChunk(m_passes[pass]);
    for (const FillFile& fill : m_files) {
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
        if (!file.Flush() || !file.Close()) {
            return ErrorOf(file);
        }
    }
    m_outcome.passesDone = static_cast<int>(pass) + 1;
    return 0;
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
