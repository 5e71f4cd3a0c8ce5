#pragma once

#include <cstdint>
#include <string_view>

namespace ostrel {

// The English text of string `number` when the program carries one, else empty: the same text
// as the English language file's, in ASCII (so the same in the files' single-byte encoding). The
// program carries the texts it must be able to show whatever state its language file is in (a
// missing, cut or garbled file must never give an empty question or empty report headings).
std::string_view BuiltInText(std::int16_t number);

}  // namespace ostrel
