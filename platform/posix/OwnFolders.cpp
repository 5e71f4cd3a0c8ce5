#include "platform/OwnFolders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace ostrel::platform {
namespace {

constexpr int kMaxLinks = 40;  // as many as the kernel follows in one path

std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        std::string part = path.substr(start, end - start);
        if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    return parts;
}

OwnPathCheck Unusable(const std::string& path, int error) {
    return {OwnPathProblem::Unusable, path, std::strerror(error)};
}

// A folder above the root: root's or this user's, and written by nobody else unless sticky (as
// /tmp is: there nobody can rename or remove what is not theirs).
OwnPathProblem AboveProblem(const struct stat& st, uid_t uid) {
    if (!S_ISDIR(st.st_mode)) {
        return OwnPathProblem::NotFolder;
    }
    if (st.st_uid != uid && st.st_uid != 0) {
        return OwnPathProblem::OtherOwner;
    }
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0) {
        return OwnPathProblem::WritableByOthers;
    }
    return OwnPathProblem::None;
}

// The root, what lies below it, and the files in it: this user's alone.
OwnPathProblem OwnProblem(const struct stat& st, uid_t uid, bool folder) {
    if (S_ISLNK(st.st_mode)) {
        return OwnPathProblem::SymbolicLink;
    }
    if (folder && !S_ISDIR(st.st_mode)) {
        return OwnPathProblem::NotFolder;
    }
    if (st.st_uid != uid) {
        return OwnPathProblem::OtherOwner;
    }
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return OwnPathProblem::WritableByOthers;
    }
    return OwnPathProblem::None;
}

// lstat of `path`; a missing folder is created first when `make` is set. The error number
// when nothing can be examined there.
Status StatOrMake(const std::string& path, bool make, struct stat& st) {
    if (::lstat(path.c_str(), &st) == 0) {
        return {};
    }
    const int error = errno;
    if (error != ENOENT || !make) {
        return Failure{error};
    }
    // The folders above exist (they were examined first): this makes the last one only. Whatever
    // appeared there meanwhile (a link, a file) is examined like anything else.
    const Status made = MakeFolders(path);
    if (::lstat(path.c_str(), &st) == 0) {
        return {};
    }
    return made ? Failure{errno} : made;
}

Status ReadLink(const std::string& path, std::string& target) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0) {
            return Failure{errno};
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            target.assign(buffer.data(), static_cast<std::size_t>(n));
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

OwnPathCheck CheckOwnFolder(const std::string& root, const std::string& folder, bool make) {
    std::vector<std::string> own = Components(root);
    if (root.empty() || root.front() != '/') {
        return {OwnPathProblem::NoHome, root, {}};
    }
    if (own.empty() || own.back() == "..") {
        return Unusable(root, EINVAL);
    }
    if (folder != root && !folder.starts_with(root + "/")) {
        return Unusable(folder, EINVAL);
    }
    const uid_t uid = ::geteuid();
    std::deque<std::string> above(own.begin(), own.end() - 1);
    own.erase(own.begin(), own.end() - 1);
    for (std::string& part : Components(folder.substr(root.size()))) {
        if (part == "..") {
            return Unusable(folder, EINVAL);
        }
        own.push_back(std::move(part));
    }

    struct stat st {};
    if (::lstat("/", &st) != 0) {
        return Unusable("/", errno);
    }
    if (OwnPathProblem problem = AboveProblem(st, uid); problem != OwnPathProblem::None) {
        return {problem, "/", {}};
    }
    // `current` is the real path reached so far, without links ("" is "/").
    std::string current;
    int links = 0;
    while (!above.empty()) {
        const std::string name = std::move(above.front());
        above.pop_front();
        if (name == "..") {
            current.erase(std::min(current.rfind('/'), current.size()));
            continue;
        }
        const std::string next = current + "/" + name;
        if (const Status examined = StatOrMake(next, make, st); !examined) {
            return examined.error() == ENOENT ? OwnPathCheck{} : Unusable(next, examined.error());
        }
        if (S_ISLNK(st.st_mode)) {
            std::string target;
            if (++links > kMaxLinks) {
                return Unusable(next, ELOOP);
            }
            if (const Status read = ReadLink(next, target); !read) {
                return Unusable(next, read.error());
            }
            const std::vector<std::string> parts = Components(target);
            above.insert(above.begin(), parts.begin(), parts.end());
            if (target.starts_with('/')) {
                current.clear();
            }
            continue;
        }
        if (OwnPathProblem problem = AboveProblem(st, uid); problem != OwnPathProblem::None) {
            return {problem, next, {}};
        }
        current = next;
    }
    // Below, the paths are named as the caller knows them.
    std::string shown = root;
    for (std::size_t i = 0; i < own.size(); ++i) {
        if (i > 0) {
            shown += "/" + own[i];
        }
        current += "/" + own[i];
        if (const Status examined = StatOrMake(current, make, st); !examined) {
            return examined.error() == ENOENT ? OwnPathCheck{} : Unusable(shown, examined.error());
        }
        if (OwnPathProblem problem = OwnProblem(st, uid, true); problem != OwnPathProblem::None) {
            return {problem, shown, {}};
        }
    }
    return {};
}

OwnPathCheck CheckOwnFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        const int error = errno;
        return error == ENOENT ? OwnPathCheck{} : Unusable(path, error);
    }
    return {OwnProblem(st, ::geteuid(), false), path, {}};
}

OwnPathCheck CheckWritableFolder(const std::string& folder) {
    if (folder.empty()) {
        return Unusable(folder, ENOENT);
    }
    const std::string probe = folder + "/.probe-" + std::to_string(::getpid());
    const int fd =
        ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int error = errno;
        return {OwnPathProblem::NotWritable, folder, std::strerror(error)};
    }
    // A byte too: a full disk still takes a new name but no data.
    const ssize_t n = ::write(fd, "", 1);
    const int error = n < 0 ? errno : ENOSPC;
    const bool written = n == 1;
    ::close(fd);
    ::unlink(probe.c_str());
    return written ? OwnPathCheck{}
                   : OwnPathCheck{OwnPathProblem::NotWritable, folder, std::strerror(error)};
}

std::string DescribeOwnPathCheck(const OwnPathCheck& check) {
    switch (check.problem) {
        case OwnPathProblem::None:
            return check.path + ": usable";
        case OwnPathProblem::NoHome:
            return "no home folder is known (HOME is not set)";
        case OwnPathProblem::SymbolicLink:
            return check.path + ": it is a symbolic link";
        case OwnPathProblem::NotFolder:
            return check.path + ": it is not a folder";
        case OwnPathProblem::OtherOwner:
            return check.path + ": it belongs to another user";
        case OwnPathProblem::WritableByOthers:
            return check.path + ": other users may change it";
        case OwnPathProblem::OpenToOthers:
            return check.path + ": other users may look into it";
        case OwnPathProblem::NotWritable:
            return check.path + ": nothing can be written in it: " + check.reason;
        case OwnPathProblem::Unusable:
            break;
    }
    return check.path + ": it cannot be created or opened: " + check.reason;
}

}  // namespace ostrel::platform
