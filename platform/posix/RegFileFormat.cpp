#include "platform/posix/RegFileFormat.h"

#include <cstdio>

#include "platform/Registry.h"

namespace ostrel::platform::posix {
namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr size_t kHexBytesPerLine = 25;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = LowerAscii(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Splits `text` into lines at LF, dropping one CR before each LF.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

// Reads a quoted string at the front of `s` (which starts with '"'), undoing \\ and \".
// Advances `s` past the closing quote.
std::optional<std::string> ReadQuoted(std::string_view& s) {
    std::string out;
    size_t i = 1;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        }
        if (c == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) {
                return std::nullopt;
            }
            c = s[++i];
        }
        out.push_back(c);
    }
    return std::nullopt;
}

// Parses comma-separated two-digit hex bytes, as in "61,00,62" (blanks allowed around them).
std::optional<std::string> ReadHexBytes(std::string_view s) {
    std::string out;
    s = TrimBlanks(s);
    if (s.empty()) {
        return out;
    }
    for (;;) {
        size_t comma = s.find(',');
        std::string_view item = TrimBlanks(s.substr(0, comma));
        if (item.size() != 2 || HexDigit(item[0]) < 0 || HexDigit(item[1]) < 0) {
            return std::nullopt;
        }
        out.push_back(static_cast<char>(HexDigit(item[0]) * 16 + HexDigit(item[1])));
        if (comma == std::string_view::npos) {
            return out;
        }
        s.remove_prefix(comma + 1);
    }
}

// Parses the data after "=": a quoted string, dword:, hex: or hex(N):.
std::optional<NamedRegValue> ReadData(std::string_view s) {
    NamedRegValue value;
    s = TrimBlanks(s);
    if (!s.empty() && s.front() == '"') {
        auto text = ReadQuoted(s);
        if (!text || !TrimBlanks(s).empty()) {
            return std::nullopt;
        }
        value.type = kRegSz;
        value.data = std::move(*text);
        return value;
    }
    if (StartsWithNoCase(s, "dword:")) {
        std::string_view digits = TrimBlanks(s.substr(6));
        if (digits.empty() || digits.size() > 8) {
            return std::nullopt;
        }
        std::uint32_t number = 0;
        for (char c : digits) {
            if (HexDigit(c) < 0) {
                return std::nullopt;
            }
            number = number * 16 + static_cast<std::uint32_t>(HexDigit(c));
        }
        value.type = kRegDword;
        for (int i = 0; i < 4; ++i) {
            value.data.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
        }
        return value;
    }
    if (StartsWithNoCase(s, "hex:")) {
        value.type = kRegBinary;
        s.remove_prefix(4);
    } else if (StartsWithNoCase(s, "hex(")) {
        size_t close = s.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12) {
            return std::nullopt;
        }
        std::uint32_t type = 0;
        for (char c : s.substr(4, close - 4)) {
            if (HexDigit(c) < 0) {
                return std::nullopt;
            }
            type = type * 16 + static_cast<std::uint32_t>(HexDigit(c));
        }
        value.type = type;
        s.remove_prefix(close + 2);
    } else {
        return std::nullopt;
    }
    auto bytes = ReadHexBytes(s);
    if (!bytes) {
        return std::nullopt;
    }
    value.data = std::move(*bytes);
    return value;
}

void AppendQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    out.push_back('"');
}

void AppendHex(std::string& out, const NamedRegValue& value) {
    char prefix[24];
    if (value.type == kRegBinary) {
        std::snprintf(prefix, sizeof prefix, "hex:");
    } else {
        std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
    }
    out += prefix;
    static constexpr char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < value.data.size(); ++i) {
        auto byte = static_cast<unsigned char>(value.data[i]);
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0xF]);
        if (i + 1 < value.data.size()) {
            out.push_back(',');
            if ((i + 1) % kHexBytesPerLine == 0) {
                out += "\\\n  ";
            }
        }
    }
}

bool IsPlainText(std::string_view data) {
    return data.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

}  // namespace

bool IsStorableValueName(std::string_view name) {
    return IsPlainText(name);
}

NamedRegValue* FindRegValue(RegValueList& values, std::string_view name) {
    for (auto& value : values) {
        if (EqualsNoCase(value.name, name)) {
            return &value;
        }
    }
    return nullptr;
}

const NamedRegValue* FindRegValue(const RegValueList& values, std::string_view name) {
    return FindRegValue(const_cast<RegValueList&>(values), name);
}

std::optional<RegValueList> ParseRegFile(std::string_view text, std::string_view keyName) {
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        text.remove_prefix(kUtf8Bom.size());
    }
    std::vector<std::string_view> lines = SplitLines(text);
    if (lines.empty()) {
        return std::nullopt;
    }
    std::string_view header = TrimBlanks(lines[0]);
    if (header != kHeader4 && header != kHeader5) {
        return std::nullopt;
    }
    RegValueList values;
    bool inSection = false;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::string_view line = TrimBlanks(lines[i]);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']' || !EqualsNoCase(line.substr(1, line.size() - 2), keyName)) {
                return std::nullopt;
            }
            inSection = true;
            continue;
        }
        if (!inSection) {
            return std::nullopt;
        }
        std::string_view rest = line;
        std::string name;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (rest.front() == '"') {
            auto quoted = ReadQuoted(rest);
            if (!quoted) {
                return std::nullopt;
            }
            name = std::move(*quoted);
        } else {
            return std::nullopt;
        }
        rest = TrimBlanks(rest);
        if (rest.empty() || rest.front() != '=') {
            return std::nullopt;
        }
        std::string data(TrimBlanks(rest.substr(1)));
        // A hex value may go on over several lines, each but the last ending in a backslash.
        if (StartsWithNoCase(data, "hex")) {
            while (!data.empty() && data.back() == '\\' && i + 1 < lines.size()) {
                data.pop_back();
                data += TrimBlanks(lines[++i]);
            }
        }
        auto value = ReadData(data);
        if (!value) {
            return std::nullopt;
        }
        value->name = std::move(name);
        if (auto* existing = FindRegValue(values, value->name)) {
            *existing = std::move(*value);
        } else {
            values.push_back(std::move(*value));
        }
    }
    return values;
}

std::string FormatRegFile(const RegValueList& values, std::string_view keyName) {
    std::string out;
    out += kHeader4;
    out += "\n\n[";
    out += keyName;
    out += "]\n";
    for (const auto& value : values) {
        if (value.name.empty()) {
            out.push_back('@');
        } else {
            AppendQuoted(out, value.name);
        }
        out.push_back('=');
        if (value.type == kRegSz && IsPlainText(value.data)) {
            AppendQuoted(out, value.data);
        } else if (value.type == kRegDword && value.data.size() == 4) {
            std::uint32_t number = 0;
            for (int i = 3; i >= 0; --i) {
                number = (number << 8) | static_cast<unsigned char>(value.data[i]);
            }
            char text[20];
            std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(number));
            out += text;
        } else {
            AppendHex(out, value);
        }
        out.push_back('\n');
    }
    out.push_back('\n');
    return out;
}

}  // namespace ostrel::platform::posix
