#include "lang/LanguageFile.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

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
    LangStream().open(path, std::ios::in | std::ios::binary);
    gLangFileNum = LangStream().is_open() ? 1 : 0;
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
        return {};
    }
    // A lookup past the end leaves the stream failed; clear it so later lookups still work.
    stream.clear();
    stream.seekg(static_cast<std::streamoff>(lngNum - 1) *
                 static_cast<std::streamoff>(kLangRecordSize));
    std::array<char, kLangRecordSize> bytes{};
    if (!stream.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        return {};
    }
    gLangRecord = LangRecordFromBytes(std::string_view(bytes.data(), bytes.size()));
    return LangRecordText(gLangRecord);
}

}  // namespace ostrel
