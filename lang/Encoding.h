#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace ostrel {

// The characters Windows-1252 puts at 0x80..0x9F, where Latin-1 has control codes.
extern const std::pair<char32_t, unsigned char> kWindows1252Extra[27];

// Decodes the UTF-8 sequence at `pos` and moves `pos` past it; nullopt for a malformed,
// overlong or surrogate sequence.
std::optional<char32_t> DecodeUtf8(std::string_view s, std::size_t& pos);

// `ansi` (the language files' single-byte Windows-1252 text) as UTF-8. The five unassigned
// codes become U+FFFD.
std::string Windows1252ToUtf8(std::string_view ansi);

// `text` for a UTF-8 terminal: unchanged when it is valid UTF-8, else read as Windows-1252
// (texts from the language files are; a file name that is neither shows garbled, never cut).
std::string DisplayText(std::string_view text);

// `bytes` (a path) as valid UTF-8 that shows every byte on one line and cannot be mistaken for
// another path: a byte that is not part of valid UTF-8 becomes "\xHH"; control characters become
// "\n", "\t", "\r" or "\xHH"; characters that break the line or reorder the text around them
// (C1 controls, line and paragraph separators, bidirectional controls) become "\u" and four hex
// digits; a backslash becomes "\\", so an escape is never ambiguous. Everything else stays.
std::string EscapedForDisplay(std::string_view bytes);

}  // namespace ostrel
