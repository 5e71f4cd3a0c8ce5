#pragma once

#include <string>
#include <string_view>

namespace ostrel {

// The RC4 stream cipher over single-byte characters: `text` XOR the keystream of `key`.
// Enciphering and deciphering are the same call. The result has the length of `text`; an empty
// key gives `text` back unchanged.
std::string RC4Crypt(std::string_view text, std::string_view key);

}  // namespace ostrel
