#include "platform/PendingDeletions.h"

#include <cerrno>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/FileVersion.h"
#include "platform/Folder.h"
#include "platform/ProductNames.h"
#include "platform/ProgramFolder.h"
#include "platform/SpecialFolders.h"
#include "platform/WholeFile.h"
#include "platform/posix/StateList.h"

namespace ostrel::platform {
namespace {

constexpr const char* kListName = posix::kPendingListName;

std::function<std::string()>& InstalledBootIdSource() {
    static std::function<std::string()> source;
    return source;
}

// The path as one argument of a desktop entry's Exec key: quoted, with the characters the
// quoting reserves escaped, then escaped again as a string value; '%' doubled.
std::string ExecArgument(const std::string& path) {
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (char c : quoted) {
        if (c == '\\') {
            value += "\\\\";
        } else if (c == '%') {
            value += "%%";
        } else {
            value += c;
        }
    }
    return value;
}

// Writes the autostart entry that runs the helper at login, unless one exists already (a user's
// own edits to it are kept).
void EnsureAutostartEntry() {
    std::string entryPath = AutostartEntryPath();
    std::string helper = PendingHelperPath();
    if (entryPath.empty() || helper.empty() || PathExists(entryPath) ||
        helper.find_first_of("\n\r") != std::string::npos) {
        return;
    }
    MakeFolders(SplitFolderAndName(entryPath).first);
    std::string text = "[Desktop Entry]\nType=Application\nName=" + GetProductNames().displayName +
                       "\nExec=" + ExecArgument(helper) +
                       "\nNoDisplay=true\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
    ReplaceFileAtomically(entryPath, text, 0644);
}

}  // namespace

std::string BootId() {
    if (const auto& source = InstalledBootIdSource()) {
        return source();
    }
    std::string id = ReadWholeFile("/proc/sys/kernel/random/boot_id").bytes;
    while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) {
        id.pop_back();
    }
    return id;
}

std::function<std::string()> SetBootIdSource(std::function<std::string()> source) {
    return std::exchange(InstalledBootIdSource(), std::move(source));
}

bool ScheduleDeletionAtBoot(const std::string& path) {
    const auto version = ReadFileVersion(path);
    if (!version) {
        return false;
    }
    StateEntry entry = MakeStateEntry(path, *version);
    bool ok = !entry.path.empty() &&
              posix::UpdateStateList(kListName, [&entry](std::vector<StateEntry>& entries) {
                  entries.push_back(entry);
              });
    if (ok) {
        EnsureAutostartEntry();
    }
    return ok;
}

std::vector<StateEntry> PendingDeletions() {
    return posix::ReadStateList(kListName);
}

SweepResult DeletePendingFromEarlierBoots(ChangedEntries changed) {
    SweepResult result;
    const std::string bootId = BootId();
    posix::UpdateStateList(kListName, [&](std::vector<StateEntry>& entries) {
        std::vector<StateEntry> remaining;
        std::vector<StateEntry> deleted;
        for (auto& entry : entries) {
            bool keep = entry.bootId == bootId;
            if (!keep) {
                // The entry was written after the file's last write: nothing of it may differ.
                switch (LocateEntry(entry, Compared::Everything)) {
                    case EntryState::Recorded:
                        if (const Status removed = DeletePath(entry.path);
                            removed || removed.error() == ENOENT) {
                            ++result.deleted;
                            deleted.push_back(entry);
                        } else {
                            keep = true;
                        }
                        break;
                    case EntryState::Gone:
                        ++result.dropped;
                        break;
                    case EntryState::Replaced:
                        result.changed.push_back(entry.path);
                        keep = changed == ChangedEntries::Keep;
                        result.dropped += keep ? 0 : 1;
                        break;
                    case EntryState::Unreachable:
                        result.waiting.push_back(entry.path);
                        keep = true;
                        break;
                }
            }
            if (keep) {
                ++result.kept;
                remaining.push_back(std::move(entry));
            }
        }
        // An entry goes only once its deletion is on the disk; where the folder cannot be
        // flushed it stays, and the next start finds the file gone and drops it then.
        for (auto& entry : deleted) {
            if (Folder::Open(SplitFolderAndName(entry.path).first).Sync() != 0) {
                remaining.push_back(std::move(entry));
            }
        }
        entries = std::move(remaining);
    });
    return result;
}

std::string PendingHelperPath() {
    const std::string folder = ExecutableFolder();
    const std::string& helperName = GetProductNames().helperName;
    if (folder.empty() || helperName.empty()) {
        return {};
    }
    std::string beside = folder + "/" + helperName;
    auto status = StatPath(beside);
    if (status && status->type == FileType::Regular) {
        return beside;
    }
    std::size_t slash = folder.rfind('/');
    std::string installed = folder.substr(0, slash) + "/libexec/" + helperName;
    status = StatPath(installed);
    return status && status->type == FileType::Regular ? installed : std::string();
}

std::string AutostartEntryPath() {
    const std::string config = XdgConfigHome();
    const std::string& helperName = GetProductNames().helperName;
    return config.empty() || helperName.empty() ? std::string()
                                                : config + "/autostart/" + helperName + ".desktop";
}

}  // namespace ostrel::platform
