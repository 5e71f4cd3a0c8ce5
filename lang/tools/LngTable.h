#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// One string of a source table: its number, its text in the single-byte encoding of the
// language files (Windows-1252), and the source line it came from.
struct LngEntry {
    std::int16_t number;
    std::string text;
    int line;
};

// A parsed source table: the entries in source order, or (when `errors` is not empty) the
// reasons it must not be written, each as "SOURCE:LINE: message".
struct LngTable {
    std::vector<LngEntry> entries;
    std::vector<std::string> errors;
};

// Parses a source table. Each line is NUMBER<TAB>TEXT in UTF-8, NUMBER from 1 to 32767 and
// TEXT 1 to 120 printable characters without leading or trailing blanks (the reader trims
// them); empty lines and lines starting with '#' are skipped; CRLF line ends and a leading
// byte-order mark are accepted. `sourceName` names the table in the messages.
LngTable ParseLngSource(std::string_view source, const std::string& sourceName);

// `utf8` converted to Windows-1252, or nullopt with `error` set when it is not valid UTF-8 or
// holds a character that encoding lacks.
std::optional<std::string> Utf8ToWindows1252(std::string_view utf8, std::string& error);

// The bytes of the language file holding `entries` (numbers unique, texts at most 120
// characters): one record per number from 1 to the highest, a gap filled with blanks.
std::string BuildLngFile(const std::vector<LngEntry>& entries);

}  // namespace ostrel
