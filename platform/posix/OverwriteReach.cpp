#include "platform/OverwriteReach.h"

#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/RawFile.h"
#include "platform/posix/Descriptor.h"

namespace ostrel::platform {
namespace {

// File system types (statfs f_type) that limit the reach of an overwrite, with the name shown
// when the mount table does not give one.
struct LimitingType {
    std::uint32_t magic;
    ReachLimit limit;
    const char* name;
};

constexpr std::uint32_t kExt4Magic = 0xEF53;  // ext2, ext3 and ext4 share it

constexpr LimitingType kLimitingTypes[] = {
    {0x9123683E, kReachCopyOnWrite, "btrfs"},
    {0x2FC12FC1, kReachCopyOnWrite, "zfs"},
    {0xCA451A4E, kReachCopyOnWrite, "bcachefs"},
    {0xF2F52010, kReachCopyOnWrite, "f2fs"},
    {0x3434, kReachCopyOnWrite, "nilfs2"},
    {0x794C7630, kReachCopyOnWrite, "overlay"},
    {0x6969, kReachNetwork, "nfs"},
    {0x517B, kReachNetwork, "smbfs"},
    {0xFF534D42, kReachNetwork, "cifs"},
    {0xFE534D42, kReachNetwork, "smb3"},
    {0x65735546, kReachNetwork, "fuse"},
    {0x00C36400, kReachNetwork, "ceph"},
    {0x6B414653, kReachNetwork, "afs"},
    {0x01021997, kReachNetwork, "9p"},
    {0x73757245, kReachNetwork, "coda"},
    {0x564C, kReachNetwork, "ncpfs"},
    {0x47504653, kReachNetwork, "gpfs"},
    {0x0BD00BD0, kReachNetwork, "lustre"},
};

// True when the extent map of `fd` shows a block shared with another file. The map is read in
// batches, so a file of any number of extents is covered.
bool HasSharedExtents(int fd) {
    constexpr std::uint32_t kBatch = 64;
    std::vector<std::uint64_t> buffer(
        (sizeof(fiemap) + kBatch * sizeof(fiemap_extent)) / sizeof(std::uint64_t) + 1);
    std::uint64_t start = 0;
    for (;;) {
        std::fill(buffer.begin(), buffer.end(), 0);
        auto* map = reinterpret_cast<fiemap*>(buffer.data());
        map->fm_start = start;
        map->fm_length = FIEMAP_MAX_OFFSET - start;
        map->fm_extent_count = kBatch;
        if (::ioctl(fd, FS_IOC_FIEMAP, map) != 0 || map->fm_mapped_extents == 0) {
            return false;
        }
        for (std::uint32_t i = 0; i < map->fm_mapped_extents; ++i) {
            const fiemap_extent& extent = map->fm_extents[i];
            if ((extent.fe_flags & FIEMAP_EXTENT_SHARED) != 0) {
                return true;
            }
            if ((extent.fe_flags & FIEMAP_EXTENT_LAST) != 0) {
                return false;
            }
        }
        const fiemap_extent& last = map->fm_extents[map->fm_mapped_extents - 1];
        if (last.fe_logical + last.fe_length <= start) {
            return false;  // no progress: a file system that reports nothing further
        }
        start = last.fe_logical + last.fe_length;
    }
}

// The mount table of this process, read again only after it changed: /proc/self/mountinfo
// reports every change of the table to poll (POLLPRI), so a file system mounted, unmounted or
// remounted since the last read is never judged by stale options.
class MountTable {
  public:
    struct Mount {
        std::string fileSystem;    // the type, with a FUSE subtype ("fuse.sshfs")
        std::string superOptions;  // the file system's own options ("rw,data=journal")
    };

    // What is known of the mount of the open file `fd`: its file system's type (fstatfs) and
    // whether it is listed with `mount`. Asked of the system once per mount (its id and device)
    // while the table stays as it was: a mount's type and options change only by a change of
    // the table, and the file, held open, keeps its mount from going away meanwhile.
    // Safe to call from several threads: a file's first pass may run on a flush-queue thread.
    struct Facts {
        bool known = false;      // fstatfs answered
        std::uint32_t type = 0;  // statfs f_type
        bool listed = false;     // the mount was found in the table
        Mount mount;
    };
    Facts Lookup(int fd, std::uint64_t mountId, std::uint64_t device) {
        const std::lock_guard<std::mutex> guard(m_lock);
        if (Refresh()) {
            m_facts.clear();
        }
        const auto key = std::make_pair(mountId, device);
        if (const auto found = m_facts.find(key); found != m_facts.end()) {
            return found->second;
        }
        Facts facts;
        struct statfs fs {};
        if (::fstatfs(fd, &fs) != 0) {
            return facts;  // not kept: asked again next time
        }
        facts.known = true;
        facts.type = static_cast<std::uint32_t>(fs.f_type);
        facts.listed = FindLocked(mountId, device, facts.mount);
        if (m_facts.size() >= kMaxFacts) {
            m_facts.clear();
        }
        m_facts.emplace(key, facts);
        return facts;
    }

  private:
    static constexpr std::size_t kMaxFacts = 256;

    // The mount with id `mountId`, or else the first on device `device`; false when neither
    // is found.
    bool FindLocked(std::uint64_t mountId, std::uint64_t device, Mount& mount) const {
        std::string_view text = m_text;
        const std::string wantedDevice =
            std::to_string(major(device)) + ":" + std::to_string(minor(device));
        bool foundByDevice = false;
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            const std::string_view line = text.substr(0, end);
            text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
            // mount-id parent-id major:minor root mount-point options [optional...] - type
            // source super-options
            const std::vector<std::string_view> fields = Split(line);
            std::size_t dash = 6;
            while (dash < fields.size() && fields[dash] != "-") {
                ++dash;
            }
            if (dash + 3 >= fields.size()) {
                continue;
            }
            const bool idMatches = mountId != 0 && fields[0] == std::to_string(mountId);
            if (idMatches || (!foundByDevice && fields[2] == wantedDevice)) {
                mount = {std::string(fields[dash + 1]), std::string(fields[dash + 3])};
                foundByDevice = true;
                if (idMatches) {
                    return true;
                }
            }
        }
        return foundByDevice;
    }

    static std::vector<std::string_view> Split(std::string_view line) {
        std::vector<std::string_view> fields;
        while (!line.empty()) {
            const std::size_t space = line.find(' ');
            if (space != 0) {
                fields.push_back(line.substr(0, space));
            }
            line.remove_prefix(space == std::string_view::npos ? line.size() : space + 1);
        }
        return fields;
    }

    // Reads the table again when it changed; true when it did.
    bool Refresh() {
        if (!m_fd.Valid()) {
            m_fd = Handle(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
            m_stale = true;
        }
        if (!m_fd.Valid()) {
            m_text.clear();
            return true;
        }
        struct pollfd changed {
            posix::Fd(m_fd), POLLPRI, 0
        };
        if (::poll(&changed, 1, 0) > 0 && (changed.revents & (POLLPRI | POLLERR)) != 0) {
            m_stale = true;
        }
        if (!m_stale) {
            return false;
        }
        m_text.clear();
        if (::lseek(posix::Fd(m_fd), 0, SEEK_SET) != 0 ||
            !posix::ReadToEnd(posix::Fd(m_fd), m_text)) {
            m_text.clear();
        }
        m_stale = false;
        return true;
    }

    std::mutex m_lock;  // guards everything below
    Handle m_fd;
    std::string m_text;
    bool m_stale = true;
    std::map<std::pair<std::uint64_t, std::uint64_t>, Facts> m_facts;  // by mount id and device
};

MountTable& Mounts() {
    static MountTable table;
    return table;
}

bool HasOption(std::string_view options, std::string_view wanted) {
    while (!options.empty()) {
        const std::size_t comma = options.find(',');
        if (options.substr(0, comma) == wanted) {
            return true;
        }
        options.remove_prefix(comma == std::string_view::npos ? options.size() : comma + 1);
    }
    return false;
}

}  // namespace

OverwriteReach FindOverwriteReach(const RawFile& file) {
    OverwriteReach reach;
    const int fd = posix::Fd(file.Native());
    if (fd < 0) {
        return reach;
    }
    const MountTable::Facts facts = Mounts().Lookup(fd, file.MountId(), file.Identity().device);
    if (!facts.known) {
        return reach;
    }
    for (const LimitingType& limiting : kLimitingTypes) {
        if (limiting.magic == facts.type) {
            reach.limits |= limiting.limit;
            reach.fileSystem = limiting.name;
        }
    }
    // ext2, ext3 and ext4 never share a block between files: their extent map need not be read.
    const bool ext4 = facts.type == kExt4Magic;
    if (!ext4 && HasSharedExtents(fd)) {
        reach.limits |= kReachSharedBlocks;
    }
    if ((reach.fileSystem.empty() && !ext4) || !facts.listed) {
        return reach;
    }
    if (!reach.fileSystem.empty()) {
        reach.fileSystem = facts.mount.fileSystem;  // the mount's own name: "nfs4", "fuse.sshfs"
    }
    if (ext4) {
        int flags = 0;
        const bool journalledFile =
            ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_JOURNAL_DATA_FL) != 0;
        if (journalledFile || HasOption(facts.mount.superOptions, "data=journal")) {
            reach.limits |= kReachDataJournal;
            reach.fileSystem = facts.mount.fileSystem;
        }
    }
    reach.oneFlushForAll = ext4 && reach.limits == kReachFull;
    return reach;
}

}  // namespace ostrel::platform
