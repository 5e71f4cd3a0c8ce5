// ShortenPath over any bytes and any length. Input: two bytes of the length (little-endian,
// signed), one byte choosing the separator (odd: '\'), then the path. What it gives is always
// valid UTF-8 (a byte that is not is shown escaped); unshortened it is the whole path as shown,
// shortened it is the shown path's head, "..." and the shown path's tail.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/PathHelpers.h"

namespace {

// True when `text` is valid UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80                    ? 1
                                   : lead >= 0xC2 && lead <= 0xDF ? 2
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                  : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        const auto second = length > 1 ? static_cast<unsigned char>(text[i + 1]) : 0x80;
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
            (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const auto maxLen = static_cast<std::int16_t>(data[0] | (data[1] << 8));
    const char separator = (data[2] & 1) != 0 ? '\\' : '/';
    const std::string path(reinterpret_cast<const char*>(data + 3), size - 3);
    const std::string shown = ostrel::ShortenPath(path, maxLen, separator);
    if (!IsUtf8(shown)) {
        std::abort();
    }
    const std::string whole = ostrel::ShortenPath(path, 32767, separator);
    if (IsUtf8(path) && path.size() <= 32767 && whole != path) {
        std::abort();  // valid text that fits is shown as it is
    }
    if (shown == whole) {
        return 0;
    }
    // Shortened: a head of at most three characters (four bytes each), "...", and a tail; the
    // whole path as shown starts with the head and ends with the tail.
    for (std::size_t at = shown.find("..."); at != std::string::npos && at <= 12;
         at = shown.find("...", at + 1)) {
        if (whole.starts_with(shown.substr(0, at)) && whole.ends_with(shown.substr(at + 3))) {
            return 0;
        }
    }
    std::abort();
}
