#include "platform/RawFile.h"

#include <utility>

namespace ostrel::platform {

// What a backend's Release() gives back is its own; moving and destroying a file are the same
// on every system.
RawFile::~RawFile() {
    Release();
}

RawFile::RawFile(RawFile&& other) noexcept {
    *this = std::move(other);
}

RawFile& RawFile::operator=(RawFile&& other) noexcept {
    if (this != &other) {
        Release();
        m_handle = std::move(other.m_handle);
        m_failure = other.m_failure;
        m_error = other.m_error;
        m_folder = std::move(other.m_folder);
        m_name = std::move(other.m_name);
        m_deleteOnClose = other.m_deleteOnClose;
        m_failed = other.m_failed;
        m_id = other.m_id;
        m_linkCount = other.m_linkCount;
        m_written = std::exchange(other.m_written, 0);
        m_tally = std::exchange(other.m_tally, nullptr);
        m_buffer = std::move(other.m_buffer);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_used = std::exchange(other.m_used, 0);
        m_offset = other.m_offset;
    }
    return *this;
}

}  // namespace ostrel::platform
