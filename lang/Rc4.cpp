#include "lang/Rc4.h"

#include <array>
#include <cstdint>
#include <numeric>
#include <utility>

namespace ostrel {

std::string RC4Crypt(std::string_view text, std::string_view key) {
    if (key.empty()) {
        return std::string(text);
    }
    std::array<std::uint8_t, 256> s{};
    std::iota(s.begin(), s.end(), std::uint8_t{0});
    // Indices stay in 0..255 by masking; key bytes are taken unsigned so codes above 127 count
    // as themselves.
    unsigned j = 0;
    for (unsigned i = 0; i < s.size(); ++i) {
        j = (j + s[i] + static_cast<std::uint8_t>(key[i % key.size()])) & 0xFFu;
        std::swap(s[i], s[j]);
    }
    std::string out(text.size(), '\0');
    unsigned i = 0;
    j = 0;
    for (std::size_t n = 0; n < text.size(); ++n) {
        i = (i + 1) & 0xFFu;
        j = (j + s[i]) & 0xFFu;
        std::swap(s[i], s[j]);
        std::uint8_t k = s[(s[i] + s[j]) & 0xFFu];
        out[n] = static_cast<char>(static_cast<std::uint8_t>(text[n]) ^ k);
    }
    return out;
}

}  // namespace ostrel
