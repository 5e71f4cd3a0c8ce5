#include "core/PathHelpers.h"

#include <vector>

#include <new>

#include "core/Globals.h"
#include "core/Host.h"
#include "core/RuntimeError.h"
#include "platform/SpecialFolders.h"

namespace ostrel {

std::string GetSpecialFolder(std::int32_t csidl) {
    return platform::SpecialFolderPath(csidl);
}

void InitSpecialFolders(const std::string& errorPrefix, const std::string& title) {
    try {
        gCommonAppData = AddBackslash(GetSpecialFolder(platform::kCsidlCommonAppData));
    } catch (const RuntimeError& error) {
        CurrentHost().MsgBox(
            errorPrefix + std::to_string(error.Number()) + " - " + error.Description(),
            kMsgCritical, title);
    } catch (const std::bad_alloc&) {
        CurrentHost().MsgBox(
            errorPrefix + std::to_string(kErrOutOfMemory) + " - " + "Out of memory", kMsgCritical,
            title);
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

namespace {

// The length of the valid UTF-8 sequence at `at`, or 0 when the byte there does not start one.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    const unsigned char second = length > 1 ? byte(at + 1) : 0x80;
    // Overlong forms, surrogates and values past U+10FFFF are not valid.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return 0;
    }
    return length;
}

// `text` as characters to show: each valid UTF-8 sequence one character, each other byte the
// four characters of its escape "\xNN".
std::vector<std::string> DisplayCharacters(const std::string& text) {
    std::vector<std::string> characters;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            static const char kHex[] = "0123456789ABCDEF";
            const auto byte = static_cast<unsigned char>(text[at]);
            for (const char c : {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]}) {
                characters.emplace_back(1, c);
            }
            ++at;
        } else {
            characters.push_back(text.substr(at, length));
            at += length;
        }
    }
    return characters;
}

}  // namespace

std::string ShortenPath(const std::string& path, std::int16_t maxLen, char separator) {
    const std::vector<std::string> characters = DisplayCharacters(path);
    auto join = [&](std::size_t from, std::size_t to) {
        std::string joined;
        for (std::size_t i = from; i < to && i < characters.size(); ++i) {
            joined += characters[i];
        }
        return joined;
    };
    const auto length = static_cast<long>(characters.size());
    if (length <= maxLen) {
        return join(0, characters.size());
    }
    long kept = static_cast<long>(maxLen) - 6;
    long start = length - kept;  // 1-based; beyond the end when maxLen < 6
    std::string result = join(0, 3) + "...";
    if (start <= length) {
        for (auto i = static_cast<std::size_t>(start - 1); i < characters.size(); ++i) {
            if (characters[i] == std::string(1, separator)) {
                result += join(i, characters.size());
                break;
            }
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
