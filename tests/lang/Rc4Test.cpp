#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <string>

#include "lang/LangRecord.h"
#include "lang/Rc4.h"

namespace ostrel {
namespace {

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t n = 0; n + 1 < hex.size(); n += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(n, 2), nullptr, 16));
    }
    return bytes;
}

struct KeystreamRow {
    const char* keyHex;
    std::size_t offset;
    const char* expectedHex;
};
void PrintTo(const KeystreamRow& row, std::ostream* os) {
    *os << row.keyHex << "@" << row.offset;
}

class Rc4Keystream : public ::testing::TestWithParam<KeystreamRow> {};

// Guards against a wrong key schedule or output step, and against key bytes above 127 taken as
// negative: enciphering zero bytes gives the keystream, which must match the published RFC 6229
// vectors from its first bytes to 4 KiB in.
TEST_P(Rc4Keystream, MatchesPublishedVectors) {
    const KeystreamRow& row = GetParam();
    std::string keystream = RC4Crypt(std::string(row.offset + 16, '\0'), FromHex(row.keyHex));
    EXPECT_EQ(keystream.substr(row.offset), FromHex(row.expectedHex));
}

INSTANTIATE_TEST_SUITE_P(
    Rfc6229, Rc4Keystream,
    ::testing::Values(KeystreamRow{"0102030405", 0, "b2396305f03dc027ccc3524a0a1118a8"},
                      KeystreamRow{"0102030405", 4080, "068326a2118416d21f9d04b2cd1ca050"},
                      KeystreamRow{"01020304050607", 240, "914f02531c9218810df60f67e338154c"},
                      KeystreamRow{"0102030405060708090a0b0c0d0e0f10", 1008,
                                   "e7a72574f8782ae26aabcf9ebcd66065"},
                      KeystreamRow{"833222772a", 1008, "6da453dbf81e82334a3d8866cb50a1e3"}),
    [](const auto& info) {
        return "Key" + std::string(info.param.keyHex) + "At" + std::to_string(info.param.offset);
    });

// Guards against a transform that is not its own inverse for some byte values (NULs, codes
// above 127): every byte value comes back, under the language key and a key of high bytes.
TEST(Rc4Crypt, DecipheringWhatItEncipheredGivesTheTextBack) {
    std::string text;
    for (int code = 0; code < 512; ++code) {
        text += static_cast<char>(code & 0xFF);
    }
    for (const std::string& key : {LangKey(), FromHex("ff80017f")}) {
        std::string enciphered = RC4Crypt(text, key);
        EXPECT_NE(enciphered, text);
        EXPECT_EQ(RC4Crypt(enciphered, key), text);
    }
}

}  // namespace
}  // namespace ostrel
