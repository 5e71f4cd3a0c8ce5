// The splitting of a Windows command line into paths, over any text: it ends, consumes the
// text, and gives paths without quotes that are made of the text's own characters.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/PathList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string original(reinterpret_cast<const char*>(data), size);
    std::string text = original;
    const bool isList = ostrel::IsPathList(text);
    const auto items = ostrel::SplitPathList(text);
    if (!text.empty() || isList != (std::count(original.begin(), original.end(), ':') >= 2)) {
        std::abort();
    }
    std::size_t total = 0;
    for (const std::string& item : items) {
        if (item.find('"') != std::string::npos) {
            std::abort();
        }
        total += item.size();
    }
    if (total > original.size()) {
        std::abort();
    }
    return 0;
}
