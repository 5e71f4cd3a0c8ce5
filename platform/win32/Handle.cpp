#include "platform/Handle.h"

#include <windows.h>

#include <cerrno>
#include <utility>

namespace ostrel::platform {

Status Handle::Close() {
    // The platform's error numbers are errno values: a failed close is an I/O error.
    if (::CloseHandle(reinterpret_cast<HANDLE>(std::exchange(m_value, kNone))) == 0) {
        return Failure{EIO};
    }
    return {};
}

}  // namespace ostrel::platform
