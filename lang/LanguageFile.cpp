#include "lang/LanguageFile.h"

#include <algorithm>
#include <optional>

#include "lang/BuiltInTexts.h"
#include "lang/LangRecord.h"
#include "platform/DirSearch.h"
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

constexpr std::string_view kLanguageExtension = ".lng";

// The bytes of the language file at `path`, or nothing when it is not one that can be used: not
// a regular file, unreadable, or not a whole number of records (cut short or shifted, none of its
// records can be trusted to be at its place).
std::optional<std::string> ReadLanguageFile(const std::string& path) {
    platform::FileContents file = platform::ReadWholeFile(path, platform::Links::Follow);
    if (!file.Ok() || file.bytes.empty() || file.bytes.size() % kLangRecordSize != 0) {
        return std::nullopt;
    }
    return std::move(file.bytes);
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
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
    std::optional<std::string> bytes = ReadLanguageFile(gAppPath + fileName);
    if (!bytes) {
        return;
    }
    gLangBytes = std::move(*bytes);
    gLangFileNum = 1;
}

std::vector<std::string> AvailableLanguages(const std::string& folder) {
    std::vector<std::string> languages;
    platform::DirSearch search = platform::DirSearch::Open(folder);
    platform::DirEntry entry;
    while (search.IsOpen() && search.Next(entry)) {
        const std::string_view name = entry.name;
        if (entry.isDirectory || name.size() <= kLanguageExtension.size() ||
            !name.ends_with(kLanguageExtension)) {
            continue;
        }
        if (ReadLanguageFile(folder + "/" + std::string(name))) {
            languages.emplace_back(name.substr(0, name.size() - kLanguageExtension.size()));
        }
    }
    std::ranges::sort(languages);
    return languages;
}

std::string MatchLanguage(const std::vector<std::string>& available, std::string_view answer) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = answer.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    answer = answer.substr(first, answer.find_last_not_of(kBlanks) - first + 1);
    for (const std::string& language : available) {
        if (std::ranges::equal(language, answer, {}, AsciiLower, AsciiLower)) {
            return language;
        }
    }
    return {};
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
