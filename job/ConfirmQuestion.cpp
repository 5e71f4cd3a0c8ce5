#include "job/ConfirmQuestion.h"

#include <cstdint>

#include "lang/Encoding.h"
#include "lang/LangStrings.h"
#include "lang/LanguageFile.h"
#include "platform/FileSystem.h"

namespace ostrel {
namespace {

std::string Text(std::int16_t number) {
    return Windows1252ToUtf8(GetLangString(number));
}

// "1 file", "2 files": the count, then the word for one or for several.
std::string Counted(std::size_t count, std::int16_t one, std::int16_t several) {
    return std::to_string(count) + " " + Text(count == 1 ? one : several);
}

}  // namespace

std::string ConfirmQuestion(const std::vector<std::string>& paths) {
    std::size_t files = 0, folders = 0, missing = 0;
    for (const std::string& path : paths) {
        const auto status = platform::StatPath(path);
        if (!status) {
            ++missing;
        } else if (status->type == platform::FileType::Directory) {
            ++folders;
        } else {
            ++files;
        }
    }
    std::string counts;
    const auto add = [&counts](const std::string& part) {
        counts += (counts.empty() ? "" : ", ") + part;
    };
    if (files > 0) {
        add(Counted(files, lang::kConfirmOneFile, lang::kConfirmFiles));
    }
    if (folders > 0) {
        add(Counted(folders, lang::kConfirmOneFolder, lang::kConfirmFolders));
    }
    if (missing > 0) {
        add(std::to_string(missing) + " " + Text(lang::kConfirmNotFound));
    }

    std::string text = Text(lang::kConfirmQuestion);
    if (paths.empty()) {
        return text;
    }
    text += "\n\n" + counts + ":";
    // Each path starts with a bullet, so a path too long for its line and wrapped by a window or
    // a terminal is never read as two.
    for (std::size_t i = 0; i < paths.size() && i < kListedPaths; ++i) {
        text += "\n" + std::string(kPathBullet) + EscapedForDisplay(paths[i]);
    }
    if (paths.size() > kListedPaths) {
        text += "\n" + Text(lang::kConfirmMoreBefore) + " " +
                std::to_string(paths.size() - kListedPaths) + " " + Text(lang::kConfirmMoreAfter);
    }
    return text;
}

}  // namespace ostrel
