#include "job/ProtectedFolders.h"

#include <algorithm>

#include "core/Globals.h"
#include "core/ProductNames.h"
#include "lang/LangStrings.h"
#include "platform/ProgramFolder.h"
#include "platform/SpecialFolders.h"

namespace ostrel {
namespace {

// The folder at `path`, or the nearest one above it that can be opened. Links are followed:
// what is protected is the folder a path leads to.
platform::Folder OpenNearest(std::string path) {
    for (;;) {
        platform::Folder folder = platform::Folder::OpenFollowingLinks(path);
        if (folder.IsOpen() || path.empty() || path == "/") {
            return folder;
        }
        path = platform::SplitFolderAndName(path).first;
    }
}

}  // namespace

void ProtectedFolders::Add(const platform::FileIdentity& id, std::int16_t why) {
    if (Why(id) == 0) {
        m_folders.emplace_back(id, why);
    }
}

std::int16_t ProtectedFolders::Why(const platform::FileIdentity& id) const {
    const auto found = std::find_if(m_folders.begin(), m_folders.end(),
                                    [&](const auto& folder) { return folder.first == id; });
    return found == m_folders.end() ? 0 : found->second;
}

void ProtectedFolders::AddWithAncestors(const std::string& path, std::int16_t why) {
    if (path.empty()) {
        return;
    }
    platform::Folder folder = OpenNearest(path);
    // Up through "..", one checked step at a time, until the folder above is the folder itself.
    for (int depth = 0; folder.IsOpen() && depth < 4096; ++depth) {
        Add(folder.Identity(), why);
        platform::Folder above = folder.OpenParent();
        if (!above.IsOpen() || above.Identity() == folder.Identity()) {
            break;
        }
        folder = std::move(above);
    }
}

ProtectedFolders ProtectedFolders::Find() {
    ProtectedFolders found;
    const platform::Folder root = platform::Folder::Open("/");
    found.m_root = root.Identity();
    found.Add(found.m_root, lang::kWhyTopFolder);
    const platform::Folder current = platform::Folder::Open(".");
    if (current.IsOpen()) {
        found.Add(current.Identity(), lang::kWhyCurrentFolder);
        const platform::Folder above = current.OpenParent();
        if (above.IsOpen()) {
            found.Add(above.Identity(), lang::kWhyCurrentFolder);
        }
    }
    const std::string home = platform::HomeFolder();
    if (!home.empty()) {
        const platform::Folder homeFolder = platform::Folder::OpenFollowingLinks(home);
        if (homeFolder.IsOpen()) {
            found.Add(homeFolder.Identity(), lang::kWhyHomeFolder);
        }
    }
    const std::string ownFolders[] = {
        HoldingFolderPath(),
        gDataFolder,
        platform::XdgConfigHome().empty() ? "" : platform::XdgConfigHome() + "/" + kVendorFolder,
        platform::XdgStateHome().empty() ? "" : platform::XdgStateHome() + "/" + kVendorFolder,
        platform::ProgramFolder(),
    };
    for (const std::string& own : ownFolders) {
        if (own.empty() || own.starts_with("/" + std::string(kHoldingFolderName))) {
            continue;
        }
        const platform::Folder folder = platform::Folder::OpenFollowingLinks(own);
        if (folder.IsOpen()) {
            found.m_own.push_back(folder.Identity());
        }
        found.AddWithAncestors(own, lang::kWhyProgramFolders);
    }
    return found;
}

std::int16_t ProtectedFolders::Refusal(const std::string& path, const platform::Folder& parent,
                                       const std::optional<platform::FileStatus>& status) const {
    const auto [folder, name] = platform::SplitFolderAndName(path);
    if (name.find_first_not_of('/') == std::string::npos) {
        return lang::kWhyTopFolder;  // "/" itself (or "//")
    }
    if (!parent.IsOpen()) {
        return 0;
    }
    if (name == "." || name == "..") {
        // The folder meant is judged first: "link/." where the link leads to "/" is "/".
        const platform::Folder meant = name == "." ? platform::Folder() : parent.OpenParent();
        const platform::FileIdentity id = name == "." ? parent.Identity() : meant.Identity();
        if (name == "." || meant.IsOpen()) {
            if (id == m_root) {
                return lang::kWhyTopFolder;
            }
            if (const std::int16_t why = Why(id); why != 0) {
                return why;
            }
            if (std::find(m_own.begin(), m_own.end(), id) != m_own.end()) {
                return lang::kWhyProgramFolders;
            }
        }
        return lang::kWhyCurrentFolder;
    }
    if (parent.Identity() == m_root) {
        return lang::kWhyTopFolder;  // whatever it is: a link there may be part of the system
    }
    if (std::find(m_own.begin(), m_own.end(), parent.Identity()) != m_own.end()) {
        return lang::kWhyProgramFolders;
    }
    if (status && status->type == platform::FileType::Directory) {
        return Why(status->id);
    }
    return 0;
}

}  // namespace ostrel
