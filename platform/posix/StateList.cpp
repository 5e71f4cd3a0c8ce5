#include "platform/posix/StateList.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>

#include "platform/OwnFolders.h"
#include "platform/PendingDeletions.h"
#include "platform/ProductNames.h"
#include "platform/SpecialFolders.h"
#include "platform/WholeFile.h"

namespace ostrel::platform {
namespace {

constexpr char kHeader[] = "ostrel-state 1\n";

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

// Appends the entries of `text`; false when it is not a whole, well-formed list (the entries read
// so far stay).
bool ParseEntries(const std::string& text, std::vector<StateEntry>& entries) {
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
    for (const char* name : {posix::kPendingListName, posix::kInProgressListName}) {
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
    return entry.id == status.id;
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

}  // namespace posix
}  // namespace ostrel::platform
