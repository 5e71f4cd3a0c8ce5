#include "platform/Trash.h"

#include <fcntl.h>
#include <glib.h>
#include <limits.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>
#include <optional>
#include <utility>

#include "platform/SpecialFolders.h"
#include "platform/posix/Descriptor.h"
#include "platform/posix/FaultPoints.h"

namespace ostrel::platform {
namespace {

constexpr char kInfoSuffix[] = ".trashinfo";
constexpr std::size_t kInfoSuffixLength = sizeof kInfoSuffix - 1;
// Room left in a name for ".trashinfo" and a number such as ".10000".
constexpr std::size_t kLongestBase = NAME_MAX - kInfoSuffixLength - 6;
// Names tried in files/ and info/ before the trash is taken as full of this name.
constexpr int kMostTries = 10000;

TrashResult FailedWith(int error, std::string folder = {}) {
    return {TrashProblem::Failed, error, std::move(folder), {}};
}

// A trash folder and its two halves, open.
struct TrashFolders {
    Folder trash;
    Folder files;
    Folder info;
    std::string path;  // the trash folder, for messages
};

// What is wrong with `status` as a folder of the trash: it must be a real folder of this user's
// that nobody else may change.
TrashProblem OwnFolderProblem(const FileStatus& status) {
    if (status.type == FileType::SymbolicLink) {
        return TrashProblem::SymbolicLink;
    }
    if (status.type != FileType::Directory) {
        return TrashProblem::NotFolder;
    }
    if (status.owner != ::geteuid()) {
        return TrashProblem::OtherOwner;
    }
    if ((status.permissions & (S_IWGRP | S_IWOTH)) != 0) {
        return TrashProblem::WritableByOthers;
    }
    return TrashProblem::None;
}

// Opens entry `name` of `parent` as a trash folder of this user's, making it (mode 0700) when
// it is missing. `shown` names it in a problem.
Folder OpenOwnFolder(const Folder& parent, const std::string& name, const std::string& shown,
                     TrashResult& problem) {
    auto status = parent.Stat(name);
    if (status.error() == ENOENT) {
        if (::mkdirat(posix::Fd(parent.Native()), name.c_str(), 0700) != 0 && errno != EEXIST) {
            problem = FailedWith(errno, shown);
            return {};
        }
        status = parent.Stat(name);
    }
    if (!status) {
        problem = FailedWith(status.error(), shown);
        return {};
    }
    if (const TrashProblem why = OwnFolderProblem(*status); why != TrashProblem::None) {
        problem = {why, 0, shown, {}};
        return {};
    }
    Folder folder = parent.OpenChild(name, status->id);
    if (!folder.IsOpen()) {
        problem = FailedWith(folder.Error(), shown);
        return {};
    }
    // What was opened is what was looked at (the identity is checked), and is still this
    // user's alone.
    if (const TrashProblem why = OwnFolderProblem(folder.Status()); why != TrashProblem::None) {
        problem = {why, 0, shown, {}};
        return {};
    }
    return folder;
}

// Opens files/ and info/ of the trash folder `trash` (made when missing).
bool OpenHalves(TrashFolders& folders, TrashResult& problem) {
    folders.files = OpenOwnFolder(folders.trash, "files", folders.path + "/files", problem);
    if (!folders.files.IsOpen()) {
        return false;
    }
    folders.info = OpenOwnFolder(folders.trash, "info", folders.path + "/info", problem);
    return folders.info.IsOpen();
}

// The path the kernel knows for the open `folder`, when it leads back to that very folder;
// nullopt when it cannot be read (a folder removed meanwhile, or out of this process's reach).
std::optional<std::string> PathOf(const Folder& folder) {
    const std::string link = "/proc/self/fd/" + std::to_string(posix::Fd(folder.Native()));
    std::string path(PATH_MAX, '\0');
    const ssize_t length = ::readlink(link.c_str(), path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size() || path[0] != '/') {
        return std::nullopt;
    }
    path.resize(static_cast<std::size_t>(length));
    const auto status = StatPath(path);
    if (!status || status->id != folder.Identity()) {
        return std::nullopt;
    }
    return path;
}

std::string Joined(const std::string& folder, std::string_view name) {
    return (folder == "/" ? std::string() : folder) + "/" + std::string(name);
}

// `shownPath` as an absolute path.
std::string Absolute(const std::string& shownPath) {
    if (shownPath.starts_with('/')) {
        return shownPath;
    }
    std::string current(PATH_MAX, '\0');
    if (::getcwd(current.data(), current.size()) == nullptr) {
        return shownPath;
    }
    current.resize(current.find('\0'));
    return Joined(current, shownPath.starts_with("./") ? shownPath.substr(2) : shownPath);
}

// The top folder of the mount `folder` lies on: going up through ".." while the mount and the
// device stay the same. `folder` itself, or `owned` holding the folder found; nullptr (with the
// error in `error`) when a step fails.
const Folder* TopOfMount(const Folder& folder, Folder& owned, int& error) {
    const Folder* at = &folder;
    for (;;) {
        Folder above = at->OpenParent();
        if (!above.IsOpen()) {
            error = above.Error();
            return nullptr;
        }
        const bool sameMount = above.Status().mountId == at->Status().mountId &&
                               above.Identity().device == at->Identity().device;
        if (!sameMount || above.Identity() == at->Identity()) {
            return at;
        }
        owned = std::move(above);
        at = &owned;
    }
}

// The home trash, when `folder` lies on the same mount as the data folder.
std::optional<TrashFolders> HomeTrash(const Folder& folder, TrashResult& problem) {
    const std::string dataHome = XdgDataHome();
    if (dataHome.empty()) {
        return std::nullopt;
    }
    MakeFolders(dataHome);  // 0700, as the XDG rules ask; a failure shows in the open below
    // The links on the way to the data folder are the user's own choice and are followed; from
    // there on, nothing is reached through a link.
    const Folder home = Folder::Open(dataHome + "/.");
    if (!home.IsOpen()) {
        // Which mount it lies on is unknown, so no other trash may stand in for it.
        problem = FailedWith(home.Error(), dataHome);
        return std::nullopt;
    }
    if (home.Identity().device != folder.Identity().device ||
        home.Status().mountId != folder.Status().mountId) {
        return std::nullopt;
    }
    TrashFolders folders;
    folders.path = Joined(dataHome, "Trash");
    folders.trash = OpenOwnFolder(home, "Trash", folders.path, problem);
    if (!folders.trash.IsOpen() || !OpenHalves(folders, problem)) {
        return std::nullopt;
    }
    return folders;
}

// The trash of the mount's top folder `top` (shown as `topPath`): $top/.Trash/$uid when .Trash
// is a real folder with the sticky bit that root or this user owns, else $top/.Trash-$uid.
std::optional<TrashFolders> MountTrash(const Folder& top, const std::string& topPath,
                                       TrashResult& problem) {
    const std::string uid = std::to_string(::geteuid());
    // Opened without following a link: a link or anything but a folder there fails to open.
    const Folder shared = top.OpenChild(".Trash");
    const FileStatus& status = shared.Status();
    if (shared.IsOpen() && (status.permissions & S_ISVTX) != 0 &&
        (status.owner == 0 || status.owner == ::geteuid())) {
        TrashResult ignored;
        TrashFolders folders;
        folders.path = Joined(topPath, ".Trash/" + uid);
        folders.trash = OpenOwnFolder(shared, uid, folders.path, ignored);
        // A folder there that is not fit (another user's, say) is passed over for the other way.
        if (folders.trash.IsOpen() && OpenHalves(folders, ignored)) {
            return folders;
        }
    }
    TrashFolders folders;
    folders.path = Joined(topPath, ".Trash-" + uid);
    folders.trash = OpenOwnFolder(top, ".Trash-" + uid, folders.path, problem);
    if (!folders.trash.IsOpen() || !OpenHalves(folders, problem)) {
        return std::nullopt;
    }
    return folders;
}

std::string Escaped(const std::string& path) {
    const std::unique_ptr<char, decltype(&g_free)> escaped(
        g_uri_escape_string(path.c_str(), "/", FALSE), &g_free);
    return escaped ? std::string(escaped.get()) : std::string();
}

std::string DeletionDate() {
    const std::time_t now = std::time(nullptr);
    struct tm local {};
    char text[32] = {};
    if (::localtime_r(&now, &local) == nullptr ||
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local) == 0) {
        return {};
    }
    return text;
}

int WriteAll(int fd, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        if (posix::FaultFires(SysCall::Write)) {
            return errno;
        }
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : EIO;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

int Flush(int fd) {
    if (posix::FaultFires(SysCall::Fsync)) {
        return errno;
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

// Writes the info file `infoName` in `info`, new (EEXIST when the name is taken), on disk with
// its folder entry before this returns 0.
int WriteInfo(const Folder& info, const std::string& infoName, const std::string& contents) {
    if (posix::FaultFires(SysCall::Open)) {
        return errno;
    }
    int fd = -1;
    do {
        fd = ::openat(posix::Fd(info.Native()), infoName.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return errno;
    }
    Handle file(fd);
    int error = WriteAll(posix::Fd(file), contents);
    if (error == 0) {
        error = Flush(posix::Fd(file));
    }
    if (const Status closed = file.Reset(); !closed && error == 0) {
        error = closed.error();
    }
    if (error == 0) {
        error = Flush(posix::Fd(info.Native()));
    }
    if (error != 0) {
        ::unlinkat(posix::Fd(info.Native()), infoName.c_str(), 0);
    }
    return error;
}

}  // namespace

TrashResult MoveToTrash(const Folder& folder, std::string_view name, const FileIdentity& expected,
                        const std::string& shownPath) {
    const std::string entry(name);
    if (!folder.IsOpen()) {
        return FailedWith(folder.Error() != 0 ? folder.Error() : EBADF);
    }
    const auto status = folder.Stat(entry);
    if (!status) {
        return FailedWith(status.error());
    }
    if (status->id != expected || status->type == FileType::Directory) {
        return FailedWith(ESTALE);
    }

    const std::optional<std::string> folderPath = PathOf(folder);
    TrashResult problem;
    std::optional<TrashFolders> trash = HomeTrash(folder, problem);
    std::string recorded;  // the Path= of the info file
    if (trash) {
        recorded = folderPath ? Joined(*folderPath, entry) : Absolute(shownPath);
    } else if (!problem.Ok()) {
        return problem;
    } else {
        Folder owned;
        int error = 0;
        const Folder* topFolder = TopOfMount(folder, owned, error);
        if (topFolder == nullptr) {
            return FailedWith(error);
        }
        const Folder& top = *topFolder;
        const std::optional<std::string> topPath = PathOf(top);
        trash = MountTrash(top, topPath.value_or(std::string()), problem);
        if (!trash) {
            return problem;
        }
        if (topPath && folderPath && *folderPath == *topPath) {
            recorded = entry;
        } else if (topPath && folderPath &&
                   folderPath->starts_with(*topPath == "/" ? *topPath : *topPath + "/")) {
            recorded =
                Joined(folderPath->substr(topPath->size() + (*topPath == "/" ? 0 : 1)), entry);
        } else {
            // Where the path cannot be given relative to the top folder, the absolute one is
            // the best account of where the file was.
            recorded = folderPath ? Joined(*folderPath, entry) : Absolute(shownPath);
        }
    }
    const std::string contents =
        "[Trash Info]\nPath=" + Escaped(recorded) + "\nDeletionDate=" + DeletionDate() + "\n";

    const std::string base = entry.size() > kLongestBase ? entry.substr(0, kLongestBase) : entry;
    for (int number = 1; number <= kMostTries; ++number) {
        const std::string trashName = number == 1 ? base : base + "." + std::to_string(number);
        const std::string infoName = trashName + kInfoSuffix;
        if (const auto taken = trash->files.Stat(trashName); taken.error() != ENOENT) {
            if (taken) {
                continue;  // taken (an entry without its info file, say)
            }
            return FailedWith(taken.error(), trash->path);
        }
        int error = WriteInfo(trash->info, infoName, contents);
        if (error == EEXIST) {
            continue;
        }
        if (error != 0) {
            return FailedWith(error, trash->path);
        }
        auto undoInfo = [&] {
            ::unlinkat(posix::Fd(trash->info.Native()), infoName.c_str(), 0);
            ::fsync(posix::Fd(trash->info.Native()));
        };
        // The entry must still be the file the caller saw when it moves.
        const auto now = folder.Stat(entry);
        if (!now || now->id != expected || now->type == FileType::Directory) {
            error = now ? ESTALE : now.error();
            undoInfo();
            return FailedWith(error);
        }
        error = folder.Rename(entry, trash->files, trashName);
        if (error == EEXIST) {
            undoInfo();
            continue;
        }
        if (error != 0) {
            undoInfo();
            return FailedWith(error);  // the file's own folder refused, as often as the trash
        }
        const auto moved = trash->files.Stat(trashName);
        if (!moved || moved->id != expected) {
            // Another entry took the name's place between the look and the move: it goes back.
            if (trash->files.Rename(trashName, folder, entry) == 0) {
                undoInfo();
            }
            return FailedWith(ESTALE);
        }
        // The move is done. Should these flushes fail and the system stop before the disk has
        // it, the file is whole in one of its two places, and its info file is on the disk.
        Flush(posix::Fd(trash->files.Native()));
        Flush(posix::Fd(folder.Native()));
        TrashResult done;
        done.trashFolder = trash->path;
        done.trashedAs = trashName;
        return done;
    }
    return FailedWith(EEXIST, trash->path);
}

}  // namespace ostrel::platform
