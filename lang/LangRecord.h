#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

// A language file is a flat run of fixed-size records without a header: record n (from 1) holds
// string n at byte offset (n - 1) * kLangRecordSize.
inline constexpr std::size_t kLangTagSize = 4;
inline constexpr std::size_t kLangTextSize = 120;
inline constexpr std::size_t kLangRecordSize = kLangTagSize + kLangTextSize;

// One record as read from a file. `Tag` is carried but never interpreted.
struct LangRecord {
    std::uint32_t Tag = 0;
    std::array<char, kLangTextSize> Text{};
};

// The 9-character key every record of every language file is enciphered with. It is put
// together afresh on each call and never kept whole anywhere in the program.
std::string LangKey();

// The kLangRecordSize bytes of a record holding `text`: a zero tag, then `text` padded with
// blanks to kLangTextSize characters and enciphered on its own, so equal texts give equal
// records wherever they stand. Throws std::length_error when `text` is longer than
// kLangTextSize.
std::string EncodeLangRecord(std::string_view text);

// `bytes` as a record, the tag in little-endian order; any size but kLangRecordSize gives a
// record of zeros.
LangRecord LangRecordFromBytes(std::string_view bytes);

// The text of `record`, deciphered and trimmed of leading and trailing blanks.
std::string LangRecordText(const LangRecord& record);

}  // namespace ostrel
