#include "core/FolderChain.h"

#include <cerrno>
#include <utility>

#include "platform/ErrorNumbers.h"

namespace ostrel {

const platform::Folder& FolderChain::Current() const {
    return m_levels.empty() ? m_root : m_levels.back().folder;
}

int FolderChain::Descend(std::string_view name,
                         const std::optional<platform::FileIdentity>& expected) {
    if (!m_levels.empty() && m_levels.back().lost) {
        return platform::kErrorStale;
    }
    platform::Folder next = Current().OpenChild(name, expected);
    if (!next.IsOpen()) {
        return next.Error() != 0 ? next.Error() : EBADF;
    }
    const platform::FileIdentity id = next.Identity();
    m_levels.push_back({id, std::move(next), false});
    if (m_levels.size() > kHeld) {
        m_levels[m_levels.size() - kHeld - 1].folder = platform::Folder();
    }
    return 0;
}

int FolderChain::Ascend() {
    if (m_levels.empty()) {
        return EINVAL;
    }
    Level left = std::move(m_levels.back());
    m_levels.pop_back();
    if (m_levels.empty()) {
        return 0;
    }
    Level& above = m_levels.back();
    if (above.folder.IsOpen() || above.lost) {
        return above.lost ? platform::kErrorStale : 0;
    }
    int error = platform::kErrorStale;
    if (!left.lost) {
        above.folder = left.folder.OpenParent(above.id);
        error = above.folder.IsOpen() ? 0 : above.folder.Error();
    }
    if (error != 0) {
        above.lost = true;
    }
    return error;
}

}  // namespace ostrel
