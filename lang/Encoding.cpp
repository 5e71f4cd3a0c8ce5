#include "lang/Encoding.h"

namespace ostrel {

const std::pair<char32_t, unsigned char> kWindows1252Extra[27] = {
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85}, {0x2020, 0x86},
    {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C},
    {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95},
    {0x2013, 0x96}, {0x2014, 0x97}, {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B},
    {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F}};

std::optional<char32_t> DecodeUtf8(std::string_view s, std::size_t& pos) {
    auto lead = static_cast<unsigned char>(s[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    if (lead < 0xC0 || lead >= 0xF8) {
        return std::nullopt;
    }
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    char32_t cp = lead & (0x7Fu >> length);
    if (length > s.size() - pos) {
        return std::nullopt;
    }
    for (std::size_t k = 1; k < length; ++k) {
        auto next = static_cast<unsigned char>(s[pos + k]);
        if ((next & 0xC0u) != 0x80u) {
            return std::nullopt;
        }
        cp = (cp << 6) | (next & 0x3Fu);
    }
    if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return std::nullopt;
    }
    pos += length;
    return cp;
}

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// True for a character that, shown as it is, would break a line or change the order in which the
// characters around it are drawn.
bool BreaksOrReorders(char32_t cp) {
    return (cp >= 0x80 && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029 || cp == 0x200E ||
           cp == 0x200F || cp == 0x061C || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi) {
        const auto byte = static_cast<unsigned char>(c);
        char32_t cp = byte;
        if (byte >= 0x80 && byte < 0xA0) {
            cp = 0xFFFD;
            for (const auto& [unicode, code] : kWindows1252Extra) {
                if (code == byte) {
                    cp = unicode;
                }
            }
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string EscapedForDisplay(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[pos]);
        std::size_t next = pos;
        const std::optional<char32_t> cp = DecodeUtf8(bytes, next);
        if (!cp || *cp < 0x20 || *cp == 0x7F) {
            switch (cp.value_or(0xFFFFFFFF)) {
                case '\n':
                    out += "\\n";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                default:
                    out += "\\x";
                    out += kHexDigits[byte >> 4];
                    out += kHexDigits[byte & 0xF];
                    break;
            }
            ++pos;
            continue;
        }
        if (*cp == '\\') {
            out += "\\\\";
        } else if (BreaksOrReorders(*cp)) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) {
                out += kHexDigits[(*cp >> shift) & 0xF];
            }
        } else {
            out.append(bytes.substr(pos, next - pos));
        }
        pos = next;
    }
    return out;
}

std::string DisplayText(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        if (!DecodeUtf8(text, pos)) {
            return Windows1252ToUtf8(text);
        }
    }
    return std::string(text);
}

}  // namespace ostrel
