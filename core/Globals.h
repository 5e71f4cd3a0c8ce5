#pragma once

#include <cstdint>
#include <string>

namespace ostrel {

// State shared across the program for the whole process. Paths are exact bytes.

// The all-users application-data folder with one trailing separator (set by
// InitSpecialFolders).
extern std::string gCommonAppData;
// The program's data folder: gCommonAppData followed by kVendorFolder (core/ProductNames.h), no
// trailing separator. The holding folder "Safetemp" lies below it.
extern std::string gDataFolder;
// File name of the language file in use, with its extension; also the "DefaultLang" setting.
extern std::string gLanguageFile;
// File name picked in the language chooser.
extern std::string gChosenLanguage;

// The name of the holding folder below gDataFolder.
inline constexpr char kHoldingFolderName[] = "Safetemp";
// gDataFolder followed by the holding folder's name, no trailing separator.
std::string HoldingFolderPath();

}  // namespace ostrel
