#include "platform/Handle.h"

#include <windows.h>

#include <utility>

namespace ostrel::platform {

bool Handle::Close() {
    return ::CloseHandle(reinterpret_cast<HANDLE>(std::exchange(m_value, kNone))) != 0;
}

}  // namespace ostrel::platform
