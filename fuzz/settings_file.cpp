// The settings-file parser over any bytes. What it accepts, the writer must write back in a
// form that parses to the same values, or a setting would change its meaning on the next save.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/posix/RegFileFormat.h"

namespace {

constexpr std::string_view kKey = "HKEY_CURRENT_USER\\Software\\Tolvane\\Quarrix\\Shredder";

bool SameValues(const ostrel::platform::posix::RegValueList& a,
                const ostrel::platform::posix::RegValueList& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].data != b[i].data) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel::platform::posix;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto values = ParseRegFile(text, kKey);
    if (!values) {
        return 0;
    }
    for (const NamedRegValue& value : *values) {
        if (FindRegValue(*values, value.name) != &value) {
            std::abort();  // two values answer to one name
        }
    }
    const auto again = ParseRegFile(FormatRegFile(*values, kKey), kKey);
    if (!again || !SameValues(*values, *again)) {
        std::abort();
    }
    return 0;
}
