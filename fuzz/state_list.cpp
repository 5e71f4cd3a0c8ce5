// The state-list reader (in-progress and pending-deletion lists) over any bytes. A list it
// accepts must be written back, by the writer, as text that reads as the same entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/StateList.h"

namespace {

bool SameEntries(const std::vector<ostrel::platform::StateEntry>& a,
                 const std::vector<ostrel::platform::StateEntry>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].bootId != b[i].bootId || !(a[i].version == b[i].version) ||
            a[i].path != b[i].path) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel::platform;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<StateEntry> entries;
    if (!posix::ParseStateList(text, entries)) {
        return 0;
    }
    std::vector<StateEntry> again;
    if (!posix::ParseStateList(posix::FormatStateList(entries), again) ||
        !SameEntries(entries, again)) {
        std::abort();
    }
    return 0;
}
