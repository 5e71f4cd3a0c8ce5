#pragma once

#include <cstdint>

#include "platform/Result.h"

namespace ostrel::platform {

// An open file or folder of the operating system, owned by one object: move-only, closed when
// the owner dies. It holds the system's own value for it, which only the platform's backend
// reads (a file descriptor on POSIX systems; on Windows a HANDLE, which is pointer-sized). Both
// systems hand out values that are never negative and use -1 for "none".
class Handle {
  public:
    using Native = std::intptr_t;
    static constexpr Native kNone = -1;

    Handle() = default;
    explicit Handle(Native value) : m_value(value) {}
    ~Handle() { Reset(); }
    Handle(Handle&& other) noexcept : m_value(other.Release()) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            Reset();
            m_value = other.Release();
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    bool Valid() const { return m_value >= 0; }
    Native Get() const { return m_value; }
    // Gives up ownership without closing.
    Native Release() {
        const Native value = m_value;
        m_value = kNone;
        return value;
    }
    // Closes what is held (if anything); the error number the system reported on closing.
    Status Reset() { return Valid() ? Close() : Status(); }

  private:
    // Closes the held value and forgets it; the backend's own.
    Status Close();

    Native m_value = kNone;
};

}  // namespace ostrel::platform
