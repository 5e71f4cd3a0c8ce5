#pragma once

#include <cstdint>
#include <string>

namespace ostrel {

// Opens `fileName` in the program folder as the language file for the rest of the process.
// Errors are ignored: a missing file makes every GetLangString give the empty string.
void OpenLanguageFile(const std::string& fileName);

// String number `lngNum` of the open language file, deciphered and trimmed of blanks;
// empty when no file is open or the record cannot be read.
std::string GetLangString(std::int16_t lngNum);

}  // namespace ostrel
