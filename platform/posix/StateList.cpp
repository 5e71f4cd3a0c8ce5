#include "platform/posix/StateList.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "platform/Folder.h"
#include "platform/OwnFolders.h"
#include "platform/PendingDeletions.h"
#include "platform/ProductNames.h"
#include "platform/SpecialFolders.h"
#include "platform/StateFolder.h"
#include "platform/WholeFile.h"

namespace ostrel::platform {
namespace {

// Lists of version 1 record a file by device, inode, size and modification time; version 2
// adds the change time, the birth time and the inode generation ("-" where a field is not
// known). Both are read; version 2 is written.
constexpr std::string_view kHeaderV1 = "ostrel-state 1\n";
constexpr std::string_view kHeaderV2 = "ostrel-state 2\n";
constexpr std::string_view kUnknown = "-";

// The word of `text` at `pos`, ended by a blank, or by a line end when it is the line's `last`;
// `pos` moves past its end. nullopt when the text ends first or the other end comes.
std::optional<std::string_view> Word(const std::string& text, std::size_t& pos, bool last) {
    const std::size_t end = text.find_first_of(" \n", pos);
    if (end == std::string::npos || text[end] != (last ? '\n' : ' ')) {
        return std::nullopt;
    }
    const std::string_view word(text.data() + pos, end - pos);
    pos = end + 1;
    return word;
}

template <typename T>
bool ParseNumber(std::string_view word, T& value) {
    const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
    return result.ec == std::errc() && result.ptr == word.data() + word.size();
}

template <typename T>
bool ParseNumber(const std::string& text, std::size_t& pos, T& value, bool last = false) {
    const auto word = Word(text, pos, last);
    return word && ParseNumber(*word, value);
}

// A time written as seconds "." nanoseconds, or "-".
bool ParseTime(const std::string& text, std::size_t& pos, std::optional<FileTime>& time) {
    const auto word = Word(text, pos, false);
    if (!word) {
        return false;
    }
    if (*word == kUnknown) {
        time.reset();
        return true;
    }
    const std::size_t dot = word->find('.');
    FileTime value;
    if (dot == std::string_view::npos || !ParseNumber(word->substr(0, dot), value.seconds) ||
        !ParseNumber(word->substr(dot + 1), value.nanoseconds)) {
        return false;
    }
    time = value;
    return true;
}

bool ParseGeneration(const std::string& text, std::size_t& pos,
                     std::optional<std::uint32_t>& generation) {
    const auto word = Word(text, pos, false);
    std::uint32_t value = 0;
    if (!word || (*word != kUnknown && !ParseNumber(*word, value))) {
        return false;
    }
    generation = *word == kUnknown ? std::nullopt : std::optional(value);
    return true;
}

// The fields of one entry's first line after the boot id, as the list's version writes them.
bool ParseVersion(const std::string& text, std::size_t& pos, bool version2, FileVersion& file) {
    if (!ParseNumber(text, pos, file.id.device) || !ParseNumber(text, pos, file.id.inode) ||
        !ParseNumber(text, pos, file.size)) {
        return false;
    }
    if (version2) {
        return ParseTime(text, pos, file.modified) && ParseTime(text, pos, file.changed) &&
               ParseTime(text, pos, file.born) && ParseGeneration(text, pos, file.generation);
    }
    FileTime modified;
    if (!ParseNumber(text, pos, modified.seconds) ||
        !ParseNumber(text, pos, modified.nanoseconds)) {
        return false;
    }
    file.modified = modified;
    return true;
}

// Appends the entries of `text`; false when it is not a whole, well-formed list (the entries read
// so far stay).
bool ParseEntries(const std::string& text, std::vector<StateEntry>& entries) {
    const bool version2 = text.starts_with(kHeaderV2);
    if (!version2 && !text.starts_with(kHeaderV1)) {
        return false;
    }
    std::size_t pos = kHeaderV1.size();
    while (pos < text.size()) {
        StateEntry entry;
        const auto bootId = Word(text, pos, false);
        std::size_t length = 0;
        if (!bootId || !ParseVersion(text, pos, version2, entry.version) ||
            !ParseNumber(text, pos, length, true) || length > text.size() - pos ||
            pos + length >= text.size() || text[pos + length] != '\n') {
            return false;
        }
        entry.bootId = *bootId;
        entry.path = text.substr(pos, length);
        pos += length + 1;
        entries.push_back(std::move(entry));
    }
    return true;
}

std::string TimeText(const std::optional<FileTime>& time) {
    return time ? std::to_string(time->seconds) + '.' + std::to_string(time->nanoseconds)
                : std::string(kUnknown);
}

// The entries of `text`; nullopt when it is not a whole, well-formed list.
std::optional<std::vector<StateEntry>> ParsedList(const std::string& text) {
    std::vector<StateEntry> entries;
    return ParseEntries(text, entries) ? std::optional(std::move(entries)) : std::nullopt;
}

}  // namespace

namespace posix {

bool ParseStateList(const std::string& text, std::vector<StateEntry>& entries) {
    return ParseEntries(text, entries);
}

std::string FormatStateList(const std::vector<StateEntry>& entries) {
    std::string text(kHeaderV2);
    for (const auto& e : entries) {
        const FileVersion& v = e.version;
        text += e.bootId + ' ' + std::to_string(v.id.device) + ' ' + std::to_string(v.id.inode) +
                ' ' + std::to_string(v.size) + ' ' + TimeText(v.modified) + ' ' +
                TimeText(v.changed) + ' ' + TimeText(v.born) + ' ' +
                (v.generation ? std::to_string(*v.generation) : std::string(kUnknown)) + ' ' +
                std::to_string(e.path.size()) + '\n';
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

// XdgStateHome() followed by the vendor folder; empty when either is unknown.
std::string StateFolderPath() {
    const std::string base = XdgStateHome();
    const std::string& vendor = GetProductNames().vendorFolder;
    return base.empty() || vendor.empty() ? std::string() : base + "/" + vendor;
}

}  // namespace

OwnPathCheck CheckStateFolder() {
    const std::string base = XdgStateHome();
    const std::string folder = StateFolderPath();
    if (!base.empty() && folder.empty()) {
        return {OwnPathProblem::Unusable, base, std::strerror(EINVAL)};  // no folder name given
    }
    // Every missing folder on the way (a fresh account has no ~/.local/state) is made private.
    OwnPathCheck check = CheckOwnFolder(base, folder, true);
    for (const char* name :
         {posix::kPendingListName, posix::kInProgressListName, posix::kFillFolderListName}) {
        for (const char* suffix : {"", ".lock"}) {
            if (check.Ok()) {
                check = CheckOwnFile(folder + "/" + name + suffix);
            }
        }
    }
    return check;
}

std::string StateFolder() {
    return CheckStateFolder().Ok() ? StateFolderPath() : std::string();
}

std::string PathFromRoot(const std::string& path) {
    if (path.starts_with('/')) {
        return path;
    }
    std::string folder(PATH_MAX, '\0');
    while (::getcwd(folder.data(), folder.size()) == nullptr) {
        if (errno != ERANGE) {
            return {};
        }
        folder.resize(folder.size() * 2);
    }
    folder.resize(std::strlen(folder.c_str()));
    std::string_view rest(path);
    while (rest.starts_with("./")) {
        rest.remove_prefix(2);
    }
    return (folder == "/" ? "" : folder) + "/" + std::string(rest);
}

StateEntry MakeStateEntry(const std::string& path, const FileVersion& version) {
    StateEntry entry;
    entry.bootId = OneWord(BootId());
    entry.version = version;
    entry.path = PathFromRoot(path);
    return entry;
}

EntryState LocateEntry(const StateEntry& entry, Compared compared) {
    const auto now = ReadFileVersion(entry.path);
    if (now && SameVersion(entry.version, *now, compared)) {
        return EntryState::Recorded;
    }
    // "folder/." resolves the folder as the path's own resolution does, links and all.
    const auto folder = StatPath(SplitFolderAndName(entry.path).first + "/.");
    if (!folder || folder->type != FileType::Directory ||
        folder->id.device != entry.version.id.device) {
        return EntryState::Unreachable;
    }
    if (now) {
        return EntryState::Replaced;
    }
    const auto status = StatPath(entry.path);
    if (status) {
        return EntryState::Replaced;
    }
    return status.error() == ENOENT ? EntryState::Gone : EntryState::Unreachable;
}

namespace posix {

std::vector<StateEntry> ReadStateList(const std::string& name) {
    const std::string folder = StateFolder();
    const FileContents contents =
        folder.empty() ? FileContents{} : ReadWholeFile(folder + "/" + name);
    auto entries = contents.Ok() ? ParsedList(contents.bytes) : std::nullopt;
    return entries ? std::move(*entries) : std::vector<StateEntry>();
}

bool UpdateStateList(const std::string& name,
                     const std::function<void(std::vector<StateEntry>&)>& change) {
    const std::string folder = StateFolder();
    if (folder.empty()) {
        return false;
    }
    std::vector<StateEntry> entries;
    const UpdateResult result = UpdateFileLocked(
        folder + "/" + name, 0600,
        [&](const std::string& text) {
            auto parsed = ParsedList(text);
            entries = parsed ? std::move(*parsed) : std::vector<StateEntry>();
            return parsed.has_value();
        },
        [&] {
            change(entries);
            return FormatStateList(entries);
        });
    return result == UpdateResult::Written;
}

bool RemoveStateEntries(const std::string& name, const std::string& path) {
    const std::string recorded = PathFromRoot(path);
    return UpdateStateList(name, [&recorded](std::vector<StateEntry>& entries) {
        std::erase_if(entries, [&recorded](const StateEntry& e) { return e.path == recorded; });
    });
}

}  // namespace posix
}  // namespace ostrel::platform
