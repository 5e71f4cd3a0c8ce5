// Placeholder until the language-file reader lands: no file, every string empty.
#include "lang/LanguageFile.h"

namespace ostrel {

void OpenLanguageFile(const std::string&) {}

std::string GetLangString(std::int16_t) { return {}; }

}  // namespace ostrel
