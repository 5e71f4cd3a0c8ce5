#include "core/PathList.h"

#include <algorithm>

#include "core/Host.h"
#include "core/StringHelpers.h"

namespace ostrel {

bool IsPathList(const std::string& text) {
    return std::count(text.begin(), text.end(), ':') >= 2;
}

std::vector<std::string> SplitPathList(std::string& text) {
    std::erase(text, '"');
    std::string result;
    while (!text.empty()) {
        const auto first = text.find(':');
        const auto second =
            first == std::string::npos ? std::string::npos : text.find(':', first + 1);
        if (second == std::string::npos) {
            result += text;
            text.clear();
            break;
        }
        // Everything before the next drive letter, which sits just before the second colon.
        const std::size_t cut = second - 1;
        if (cut == 0) {
            break;  // nothing to cut: the text cannot advance
        }
        result += TrimSpaces(text.substr(0, cut));
        result += ',';
        text.erase(0, cut);
    }
    text.clear();
    if (!result.empty() && result.back() == ',') {
        CurrentHost().MsgBox(result, kMsgOkOnly, kApplicationTitle);
        result.pop_back();
    }
    std::vector<std::string> items;
    if (result.empty()) {
        return items;
    }
    std::size_t start = 0;
    for (;;) {
        const auto comma = result.find(',', start);
        items.push_back(result.substr(start, comma - start));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return items;
}

}  // namespace ostrel
