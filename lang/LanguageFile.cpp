// Placeholder until the language-file reader lands: no file, every string empty.
// (The reader opens files in platform::ProgramFolder(); lang/ depends on platform/ only.)
#include "lang/LanguageFile.h"

namespace ostrel {

void OpenLanguageFile(const std::string&) {}

std::string GetLangString(std::int16_t) { return {}; }

}  // namespace ostrel
