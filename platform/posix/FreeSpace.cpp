#include "platform/FreeSpace.h"

#include <sys/file.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "platform/posix/Descriptor.h"
#include "platform/posix/StateList.h"

namespace ostrel::platform {
namespace {

constexpr const char* kListName = posix::kFillFolderListName;
constexpr std::string_view kFillPrefix = "fill-";
constexpr std::size_t kFillDigits = 6;
// How long a start waits for the lock of a fill folder whose wipe may have just been killed.
constexpr int kDeadHolderWaitMs = 250;

// The first character of the sysfs file `path`; 0 when it cannot be read.
char FirstCharacterOf(const std::string& path) {
    std::ifstream in(path);
    char c = 0;
    return in.get(c) ? c : 0;
}

}  // namespace

std::optional<FreeSpace> FreeSpaceOf(const Folder& folder) {
    struct statvfs fs {};
    if (!folder.IsOpen() || ::fstatvfs(posix::Fd(folder.Native()), &fs) != 0) {
        return std::nullopt;
    }
    const auto unit = static_cast<std::int64_t>(fs.f_frsize);
    return FreeSpace{static_cast<std::int64_t>(fs.f_bfree) * unit,
                     static_cast<std::int64_t>(fs.f_bavail) * unit,
                     static_cast<std::int64_t>(fs.f_blocks) * unit};
}

std::string MemoryFileSystem(const Folder& folder) {
    constexpr std::uint32_t kTmpfsMagic = 0x01021994;
    constexpr std::uint32_t kRamfsMagic = 0x858458F6;
    struct statfs fs {};
    if (!folder.IsOpen() || ::fstatfs(posix::Fd(folder.Native()), &fs) != 0) {
        return {};
    }
    const auto type = static_cast<std::uint32_t>(fs.f_type);
    return type == kTmpfsMagic ? "tmpfs" : type == kRamfsMagic ? "ramfs" : "";
}

bool OnFlashStorage(const Folder& folder) {
    if (!folder.IsOpen()) {
        return false;
    }
    const std::uint64_t device = folder.Identity().device;
    const std::string block =
        "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    // A partition has no queue of its own: the whole disk above it has.
    for (const char* queue : {"/queue/rotational", "/../queue/rotational"}) {
        const char c = FirstCharacterOf(block + queue);
        if (c != 0) {
            return c == '0';
        }
    }
    return false;
}

std::string FillFileName(std::uint32_t index) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06u", static_cast<unsigned>(index));
    return std::string(kFillPrefix) + digits;
}

bool IsFillFileName(std::string_view name) {
    if (!name.starts_with(kFillPrefix) || name.size() < kFillPrefix.size() + kFillDigits) {
        return false;
    }
    name.remove_prefix(kFillPrefix.size());
    return std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool LockFillFolder(const Folder& folder, int waitMs) {
    constexpr auto kPoll = std::chrono::milliseconds(5);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (folder.IsOpen()) {
        if (::flock(posix::Fd(folder.Native()), LOCK_EX | LOCK_NB) == 0) {
            return true;
        }
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return false;
}

bool RecordFillFolder(const std::string& path, const FileIdentity& folder) {
    FileVersion version;
    version.id = folder;
    StateEntry entry = MakeStateEntry(path, version);
    return !entry.path.empty() &&
           posix::UpdateStateList(kListName, [&entry](std::vector<StateEntry>& entries) {
               std::erase_if(entries, [&](const StateEntry& e) { return e.path == entry.path; });
               entries.push_back(entry);
           });
}

bool ForgetFillFolder(const std::string& path) {
    return posix::RemoveStateEntries(kListName, path);
}

std::vector<StateEntry> FillFolderEntries() {
    return posix::ReadStateList(kListName);
}

FillDeletion DeleteFillFiles(const Folder& folder, bool& othersLeft) {
    FillDeletion done;
    othersLeft = false;
    DirSearch search = folder.List();
    std::vector<std::string> names;
    for (DirEntry entry; search.Next(entry);) {
        if (entry.name != "." && entry.name != "..") {
            names.emplace_back(entry.name);
        }
    }
    if (search.Error() != 0) {
        done.error = search.Error();
    }
    for (const std::string& entry : names) {
        const auto status = folder.Stat(entry);
        if (!IsFillFileName(entry) || !status || status->type != FileType::Regular) {
            othersLeft = true;
            continue;
        }
        const int error = folder.Unlink(entry);
        if (error == 0) {
            ++done.files;
            done.bytes += status->size;
        } else if (error != ENOENT && done.error == 0) {
            done.error = error;
        }
    }
    return done;
}

FillDeletion DeleteFillFolder(const Folder& parent, const std::string& name, const Folder& folder,
                              const std::string& path) {
    bool othersLeft = false;
    FillDeletion done = DeleteFillFiles(folder, othersLeft);
    if (done.error == 0) {
        done.error = othersLeft ? ENOTEMPTY : parent.RemoveFolder(name);
    }
    if (done.error == 0 || done.error == ENOENT) {
        done.error = ForgetFillFolder(path) ? 0 : EIO;
    }
    return done;
}

FillSweep DeleteLeftFillFolders() {
    FillSweep sweep;
    for (const StateEntry& entry : FillFolderEntries()) {
        const auto [parentPath, name] = SplitFolderAndName(entry.path);
        const Folder parent = Folder::Open(parentPath);
        // An unmounted disk leaves its mount point, a folder of another file system, or nothing.
        if (!parent.IsOpen() || parent.Identity().device != entry.version.id.device) {
            sweep.waiting.push_back(entry.path);
            continue;
        }
        // Recorded before it was made: whatever folder is there now is checked like any other.
        const bool made = entry.version.id.inode != 0;
        const Folder fill =
            parent.OpenChild(name, made ? std::optional(entry.version.id) : std::nullopt);
        const FileStatus& status = fill.Status();
        if (!fill.IsOpen() && fill.Error() != ENOENT && fill.Error() != ESTALE &&
            fill.Error() != ENOTDIR && fill.Error() != ELOOP) {
            sweep.failed.emplace_back(entry.path, fill.Error());
            continue;
        }
        // Gone, replaced, or not a folder only this user can reach: nothing of ours to delete.
        if (!fill.IsOpen() || status.owner != EffectiveUserId() ||
            (status.permissions & 077) != 0) {
            ForgetFillFolder(entry.path);
            continue;
        }
        if (!LockFillFolder(fill, kDeadHolderWaitMs)) {
            continue;  // a wipe that is running now fills it, and deletes it when it ends
        }
        const FillDeletion done = DeleteFillFolder(parent, name, fill, entry.path);
        if (done.error != 0) {
            sweep.failed.emplace_back(entry.path, done.error);
        } else {
            sweep.deleted.emplace_back(entry.path, done);
        }
    }
    return sweep;
}

}  // namespace ostrel::platform
