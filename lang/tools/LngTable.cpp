#include "lang/tools/LngTable.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <utility>

#include "lang/LangRecord.h"

namespace ostrel {
namespace {

constexpr long kMaxStringNumber = 32767;

// The characters Windows-1252 puts at 0x80..0x9F, where Latin-1 has control codes.
constexpr std::pair<char32_t, unsigned char> kWindows1252Extra[] = {
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85}, {0x2020, 0x86},
    {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C},
    {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95},
    {0x2013, 0x96}, {0x2014, 0x97}, {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B},
    {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F}};

// Decodes the UTF-8 sequence at `pos` and moves `pos` past it; nullopt for a malformed,
// overlong or surrogate sequence.
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

std::string CodePointName(char32_t cp) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(cp));
    return name;
}

}  // namespace

std::optional<std::string> Utf8ToWindows1252(std::string_view utf8, std::string& error) {
    std::string out;
    for (std::size_t pos = 0; pos < utf8.size();) {
        auto cp = DecodeUtf8(utf8, pos);
        if (!cp) {
            error = "text is not valid UTF-8";
            return std::nullopt;
        }
        if (*cp < 0x20 || (*cp >= 0x7F && *cp < 0xA0)) {
            error = "control character " + CodePointName(*cp) + " in text";
            return std::nullopt;
        }
        if (*cp <= 0xFF) {
            out += static_cast<char>(*cp);
            continue;
        }
        auto extra = std::find_if(std::begin(kWindows1252Extra), std::end(kWindows1252Extra),
                                  [&](const auto& pair) { return pair.first == *cp; });
        if (extra == std::end(kWindows1252Extra)) {
            error = "character " + CodePointName(*cp) + " has no code in Windows-1252";
            return std::nullopt;
        }
        out += static_cast<char>(extra->second);
    }
    return out;
}

LngTable ParseLngSource(std::string_view source, const std::string& sourceName) {
    LngTable table;
    std::map<long, int> lineOfNumber;
    auto fail = [&](int line, const std::string& message) {
        table.errors.push_back(sourceName + ":" + std::to_string(line) + ": " + message);
    };
    if (source.substr(0, 3) == "\xEF\xBB\xBF") {
        source.remove_prefix(3);
    }
    int lineNumber = 0;
    for (std::size_t start = 0; start < source.size();) {
        std::size_t end = std::min(source.find('\n', start), source.size());
        std::string_view line = source.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        std::size_t tab = line.find('\t');
        std::string_view digits = line.substr(0, tab);
        long number = 0;
        auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (parsed.ec == std::errc::result_out_of_range) {
            number = kMaxStringNumber + 1;
        } else if (tab == std::string_view::npos || digits.empty() || digits.front() < '0' ||
                   digits.front() > '9' || parsed.ec != std::errc() ||
                   parsed.ptr != digits.data() + digits.size()) {
            fail(lineNumber, "expected NUMBER<TAB>TEXT");
            continue;
        }
        if (number < 1 || number > kMaxStringNumber) {
            fail(lineNumber, "string number " + std::string(digits) + " is not from 1 to 32767");
            continue;
        }
        if (auto [it, inserted] = lineOfNumber.emplace(number, lineNumber); !inserted) {
            fail(lineNumber, "string " + std::to_string(number) + " is already defined on line " +
                                 std::to_string(it->second));
            continue;
        }
        std::string_view utf8 = line.substr(tab + 1);
        std::string error;
        auto text = Utf8ToWindows1252(utf8, error);
        if (!text) {
            fail(lineNumber, error);
        } else if (text->empty()) {
            fail(lineNumber, "text is empty");
        } else if (text->front() == ' ' || text->back() == ' ') {
            fail(lineNumber, "text starts or ends with a blank, which reading would drop");
        } else if (text->size() > kLangTextSize) {
            fail(lineNumber, "text is " + std::to_string(text->size()) +
                                 " characters long; a record holds at most 120");
        } else {
            table.entries.push_back({static_cast<std::int16_t>(number), *text, lineNumber});
        }
    }
    if (table.entries.empty() && table.errors.empty()) {
        table.errors.push_back(sourceName + ": holds no strings");
    }
    return table;
}

std::string BuildLngFile(const std::vector<LngEntry>& entries) {
    std::map<int, std::string_view> texts;
    for (const LngEntry& entry : entries) {
        texts.emplace(entry.number, entry.text);
    }
    int last = texts.empty() ? 0 : texts.rbegin()->first;
    std::string file;
    file.reserve(static_cast<std::size_t>(last) * kLangRecordSize);
    for (int number = 1; number <= last; ++number) {
        auto it = texts.find(number);
        file += EncodeLangRecord(it == texts.end() ? std::string_view() : it->second);
    }
    return file;
}

}  // namespace ostrel
