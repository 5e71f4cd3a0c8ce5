#include "shredder/PassRun.h"

#include <algorithm>
#include <string_view>

#include "platform/ErrorNumbers.h"
#include "shredder/FillData.h"

namespace ostrel {
namespace {

constexpr std::int64_t kBlockSize = 8192;
constexpr std::int64_t kChunkBlocks = 128;  // 1 MiB written at a time

}  // namespace

int SyncFolderJoining(platform::FlushGroups& groups, const platform::Folder& folder) {
    const platform::FileIdentity id = folder.Identity();
    return groups.Join({id.device, id.inode}, [&folder] { return folder.Sync(); });
}

platform::RawFile PassRun::WriteQueued(std::size_t pass) {
    if (pass == 0) {
        m_reach.emplace();
        return Write(0, nullptr, &*m_reach);
    }
    return Write(pass, nullptr, nullptr);
}

int PassRun::MakeMoveDurableAndRun(const platform::Folder& source) {
    int error = SyncFolder(m_folder);
    if (error == 0 && source.Identity() != m_folder.Identity()) {
        error = SyncFolder(source);
    }
    if (error != 0) {
        return error;
    }
    try {
        m_reach.emplace();
        platform::RawFile file = Write(0, nullptr, &*m_reach);
        return Finish(file, 0);
    } catch (const PassFailed& failure) {
        return failure.error;
    }
}

platform::RawFile PassRun::Write(std::size_t pass, Host* host, platform::OverwriteReach* reach,
                                 const std::function<void()>* onProgress) {
    if (host != nullptr) {
        m_pass = static_cast<int>(pass) + 1;
    }
    platform::RawFile::Options options;
    options.deleteOnClose = pass + 1 == m_passes.size();
    options.create = false;
    options.expected = m_file;
    options.privateFolder = m_holding;
    options.tally = &m_written;
    platform::RawFile file = platform::RawFile::OpenAt(m_folder, m_name, options);
    if (!file.IsValid()) {
        m_inUse = file.OpenFailure() == platform::RawFile::Failure::InUse;
        throw PassFailed{file.Error()};
    }
    // Before the first write: on a copy-on-write file system that write would give the file
    // new blocks and hide that the old ones were shared.
    if (pass == 0) {
        m_opened = true;
        if (reach != nullptr) {
            *reach = platform::FindOverwriteReach(file);
            m_oneFlushForAll = reach->oneFlushForAll;
        }
    }
    if (file.LinkCount() > 1) {  // a second name appeared meanwhile
        throw PassFailed{EMLINK};
    }
    // Only the ranges that hold data are written: filling a sparse file's holes could fill
    // the disk before the data is reached. They and the length are fixed by the first pass;
    // a file that changes length meanwhile is not the file that was given.
    if (pass == 0) {
        m_size = file.Size();
        m_ranges = file.DataRanges();
    } else if (file.Size() != m_size) {
        throw PassFailed{platform::kErrorStale};
    }
    for (const auto& [first, end] : m_ranges) {
        Require(file.SeekTo(first), file);
        WriteRange(file, m_passes[pass], end - first, host, onProgress);
    }
    if (options.deleteOnClose) {
        Require(file.ScrubExtendedAttributes(), file);
    }
    return file;
}

int PassRun::Finish(platform::RawFile& file, std::size_t pass) {
    try {
        for (;;) {
            const bool joined = m_groups != nullptr && m_oneFlushForAll;
            Require(joined ? file.FlushJoining(*m_groups) : file.Flush(), file);
            Require(file.Close(), file);
            if (++pass == m_passes.size()) {
                return 0;
            }
            file = Write(pass, nullptr, nullptr);
        }
    } catch (const PassFailed& failure) {
        return failure.error;
    }
}

int PassRun::SyncFolder(const platform::Folder& folder) {
    return m_groups == nullptr ? folder.Sync() : SyncFolderJoining(*m_groups, folder);
}

void PassRun::WriteRange(platform::RawFile& file, std::int32_t pattern, std::int64_t length,
                         Host* host, const std::function<void()>* onProgress) {
    const std::int64_t blocks = length / kBlockSize;
    if (blocks > 0) {
        const std::string block = PassData(pattern, kBlockSize);
        std::string chunk;
        chunk.reserve(static_cast<std::size_t>(std::min(blocks, kChunkBlocks) * kBlockSize));
        for (std::int64_t i = 0; i < std::min(blocks, kChunkBlocks); ++i) {
            chunk += block;
        }
        for (std::int64_t left = blocks * kBlockSize; left > 0;) {
            const auto n = static_cast<std::size_t>(
                std::min<std::int64_t>(left, static_cast<std::int64_t>(chunk.size())));
            Require(file.Write(std::string_view(chunk).substr(0, n)), file);
            left -= static_cast<std::int64_t>(n);
            if (host != nullptr) {
                if (onProgress != nullptr && *onProgress) {
                    (*onProgress)();
                }
                host->DoEvents();
            }
        }
    }
    Require(file.Write(PassData(pattern, length % kBlockSize)), file);
}

}  // namespace ostrel
