#include "lang/LanguageFile.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "lang/BuiltInTexts.h"
#include "lang/LangRecord.h"
#include "platform/ProgramFolder.h"

namespace ostrel {

std::string gAppPath;
std::int16_t gLangFileNum = 0;

namespace {

// The record buffer of the last lookup (all zeros when it could not be read).
LangRecord gLangRecord;

// The open language file. It stays open for the life of the process, and each lookup reads one
// record from it.
std::ifstream& LangStream() {
    static std::ifstream stream;
    return stream;
}

// True when `text` can be a text of a language file (Windows-1252 without control codes or the
// five unassigned codes). A record read from the wrong offset deciphers to random bytes, and 120
// random bytes pass this with a chance of about 1 in 10^8.
bool IsPlainText(std::string_view text) {
    return std::ranges::none_of(text, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D || byte == 0x8F ||
               byte == 0x90 || byte == 0x9D;
    });
}

// The text to show for string `number` when the file gives none or garbage.
std::string Fallback(std::int16_t number) {
    return std::string(BuiltInText(number));
}

}  // namespace

void OpenLanguageFile(const std::string& fileName) {
    OpenLanguageFile(fileName, platform::ProgramFolder());
}

void OpenLanguageFile(const std::string& fileName, const std::string& folder) {
    CloseLanguageFile();
    gAppPath = folder;
    if (gAppPath.empty()) {
        return;
    }
    if (gAppPath.back() != '/') {
        gAppPath += '/';
    }
    const std::filesystem::path path(gAppPath + fileName);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return;
    }
    std::ifstream& stream = LangStream();
    stream.open(path, std::ios::in | std::ios::binary);
    // A file that is not a whole number of records was cut short or shifted: none of its
    // records can be trusted to be at its place.
    const auto size = static_cast<std::streamoff>(stream.seekg(0, std::ios::end).tellg());
    if (!stream.is_open() || size <= 0 ||
        size % static_cast<std::streamoff>(kLangRecordSize) != 0) {
        CloseLanguageFile();
        return;
    }
    gLangFileNum = 1;
}

void CloseLanguageFile() {
    LangStream().close();
    LangStream().clear();
    gLangFileNum = 0;
}

std::string GetLangString(std::int16_t lngNum) {
    gLangRecord = {};
    std::ifstream& stream = LangStream();
    if (!stream.is_open() || lngNum < 1) {
        return Fallback(lngNum);
    }
    // A lookup past the end leaves the stream failed; clear it so later lookups still work.
    stream.clear();
    stream.seekg(static_cast<std::streamoff>(lngNum - 1) *
                 static_cast<std::streamoff>(kLangRecordSize));
    std::array<char, kLangRecordSize> bytes{};
    if (!stream.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        return Fallback(lngNum);
    }
    gLangRecord = LangRecordFromBytes(std::string_view(bytes.data(), bytes.size()));
    std::string text = LangRecordText(gLangRecord);
    return text.empty() || !IsPlainText(text) ? Fallback(lngNum) : text;
}

}  // namespace ostrel
