#include "lang/LanguageFile.h"

#include <algorithm>

#include "lang/BuiltInTexts.h"
#include "lang/LangRecord.h"
#include "platform/ProgramFolder.h"
#include "platform/WholeFile.h"

namespace ostrel {

std::string gAppPath;
std::int16_t gLangFileNum = 0;

namespace {

// The record buffer of the last lookup (all zeros when it could not be read).
LangRecord gLangRecord;

// The open language file's bytes, read whole when it is opened (a few hundred records); each
// lookup takes one record from them.
std::string gLangBytes;

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
    platform::FileContents file =
        platform::ReadWholeFile(gAppPath + fileName, platform::Links::Follow);
    // A file that is not a whole number of records was cut short or shifted: none of its
    // records can be trusted to be at its place.
    if (!file.Ok() || file.bytes.empty() || file.bytes.size() % kLangRecordSize != 0) {
        return;
    }
    gLangBytes = std::move(file.bytes);
    gLangFileNum = 1;
}

void CloseLanguageFile() {
    gLangBytes.clear();
    gLangFileNum = 0;
}

std::string GetLangString(std::int16_t lngNum) {
    gLangRecord = {};
    const std::size_t records = gLangBytes.size() / kLangRecordSize;
    if (gLangFileNum == 0 || lngNum < 1 || static_cast<std::size_t>(lngNum) > records) {
        return Fallback(lngNum);
    }
    const std::size_t offset = static_cast<std::size_t>(lngNum - 1) * kLangRecordSize;
    gLangRecord = LangRecordFromBytes(std::string_view(gLangBytes).substr(offset, kLangRecordSize));
    std::string text = LangRecordText(gLangRecord);
    return text.empty() || !IsPlainText(text) ? Fallback(lngNum) : text;
}

}  // namespace ostrel
