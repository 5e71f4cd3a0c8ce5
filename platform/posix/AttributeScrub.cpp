#include "platform/posix/AttributeScrub.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/posix/FaultPoints.h"

namespace ostrel::platform::posix {

Status ScrubAttributes(int fd) {
    ssize_t length = ::flistxattr(fd, nullptr, 0);
    if (length <= 0) {
        if (length == 0 || errno == ENOTSUP) {
            return {};
        }
        return Failure{errno};
    }
    std::string names(static_cast<std::size_t>(length), '\0');
    length = ::flistxattr(fd, names.data(), names.size());
    if (length < 0) {
        return Failure{errno};
    }
    names.resize(static_cast<std::size_t>(length));
    std::vector<std::string> list;
    for (std::size_t at = 0; at < names.size(); at += list.back().size() + 1) {
        list.emplace_back(names.c_str() + at);
    }
    // The system's own attributes (security labels, access lists) are not the user's data and
    // may be refused; the user's must go. The first error is the one told.
    Status outcome;
    auto check = [&outcome](const std::string& name, bool done, int error) {
        if (!done && name.starts_with("user.") && outcome) {
            outcome = Failure{error};
        }
    };
    for (const std::string& name : list) {
        const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
        if (size > 0) {
            const std::string zeros(static_cast<std::size_t>(size), '\0');
            const bool done =
                ::fsetxattr(fd, name.c_str(), zeros.data(), zeros.size(), XATTR_REPLACE) == 0;
            check(name, done, errno);
        }
    }
    // The zeros must reach the disk before the removal: a file system that frees the block the
    // values were kept in (an ext4 attribute block) discards its unwritten changes, and the old
    // values would stay in the freed block.
    if ((FaultFires(SysCall::AttributeFlush) || ::fsync(fd) != 0) && outcome) {
        outcome = Failure{errno};
    }
    for (const std::string& name : list) {
        const bool done = ::fremovexattr(fd, name.c_str()) == 0;
        check(name, done, errno);
    }
    return outcome;
}

}  // namespace ostrel::platform::posix
