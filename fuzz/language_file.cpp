// The language-file reader over a file of any bytes: every lookup, of any number, gives a text
// of at most one record's length and never fails.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "lang/LangRecord.h"
#include "lang/LanguageFile.h"

namespace {

// A private folder for the file under test, made once.
const std::string& Folder() {
    static const std::string folder = [] {
        std::string pattern = "/tmp/ostrel-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return pattern;
    }();
    return folder;
}

void Check(const std::string& text) {
    if (text.size() > ostrel::kLangTextSize) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(Folder() + "/fuzz.lng", std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ostrel::OpenLanguageFile("fuzz.lng", Folder());
    const auto records = static_cast<std::int16_t>(size / ostrel::kLangRecordSize);
    for (std::int16_t number : {std::int16_t{-1}, std::int16_t{0}, std::int16_t{1}, std::int16_t{2},
                                records, static_cast<std::int16_t>(records + 1), std::int16_t{827},
                                std::int16_t{901}, std::int16_t{32767}}) {
        Check(ostrel::GetLangString(number));
    }
    ostrel::CloseLanguageFile();
    for (std::size_t at = 0; at + ostrel::kLangRecordSize <= size; at += ostrel::kLangRecordSize) {
        Check(ostrel::LangRecordText(
            ostrel::LangRecordFromBytes(bytes.substr(at, ostrel::kLangRecordSize))));
    }
    return 0;
}
