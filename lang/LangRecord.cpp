#include "lang/LangRecord.h"

#include <algorithm>
#include <stdexcept>

#include "lang/Rc4.h"

namespace ostrel {

std::string LangKey() {
    // Eight character codes, then one literal character.
    std::string key;
    key.reserve(9);
    for (int code : {90, 52, 116, 37, 87, 109, 57, 64}) {
        key += static_cast<char>(code);
    }
    key += 'k';
    return key;
}

std::string EncodeLangRecord(std::string_view text) {
    if (text.size() > kLangTextSize) {
        throw std::length_error("a language record holds at most 120 characters");
    }
    std::string padded(text);
    padded.resize(kLangTextSize, ' ');
    return std::string(kLangTagSize, '\0') + RC4Crypt(padded, LangKey());
}

LangRecord LangRecordFromBytes(std::string_view bytes) {
    LangRecord record;
    if (bytes.size() != kLangRecordSize) {
        return record;
    }
    for (std::size_t n = 0; n < kLangTagSize; ++n) {
        record.Tag |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[n])) << (8 * n);
    }
    std::copy(bytes.begin() + kLangTagSize, bytes.end(), record.Text.begin());
    return record;
}

std::string LangRecordText(const LangRecord& record) {
    std::string text =
        RC4Crypt(std::string_view(record.Text.data(), record.Text.size()), LangKey());
    auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace ostrel
