#include "platform/Registry.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "platform/SpecialFolders.h"
#include "platform/posix/OwnedFd.h"
#include "platform/posix/RegFileFormat.h"

namespace ostrel::platform {

using posix::OwnedFd;
using posix::RegValueList;

struct RegKey::State {
    std::string folder;  // the folder holding the key's file; also the folder of its subkeys' files
    std::string file;    // <parent folder>/<name>.reg
    std::string keyName;  // the section name, "HKEY_CURRENT_USER\Software\..."
    RegValueList values;  // snapshot
};

namespace {

constexpr int kMaxCorruptNames = 1000;

struct KeyLocation {
    std::string parentFolder;
    std::string folder;
    std::string file;
    std::string keyName;
};

bool EqualsNoCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

// Where key `path` lives, or the status that says why it cannot.
long Locate(std::uint32_t hive, const std::string& path, KeyLocation& where) {
    if (hive != kHkeyCurrentUser) {
        return kRegInvalidHandle;
    }
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = path.find('\\', start);
        parts.push_back(path.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    if (parts.size() < 2 || !EqualsNoCase(parts[0], "Software")) {
        return kRegBadPathName;
    }
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part.empty() || part == "." || part == ".." ||
            part.find_first_of(std::string("/\0", 2)) != std::string::npos) {
            return kRegBadPathName;
        }
    }
    std::string base = XdgConfigHome();
    if (base.empty()) {
        return kRegNotFound;
    }
    where.parentFolder = base;
    for (size_t i = 1; i + 1 < parts.size(); ++i) {
        where.parentFolder += "/" + parts[i];
    }
    where.folder = where.parentFolder + "/" + parts.back();
    where.file = where.folder + ".reg";
    where.keyName = "HKEY_CURRENT_USER\\" + path;
    return kRegOk;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates `folder` and its missing parents (mode 0700, as the XDG rules ask).
bool MakeFolders(const std::string& folder) {
    for (size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos == folder.size() || folder[pos] == '/') {
            std::string prefix = folder.substr(0, pos);
            if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
                return false;
            }
        }
    }
    return IsDirectory(folder);
}

enum class FileState { kMissing, kParsed, kCorrupt, kUnreadable };

// Reads and parses the key's file. A link in its place is never followed (unreadable); the open
// does not wait on a FIFO, and anything but a regular file counts as unparsable.
FileState ReadKeyFile(const KeyLocation& where, RegValueList& values) {
    OwnedFd fd(::open(where.file.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.Valid()) {
        return errno == ENOENT ? FileState::kMissing : FileState::kUnreadable;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        return FileState::kUnreadable;
    }
    if (!S_ISREG(st.st_mode)) {
        return FileState::kCorrupt;
    }
    std::string text;
    if (!posix::ReadAll(fd.Get(), text)) {
        return FileState::kUnreadable;
    }
    auto parsed = posix::ParseRegFile(text, where.keyName);
    if (!parsed) {
        return FileState::kCorrupt;
    }
    values = std::move(*parsed);
    return FileState::kParsed;
}

// Renames `from` to `to` unless `to` exists. False with errno EEXIST when it does.
bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // File systems without RENAME_NOREPLACE: a hard link never replaces either.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

// Renames the unparsable file aside under a free ".corrupt" name.
bool SetAside(const KeyLocation& where) {
    for (int n = 1; n <= kMaxCorruptNames; ++n) {
        std::string target =
            n == 1 ? where.file + ".corrupt" : where.file + "." + std::to_string(n) + ".corrupt";
        if (RenameNoReplace(where.file, target)) {
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

// Holds an exclusive flock on the key's sidecar lock file while it lives.
class KeyLock {
  public:
    explicit KeyLock(const KeyLocation& where) {
        std::string path = where.file + ".lock";
        m_fd = OwnedFd(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!m_fd.Valid()) {
            return;
        }
        int result;
        do {
            result = ::flock(m_fd.Get(), LOCK_EX);
        } while (result != 0 && errno == EINTR);
        m_locked = result == 0;
    }
    bool Locked() const { return m_locked; }

  private:
    OwnedFd m_fd;
    bool m_locked = false;
};

// Replaces the key's file by `text`: temporary file, fsync, rename, fsync of the folder.
bool ReplaceFile(const KeyLocation& where, const std::string& text) {
    std::string temp = where.file + ".tmp";
    // Only the lock holder writes the temporary file: one left by a killed writer is stale.
    ::unlink(temp.c_str());
    OwnedFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.Valid()) {
        return false;
    }
    bool written = posix::WriteAll(fd.Get(), text) && ::fsync(fd.Get()) == 0;
    if (!fd.Reset() || !written || ::rename(temp.c_str(), where.file.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    OwnedFd folder(::open(where.parentFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid()) {
        ::fsync(folder.Get());
    }
    return true;
}

// Under the key's lock: reads the file again, applies `change` and stores the result. An
// unparsable file is set aside first; an unreadable one is left alone and nothing is stored.
template <typename Change>
long Rewrite(const KeyLocation& where, RegValueList& snapshot, Change change) {
    KeyLock lock(where);
    if (!lock.Locked()) {
        return kRegCantWrite;
    }
    RegValueList values;
    switch (ReadKeyFile(where, values)) {
        case FileState::kUnreadable:
            return kRegCantWrite;
        case FileState::kCorrupt:
            if (!SetAside(where)) {
                return kRegCantWrite;
            }
            break;
        case FileState::kMissing:
        case FileState::kParsed:
            break;
    }
    change(values);
    if (!ReplaceFile(where, posix::FormatRegFile(values, where.keyName))) {
        return kRegCantWrite;
    }
    snapshot = std::move(values);
    return kRegOk;
}

KeyLocation LocationOf(const RegKey::State& state) {
    auto slash = state.file.rfind('/');
    return {state.file.substr(0, slash), state.folder, state.file, state.keyName};
}

}  // namespace

RegKey::RegKey() = default;
RegKey::~RegKey() = default;
RegKey::RegKey(RegKey&&) noexcept = default;
RegKey& RegKey::operator=(RegKey&&) noexcept = default;

bool RegKey::IsOpen() const {
    return m_state != nullptr;
}

long RegKey::QueryValue(const std::string& name, RegValue& value) const {
    if (!m_state) {
        return kRegNotFound;
    }
    const auto* found = posix::FindRegValue(m_state->values, name);
    if (found == nullptr) {
        return kRegNotFound;
    }
    value.type = found->type;
    value.data = found->data;
    bool isText = found->type == kRegSz || found->type == kRegExpandSz;
    if (isText && (value.data.empty() || value.data.back() != '\0')) {
        value.data.push_back('\0');
    }
    return kRegOk;
}

long RegKey::SetValue(const std::string& name, std::uint32_t type, const std::string& data) {
    if (!m_state) {
        return kRegInvalidHandle;
    }
    if (!posix::IsStorableValueName(name)) {
        return kRegInvalidParameter;
    }
    KeyLocation where = LocationOf(*m_state);
    if (!IsDirectory(where.parentFolder)) {
        return kRegCantWrite;
    }
    return Rewrite(where, m_state->values, [&](RegValueList& values) {
        if (auto* existing = posix::FindRegValue(values, name)) {
            existing->type = type;
            existing->data = data;
        } else {
            values.push_back({name, type, data});
        }
    });
}

OwnPathCheck CheckKeyStorage(std::uint32_t hive, const std::string& path) {
    KeyLocation where;
    if (Locate(hive, path, where) != kRegOk) {
        const std::string base = XdgConfigHome();
        return base.empty() ? OwnPathCheck{OwnPathProblem::NoHome, {}, {}} : OwnPathCheck{};
    }
    OwnPathCheck check = CheckOwnFolder(XdgConfigHome(), where.parentFolder, false);
    for (const std::string& file : {where.file, where.file + ".lock"}) {
        if (check.Ok()) {
            check = CheckOwnFile(file);
        }
    }
    return check;
}

long RegOpenKey(std::uint32_t hive, const std::string& path, RegKey& key) {
    KeyLocation where;
    if (long status = Locate(hive, path, where); status != kRegOk) {
        return status;
    }
    RegValueList values;
    FileState state = ReadKeyFile(where, values);
    // A key without a file of its own still exists when it has subkeys (its folder exists).
    if (state != FileState::kParsed && !IsDirectory(where.folder)) {
        return kRegNotFound;
    }
    key.m_state = std::make_unique<RegKey::State>(
        RegKey::State{where.folder, where.file, where.keyName, std::move(values)});
    return kRegOk;
}

long RegCreateKey(std::uint32_t hive, const std::string& path, RegKey& key) {
    KeyLocation where;
    if (long status = Locate(hive, path, where); status != kRegOk) {
        return status;
    }
    if (!MakeFolders(where.parentFolder)) {
        return kRegCantWrite;
    }
    RegValueList values;
    if (ReadKeyFile(where, values) != FileState::kParsed) {
        long status = Rewrite(where, values, [](RegValueList&) {});
        if (status != kRegOk) {
            return status;
        }
    }
    key.m_state = std::make_unique<RegKey::State>(
        RegKey::State{where.folder, where.file, where.keyName, std::move(values)});
    return kRegOk;
}

}  // namespace ostrel::platform
