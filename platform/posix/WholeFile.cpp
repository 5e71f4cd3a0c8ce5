#include "platform/WholeFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileSystem.h"
#include "platform/Folder.h"
#include "platform/LockFile.h"
#include "platform/posix/Descriptor.h"
#include "platform/posix/FaultPoints.h"

namespace ostrel::platform {
namespace {

constexpr int kMaxAsideNames = 1000;

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

Status ReadAll(int fd, std::string& out) {
    if (posix::FaultFires(SysCall::Read)) {
        return Failure{errno};
    }
    return posix::ReadToEnd(fd, out);
}

// Writes `bytes` into the new temporary file `temp` (open as `fd`), flushes it and renames it
// over `path`; the temporary file goes when anything fails.
bool WriteAndRename(Handle fd, const std::string& temp, const std::string& path,
                    std::string_view bytes, std::uint32_t mode) {
    bool ok = ::fchmod(posix::Fd(fd), static_cast<mode_t>(mode)) == 0 &&
              WriteAll(posix::Fd(fd), bytes) && ::fsync(posix::Fd(fd)) == 0;
    ok = fd.Reset() && ok;
    ok = ok && !posix::FaultFires(SysCall::Replace) && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename is durable only once the folder that holds both names is flushed.
    const Handle folder(
        ::open(SplitFolderAndName(path).first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid()) {
        ::fsync(posix::Fd(folder));
    }
    return true;
}

// Replaces `path` through the fixed temporary name "<path>.tmp"; only for a lock holder.
bool ReplaceUnderLock(const std::string& path, std::string_view bytes, std::uint32_t mode) {
    const std::string temp = path + ".tmp";
    ::unlink(temp.c_str());
    Handle fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    return fd.Valid() && WriteAndRename(std::move(fd), temp, path, bytes, mode);
}

}  // namespace

FileContents ReadWholeFile(const std::string& path, Links links) {
    FileContents contents;
    const int follow = links == Links::Follow ? 0 : O_NOFOLLOW;
    const Handle fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | follow));
    struct stat st {};
    if (!fd.Valid() || ::fstat(posix::Fd(fd), &st) != 0) {
        contents.error = errno;
        contents.outcome =
            contents.error == ENOENT ? ReadOutcome::Missing : ReadOutcome::Unreadable;
        return contents;
    }
    if (!S_ISREG(st.st_mode)) {
        contents.outcome = ReadOutcome::NotRegular;
        return contents;
    }
    if (const Status read = ReadAll(posix::Fd(fd), contents.bytes); !read) {
        contents.error = read.error();
        contents.bytes.clear();
        contents.outcome = ReadOutcome::Unreadable;
        return contents;
    }
    contents.outcome = ReadOutcome::Read;
    return contents;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, std::uint32_t mode) {
    const auto [folder, name] = SplitFolderAndName(path);
    std::string temp = (folder.empty() ? "" : folder + "/") + "." + name + ".XXXXXX";
    Handle fd(::mkostemp(temp.data(), O_CLOEXEC));
    return fd.Valid() && WriteAndRename(std::move(fd), temp, path, bytes, mode);
}

bool SetAside(const std::string& path) {
    for (int n = 1; n <= kMaxAsideNames; ++n) {
        const std::string aside =
            n == 1 ? path + ".corrupt" : path + "." + std::to_string(n) + ".corrupt";
        const RenameResult result = RenameNoReplace(path, aside);
        if (result != RenameResult::Exists) {
            return result == RenameResult::Done;
        }
    }
    return false;
}

UpdateResult UpdateFileLocked(const std::string& path, std::uint32_t mode,
                              const std::function<bool(const std::string&)>& load,
                              const std::function<std::string()>& save) {
    LockFile lock = LockFile::Open(path + ".lock");
    if (!lock.HoldExclusive()) {
        return UpdateResult::Failed;
    }
    const FileContents contents = ReadWholeFile(path);
    bool loaded = false;
    switch (contents.outcome) {
        case ReadOutcome::Unreadable:
            return UpdateResult::Unreadable;
        case ReadOutcome::Read:
            if ((loaded = load(contents.bytes))) {
                break;
            }
            [[fallthrough]];
        case ReadOutcome::NotRegular:
            if (!SetAside(path)) {
                return UpdateResult::Failed;
            }
            break;
        case ReadOutcome::Missing:
            break;
    }
    const std::string text = save();
    if (loaded && text == contents.bytes) {
        return UpdateResult::Written;  // it says so already: no write, no flush
    }
    return ReplaceUnderLock(path, text, mode) ? UpdateResult::Written : UpdateResult::Failed;
}

}  // namespace ostrel::platform
