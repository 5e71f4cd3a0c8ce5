#include "core/PathHelpers.h"

#include <new>

#include "core/Globals.h"
#include "core/Host.h"
#include "core/RuntimeError.h"
#include "lang/LanguageFile.h"
#include "platform/SpecialFolders.h"

namespace ostrel {

std::string GetSpecialFolder(std::int32_t csidl) {
    return platform::SpecialFolderPath(csidl);
}

void InitSpecialFolders() {
    try {
        gCommonAppData = AddBackslash(GetSpecialFolder(platform::kCsidlCommonAppData));
    } catch (const RuntimeError& error) {
        CurrentHost().MsgBox(
            GetLangString(771) + std::to_string(error.Number()) + " - " + error.Description(),
            kMsgCritical, GetLangString(818));
    } catch (const std::bad_alloc&) {
        CurrentHost().MsgBox(
            GetLangString(771) + std::to_string(kErrOutOfMemory) + " - " + "Out of memory",
            kMsgCritical, GetLangString(818));
    }
}

std::string RemoveTrailingSeparators(const std::string& path, char separator) {
    const auto last = path.find_last_not_of(separator);
    if (last == std::string::npos) {
        return path.empty() ? path : std::string(1, separator);
    }
    return path.substr(0, last + 1);
}

std::string AddBackslash(const std::string& path, char separator) {
    if (!path.empty() && path.back() == separator) {
        return path;
    }
    return path + separator;
}

std::string ShortenPath(const std::string& path, std::int16_t maxLen, char separator) {
    auto length = static_cast<long>(path.size());
    if (length <= maxLen) {
        return path;
    }
    long kept = static_cast<long>(maxLen) - 6;
    long start = length - kept;  // 1-based; beyond the end when maxLen < 6
    std::string result = path.substr(0, 3) + "...";
    if (start <= length) {
        size_t tail = path.find(separator, static_cast<size_t>(start - 1));
        if (tail != std::string::npos) {
            result += path.substr(tail);
        }
    }
    return result;
}

std::string GetFileExtension(const std::string& fileName, char separator) {
    for (size_t i = fileName.size(); i-- > 0;) {
        char c = fileName[i];
        if (c == '.') {
            return fileName.substr(i + 1);
        }
        if (c == separator || c == ':') {
            break;
        }
    }
    return {};
}

}  // namespace ostrel
