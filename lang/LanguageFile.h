#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// The folder the last OpenLanguageFile looked in, with one trailing separator; empty before
// the first open and when the folder is unknown.
extern std::string gAppPath;
// Non-zero while a language file is open, 0 otherwise.
extern std::int16_t gLangFileNum;

// Opens `fileName` in the program folder as the language file for the rest of the process.
// Errors are ignored: a missing file makes every GetLangString give the empty string.
void OpenLanguageFile(const std::string& fileName);

// Opens `fileName` in `folder` instead of the program folder. Any file opened before is closed
// first. Only a regular file that is a whole number of records long is opened (a FIFO or a
// device would block or never end; a file of any other size was cut short or shifted); the file
// is not created when it is missing.
void OpenLanguageFile(const std::string& fileName, const std::string& folder);

// The languages whose files lie in `folder`, by name without the extension and in byte order:
// every entry NAME.lng that OpenLanguageFile would open (a regular file or a link to one, a
// whole number of records long). Empty when the folder cannot be read.
std::vector<std::string> AvailableLanguages(const std::string& folder);

// The language of `available` that `answer` names: the same letters in any case, with blanks,
// tabs and line ends around them ignored. Empty when it names none.
std::string MatchLanguage(const std::vector<std::string>& available, std::string_view answer);

// Closes the open language file, if any; lookups then give the empty string.
void CloseLanguageFile();

// String number `lngNum` of the open language file, deciphered and trimmed of blanks. When no
// file is open, the record cannot be read (a number below 1, a record past the end of the file),
// or it is empty or deciphers to bytes no text holds (control codes), the program's built-in
// English text of that number (see BuiltInText), which is empty for most numbers. The file's
// contents are never trusted: any bytes give some string of at most 120 characters.
std::string GetLangString(std::int16_t lngNum);

}  // namespace ostrel
