#include "platform/Registry.h"

#include <optional>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/SpecialFolders.h"
#include "platform/WholeFile.h"
#include "platform/posix/RegFileFormat.h"

namespace ostrel::platform {

using posix::RegValueList;

struct RegKey::State {
    std::string folder;  // the folder holding the key's file; also the folder of its subkeys' files
    std::string file;    // <parent folder>/<name>.reg
    std::string keyName;  // the section name, "HKEY_CURRENT_USER\Software\..."
    RegValueList values;  // snapshot
};

namespace {

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

// Reads and parses the key's file into `values`; true only for a file that parsed (a link in its
// place is never followed, a FIFO never waited on).
bool ReadKeyFile(const KeyLocation& where, RegValueList& values) {
    const FileContents contents = ReadWholeFile(where.file);
    auto parsed = contents.Ok() ? posix::ParseRegFile(contents.bytes, where.keyName) : std::nullopt;
    if (parsed) {
        values = std::move(*parsed);
    }
    return parsed.has_value();
}

// Under the key's lock: reads the file again, applies `change` and stores the result. An
// unparsable file is set aside first; an unreadable one is left alone and nothing is stored.
template <typename Change>
long Rewrite(const KeyLocation& where, RegValueList& snapshot, Change change) {
    RegValueList values;
    const UpdateResult result = UpdateFileLocked(
        where.file, 0600,
        [&](const std::string& text) {
            auto parsed = posix::ParseRegFile(text, where.keyName);
            values = parsed ? std::move(*parsed) : RegValueList{};
            return parsed.has_value();
        },
        [&] {
            change(values);
            return posix::FormatRegFile(values, where.keyName);
        });
    if (result != UpdateResult::Written) {
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
    // A key whose folder is gone cannot take the lock file: nothing is stored then.
    return Rewrite(LocationOf(*m_state), m_state->values, [&](RegValueList& values) {
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
    // A key without a file of its own still exists when it has subkeys (its folder exists).
    if (!ReadKeyFile(where, values) && !PathIsDirectory(where.folder)) {
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
    if (!ReadKeyFile(where, values)) {
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
