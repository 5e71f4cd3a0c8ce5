#include "platform/posix/StateList.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>

#include "platform/PendingDeletions.h"
#include "platform/SpecialFolders.h"

namespace ostrel::platform {
namespace {

constexpr char kHeader[] = "ostrel-state 1\n";

bool MakePrivateFolders(const std::string& base, const std::string& relative) {
    std::string path = base;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string::npos) {
            end = relative.size();
        }
        path += "/" + relative.substr(start, end - start);
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        start = end + 1;
    }
    return PathIsDirectory(path);
}

template <typename T>
bool ParseNumber(const std::string& text, std::size_t& pos, T& value) {
    std::size_t end = text.find_first_of(" \n", pos);
    if (end == std::string::npos) {
        return false;
    }
    auto result = std::from_chars(text.data() + pos, text.data() + end, value);
    if (result.ec != std::errc() || result.ptr != text.data() + end) {
        return false;
    }
    pos = end + 1;
    return true;
}

}  // namespace

namespace posix {

bool ParseStateList(const std::string& text, std::vector<StateEntry>& entries) {
    const std::string header = kHeader;
    if (text.compare(0, header.size(), header) != 0) {
        return false;
    }
    std::size_t pos = header.size();
    while (pos < text.size()) {
        StateEntry entry;
        std::size_t space = text.find(' ', pos);
        if (space == std::string::npos) {
            return false;
        }
        entry.bootId = text.substr(pos, space - pos);
        pos = space + 1;
        std::size_t length = 0;
        if (!ParseNumber(text, pos, entry.id.device) || !ParseNumber(text, pos, entry.id.inode) ||
            !ParseNumber(text, pos, entry.size) || !ParseNumber(text, pos, entry.mtimeSeconds) ||
            !ParseNumber(text, pos, entry.mtimeNanoseconds) || !ParseNumber(text, pos, length) ||
            text[pos - 1] != '\n' || length > text.size() - pos || pos + length >= text.size() ||
            text[pos + length] != '\n') {
            return false;
        }
        entry.path = text.substr(pos, length);
        pos += length + 1;
        entries.push_back(std::move(entry));
    }
    return true;
}

std::string FormatStateList(const std::vector<StateEntry>& entries) {
    std::string text = kHeader;
    for (const auto& e : entries) {
        text += e.bootId + ' ' + std::to_string(e.id.device) + ' ' + std::to_string(e.id.inode) +
                ' ' + std::to_string(e.size) + ' ' + std::to_string(e.mtimeSeconds) + ' ' +
                std::to_string(e.mtimeNanoseconds) + ' ' + std::to_string(e.path.size()) + '\n';
        text += e.path;
        text += '\n';
    }
    return text;
}

}  // namespace posix

namespace {

// Boot ids are written as one word; anything else in an injected id becomes '_'.
std::string OneWord(std::string text) {
    for (char& c : text) {
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
            c = '_';
        }
    }
    return text.empty() ? "-" : text;
}

}  // namespace

std::string StateFolder() {
    const std::string base = XdgStateHome();
    if (base.size() < 2) {
        return {};
    }
    // Every missing folder on the way (a fresh account has no ~/.local/state) is made private.
    return MakePrivateFolders("", base.substr(1) + "/Tolvane/Quarrix") ? base + "/Tolvane/Quarrix"
                                                                       : std::string();
}

StateEntry MakeStateEntry(const std::string& path, const FileStatus& status) {
    StateEntry entry;
    entry.bootId = OneWord(BootId());
    entry.id = status.id;
    entry.size = status.size;
    entry.mtimeSeconds = status.mtimeSeconds;
    entry.mtimeNanoseconds = status.mtimeNanoseconds;
    entry.path = path;
    return entry;
}

bool DescribesSameFile(const StateEntry& entry, const FileStatus& status) {
    return entry.id == status.id && entry.size == status.size &&
           entry.mtimeSeconds == status.mtimeSeconds &&
           entry.mtimeNanoseconds == status.mtimeNanoseconds;
}

namespace posix {

std::string ReadWholeFile(const std::string& path, bool& ok) {
    ok = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return {};
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    ok = true;
    return text;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, unsigned mode) {
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string temp = folder + "/.ostrel-tmp-XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n > 0;
        done += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

std::vector<StateEntry> ReadStateList(const std::string& name) {
    std::vector<StateEntry> entries;
    std::string folder = StateFolder();
    if (folder.empty()) {
        return entries;
    }
    bool ok = false;
    std::string text = ReadWholeFile(folder + "/" + name, ok);
    if (ok) {
        ParseStateList(text, entries);
    }
    return entries;
}

bool UpdateStateList(const std::string& name,
                     const std::function<void(std::vector<StateEntry>&)>& change) {
    std::string folder = StateFolder();
    if (folder.empty()) {
        return false;
    }
    std::string path = folder + "/" + name;
    std::string lockPath = path + ".lock";
    int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lock < 0) {
        return false;
    }
    while (::flock(lock, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(lock);
            return false;
        }
    }
    std::vector<StateEntry> entries;
    bool readOk = false;
    std::string text = ReadWholeFile(path, readOk);
    bool ok = true;
    if (readOk && !ParseStateList(text, entries)) {
        ok = ::rename(path.c_str(), (path + ".corrupt").c_str()) == 0;
    }
    if (ok) {
        change(entries);
        ok = WriteFileAtomically(path, FormatStateList(entries), 0600);
    }
    ::close(lock);
    return ok;
}

}  // namespace posix
}  // namespace ostrel::platform
