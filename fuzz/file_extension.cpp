// GetFileExtension over any name. Input: one byte choosing the separator (odd: '\'), then the
// name. The extension is what follows the name's last '.', and holds no '.', separator or ':'.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/PathHelpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const char separator = (data[0] & 1) != 0 ? '\\' : '/';
    const std::string name(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string extension = ostrel::GetFileExtension(name, separator);
    if (extension.find_first_of(std::string(".:") + separator) != std::string::npos) {
        std::abort();
    }
    const std::size_t dot = name.rfind('.');
    const std::size_t stop = name.find_last_of(std::string(":") + separator);
    const bool hasExtension = dot != std::string::npos && (stop == std::string::npos || stop < dot);
    if (hasExtension ? extension != name.substr(dot + 1) : !extension.empty()) {
        std::abort();
    }
    return 0;
}
