#include "shredder/DeferredDeletion.h"

#include <cstdint>
#include <exception>

#include "core/Host.h"
#include "platform/Environment.h"
#include "platform/OsVersion.h"
#include "platform/PendingDeletions.h"
#include "platform/WholeFile.h"
#include "shredder/Shredder.h"

namespace ostrel {
namespace {

constexpr std::uint32_t kWinInitMode = 0644;

bool Is9xRelease(std::uint32_t minor, bool (*buildMatches)(std::int32_t)) {
    platform::OsVersionInfo info;
    info.dwOSVersionInfoSize = sizeof info;
    if (platform::GetVersionExA(info) != 1) {
        return false;
    }
    return info.dwPlatformId == platform::kVerPlatformWin32Windows && info.dwMajorVersion == 4 &&
           info.dwMinorVersion == minor &&
           buildMatches(static_cast<std::int32_t>(info.dwBuildNumber));
}

}  // namespace

bool IsWin95() {
    return Is9xRelease(0, [](std::int32_t build) { return build == 950; });
}

bool IsWin95OSR2() {
    return Is9xRelease(0, [](std::int32_t build) { return build == 1111; });
}

bool IsWin98() {
    return Is9xRelease(10, [](std::int32_t build) { return build >= 1998; });
}

bool IsWinME() {
    return Is9xRelease(90, [](std::int32_t build) { return build >= 3000; });
}

bool AppendWinInitEntry(const std::string& path) {
    const std::string winInit = platform::GetEnv("WinDir").value_or("") + "/WinInit.ini";
    const std::string entry = "NUL=" + path + "\r\n";
    const platform::FileContents contents = platform::ReadWholeFile(winInit);
    if (contents.outcome == platform::ReadOutcome::Unreadable) {
        return false;
    }
    if (!contents.Ok()) {
        return platform::ReplaceFileAtomically(winInit, "[Rename]\r\n" + entry, kWinInitMode);
    }
    DoEventsIgnoringErrors();
    // The text ends at its first NUL, however long the file is.
    std::string text = contents.bytes.substr(0, contents.bytes.find('\0'));
    if (text.size() < 2 || text.ends_with("\r\n")) {
        text += entry;
    } else {
        text += "\r\n" + entry;
    }
    return platform::ReplaceFileAtomically(winInit, text, kWinInitMode);
}

void clsShredder::IsNotWin9x(bool& result) {
    bool win95 = IsWin95();
    bool win95Osr2 = IsWin95OSR2();
    bool win98 = IsWin98();
    bool winMe = IsWinME();
    result = !(win95 || win95Osr2 || win98 || winMe);
}

void clsShredder::DeleteOnReboot(std::string& path, std::string&) {
    bool notWin9x = true;
    IsNotWin9x(notWin9x);
    m_scheduled = notWin9x ? platform::ScheduleDeletionAtBoot(path) : AppendWinInitEntry(path);
    DoEventsIgnoringErrors();
}

}  // namespace ostrel
