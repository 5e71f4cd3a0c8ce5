#include "core/Globals.h"

namespace ostrel {

std::string gCommonAppData;
std::string gDataFolder;
std::string gLanguageFile;
std::string gChosenLanguage;

std::string HoldingFolderPath() {
    return gDataFolder + "/" + kHoldingFolderName;
}

}  // namespace ostrel
